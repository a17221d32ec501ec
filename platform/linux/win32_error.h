// Win32 error codes for failures of POSIX calls, so that callers see the codes they test for.
// Thread-safe.
#pragma once

#include "base/win_types.h"

namespace platform::posix {

// The Win32 code that describes `err` (an errno value); ERROR_GEN_FAILURE (31) for anything
// without a closer match.
DWORD Win32ErrorFromErrno(int err);

}  // namespace platform::posix
