// What the NetworkManager driver sends and how it reads what comes back: the access point's
// connection settings with NetworkManager's D-Bus types, the activation options, a stable
// interface GUID from a hardware address, and Win32 codes for NetworkManager's failures.
//
// Thread affinity: none (pure functions). Failure: none; unknown input maps to a general code.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <sdbus-c++/Types.h>

#include "base/guid.h"
#include "platform/services/hosted_network_settings.h"
#include "platform/services/wireless_driver.h"

namespace platform::nm {

using ConnectionSettings = std::map<std::string, std::map<std::string, sdbus::Variant>>;
using VariantMap = std::map<std::string, sdbus::Variant>;

// The value of `name` in a property map, or `fallback` when it is absent or of another type.
template <typename T>
T Value(const VariantMap& map, const char* name, T fallback = {}) {
  auto it = map.find(name);
  if (it == map.end() || !it->second.containsValueOfType<T>())
    return fallback;
  return it->second.get<T>();
}

// Win32 codes the driver answers with besides those in base/result.h.
constexpr DWORD kErrorGenFailure = 31;   // ERROR_GEN_FAILURE
constexpr DWORD kErrorDevNotExist = 55;  // ERROR_DEV_NOT_EXIST
constexpr DWORD kErrorCancelled = 1223;  // ERROR_CANCELLED
constexpr DWORD kErrorTimeout = 1460;    // ERROR_TIMEOUT

// A volatile, unshared, non-autoconnecting WPA2-PSK access point owned by `login`. The SSID
// goes as its exact bytes; a passphrase loses its terminating zero, a raw 32-byte key goes as
// 64 hexadecimal digits.
ConnectionSettings AccessPointConnection(const services::AccessPointSettings& settings,
                                         const std::string& login);
// Removed when the bus connection that asked goes away, so a crash leaves no hotspot behind.
VariantMap ActivationOptions();

// The same address gives the same GUID in every run (a name-based hash); case and separators
// do not matter. Text that is no address is hashed as it is.
GUID GuidFromHardwareAddress(std::string_view address);
// A Wi-Fi device's GUID, the same for the wireless and the sharing service: from its permanent
// address, else its current one, else its interface name.
GUID DeviceGuid(std::string_view perm_hw_address,
                std::string_view hw_address,
                std::string_view ifname);
// "aa:bb:cc:dd:ee:ff" in either case; nullopt for anything else.
std::optional<services::MacAddress> ParseMac(std::string_view text);

// A device state (NMDeviceState) as the client interface states it.
WLAN_INTERFACE_STATE InterfaceStateOf(uint32_t device_state);
// Why an activation failed: the device's state reason (NMDeviceStateReason).
DWORD ErrorFromDeviceReason(uint32_t reason);
// Why a call to NetworkManager failed: the D-Bus error name.
DWORD ErrorFromDbusError(std::string_view name);

}  // namespace platform::nm
