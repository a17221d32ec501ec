#include "platform/services/hosted_network_settings.h"

#include <algorithm>
#include <cstring>

#include "base/hex.h"

namespace platform::services {

namespace {

constexpr size_t kMinPassphraseChars = 8;
constexpr size_t kMaxPassphraseChars = 63;
constexpr size_t kHexKeyDigits = 64;

}  // namespace

bool SameState(const WirelessPersistentState& a, const WirelessPersistentState& b) {
  return a.enabled == b.enabled && a.ssid.uSSIDLength == b.ssid.uSSIDLength &&
         std::memcmp(a.ssid.ucSSID, b.ssid.ucSSID,
                     std::min<size_t>(a.ssid.uSSIDLength, sizeof(a.ssid.ucSSID))) == 0 &&
         a.max_peers == b.max_peers && a.auth == b.auth && a.cipher == b.cipher && a.key == b.key &&
         a.key_is_passphrase == b.key_is_passphrase && a.adapter_installed == b.adapter_installed;
}

// Anything outside these two forms, UTF-8 text included, a WPA2 access point refuses.
bool IsWpaPassphrase(const BYTE* text, size_t length) {
  if (length == kHexKeyDigits)
    return std::all_of(text, text + length, [](BYTE c) { return base::HexDigitValue(c) >= 0; });
  return length >= kMinPassphraseChars && length <= kMaxPassphraseChars &&
         std::all_of(text, text + length, [](BYTE c) { return c >= 0x20 && c <= 0x7E; });
}

}  // namespace platform::services
