// The named cross-process lock's implementation: a lock file held with a non-blocking flock.
//
// The file lives in the user's runtime folder (base::UserRuntimeFolder: $XDG_RUNTIME_DIR/tavlo,
// or a private /tmp/tavlo-<uid>). Each object opens the file on its own, so a second object in
// the same process sees the lock as taken just like a second process does. Closing the file
// (destruction, or the end of the process) ends ownership. Use from one thread.
//
// Failure: Create answers false and problem() says why when the folder or the file cannot be
// had; TryAcquire then answers false as it does when another owner holds the lock.
#pragma once

#include <string>
#include <string_view>

#include "base/private_folder.h"

namespace base::platform {

class ProcessLockImpl {
 public:
  ProcessLockImpl() = default;
  ProcessLockImpl(const ProcessLockImpl&) = delete;
  ProcessLockImpl& operator=(const ProcessLockImpl&) = delete;
  virtual ~ProcessLockImpl();

  // Opens (creating if needed) the lock file for `name`. False, leaving no handle, on failure.
  bool Create(std::u16string_view name);
  bool TryAcquire();
  bool HasHandle() const { return fd_ >= 0; }
  // Why the last Create failed; ok() after a successful one.
  const FolderProblem& problem() const { return problem_; }

  // Where the lock file for `name` lives (empty when the runtime folder cannot be had);
  // exposed for tests and diagnostics.
  static std::string PathForName(std::u16string_view name);
  // The lock file's name in its folder.
  static std::string FileNameFor(std::u16string_view name);

 private:
  int fd_ = -1;
  bool owned_ = false;
  FolderProblem problem_;
};

}  // namespace base::platform
