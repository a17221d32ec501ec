#include "platform/linux/linux_instance_channel.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/linux/utf.h"

namespace platform {

namespace {

constexpr char kAck = 1;

socklen_t MakeAddress(const std::string& name, sockaddr_un* addr) {
  std::memset(addr, 0, sizeof *addr);
  addr->sun_family = AF_UNIX;
  // Abstract: a leading NUL, then the name, not NUL-terminated.
  size_t len = std::min(name.size(), sizeof addr->sun_path - 1);
  std::memcpy(addr->sun_path + 1, name.data(), len);
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + len);
}

bool PeerIsSameUser(int fd) {
  ucred cred = {};
  socklen_t len = sizeof cred;
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && cred.uid == geteuid();
}

bool WaitReadable(int fd, int timeout_ms) {
  pollfd p = {fd, POLLIN, 0};
  int rc;
  do {
    rc = poll(&p, 1, timeout_ms);
  } while (rc < 0 && errno == EINTR);
  return rc == 1 && (p.revents & POLLIN);
}

}  // namespace

LinuxInstanceChannel::LinuxInstanceChannel(std::u16string_view message_name)
    : message_(posix::ToUtf8(message_name)),
      address_("tavlo-" + std::to_string(geteuid()) + "-" + message_) {}

LinuxInstanceChannel::~LinuxInstanceChannel() {
  Stop();
}

bool LinuxInstanceChannel::Listen(ActivateCallback on_activate) {
  if (listen_fd_ >= 0)
    return false;
  int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return false;
  sockaddr_un addr;
  socklen_t len = MakeAddress(address_, &addr);
  int wake = -1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 || listen(fd, 8) != 0 ||
      (wake = eventfd(0, EFD_CLOEXEC)) < 0) {
    close(fd);
    return false;
  }
  listen_fd_ = fd;
  wake_fd_ = wake;
  thread_ = std::thread(&LinuxInstanceChannel::Serve, this, std::move(on_activate));
  return true;
}

void LinuxInstanceChannel::Stop() {
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

void LinuxInstanceChannel::Serve(ActivateCallback on_activate) {
  for (;;) {
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
    int conn = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (conn < 0)
      continue;
    HandleConnection(conn, on_activate);
    close(conn);
  }
}

void LinuxInstanceChannel::HandleConnection(int fd, const ActivateCallback& on_activate) {
  if (!PeerIsSameUser(fd))
    return;
  // A peer that connects and says nothing must not hold up the next one, or Stop, for long.
  pollfd fds[2] = {{fd, POLLIN, 0}, {wake_fd_, POLLIN, 0}};
  int rc;
  do {
    rc = poll(fds, 2, kReplyTimeoutMs);
  } while (rc < 0 && errno == EINTR);
  if (rc <= 0 || !(fds[0].revents & POLLIN) || fds[1].revents)
    return;
  char buffer[256];
  ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
  if (n < 0 || std::string_view(buffer, n) != message_)
    return;
  if (on_activate)
    on_activate();
  send(fd, &kAck, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
}

bool LinuxInstanceChannel::Broadcast() {
  int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return false;
  sockaddr_un addr;
  socklen_t len = MakeAddress(address_, &addr);
  bool reached = false;
  int rc;
  do {
    rc = connect(fd, reinterpret_cast<sockaddr*>(&addr), len);
  } while (rc != 0 && errno == EINTR);
  if (rc == 0 && PeerIsSameUser(fd) &&
      send(fd, message_.data(), message_.size(), MSG_NOSIGNAL) ==
          static_cast<ssize_t>(message_.size()) &&
      WaitReadable(fd, kReplyTimeoutMs)) {
    char reply = 0;
    reached = recv(fd, &reply, 1, MSG_DONTWAIT) == 1 && reply == kAck;
  }
  close(fd);
  return reached;
}

}  // namespace platform
