// The named cross-process lock's implementation: a lock file held with a non-blocking flock.
//
// The file lives in $XDG_RUNTIME_DIR, or in a private per-user folder under /tmp when that is
// unset. Each object opens the file on its own, so a second object in the same process sees
// the lock as taken just like a second process does. Closing the file (destruction, or the end
// of the process) ends ownership. Use from one thread.
#pragma once

#include <string>
#include <string_view>

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

  // Where the lock file for `name` lives; exposed for tests and diagnostics.
  static std::string PathForName(std::u16string_view name);

 private:
  int fd_ = -1;
  bool owned_ = false;
};

}  // namespace base::platform
