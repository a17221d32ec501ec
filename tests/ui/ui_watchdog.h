// Ends the test program at once when the UI thread stops answering or the process's memory runs
// away, so that a page that freezes the view fails its test instead of hanging the run or
// exhausting the machine. A timer on the UI thread beats; a thread of its own watches the beat
// and the resident size.
//
// Thread affinity: create and destroy on the UI thread, whose event loop must run
// (testing_qt::WaitUntil). Failure: prints what went wrong and exits with status 1.
#pragma once

#include <unistd.h>

#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>

namespace testing_qt {

class UiWatchdog {
 public:
  // Generous bounds: a busy machine must not trip them.
  explicit UiWatchdog(std::chrono::milliseconds stall = std::chrono::seconds(10),
                      long growth_mb = 512)
      : stall_(stall), limit_bytes_(Resident() + growth_mb * 1024 * 1024) {
    Beat();
    QObject::connect(&beat_, &QTimer::timeout, [this] { Beat(); });
    beat_.start(20);
    watcher_ = std::thread([this] { Watch(); });
  }
  ~UiWatchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_one();
    watcher_.join();
  }
  UiWatchdog(const UiWatchdog&) = delete;
  UiWatchdog& operator=(const UiWatchdog&) = delete;

 private:
  using Clock = std::chrono::steady_clock;

  static long Resident() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
  }
  void Beat() { last_beat_ = Clock::now().time_since_epoch().count(); }
  void Watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, std::chrono::milliseconds(50), [this] { return stop_; })) {
      auto silent = Clock::now() - Clock::time_point(Clock::duration(last_beat_.load()));
      if (silent > stall_)
        Die("the UI thread stopped answering");
      if (Resident() > limit_bytes_)
        Die("memory ran away");
    }
  }
  [[noreturn]] static void Die(const char* why) {
    std::fprintf(stderr, "UiWatchdog: %s\n", why);
    std::fflush(stderr);
    std::_Exit(1);
  }

  const std::chrono::milliseconds stall_;
  const long limit_bytes_;
  QTimer beat_;
  std::atomic<Clock::rep> last_beat_{0};
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread watcher_;
};

}  // namespace testing_qt
