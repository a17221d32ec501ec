// The simulated wireless service's state file: what the real service keeps between runs (the
// enable property, connection and security settings, the persistent secondary key).
//
// Format: UTF-8 text, one "name=value" per line, '#' comments; byte strings in hexadecimal.
// A file that does not parse completely, or that is not a regular file at all (a folder, a
// FIFO, a symbolic link, anything larger than 16 KiB), counts as damaged and reads as defaults;
// the next Save first sets it aside. A file that cannot be read (EACCES, EIO) reads as defaults
// too, but Save refuses to replace it. Either is said on stderr (state_file_reader.h).
//
// Thread affinity: none; the owner serialises use.
// Failure: Save returns false and leaves the previous file as it was.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/services/hosted_network_settings.h"
#include "platform/sim/state_file_reader.h"
#include "platform/wlan_types.h"

namespace platform::sim {

using services::WirelessPersistentState;

class WirelessStateFile {
 public:
  enum class LoadResult { kMissing, kLoaded, kDamaged, kUnreadable };

  // `open` stands in for open(2) in tests.
  explicit WirelessStateFile(std::filesystem::path path, StateFileOpener open = {});

  const std::filesystem::path& path() const { return path_; }

  // Fills `state` from the file, or with defaults when it is missing, damaged or unreadable.
  LoadResult Load(WirelessPersistentState* state);
  // Replaces the file atomically (temporary file, fsync, rename). After a damaged load the
  // damaged entry is first kept beside it as "<name>.damaged" (or "-2", "-3", ...), so nothing
  // is lost. After an unreadable load it refuses (false).
  bool Save(const WirelessPersistentState& state);

  static std::string Serialize(const WirelessPersistentState& state);
  static std::optional<WirelessPersistentState> Parse(std::string_view text);

 private:
  std::filesystem::path path_;
  StateFileOpener open_;
  bool damaged_ = false;
  bool unreadable_ = false;
};

}  // namespace platform::sim
