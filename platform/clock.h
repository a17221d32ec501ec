// platform::Clock: pauses and the millisecond tick count. Code that waits takes a Clock so
// that tests can replace it with one that records pauses and advances time without waiting.
//
// Thread affinity: implementations are safe to use from any thread.
#pragma once

#include "base/win_types.h"

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;

  // Blocks the calling thread for about `milliseconds`.
  virtual void Sleep(DWORD milliseconds) = 0;
  // Milliseconds since an arbitrary start; wraps around after about 49.7 days.
  virtual DWORD GetTickCount() = 0;
};

// The monotonic system clock.
class RealClock final : public Clock {
 public:
  void Sleep(DWORD milliseconds) override;
  DWORD GetTickCount() override;
};

}  // namespace platform
