// A named event that only its user (and root) can make, open or hold: the hand-shake between a
// launcher without rights and the elevated copy it starts.
//
// Manual-reset: once set it stays set until Reset. The object exists while at least one live
// process holds it open; when the last holder closes it or dies, it is gone, and the next
// creator starts it unsignalled again.
//
// Threading: one object is used from one thread at a time; Set may race with waits in other
// processes. No operation waits without a bound.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "base/win_types.h"
#include "platform/system.h"

namespace platform {

class NamedEvent : public Waitable {
 public:
  // Both answer false on an I/O failure.
  virtual bool Set() = 0;
  virtual bool Reset() = 0;

  // WAIT_OBJECT_0 once set, WAIT_TIMEOUT after `timeout_ms`, WAIT_FAILED on error.
  virtual DWORD Wait(DWORD timeout_ms) = 0;
};

// CreateEventW(nullptr, TRUE, FALSE, name) counterpart: creates or opens the event `name`.
// On success *last_error is ERROR_ALREADY_EXISTS when another live holder had it open (its state
// is then kept), else 0 (it starts unsignalled). On failure: null, and a Win32 error code.
using NamedEventFactory =
    std::function<std::unique_ptr<NamedEvent>(std::u16string_view name, DWORD* last_error)>;

}  // namespace platform
