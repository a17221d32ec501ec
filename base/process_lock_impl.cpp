#include "base/process_lock_impl.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace base::platform {

namespace {

// Lock names are fixed program constants, but keep the file name to a safe alphabet anyway.
std::string FileNameFor(std::u16string_view name) {
  std::string out;
  for (char16_t c : name) {
    bool safe = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                c == u'.' || c == u'-' || c == u'{' || c == u'}';
    out.push_back(safe ? static_cast<char>(c) : '_');
  }
  return out + ".lock";
}

// A folder only this user can write to, so nobody else can plant or hold our lock file.
std::string PrivateDir() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
    return runtime;
  std::string dir = "/tmp/tavlo-" + std::to_string(getuid());
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
    return {};
  struct stat st;
  if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() ||
      (st.st_mode & 0077) != 0)
    return {};
  return dir;
}

}  // namespace

std::string ProcessLockImpl::PathForName(std::u16string_view name) {
  std::string dir = PrivateDir();
  return dir.empty() ? std::string() : dir + "/" + FileNameFor(name);
}

ProcessLockImpl::~ProcessLockImpl() {
  if (fd_ >= 0)
    close(fd_);
  fd_ = -1;
}

bool ProcessLockImpl::Create(std::u16string_view name) {
  std::string path = PathForName(name);
  if (path.empty())
    return false;
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0)
    return false;
  if (fd_ >= 0)
    close(fd_);
  fd_ = fd;
  owned_ = false;
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
