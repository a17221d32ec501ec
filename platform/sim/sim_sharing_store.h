// SharingStore: the simulated sharing service's memory between runs, the file "sharing.state" in
// the simulated system's state folder. It holds which connections share, and in which role.
//
// The file is small text, replaced atomically on every save. A file that does not parse as a whole
// (or breaks the one-public, one-private rule) reads as "nothing shared"; it is left as it is until
// the next save, which first keeps a copy of it as "sharing.state.damaged".
//
// Not thread-safe: the simulated service calls it under its own lock.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/sharing_types.h"

namespace platform::sim {

using SharingRoles = std::map<GUID, SHARINGCONNECTIONTYPE>;

class SharingStore {
 public:
  static constexpr const char* kFileName = "sharing.state";

  explicit SharingStore(std::filesystem::path dir);

  // Reads the file. A missing file is an empty configuration and not damage.
  SharingRoles Load();
  // True when the last Load found a file it could not use.
  bool damaged() const { return damaged_; }

  // Replaces the file (creating the folder). Returns 0, or the errno of the failing step; the
  // previous file is then still whole.
  int Save(const SharingRoles& roles);

  std::filesystem::path path() const { return dir_ / kFileName; }

  // The text form, exposed for tests and the fuzzer. Parse answers nullopt for anything that is
  // not exactly what Format writes (one trailing newline optional, "\r\n" accepted).
  static std::string Format(const SharingRoles& roles);
  static std::optional<SharingRoles> Parse(std::string_view text);

 private:
  std::filesystem::path dir_;
  bool damaged_ = false;
};

}  // namespace platform::sim
