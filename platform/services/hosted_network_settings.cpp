#include "platform/services/hosted_network_settings.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <set>
#include <sstream>

#include "base/hex.h"

namespace platform::services {

namespace {

constexpr size_t kMinPassphraseChars = 8;
constexpr size_t kMaxPassphraseChars = 63;
constexpr size_t kHexKeyDigits = 64;
constexpr size_t kMaxKeyBytes = 65;  // 64 hexadecimal digits and the terminating zero

std::optional<DWORD> ParseNumber(std::string_view text) {
  DWORD value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size())
    return std::nullopt;
  return value;
}

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

std::string SettingsToText(const WirelessPersistentState& state) {
  std::ostringstream out;
  out << "enabled=" << (state.enabled ? 1 : 0) << "\n";
  out << "ssid=" << base::ToHex(state.ssid.ucSSID, state.ssid.uSSIDLength) << "\n";
  out << "max_peers=" << state.max_peers << "\n";
  out << "auth=" << static_cast<DWORD>(state.auth) << "\n";
  out << "cipher=" << static_cast<DWORD>(state.cipher) << "\n";
  out << "key=" << base::ToHex(state.key.data(), state.key.size()) << "\n";
  out << "key_is_passphrase=" << (state.key_is_passphrase ? 1 : 0) << "\n";
  out << "adapter=" << (state.adapter_installed ? 1 : 0) << "\n";
  return out.str();
}

std::optional<WirelessPersistentState> SettingsFromText(std::string_view text) {
  WirelessPersistentState state;
  std::set<std::string_view> seen;
  while (!text.empty()) {
    size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    if (line.empty() || line[0] == '#')
      continue;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos)
      return std::nullopt;
    std::string_view name = line.substr(0, eq);
    std::string_view value = line.substr(eq + 1);
    if (!seen.insert(name).second)
      return std::nullopt;
    if (name == "ssid" || name == "key") {
      auto bytes = base::FromHex(value);
      if (!bytes)
        return std::nullopt;
      if (name == "ssid") {
        if (bytes->size() > DOT11_SSID_MAX_LENGTH)
          return std::nullopt;
        state.ssid = DOT11_SSID{};
        state.ssid.uSSIDLength = static_cast<ULONG>(bytes->size());
        std::copy(bytes->begin(), bytes->end(), state.ssid.ucSSID);
      } else {
        if (bytes->size() > kMaxKeyBytes)
          return std::nullopt;
        state.key = std::move(*bytes);
      }
      continue;
    }
    auto number = ParseNumber(value);
    if (!number)
      return std::nullopt;
    if (name == "enabled" && *number <= 1)
      state.enabled = *number == 1;
    else if (name == "key_is_passphrase" && *number <= 1)
      state.key_is_passphrase = *number == 1;
    else if (name == "adapter" && *number <= 1)
      state.adapter_installed = *number == 1;
    else if (name == "max_peers" && *number >= 1 && *number <= 100)
      state.max_peers = *number;
    else if (name == "auth" && *number >= 1 && *number <= DOT11_AUTH_ALGO_RSNA_PSK)
      state.auth = static_cast<DOT11_AUTH_ALGORITHM>(*number);
    else if (name == "cipher" && *number <= 0xFF)
      state.cipher = static_cast<DOT11_CIPHER_ALGORITHM>(*number);
    else
      return std::nullopt;
  }
  return state;
}

}  // namespace platform::services
