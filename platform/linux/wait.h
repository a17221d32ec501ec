// The one wait loop behind every wait on Waitable objects.
//
// Thread-safe as far as the objects are: it calls IsSignalled and polls PollFd of each.
#pragma once

#include <span>

#include "base/win_types.h"
#include "platform/system.h"

namespace platform::posix {

// WAIT_OBJECT_0 + i for the first of `objects` found signalled, WAIT_TIMEOUT after
// `timeout_ms` (INFINITE: never), WAIT_FAILED when polling fails or `objects` is empty.
// Objects without a descriptor are re-checked every 10 ms.
DWORD WaitForAnyObject(std::span<Waitable* const> objects, DWORD timeout_ms);

}  // namespace platform::posix
