// SharingStore: the simulated sharing service's memory between runs, the file "sharing.state" in
// the simulated system's state folder. It holds which connections share, and in which role.
//
// The file is small text, replaced atomically on every save. A file that does not parse as a whole
// (or breaks the one-public, one-private rule), or an entry that is not a regular file at all (a
// folder, a FIFO, a symbolic link, anything over 4 KiB), reads as "nothing shared"; it is left as
// it is until the next save, which first sets it aside as "sharing.state.damaged" (or "-2", ...).
// A file that cannot be read (EACCES, EIO) also reads as "nothing shared", but no save replaces
// it. Either is said on stderr (state_file_reader.h).
//
// Not thread-safe: the simulated service calls it under its own lock.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/services/sharing_driver.h"
#include "platform/sharing_types.h"
#include "platform/sim/state_file_reader.h"

namespace platform::sim {

using services::SharingRoles;

class SharingStore {
 public:
  static constexpr const char* kFileName = "sharing.state";

  // `open` stands in for open(2) in tests.
  explicit SharingStore(std::filesystem::path dir, StateFileOpener open = {});

  // Reads the file. A missing file is an empty configuration and not damage.
  SharingRoles Load();
  // True when the last Load found a file it could not use.
  bool damaged() const { return damaged_; }
  // The errno with which the last Load could not read the file, or 0.
  int unreadable() const { return unreadable_; }

  // Replaces the file (creating the folder). Returns 0, or the errno of the failing step; the
  // previous file is then still whole. After an unreadable Load: that errno, nothing written.
  int Save(const SharingRoles& roles);

  std::filesystem::path path() const { return dir_ / kFileName; }

  // The text form, exposed for tests and the fuzzer. Parse answers nullopt for anything that is
  // not exactly what Format writes (one trailing newline optional, "\r\n" accepted).
  static std::string Format(const SharingRoles& roles);
  static std::optional<SharingRoles> Parse(std::string_view text);

 private:
  std::filesystem::path dir_;
  StateFileOpener open_;
  bool damaged_ = false;
  int unreadable_ = 0;
};

}  // namespace platform::sim
