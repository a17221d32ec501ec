// NamedEvent on Linux: a small file in a folder only the user (and root) can reach, whose first
// byte is 1 while the event is set. Another account can neither make, open nor hold it.
//
// Who holds it: every holder keeps a shared open-file-description lock on byte 1 of the file.
// Opening, and closing by the last holder, happen under an exclusive lock on byte 0 (the
// guard), so they never interleave:
//   open:  open or create the file; take the guard; if the path no longer names this file (a
//          last holder removed it meanwhile), start again; if an exclusive lock on byte 1 can
//          be had, nobody else holds the event: it is new (reset to unsignalled), otherwise it
//          already exists; hold byte 1 shared; drop the guard.
//   close: take the guard; if an exclusive lock on byte 1 can be had, this is the last holder:
//          remove the file; close (dropping every lock).
// The kernel drops the locks of a process that dies, so a crashed holder leaves at most a file
// that the next opener finds unheld and treats as new: nothing that outlives its holders makes
// a later start believe the event exists.
//
// Waiting watches the file with inotify (set up by the first IsSignalled). Taking the guard
// waits at most two seconds; a holder that keeps it longer makes the open fail
// (ERROR_SHARING_VIOLATION), never hang. A file that is not a regular file with one link,
// owned by us or the folder's owner, is refused (ERROR_INVALID_HANDLE, ERROR_ACCESS_DENIED).
//
// Threading: one object is used from one thread at a time.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <string_view>

#include "platform/named_event.h"

namespace platform {

class LinuxNamedEvent : public NamedEvent {
 public:
  ~LinuxNamedEvent() override;

  // Creates or opens `name` in `directory` (DefaultDirectory() when empty). See
  // NamedEventFactory for the results; ERROR_ACCESS_DENIED when there is no default folder.
  static std::unique_ptr<LinuxNamedEvent> Create(std::u16string_view name,
                                                 DWORD* last_error,
                                                 const std::string& directory = {});
  // A factory over Create with a fixed directory.
  static NamedEventFactory Factory(std::string directory = {});

  // The hand-shake's folder for this process: HandshakeFolder from the environment.
  static std::string DefaultDirectory();
  // The user's runtime folder (base::UserRuntimeFolder from `xdg_runtime_dir` and `tmp_root`).
  // A copy that pkexec started as root (euid 0, PKEXEC_UID naming the user who asked) looks
  // where its launcher waits: <run_user_root>/<uid>/tavlo or <tmp_root>/tavlo-<uid>, whichever
  // is a private folder of that user; root never makes a folder for another user, and falls
  // back to its own. Empty when no folder can be had.
  static std::string HandshakeFolder(uid_t euid,
                                     const char* pkexec_uid,
                                     const char* xdg_runtime_dir,
                                     const std::string& run_user_root,
                                     const std::string& tmp_root);
  // The file behind `name` in `directory`.
  static std::string PathFor(std::u16string_view name, const std::string& directory);

  bool Set() override;
  bool Reset() override;
  DWORD Wait(DWORD timeout_ms) override;
  bool IsSignalled() override;
  int PollFd() const override { return inotify_fd_; }

 private:
  LinuxNamedEvent(int fd, std::string path);

  const int fd_;
  const std::string path_;
  int inotify_fd_ = -1;  // watches fd_ once a wait has looked at the state
  bool watch_tried_ = false;
};

}  // namespace platform
