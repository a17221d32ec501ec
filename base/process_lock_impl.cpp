#include "base/process_lock_impl.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace base::platform {

std::string ProcessLockImpl::FileNameFor(std::u16string_view name) {
  // Lock names are fixed program constants, but keep the file name to a safe alphabet anyway.
  std::string out;
  for (char16_t c : name) {
    bool safe = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                c == u'.' || c == u'-' || c == u'{' || c == u'}';
    out.push_back(safe ? static_cast<char>(c) : '_');
  }
  return out + ".lock";
}

std::string ProcessLockImpl::PathForName(std::u16string_view name) {
  FolderProblem problem;
  std::string dir = UserRuntimeFolder(&problem);
  return dir.empty() ? std::string() : dir + "/" + FileNameFor(name);
}

ProcessLockImpl::~ProcessLockImpl() {
  if (fd_ >= 0)
    close(fd_);
  fd_ = -1;
}

bool ProcessLockImpl::Create(std::u16string_view name) {
  if (fd_ >= 0)
    close(fd_);
  fd_ = -1;
  owned_ = false;
  std::string dir = UserRuntimeFolder(&problem_);
  if (dir.empty())
    return false;
  const std::string path = dir + "/" + FileNameFor(name);
  // Non-blocking: whatever has the name, opening it must not hang the start.
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
  if (fd < 0) {
    problem_ = FolderProblem::System(path, errno);
    return false;
  }
  struct stat st;
  if (fstat(fd, &st) != 0) {
    problem_ = FolderProblem::System(path, errno);
  } else if (!S_ISREG(st.st_mode)) {
    problem_ = {FolderProblem::kNotAFile, path, 0};
  } else if (st.st_uid != geteuid()) {
    problem_ = {FolderProblem::kForeignOwner, path, 0};
  }
  if (!problem_.ok()) {
    close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

bool ProcessLockImpl::TryAcquire() {
  if (fd_ < 0)
    return false;
  if (owned_)
    return true;
  int rc;
  do {
    rc = flock(fd_, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  owned_ = rc == 0;
  return owned_;
}

}  // namespace base::platform
