// The six hosted-network functions, which only systems with hosted-network support export,
// and the rule by which they are reached: asked for by name at every use, never cached.
//
// Thread affinity and failure: as platform::WlanApi; each function returns 0 or a Win32 code.
// Buffers returned through out pointers are released with WlanApi::WlanFreeMemory.
#pragma once

#include "base/win_types.h"
#include "platform/wlan_api.h"
#include "platform/wlan_types.h"

namespace platform {

inline constexpr WCHAR kWlanLibraryName[] = u"Wlanapi.dll";

using WlanHostedNetworkInitSettingsFn = DWORD (*)(HANDLE client,
                                                  WLAN_HOSTED_NETWORK_REASON* fail_reason,
                                                  void* reserved);
using WlanHostedNetworkQueryPropertyFn = DWORD (*)(HANDLE client,
                                                   WLAN_HOSTED_NETWORK_OPCODE opcode,
                                                   DWORD* data_size,
                                                   void** data,
                                                   WLAN_OPCODE_VALUE_TYPE* value_type,
                                                   void* reserved);
using WlanHostedNetworkSetPropertyFn = DWORD (*)(HANDLE client,
                                                 WLAN_HOSTED_NETWORK_OPCODE opcode,
                                                 DWORD data_size,
                                                 void* data,
                                                 WLAN_HOSTED_NETWORK_REASON* fail_reason,
                                                 void* reserved);
using WlanHostedNetworkQueryStatusFn = DWORD (*)(HANDLE client,
                                                 WLAN_HOSTED_NETWORK_STATUS** status,
                                                 void* reserved);
using WlanHostedNetworkSetSecondaryKeyFn = DWORD (*)(HANDLE client,
                                                     DWORD key_length,
                                                     BYTE* key_data,
                                                     BOOL is_passphrase,
                                                     BOOL persistent,
                                                     WLAN_HOSTED_NETWORK_REASON* fail_reason,
                                                     void* reserved);
using WlanHostedNetworkQuerySecondaryKeyFn = DWORD (*)(HANDLE client,
                                                       DWORD* key_length,
                                                       BYTE** key_data,
                                                       BOOL* is_passphrase,
                                                       BOOL* persistent,
                                                       WLAN_HOSTED_NETWORK_REASON* fail_reason,
                                                       void* reserved);

// Loads the library and looks `name` up. When the name is missing the library is released
// again; when it is found the module reference stays held, so repeated use keeps the library
// loaded. Returns null when the library or the name is missing.
template <class Fn>
Fn BindWlanFunction(WlanApi& api, const char* name) {
  HMODULE module = api.LoadLibraryW(kWlanLibraryName);
  if (!module)
    return nullptr;
  FARPROC proc = api.GetProcAddress(module, name);
  if (!proc) {
    api.FreeLibrary(module);
    return nullptr;
  }
  return reinterpret_cast<Fn>(proc);
}

}  // namespace platform
