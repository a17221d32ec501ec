#include "platform/services/wlan_entry_points.h"

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>

#include "base/result.h"
#include "platform/hosted_network_functions.h"
#include "platform/services/wireless_service.h"

namespace platform::services {

namespace {

std::mutex& RegistryLock() {
  static std::mutex lock;
  return lock;
}

std::map<HANDLE, WirelessService*>& Registry() {
  static std::map<HANDLE, WirelessService*> registry;
  return registry;
}

// Null when the handle is unknown; *error then holds the code to return.
WirelessService* Find(HANDLE client, DWORD* error) {
  if (!client) {
    *error = ERROR_INVALID_PARAMETER;
    return nullptr;
  }
  std::lock_guard<std::mutex> guard(RegistryLock());
  auto it = Registry().find(client);
  *error = it == Registry().end() ? ERROR_INVALID_HANDLE : ERROR_SUCCESS;
  return it == Registry().end() ? nullptr : it->second;
}

DWORD InitSettings(HANDLE client, WLAN_HOSTED_NETWORK_REASON* fail_reason, void* reserved) {
  DWORD error = ERROR_INVALID_PARAMETER;
  WirelessService* service = reserved ? nullptr : Find(client, &error);
  return service ? service->HostedNetworkInitSettings(client, fail_reason) : error;
}

DWORD QueryProperty(HANDLE client,
                    WLAN_HOSTED_NETWORK_OPCODE opcode,
                    DWORD* data_size,
                    void** data,
                    WLAN_OPCODE_VALUE_TYPE* value_type,
                    void* reserved) {
  DWORD error = ERROR_INVALID_PARAMETER;
  WirelessService* service = reserved ? nullptr : Find(client, &error);
  return service ? service->HostedNetworkQueryProperty(client, opcode, data_size, data, value_type)
                 : error;
}

DWORD SetProperty(HANDLE client,
                  WLAN_HOSTED_NETWORK_OPCODE opcode,
                  DWORD data_size,
                  void* data,
                  WLAN_HOSTED_NETWORK_REASON* fail_reason,
                  void* reserved) {
  DWORD error = ERROR_INVALID_PARAMETER;
  WirelessService* service = reserved ? nullptr : Find(client, &error);
  return service ? service->HostedNetworkSetProperty(client, opcode, data_size, data, fail_reason)
                 : error;
}

DWORD QueryStatus(HANDLE client, WLAN_HOSTED_NETWORK_STATUS** status, void* reserved) {
  DWORD error = ERROR_INVALID_PARAMETER;
  WirelessService* service = reserved ? nullptr : Find(client, &error);
  return service ? service->HostedNetworkQueryStatus(client, status) : error;
}

DWORD SetSecondaryKey(HANDLE client,
                      DWORD key_length,
                      BYTE* key_data,
                      BOOL is_passphrase,
                      BOOL persistent,
                      WLAN_HOSTED_NETWORK_REASON* fail_reason,
                      void* reserved) {
  DWORD error = ERROR_INVALID_PARAMETER;
  WirelessService* service = reserved ? nullptr : Find(client, &error);
  return service ? service->HostedNetworkSetSecondaryKey(client, key_length, key_data,
                                                         is_passphrase, persistent, fail_reason)
                 : error;
}

DWORD QuerySecondaryKey(HANDLE client,
                        DWORD* key_length,
                        BYTE** key_data,
                        BOOL* is_passphrase,
                        BOOL* persistent,
                        WLAN_HOSTED_NETWORK_REASON* fail_reason,
                        void* reserved) {
  DWORD error = ERROR_INVALID_PARAMETER;
  WirelessService* service = reserved ? nullptr : Find(client, &error);
  return service ? service->HostedNetworkQuerySecondaryKey(client, key_length, key_data,
                                                           is_passphrase, persistent, fail_reason)
                 : error;
}

// Checks at compile time that each export has the signature its name promises.
struct Export {
  const char* name;
  FARPROC proc;
};
const Export kExports[] = {
    {"WlanHostedNetworkInitSettings",
     reinterpret_cast<FARPROC>(static_cast<WlanHostedNetworkInitSettingsFn>(&InitSettings))},
    {"WlanHostedNetworkQueryProperty",
     reinterpret_cast<FARPROC>(static_cast<WlanHostedNetworkQueryPropertyFn>(&QueryProperty))},
    {"WlanHostedNetworkSetProperty",
     reinterpret_cast<FARPROC>(static_cast<WlanHostedNetworkSetPropertyFn>(&SetProperty))},
    {"WlanHostedNetworkQueryStatus",
     reinterpret_cast<FARPROC>(static_cast<WlanHostedNetworkQueryStatusFn>(&QueryStatus))},
    {"WlanHostedNetworkSetSecondaryKey",
     reinterpret_cast<FARPROC>(static_cast<WlanHostedNetworkSetSecondaryKeyFn>(&SetSecondaryKey))},
    {"WlanHostedNetworkQuerySecondaryKey",
     reinterpret_cast<FARPROC>(
         static_cast<WlanHostedNetworkQuerySecondaryKeyFn>(&QuerySecondaryKey))},
};

}  // namespace

HANDLE RegisterClientHandle(WirelessService* service) {
  static std::atomic<uintptr_t> next{0x5000};
  HANDLE client = reinterpret_cast<HANDLE>(next.fetch_add(4));
  std::lock_guard<std::mutex> guard(RegistryLock());
  Registry()[client] = service;
  return client;
}

void ForgetClientHandle(HANDLE client) {
  std::lock_guard<std::mutex> guard(RegistryLock());
  Registry().erase(client);
}

FARPROC FindHostedNetworkExport(const char* name) {
  for (const Export& entry : kExports) {
    if (name && std::strcmp(entry.name, name) == 0)
      return entry.proc;
  }
  return nullptr;
}

}  // namespace platform::services
