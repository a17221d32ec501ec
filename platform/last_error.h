// The calling thread's last Win32 error, set by platform functions that report failure through
// their return value alone (the code-page conversions, WlanAllocateMemory, library look-ups).
//
// Thread affinity: per thread; no synchronisation needed.
#pragma once

#include "base/win_types.h"

namespace platform {

DWORD GetLastError();
void SetLastError(DWORD code);

}  // namespace platform
