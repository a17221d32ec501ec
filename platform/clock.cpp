#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace platform {

void RealClock::Sleep(DWORD milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

DWORD RealClock::GetTickCount() {
  auto since_boot = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<DWORD>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since_boot).count());
}

}  // namespace platform
