#include "base/private_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace base {

FolderProblem FolderProblem::System(std::string path, int error_number) {
  FolderProblem problem;
  problem.kind = kSystemError;
  problem.path = std::move(path);
  problem.error_number = error_number;
  return problem;
}

std::string FolderProblem::Describe() const {
  switch (kind) {
    case kNone:
      return path + " is usable";
    case kMissing:
      return path + " does not exist";
    case kNotAFolder:
      return path + " is not a folder";
    case kNotAFile:
      return path + " is not a regular file";
    case kForeignOwner:
      return path + " belongs to another user";
    case kOpenToOthers:
      return path + " is open to other users (it must have mode 0700)";
    case kSystemError:
      return path + ": " + std::strerror(error_number);
  }
  return path;
}

FolderProblem CheckPrivateFolder(const std::string& path, uid_t owner) {
  FolderProblem problem;
  problem.path = path;
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT)
      problem.kind = FolderProblem::kMissing;
    else
      problem = FolderProblem::System(path, errno);
    return problem;
  }
  if (!S_ISDIR(st.st_mode))
    problem.kind = FolderProblem::kNotAFolder;
  else if (st.st_uid != owner)
    problem.kind = FolderProblem::kForeignOwner;
  else if ((st.st_mode & 0077) != 0)
    problem.kind = FolderProblem::kOpenToOthers;
  return problem;
}

FolderProblem MakePrivateFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
    return FolderProblem::System(path, errno);
  return CheckPrivateFolder(path, geteuid());
}

std::string UserRuntimeFolder(const char* xdg_runtime_dir,
                              const std::string& tmp_root,
                              FolderProblem* problem) {
  std::string folder;
  // The base-directory rules: a runtime folder that is not ours alone is to be replaced.
  if (xdg_runtime_dir && xdg_runtime_dir[0] == '/' &&
      CheckPrivateFolder(xdg_runtime_dir, geteuid()).ok()) {
    folder = std::string(xdg_runtime_dir) + "/tavlo";
  } else {
    folder = tmp_root + "/tavlo-" + std::to_string(geteuid());
  }
  *problem = MakePrivateFolder(folder);
  return problem->ok() ? folder : std::string();
}

std::string UserRuntimeFolder(FolderProblem* problem) {
  return UserRuntimeFolder(std::getenv("XDG_RUNTIME_DIR"), "/tmp", problem);
}

}  // namespace base
