#include "platform/sim/state_file_reader.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform::sim {

namespace {

constexpr int kMaxAsideNames = 100;

StateFileRead Unreadable(int error) {
  StateFileRead read;
  read.outcome = StateFileRead::Outcome::kUnreadable;
  read.error = error;
  read.reason = std::strerror(error);
  return read;
}

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode))
    return "a folder, not a file";
  if (S_ISFIFO(mode))
    return "a FIFO, not a file";
  if (S_ISCHR(mode) || S_ISBLK(mode))
    return "a device, not a file";
  if (S_ISSOCK(mode))
    return "a socket, not a file";
  return "not a regular file";
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0)
      ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

StateFileRead Damaged(std::string reason) {
  return DamagedStateFile(std::move(reason));
}

}  // namespace

StateFileRead DamagedStateFile(std::string reason) {
  StateFileRead read;
  read.outcome = StateFileRead::Outcome::kDamaged;
  read.reason = std::move(reason);
  return read;
}

StateFileRead ReadStateFile(const std::filesystem::path& path,
                            std::size_t max_size,
                            const StateFileOpener& open) {
  // Without O_NONBLOCK a FIFO would hold the start until someone writes to it.
  const int flags = O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC;
  Fd fd(open ? open(path.c_str(), flags) : ::open(path.c_str(), flags));
  if (fd.get() < 0) {
    const int error = errno;
    if (error == ENOENT || error == ENOTDIR)
      return StateFileRead{};
    if (error == ELOOP)
      return Damaged("a symbolic link, which is not followed");
    if (error == ENXIO || error == ENODEV)
      return Damaged("a socket or device, not a file");
    return Unreadable(error);
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0)
    return Unreadable(errno);
  if (!S_ISREG(info.st_mode))
    return Damaged(KindOf(info.st_mode));
  if (static_cast<std::uintmax_t>(info.st_size) > max_size)
    return Damaged("larger than any state file");

  // One byte beyond the limit tells a file that grew since fstat.
  StateFileRead read;
  read.text.resize(max_size + 1);
  std::size_t done = 0;
  while (done < read.text.size()) {
    const ssize_t n = ::read(fd.get(), read.text.data() + done, read.text.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return Unreadable(errno);
    if (n == 0)
      break;
    done += static_cast<std::size_t>(n);
  }
  if (done > max_size)
    return Damaged("larger than any state file");
  read.text.resize(done);
  read.outcome = StateFileRead::Outcome::kRead;
  return read;
}

bool SetAsideDamaged(const std::filesystem::path& path) {
  for (int n = 1; n <= kMaxAsideNames; ++n) {
    std::string aside = path.string() + ".damaged";
    if (n > 1)
      aside += "-" + std::to_string(n);
    if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0)
      return true;
    if (errno == ENOENT)
      return true;
    if (errno == EINVAL) {
      // A file system without no-replace renames: look first, then rename.
      struct stat info {};
      if (::lstat(aside.c_str(), &info) == 0)
        continue;
      return ::rename(path.c_str(), aside.c_str()) == 0 || errno == ENOENT;
    }
    if (errno != EEXIST)
      return false;
  }
  return false;
}

void ReportStateFile(const std::filesystem::path& path, const StateFileRead& read) {
  switch (read.outcome) {
    case StateFileRead::Outcome::kMissing:
    case StateFileRead::Outcome::kRead:
      return;
    case StateFileRead::Outcome::kDamaged:
      std::fprintf(stderr,
                   "tavlo-sim: %s: %s; using defaults, and it is set aside as %s.damaged at "
                   "the next change\n",
                   path.c_str(), read.reason.c_str(), path.filename().c_str());
      return;
    case StateFileRead::Outcome::kUnreadable:
      std::fprintf(stderr,
                   "tavlo-sim: cannot read %s (%s); using defaults for this run and leaving the "
                   "file as it is: changes to these settings fail until it can be read or is "
                   "removed\n",
                   path.c_str(), read.reason.c_str());
      return;
  }
}

}  // namespace platform::sim
