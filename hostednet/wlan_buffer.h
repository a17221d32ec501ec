// WlanBuffer: owns a buffer that the wireless service returned through an out parameter and
// hands it back to WlanFreeMemory when it goes out of scope, on every path.
//
// Thread affinity: one thread at a time. The WlanApi must outlive the buffer.
#pragma once

#include <utility>

#include "platform/wlan_api.h"

template <class T = void>
class WlanBuffer {
 public:
  explicit WlanBuffer(platform::WlanApi* api) : api_(api) {}
  ~WlanBuffer() { reset(); }
  WlanBuffer(const WlanBuffer&) = delete;
  WlanBuffer& operator=(const WlanBuffer&) = delete;

  // For the out parameter of a query; whatever is written there is owned from then on.
  T** out() {
    reset();
    return &pointer_;
  }
  T* get() const { return pointer_; }
  void reset() {
    if (pointer_)
      api_->WlanFreeMemory(std::exchange(pointer_, nullptr));
  }

 private:
  platform::WlanApi* api_;
  T* pointer_ = nullptr;
};
