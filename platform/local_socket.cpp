#include "platform/local_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace platform {

namespace {

// Runs `op(address, length)` with an address naming `path`: the path itself when it fits, else
// the last component under /proc/self/fd/<the folder's descriptor>. Answers op's result, or
// -1 with errno set.
template <class Op>
int WithAddress(const std::string& path, Op op) {
  sockaddr_un address;
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  auto call = [&](const std::string& name) {
    std::memcpy(address.sun_path, name.data(), name.size());
    return op(reinterpret_cast<sockaddr*>(&address),
              static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() + 1));
  };
  if (path.empty() || path.find('\0') != std::string::npos) {
    errno = EINVAL;
    return -1;
  }
  if (path.size() < sizeof address.sun_path)
    return call(path);
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    errno = ENAMETOOLONG;
    return -1;
  }
  int folder =
      open(slash == 0 ? "/" : path.substr(0, slash).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0)
    return -1;
  const std::string alias = "/proc/self/fd/" + std::to_string(folder) + path.substr(slash);
  int rc = -1;
  if (alias.size() < sizeof address.sun_path)
    rc = call(alias);
  else
    errno = ENAMETOOLONG;
  const int saved = errno;
  close(folder);
  errno = saved;
  return rc;
}

// Closes what a failed start opened and leaves `error` in errno.
bool Fail(int error, int fd1 = -1, int fd2 = -1) {
  if (fd1 >= 0)
    close(fd1);
  if (fd2 >= 0)
    close(fd2);
  errno = error;
  return false;
}

}  // namespace

int ConnectLocalSocket(const std::string& path, int type) {
  int fd = socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return -1;
  int rc = WithAddress(path, [fd](const sockaddr* address, socklen_t length) {
    int r;
    do {
      r = connect(fd, address, length);
    } while (r != 0 && errno == EINTR);
    return r;
  });
  if (rc == 0)
    return fd;
  Fail(errno, fd);
  return -1;
}

bool PeerIsSameUser(int fd) {
  ucred credentials = {};
  socklen_t length = sizeof credentials;
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 &&
         credentials.uid == geteuid();
}

LocalSocketListener::~LocalSocketListener() {
  Stop();
}

bool LocalSocketListener::Start(const std::string& path, int type, Handler handler) {
  if (listen_fd_ >= 0)
    return Fail(EALREADY);
  const std::string lock_path = path + ".lock";
  int lock = open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
  if (lock < 0)
    return false;
  struct stat st;
  if (fstat(lock, &st) != 0 || !S_ISREG(st.st_mode))
    return Fail(EADDRINUSE, lock);
  int rc;
  do {
    rc = flock(lock, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0)
    return Fail(errno == EWOULDBLOCK ? EADDRINUSE : errno, lock);
  // Holding the lock, whatever has the socket's name was left by a listener that is gone.
  if (unlink(path.c_str()) != 0 && errno != ENOENT)
    return Fail(errno, lock);
  int fd = socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return Fail(errno, lock);
  auto bind_to = [fd](const sockaddr* address, socklen_t length) {
    return bind(fd, address, length);
  };
  if (WithAddress(path, bind_to) != 0 || listen(fd, 8) != 0) {
    return Fail(errno, fd, lock);
  }
  int wake = eventfd(0, EFD_CLOEXEC);
  if (wake < 0) {
    const int saved = errno;
    unlink(path.c_str());
    return Fail(saved, fd, lock);
  }
  path_ = path;
  lock_fd_ = lock;
  listen_fd_ = fd;
  wake_fd_ = wake;
  thread_ = std::thread(&LocalSocketListener::Serve, this, std::move(handler));
  return true;
}

void LocalSocketListener::Stop() {
  if (listen_fd_ < 0)
    return;
  uint64_t one = 1;
  ssize_t ignored = write(wake_fd_, &one, sizeof one);
  (void)ignored;
  thread_.join();
  // Still under the lock: the name is ours to remove.
  unlink(path_.c_str());
  close(listen_fd_);
  close(wake_fd_);
  close(lock_fd_);
  listen_fd_ = wake_fd_ = lock_fd_ = -1;
}

void LocalSocketListener::Serve(const Handler& handler) {
  while (true) {
    pollfd fds[2] = {{wake_fd_, POLLIN, 0}, {listen_fd_, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR)
        continue;
      return;
    }
    if (fds[0].revents)
      return;
    if (!(fds[1].revents & POLLIN))
      continue;
    int connection = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0)
      continue;
    if (PeerIsSameUser(connection))
      handler(connection, wake_fd_);
    close(connection);
  }
}

}  // namespace platform
