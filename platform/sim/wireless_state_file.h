// The simulated wireless service's state file: what the real service keeps between runs (the
// enable property, connection and security settings, the persistent secondary key).
//
// Format: UTF-8 text, one "name=value" per line, '#' comments; byte strings in hexadecimal.
// A file that does not parse completely counts as damaged and reads as defaults.
//
// Thread affinity: none; the owner serialises use.
// Failure: Save returns false and leaves the previous file as it was.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/wlan_types.h"

namespace platform::sim {

struct WirelessPersistentState {
  bool enabled = true;
  DOT11_SSID ssid{};  // length 0 until settings are initialised
  DWORD max_peers = 100;
  DOT11_AUTH_ALGORITHM auth = DOT11_AUTH_ALGO_RSNA_PSK;
  DOT11_CIPHER_ALGORITHM cipher = DOT11_CIPHER_ALGO_CCMP;
  std::vector<BYTE> key;  // empty when none; a passphrase includes its terminating zero
  bool key_is_passphrase = true;
};

class WirelessStateFile {
 public:
  enum class LoadResult { kMissing, kLoaded, kDamaged };

  explicit WirelessStateFile(std::filesystem::path path);

  const std::filesystem::path& path() const { return path_; }

  // Fills `state` from the file, or with defaults when it is missing or damaged.
  LoadResult Load(WirelessPersistentState* state);
  // Replaces the file atomically (temporary file, fsync, rename). After a damaged load the
  // damaged file is first kept beside it as "<name>.damaged", so nothing is lost.
  bool Save(const WirelessPersistentState& state);

  static std::string Serialize(const WirelessPersistentState& state);
  static std::optional<WirelessPersistentState> Parse(std::string_view text);

 private:
  std::filesystem::path path_;
  bool damaged_ = false;
};

}  // namespace platform::sim
