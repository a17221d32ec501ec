// What the hosted network keeps between runs, and the checks every backend applies to it.
//
// Thread affinity: none; plain values and pure functions.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/wlan_types.h"

namespace platform::services {

using MacAddress = std::array<BYTE, 6>;

// The virtual adapter is a device of its own, so its GUID (the IPDeviceID) is the same at every
// start and in every run; sharing set up onto it holds across a stop and a start.
inline constexpr GUID kVirtualAdapter = {0x3c0e9b71,
                                         0x6d2a,
                                         0x4f58,
                                         {0xb1, 0x0c, 0x7e, 0x45, 0x92, 0xa8, 0x1d, 0x6f}};

struct WirelessPersistentState {
  bool enabled = true;
  DOT11_SSID ssid{};  // length 0 until settings are initialised
  DWORD max_peers = 100;
  DOT11_AUTH_ALGORITHM auth = DOT11_AUTH_ALGO_RSNA_PSK;
  DOT11_CIPHER_ALGORITHM cipher = DOT11_CIPHER_ALGO_CCMP;
  std::vector<BYTE> key;  // empty when none; a passphrase includes its terminating zero
  bool key_is_passphrase = true;
  bool adapter_installed = false;  // the hosted network has been allowed once
};

bool SameState(const WirelessPersistentState& a, const WirelessPersistentState& b);

// The settings as UTF-8 text, one "name=value" per line, byte strings in hexadecimal, '#'
// comments. Parsing refuses (nullopt) anything not written so: an unknown or repeated name, a
// value out of range.
std::string SettingsToText(const WirelessPersistentState& state);
std::optional<WirelessPersistentState> SettingsFromText(std::string_view text);

// Whether `length` bytes (no terminating zero) are a passphrase a WPA2 access point accepts:
// 8 to 63 printable ASCII characters (0x20 to 0x7E), or 64 hexadecimal digits.
bool IsWpaPassphrase(const BYTE* text, size_t length);

}  // namespace platform::services
