// Folders that only the effective user (and root) can reach, and the per-user runtime folder
// that holds the single-instance lock, the instance channel's socket and the hand-shake event.
//
// Another account must be able neither to plant nor to hold anything there: a folder counts as
// private when it is a real folder (not a symbolic link), owned by the user, with no permission
// bits for group or others.
//
// Thread affinity: any thread; the functions read the environment and the file system only.
// Failure: a FolderProblem says what was wrong and where; nothing is thrown.
#pragma once

#include <sys/types.h>

#include <string>

namespace base {

struct FolderProblem {
  enum Kind {
    kNone,
    kMissing,       // nothing has the name (only when checking without making)
    kNotAFolder,    // a file, a symbolic link or something else has the folder's name
    kNotAFile,      // a folder, a link or something else has a file's name
    kForeignOwner,  // another user owns it
    kOpenToOthers,  // group or other users have permission bits on it
    kSystemError,   // a call failed; error_number says why
  };

  Kind kind = kNone;
  std::string path;
  int error_number = 0;

  bool ok() const { return kind == kNone; }
  // One English sentence for diagnostics, naming the path.
  std::string Describe() const;

  static FolderProblem System(std::string path, int error_number);
};

// Checks that `path` is a private folder of `owner`. Makes nothing.
FolderProblem CheckPrivateFolder(const std::string& path, uid_t owner);

// Makes `path` with mode 0700 when it is missing (its parent must exist), then checks it as
// CheckPrivateFolder does for the effective user. A folder that someone else made first is
// reported, never used.
FolderProblem MakePrivateFolder(const std::string& path);

// The folder for this user's instance objects, made when missing:
//   $XDG_RUNTIME_DIR/tavlo when XDG_RUNTIME_DIR is an absolute path to a private folder of the
//   effective user; otherwise <tmp_root>/tavlo-<effective uid>.
// Empty, with *problem set, when that folder cannot be had (another user made it first, say).
std::string UserRuntimeFolder(FolderProblem* problem);
// The same from given inputs; `xdg_runtime_dir` may be null.
std::string UserRuntimeFolder(const char* xdg_runtime_dir,
                              const std::string& tmp_root,
                              FolderProblem* problem);

}  // namespace base
