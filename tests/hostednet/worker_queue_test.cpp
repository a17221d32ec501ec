// The worker and its command queue with real threads: order, quitting, the pauses, and what
// happens when several threads post, quit or destroy at once. Meant for the thread sanitizer
// as much as for its own checks.
#include "hostednet/worker_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr auto kBound = std::chrono::seconds(20);

// Counts the pauses by length and yields instead of sleeping.
class YieldingClock final : public platform::Clock {
 public:
  void Sleep(DWORD milliseconds) override {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      ++sleeps_[milliseconds];
    }
    std::this_thread::yield();
  }
  DWORD GetTickCount() override { return 0; }
  std::map<DWORD, int> sleeps() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return sleeps_;
  }

 private:
  mutable std::mutex mutex_;
  std::map<DWORD, int> sleeps_;
};

// Records what the worker ran, in order; a hook may run inside a start.
class Recorder final : public CWorkerQueue::Delegate {
 public:
  void OnWorkerInit() override { Add("init"); }
  void OnStartCommand() override {
    Add("start");
    if (on_start)
      on_start();
  }
  void OnStopCommand() override { Add("stop"); }
  void OnWorkerShutdown() override { Add("shutdown"); }

  void Add(const std::string& event) {
    std::lock_guard<std::mutex> guard(mutex_);
    events_.push_back(event);
    changed_.notify_all();
  }
  std::vector<std::string> events() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return events_;
  }
  int Count(const std::string& event) const {
    std::lock_guard<std::mutex> guard(mutex_);
    int n = 0;
    for (const std::string& e : events_)
      n += e == event;
    return n;
  }
  bool WaitForCount(const std::string& event, int count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, kBound, [&] {
      int n = 0;
      for (const std::string& e : events_)
        n += e == event;
      return n >= count;
    });
  }

  std::function<void()> on_start;  // set before Start

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> events_;
};

