// platform::WlanApi: the wireless service's client interface, one method per function of the
// system's WLAN client library, with the same inputs, outputs and Win32 result codes.
//
// Thread affinity: every method may be called from any thread. Notification callbacks run on
// a thread owned by the service, one at a time and in the order the changes happened.
// Ownership: buffers returned through out pointers belong to the caller, who releases each
// with WlanFreeMemory. Client handles stay valid until WlanCloseHandle.
// Failure: methods return 0 or a Win32 error code and leave out values untouched on failure.
#pragma once

#include "base/win_types.h"
#include "platform/wlan_types.h"

using HMODULE = void*;
using FARPROC = void (*)();

// Called on the service's thread; `data` and what it points to are valid for the call only.
using WLAN_NOTIFICATION_CALLBACK = void (*)(const WLAN_NOTIFICATION_DATA* data, void* context);

namespace platform {

class WlanApi {
 public:
  virtual ~WlanApi() = default;

  virtual DWORD WlanOpenHandle(DWORD client_version,
                               void* reserved,
                               DWORD* negotiated_version,
                               HANDLE* client) = 0;
  // Stops every callback of the client; waits for a callback in progress unless called from
  // within that callback.
  virtual DWORD WlanCloseHandle(HANDLE client, void* reserved) = 0;
  // `source` WLAN_NOTIFICATION_SOURCE_NONE unregisters, and waits like WlanCloseHandle.
  virtual DWORD WlanRegisterNotification(HANDLE client,
                                         DWORD source,
                                         BOOL ignore_duplicate,
                                         WLAN_NOTIFICATION_CALLBACK callback,
                                         void* context,
                                         void* reserved,
                                         DWORD* previous_source) = 0;
  virtual DWORD WlanEnumInterfaces(HANDLE client,
                                   void* reserved,
                                   WLAN_INTERFACE_INFO_LIST** list) = 0;
  // Null on failure, with the reason in platform::GetLastError().
  virtual void* WlanAllocateMemory(DWORD size) = 0;
  // Accepts null.
  virtual void WlanFreeMemory(void* memory) = 0;

  // The library's exports by name, for the functions only some systems have. A module reference
  // taken by LoadLibraryW is held until FreeLibrary. Null means missing (GetLastError says why).
  virtual HMODULE LoadLibraryW(const WCHAR* name) = 0;
  virtual FARPROC GetProcAddress(HMODULE module, const char* name) = 0;
  virtual BOOL FreeLibrary(HMODULE module) = 0;
};

}  // namespace platform
