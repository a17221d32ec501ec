#include "platform/linux/linux_instance_channel.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/utf.h"

namespace platform {

namespace {

constexpr char kAck = 1;

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
  return listener_.Start(address_, SOCK_SEQPACKET,
                         [this, on_activate = std::move(on_activate)](int fd, int stop_fd) {
                           HandleConnection(fd, stop_fd, on_activate);
                         });
}

void LinuxInstanceChannel::Stop() {
  listener_.Stop();
}

void LinuxInstanceChannel::HandleConnection(int fd,
                                            int stop_fd,
                                            const ActivateCallback& on_activate) {
  // A peer that connects and says nothing must not hold up the next one, or Stop, for long.
  pollfd fds[2] = {{fd, POLLIN, 0}, {stop_fd, POLLIN, 0}};
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
  socklen_t len = MakeAbstractAddress(address_, &addr);
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
