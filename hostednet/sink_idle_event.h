// CSinkIdleEvent: tells when no call into the notification sink is in progress. The
// controller marks a call as begun under its own lock, before it lets go of the lock to make
// the call, so a waiter that has already detached the sink sees every call that could still
// reach it.
//
// Thread affinity: any thread. Unlike a single auto-reset event it counts calls, so it stays
// right even if calls from several threads overlap.
#pragma once

#include <condition_variable>
#include <mutex>

class CSinkIdleEvent {
 public:
  void BeginCall() {
    std::lock_guard<std::mutex> guard(mutex_);
    ++calls_;
  }
  void EndCall() {
    std::lock_guard<std::mutex> guard(mutex_);
    if (--calls_ == 0)
      idle_.notify_all();
  }
  // Blocks until no call is in progress.
  void WaitUntilIdle() {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return calls_ == 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable idle_;
  int calls_ = 0;
};
