// A tick source that the test moves by hand.
#pragma once

#include <atomic>

#include "config/flush_rule.h"

namespace config_test {

class FakeTicks : public config::ITickSource {
 public:
  explicit FakeTicks(std::uint32_t now = 0) : now_(now) {}
  std::uint32_t GetTickCount() override {
    ++reads_;
    return now_;
  }
  void Set(std::uint32_t now) { now_ = now; }
  int reads() const { return reads_; }

 private:
  std::atomic<std::uint32_t> now_;
  std::atomic<int> reads_{0};
};

}  // namespace config_test
