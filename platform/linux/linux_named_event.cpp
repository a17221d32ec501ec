#include "platform/linux/linux_named_event.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "base/private_folder.h"
#include "base/result.h"
#include "platform/linux/wait.h"
#include "platform/linux/win32_error.h"

namespace platform {

namespace {

constexpr off_t kGuardByte = 0;
constexpr off_t kHolderByte = 1;
constexpr int kMaxOpenAttempts = 100;
// Holders keep the guard for a few system calls; one that keeps it longer is stuck or hostile.
constexpr auto kGuardWait = std::chrono::milliseconds(2000);
constexpr auto kGuardRetry = std::chrono::milliseconds(1);

// Open-file-description locks: owned by the open file, not the process, so two objects in one
// process exclude each other like two processes do.
bool LockByte(int fd, short type, off_t byte) {
  struct flock fl = {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = byte;
  fl.l_len = 1;
  int rc;
  do {
    rc = fcntl(fd, F_OFD_SETLK, &fl);
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

// Takes the guard, waiting at most kGuardWait: no wait on the file may be unbounded. On failure
// errno is EAGAIN when the time ran out.
bool LockGuard(int fd) {
  const auto deadline = std::chrono::steady_clock::now() + kGuardWait;
  while (!LockByte(fd, F_WRLCK, kGuardByte)) {
    if ((errno != EAGAIN && errno != EACCES) || std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(kGuardRetry);
  }
  return true;
}

bool IsPrivateFolderOf(const std::string& folder, uid_t owner) {
  return base::CheckPrivateFolder(folder, owner).ok();
}

bool StillNamedBy(int fd, const std::string& path) {
  struct stat by_fd, by_path;
  return fstat(fd, &by_fd) == 0 && stat(path.c_str(), &by_path) == 0 &&
         by_fd.st_dev == by_path.st_dev && by_fd.st_ino == by_path.st_ino;
}

bool WriteState(int fd, char state) {
  ssize_t n;
  do {
    n = pwrite(fd, &state, 1, 0);
  } while (n < 0 && errno == EINTR);
  return n == 1;
}

std::string FileNameFor(std::u16string_view name) {
  std::string out = "tavlo-";
  for (char16_t c : name) {
    bool safe = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                c == u'.' || c == u'-' || c == u'{' || c == u'}';
    out.push_back(safe ? static_cast<char>(c) : '_');
  }
  return out + ".event";
}

}  // namespace

std::string LinuxNamedEvent::HandshakeFolder(uid_t euid,
                                             const char* pkexec_uid,
                                             const char* xdg_runtime_dir,
                                             const std::string& run_user_root,
                                             const std::string& tmp_root) {
  uid_t asker = 0;
  const char* end = pkexec_uid ? pkexec_uid + std::strlen(pkexec_uid) : nullptr;
  if (euid == 0 && pkexec_uid && *pkexec_uid &&
      std::from_chars(pkexec_uid, end, asker).ptr == end && asker != 0) {
    for (const std::string& folder : {run_user_root + "/" + std::to_string(asker) + "/tavlo",
                                      tmp_root + "/tavlo-" + std::to_string(asker)}) {
      if (IsPrivateFolderOf(folder, asker))
        return folder;
    }
  }
  base::FolderProblem problem;
  return base::UserRuntimeFolder(xdg_runtime_dir, tmp_root, &problem);
}

std::string LinuxNamedEvent::DefaultDirectory() {
  return HandshakeFolder(geteuid(), std::getenv("PKEXEC_UID"), std::getenv("XDG_RUNTIME_DIR"),
                         "/run/user", "/tmp");
}

std::string LinuxNamedEvent::PathFor(std::u16string_view name, const std::string& directory) {
  return directory + "/" + FileNameFor(name);
}

NamedEventFactory LinuxNamedEvent::Factory(std::string directory) {
  return [directory](std::u16string_view name, DWORD* last_error) {
    return std::unique_ptr<NamedEvent>(Create(name, last_error, directory));
  };
}

std::unique_ptr<LinuxNamedEvent> LinuxNamedEvent::Create(std::u16string_view name,
                                                         DWORD* last_error,
                                                         const std::string& directory) {
  const std::string folder = directory.empty() ? DefaultDirectory() : directory;
  if (folder.empty()) {
    *last_error = ERROR_ACCESS_DENIED;  // no folder that only we can reach
    return nullptr;
  }
  const std::string path = PathFor(name, folder);
  struct stat folder_stat;
  if (stat(folder.c_str(), &folder_stat) != 0) {
    *last_error = posix::Win32ErrorFromErrno(errno);
    return nullptr;
  }
  auto fail = [last_error](int fd, DWORD code) {
    if (fd >= 0)
      close(fd);
    *last_error = code;
    return nullptr;
  };
  for (int attempt = 0; attempt < kMaxOpenAttempts; ++attempt) {
    // Open before create, so that an existing file is never taken for a new one.
    const int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    int fd = open(path.c_str(), flags);
    if (fd < 0 && errno == ENOENT) {
      fd = open(path.c_str(), flags | O_CREAT | O_EXCL, 0600);
      if (fd < 0 && errno == EEXIST)
        continue;
    }
    if (fd < 0 && errno == EISDIR)
      return fail(-1, ERROR_INVALID_HANDLE);  // the name belongs to something else
    if (fd < 0)
      return fail(-1, posix::Win32ErrorFromErrno(errno));
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
      return fail(fd, ERROR_INVALID_HANDLE);  // the name belongs to something else
    // Only the folder's owner or we can have made it; a second link could point elsewhere.
    if (st.st_nlink != 1 || (st.st_uid != geteuid() && st.st_uid != folder_stat.st_uid))
      return fail(fd, ERROR_ACCESS_DENIED);
    if (!LockGuard(fd))
      return fail(fd,
                  errno == EAGAIN ? ERROR_SHARING_VIOLATION : posix::Win32ErrorFromErrno(errno));
    if (!StillNamedBy(fd, path)) {
      close(fd);  // its last holder removed it while we waited for the guard
      continue;
    }
    const bool alone = LockByte(fd, F_WRLCK, kHolderByte);
    if (!alone && errno != EAGAIN && errno != EACCES)
      return fail(fd, posix::Win32ErrorFromErrno(errno));
    if (alone && !WriteState(fd, 0))
      return fail(fd, posix::Win32ErrorFromErrno(errno));
    if (!LockByte(fd, F_RDLCK, kHolderByte))
      return fail(fd, posix::Win32ErrorFromErrno(errno));
    LockByte(fd, F_UNLCK, kGuardByte);
    *last_error = alone ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS;
    return std::unique_ptr<LinuxNamedEvent>(new LinuxNamedEvent(fd, path));
  }
  *last_error = ERROR_SHARING_VIOLATION;  // the file kept vanishing under us
  return nullptr;
}

LinuxNamedEvent::LinuxNamedEvent(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

LinuxNamedEvent::~LinuxNamedEvent() {
  if (inotify_fd_ >= 0)
    close(inotify_fd_);
  // Without the guard in time the file stays; unheld, the next opener takes it for new.
  if (LockGuard(fd_) && LockByte(fd_, F_WRLCK, kHolderByte) && StillNamedBy(fd_, path_)) {
    unlink(path_.c_str());
  }
  close(fd_);
}

bool LinuxNamedEvent::Set() {
  return WriteState(fd_, 1);
}

bool LinuxNamedEvent::Reset() {
  return WriteState(fd_, 0);
}

bool LinuxNamedEvent::IsSignalled() {
  // The watch is set up on the first look, before the state is read, so no change is missed.
  // Without inotify, waits fall back to re-checking the byte.
  if (!watch_tried_) {
    watch_tried_ = true;
    inotify_fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    std::string self = "/proc/self/fd/" + std::to_string(fd_);
    if (inotify_fd_ >= 0 && inotify_add_watch(inotify_fd_, self.c_str(), IN_MODIFY) < 0) {
      close(inotify_fd_);
      inotify_fd_ = -1;
    }
  }
  if (inotify_fd_ >= 0) {
    alignas(inotify_event) char buffer[4096];
    while (read(inotify_fd_, buffer, sizeof buffer) > 0) {
    }
  }
  char state = 0;
  ssize_t n;
  do {
    n = pread(fd_, &state, 1, 0);
  } while (n < 0 && errno == EINTR);
  return n == 1 && state == 1;
}

DWORD LinuxNamedEvent::Wait(DWORD timeout_ms) {
  Waitable* self = this;
  return posix::WaitForAnyObject({&self, 1}, timeout_ms);
}

}  // namespace platform