// A one-shot gate a delegate call can wait on.
class Gate {
 public:
  void Open() {
    std::lock_guard<std::mutex> guard(mutex_);
    open_ = true;
    cv_.notify_all();
  }
  bool Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, kBound, [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool open_ = false;
};

TEST(WorkerQueueTest, InitFirstThenCommandsInOrderThenShutdownWithAPausePerPass) {
  YieldingClock clock;
  Recorder recorder;
  CWorkerQueue worker(&clock, &recorder);
  // Queued before the thread exists: the initialisation still comes first.
  for (int command : {CMD_START, 99, CMD_STOP, 0, CMD_STOP, CMD_START, CMD_QUIT, CMD_START})
    worker.Post(command);
  ASSERT_TRUE(worker.Start());
  EXPECT_TRUE(worker.started());
  worker.Quit();
  EXPECT_EQ(recorder.events(),
            (std::vector<std::string>{"init", "start", "stop", "stop", "start", "shutdown"}));
  // Six passes took a command before the quit; each paused once, the quitting pass did not.
  EXPECT_EQ(clock.sleeps(), (std::map<DWORD, int>{{CWorkerQueue::kPollMs, 6}}));
  // What was queued after the first quit stays unread, Quit's own one included.
  int left = 0;
  EXPECT_TRUE(worker.Take(&left));
  EXPECT_EQ(left, CMD_START);
  EXPECT_TRUE(worker.Take(&left));
  EXPECT_EQ(left, CMD_QUIT);
  EXPECT_FALSE(worker.Take(&left));
  EXPECT_EQ(left, CMD_QUIT);
}

TEST(WorkerQueueTest, PostersOnManyThreadsKeepTheirOwnOrderAndLoseNothing) {
  YieldingClock clock;
  Recorder recorder;
  CWorkerQueue queue(&clock, &recorder);  // never started: this thread takes
  constexpr int kPosters = 8;
  constexpr int kEach = 2000;
  std::vector<std::thread> posters;
  for (int p = 0; p < kPosters; ++p) {
    posters.emplace_back([&queue, p] {
      for (int i = 0; i < kEach; ++i)
        queue.Post(p * kEach + i);
    });
  }
  std::vector<int> next(kPosters, 0);
  int taken = 0;
  bool in_order = true;
  const auto deadline = std::chrono::steady_clock::now() + kBound;
  while (taken < kPosters * kEach && std::chrono::steady_clock::now() < deadline) {
    int command = -1;
    if (!queue.Take(&command)) {
      std::this_thread::yield();
      continue;
    }
    const int poster = command / kEach;
    in_order = in_order && command % kEach == next[poster];
    next[poster] = command % kEach + 1;
    ++taken;
  }
  for (std::thread& t : posters)
    t.join();
  EXPECT_EQ(taken, kPosters * kEach);
  EXPECT_TRUE(in_order);
  int extra = 0;
  EXPECT_FALSE(queue.Take(&extra));
}

TEST(WorkerQueueTest, CommandsPostedWhileTheWorkerRunsAllExecuteBeforeTheQuit) {
  YieldingClock clock;
  Recorder recorder;
  CWorkerQueue worker(&clock, &recorder);
  ASSERT_TRUE(worker.Start());
  constexpr int kPosters = 6;
  constexpr int kEach = 300;
  std::vector<std::thread> posters;
  for (int p = 0; p < kPosters; ++p) {
    posters.emplace_back([&worker, p] {
      for (int i = 0; i < kEach; ++i)
        worker.Post(p % 2 ? CMD_START : CMD_STOP);
    });
  }
  for (std::thread& t : posters)
    t.join();
  worker.Quit();
  const auto events = recorder.events();
  EXPECT_EQ(events.front(), "init");
  EXPECT_EQ(events.back(), "shutdown");
  EXPECT_EQ(recorder.Count("start"), kPosters / 2 * kEach);
  EXPECT_EQ(recorder.Count("stop"), kPosters / 2 * kEach);
  EXPECT_EQ(recorder.Count("shutdown"), 1);
}

TEST(WorkerQueueTest, QuitWaitsForALongCommandAndCommandsCanBePostedMeanwhile) {
  YieldingClock clock;
  Recorder recorder;
  Gate started, release;
  recorder.on_start = [&] {
    started.Open();
    release.Wait();
  };
  CWorkerQueue worker(&clock, &recorder);
  ASSERT_TRUE(worker.Start());
  worker.Post(CMD_START);
  ASSERT_TRUE(started.Wait());
  // The queue lock is not held during the command: this returns while the start still runs.
  worker.Post(CMD_STOP);
  std::thread quitter([&] {
    worker.Quit();
    recorder.Add("quit returned");
  });
  release.Open();
  quitter.join();
  EXPECT_EQ(recorder.events(),
            (std::vector<std::string>{"init", "start", "stop", "shutdown", "quit returned"}));
}

TEST(WorkerQueueTest, ManyQuittersShutDownOnceAndAllReturnAfterIt) {
  YieldingClock clock;
  Recorder recorder;
  CWorkerQueue worker(&clock, &recorder);
  ASSERT_TRUE(worker.Start());
  worker.Post(CMD_START);
  std::vector<std::thread> quitters;
  for (int i = 0; i < 5; ++i) {
    quitters.emplace_back([&] {
      worker.Quit();
      recorder.Add("returned");
    });
  }
  for (std::thread& t : quitters)
    t.join();
  worker.Quit();  // after the end: returns at once
  const auto events = recorder.events();
  EXPECT_EQ(recorder.Count("shutdown"), 1);
  EXPECT_EQ(recorder.Count("returned"), 5);
  ASSERT_EQ(events.size(), 8u);
  EXPECT_EQ(events[0], "init");
  EXPECT_EQ(events[1], "start");
  EXPECT_EQ(events[2], "shutdown");
  EXPECT_FALSE(worker.Start());  // one worker per queue
}

TEST(WorkerQueueTest, DestructionEndsAnIdleWorkerThroughItsShutdown) {
  YieldingClock clock;
  Recorder recorder;
  {
    CWorkerQueue worker(&clock, &recorder);
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(recorder.WaitForCount("init", 1));
    // Idle now: polling an empty queue.
  }
  EXPECT_EQ(recorder.events(), (std::vector<std::string>{"init", "shutdown"}));

  Recorder never_started;
  { CWorkerQueue worker(&clock, &never_started); }
  EXPECT_TRUE(never_started.events().empty());
}

TEST(WorkerQueueTest, AQuitFromInsideACommandEndsTheLoopAfterIt) {
  YieldingClock clock;
  Recorder recorder;
  CWorkerQueue worker(&clock, &recorder);
  recorder.on_start = [&worker] { worker.Quit(); };
  worker.Post(CMD_START);
  ASSERT_TRUE(worker.Start());
  ASSERT_TRUE(recorder.WaitForCount("shutdown", 1));
  worker.Post(CMD_STOP);
  worker.Quit();
  EXPECT_EQ(recorder.events(), (std::vector<std::string>{"init", "start", "shutdown"}));
}

}  // namespace
