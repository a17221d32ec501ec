// test::MockClock: a platform::Clock that records every pause and advances its tick count by
// it, without waiting.
//
// Thread affinity: any thread.
#pragma once

#include <mutex>
#include <vector>

#include "platform/clock.h"

namespace test {

class MockClock final : public platform::Clock {
 public:
  explicit MockClock(DWORD start_ticks = 0) : ticks_(start_ticks) {}

  void Sleep(DWORD milliseconds) override {
    std::lock_guard<std::mutex> guard(mutex_);
    sleeps_.push_back(milliseconds);
    ticks_ += milliseconds;
  }
  DWORD GetTickCount() override {
    std::lock_guard<std::mutex> guard(mutex_);
    return ticks_;
  }
  // Moves time on without a pause being recorded.
  void Advance(DWORD milliseconds) {
    std::lock_guard<std::mutex> guard(mutex_);
    ticks_ += milliseconds;
  }
  std::vector<DWORD> sleeps() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return sleeps_;
  }

 private:
  mutable std::mutex mutex_;
  DWORD ticks_;
  std::vector<DWORD> sleeps_;
};

}  // namespace test
