// Reading and setting aside the simulated system's state files ("wireless.state",
// "sharing.state"), which anyone with access to the folder may have replaced by something that
// is not a file.
//
// A state file is opened without following a final symbolic link and without blocking, then
// checked to be a regular file, and never read past the size a valid one can have. So a folder,
// a FIFO, a device, a link (to /dev/zero or anywhere) or an oversize file is "damaged": the
// caller uses defaults and sets the entry aside before it next writes, touching nothing the
// entry might point to. A file that is there but cannot be read (EACCES, EIO) is "unreadable":
// the caller must neither use it nor overwrite it, because it may hold the user's settings.
//
// Thread affinity: none. Failure: reported in the result, never thrown.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace platform::sim {

struct StateFileRead {
  enum class Outcome { kMissing, kRead, kDamaged, kUnreadable };
  Outcome outcome = Outcome::kMissing;
  std::string text;    // kRead: the whole file
  std::string reason;  // kDamaged, kUnreadable: what was found, for messages
  int error = 0;       // kUnreadable: the errno
};

// Opens a path the way open(2) does; -1 with errno set on failure. Tests stand in for the
// system to reach errors that root never sees.
using StateFileOpener = std::function<int(const char* path, int flags)>;

// Reads the state file at `path`, at most `max_size` bytes. Whether the text parses is the
// caller's business; it reports a file that does not with Damaged(reason) of its own.
StateFileRead ReadStateFile(const std::filesystem::path& path,
                            std::size_t max_size,
                            const StateFileOpener& open = {});

// Renames a damaged entry to "<name>.damaged" (or "<name>.damaged-2", "-3", ... so an earlier
// one is never replaced). True when it is gone from `path`, also when it was already gone.
bool SetAsideDamaged(const std::filesystem::path& path);

StateFileRead DamagedStateFile(std::string reason);

// One line on stderr saying what is wrong with `path` and what the simulated system does about
// it.
void ReportStateFile(const std::filesystem::path& path, const StateFileRead& read);

}  // namespace platform::sim
