#include "config/flush_rule.h"

#include <chrono>

namespace config {

std::uint32_t CSystemTickSource::GetTickCount() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

bool CFlushRule::OnSave() {
  std::call_once(first_save_, [this] { first_tick_ = ticks_->GetTickCount(); });
  // Unsigned difference: correct across the 49.7-day wrap of the tick count.
  return static_cast<std::uint32_t>(ticks_->GetTickCount() - first_tick_) > kQuietPeriodMs;
}

CFlushRule& CFlushRule::ForProcess() {
  static CSystemTickSource ticks;
  static CFlushRule rule(&ticks);
  return rule;
}

}  // namespace config
