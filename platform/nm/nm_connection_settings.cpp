#include "platform/nm/nm_connection_settings.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/hex.h"
#include "base/result.h"

namespace platform::nm {

namespace {

// NMDeviceState values the interface state depends on.
constexpr uint32_t kDevDisconnected = 30, kDevPrepare = 40, kDevNeedAuth = 60, kDevActivated = 100,
                   kDevDeactivating = 110;

std::string Hex(const std::vector<BYTE>& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (BYTE b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
  }
  return out;
}

uint64_t Fnv1a(std::string_view text, uint64_t basis) {
  uint64_t hash = basis;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 0x100000001b3ull;
  }
  return hash;
}

}  // namespace

ConnectionSettings AccessPointConnection(const services::AccessPointSettings& settings,
                                         const std::string& login) {
  ConnectionSettings s;
  s["connection"]["id"] = sdbus::Variant(std::string("Tavlo"));
  s["connection"]["type"] = sdbus::Variant(std::string("802-11-wireless"));
  s["connection"]["permissions"] = sdbus::Variant(std::vector<std::string>{"user:" + login + ":"});
  s["connection"]["autoconnect"] = sdbus::Variant(false);
  const ULONG length = std::min<ULONG>(settings.ssid.uSSIDLength, sizeof(settings.ssid.ucSSID));
  s["802-11-wireless"]["ssid"] =
      sdbus::Variant(std::vector<uint8_t>(settings.ssid.ucSSID, settings.ssid.ucSSID + length));
  s["802-11-wireless"]["mode"] = sdbus::Variant(std::string("ap"));
  auto& security = s["802-11-wireless-security"];
  security["key-mgmt"] = sdbus::Variant(std::string("wpa-psk"));
  security["proto"] = sdbus::Variant(std::vector<std::string>{"rsn"});
  security["pairwise"] = sdbus::Variant(std::vector<std::string>{"ccmp"});
  security["group"] = sdbus::Variant(std::vector<std::string>{"ccmp"});
  std::string psk;
  if (settings.key_is_passphrase) {
    psk.assign(settings.key.begin(), settings.key.end());
    if (!psk.empty() && psk.back() == '\0')
      psk.pop_back();
  } else {
    psk = Hex(settings.key);
  }
  security["psk"] = sdbus::Variant(psk);
  s["ipv4"]["method"] = sdbus::Variant(std::string("shared"));
  s["ipv6"]["method"] = sdbus::Variant(std::string("ignore"));
  return s;
}

VariantMap ActivationOptions() {
  return {{"persist", sdbus::Variant(std::string("volatile"))},
          {"bind-activation", sdbus::Variant(std::string("dbus-client"))}};
}

GUID GuidFromHardwareAddress(std::string_view address) {
  std::string name = "tavlo-wireless-interface:";
  if (auto mac = ParseMac(address))
    name += Hex(std::vector<BYTE>(mac->begin(), mac->end()));
  else
    name += address;  // no usable address: the name it was given
  const uint64_t high = Fnv1a(name, 0xcbf29ce484222325ull);
  const uint64_t low = Fnv1a(name, high ^ 0x6c62272e07bb0142ull);
  BYTE bytes[16];
  for (int i = 0; i < 8; ++i) {
    bytes[i] = static_cast<BYTE>(high >> (56 - 8 * i));
    bytes[8 + i] = static_cast<BYTE>(low >> (56 - 8 * i));
  }
  bytes[6] = static_cast<BYTE>((bytes[6] & 0x0F) | 0x50);  // name-based
  bytes[8] = static_cast<BYTE>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  GUID guid;
  guid.Data1 =
      (DWORD{bytes[0]} << 24) | (DWORD{bytes[1]} << 16) | (DWORD{bytes[2]} << 8) | bytes[3];
  guid.Data2 = static_cast<WORD>((bytes[4] << 8) | bytes[5]);
  guid.Data3 = static_cast<WORD>((bytes[6] << 8) | bytes[7]);
  std::memcpy(guid.Data4, bytes + 8, 8);
  return guid;
}

GUID DeviceGuid(std::string_view perm_hw_address,
                std::string_view hw_address,
                std::string_view ifname) {
  return GuidFromHardwareAddress(!perm_hw_address.empty() ? perm_hw_address
                                 : !hw_address.empty()    ? hw_address
                                                          : ifname);
}

std::optional<services::MacAddress> ParseMac(std::string_view text) {
  if (text.size() != 17)
    return std::nullopt;
  services::MacAddress mac{};
  for (size_t i = 0; i < 6; ++i) {
    const int high = base::HexDigitValue(text[3 * i]), low = base::HexDigitValue(text[3 * i + 1]);
    if (high < 0 || low < 0 || (i < 5 && text[3 * i + 2] != ':'))
      return std::nullopt;
    mac[i] = static_cast<BYTE>(high * 16 + low);
  }
  return mac;
}

WLAN_INTERFACE_STATE InterfaceStateOf(uint32_t device_state) {
  if (device_state == kDevActivated)
    return wlan_interface_state_connected;
  if (device_state == kDevDeactivating)
    return wlan_interface_state_disconnecting;
  if (device_state == kDevNeedAuth)
    return wlan_interface_state_authenticating;
  if (device_state >= kDevPrepare && device_state < kDevActivated)
    return wlan_interface_state_associating;
  if (device_state >= kDevDisconnected)
    return wlan_interface_state_disconnected;
  // Unknown, unmanaged, unavailable: not ready.
  return wlan_interface_state_not_ready;
}

DWORD ErrorFromDeviceReason(uint32_t reason) {
  switch (reason) {
    case 7:  // NO_SECRETS
    case 8:  // SUPPLICANT_DISCONNECT
    case 9:  // SUPPLICANT_CONFIG_FAILED
      return ERROR_BAD_CONFIGURATION;
    case 10:  // SUPPLICANT_FAILED
    case 11:  // SUPPLICANT_TIMEOUT
      return kErrorTimeout;
    case 3:   // NOW_UNMANAGED
    case 35:  // FIRMWARE_MISSING
    case 36:  // REMOVED
      return kErrorDevNotExist;
    case 38:  // CONNECTION_REMOVED
    case 39:  // USER_REQUESTED
      return kErrorCancelled;
    case 18:  // SHARED_START_FAILED
    case 19:  // SHARED_FAILED
    default:
      return kErrorGenFailure;
  }
}

DWORD ErrorFromDbusError(std::string_view name) {
  auto ends_with = [name](std::string_view tail) {
    return name.size() >= tail.size() && name.substr(name.size() - tail.size()) == tail;
  };
  if (ends_with(".PermissionDenied") || ends_with(".AccessDenied") || ends_with(".NotAuthorized"))
    return ERROR_ACCESS_DENIED;
  if (ends_with(".NoReply") || ends_with(".Timeout") || ends_with(".TimedOut"))
    return kErrorTimeout;
  if (ends_with(".ServiceUnknown") || ends_with(".NameHasNoOwner") || ends_with(".NoServer"))
    return ERROR_SERVICE_NOT_ACTIVE;
  if (ends_with(".IncompatibleConnection"))
    return ERROR_NOT_SUPPORTED;
  if (ends_with(".UnknownDevice"))
    return kErrorDevNotExist;
  if (ends_with(".InvalidArguments") || ends_with(".InvalidArgs"))
    return ERROR_INVALID_PARAMETER;
  return kErrorGenFailure;
}

}  // namespace platform::nm
