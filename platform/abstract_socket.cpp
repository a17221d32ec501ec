#include "platform/abstract_socket.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace platform {

socklen_t MakeAbstractAddress(const std::string& name, sockaddr_un* address) {
  std::memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  const size_t length = std::min(name.size(), sizeof address->sun_path - 1);
  std::memcpy(address->sun_path + 1, name.data(), length);
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

bool PeerIsSameUser(int fd) {
  ucred credentials = {};
  socklen_t length = sizeof credentials;
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 &&
         credentials.uid == geteuid();
}

AbstractSocketListener::~AbstractSocketListener() {
  Stop();
}

bool AbstractSocketListener::Start(const std::string& name, int type, Handler handler) {
  if (listen_fd_ >= 0)
    return false;
  int fd = socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return false;
  sockaddr_un address;
  socklen_t length = MakeAbstractAddress(name, &address);
  int wake = -1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, 8) != 0 ||
      (wake = eventfd(0, EFD_CLOEXEC)) < 0) {
    close(fd);
    return false;
  }
  listen_fd_ = fd;
  wake_fd_ = wake;
  thread_ = std::thread(&AbstractSocketListener::Serve, this, std::move(handler));
  return true;
}

void AbstractSocketListener::Stop() {
  if (listen_fd_ < 0)
    return;
  uint64_t one = 1;
  ssize_t ignored = write(wake_fd_, &one, sizeof one);
  (void)ignored;
  thread_.join();
  close(listen_fd_);
  close(wake_fd_);
  listen_fd_ = wake_fd_ = -1;
}

void AbstractSocketListener::Serve(const Handler& handler) {
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
