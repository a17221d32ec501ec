#include "platform/linux/linux_instance_channel.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "base/private_folder.h"
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

std::string SocketPath(const std::string& message, std::string folder) {
  if (folder.empty()) {
    base::FolderProblem problem;
    folder = base::UserRuntimeFolder(&problem);
  }
  if (folder.empty())
    return {};
  std::string name;
  for (char c : message) {
    bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                c == '.' || c == '-' || c == '{' || c == '}';
    name.push_back(safe ? c : '_');
  }
  return folder + "/" + name + ".sock";
}

}  // namespace

LinuxInstanceChannel::LinuxInstanceChannel(std::u16string_view message_name, std::string folder)
    : message_(posix::ToUtf8(message_name)), path_(SocketPath(message_, std::move(folder))) {}

LinuxInstanceChannel::~LinuxInstanceChannel() {
  Stop();
}

bool LinuxInstanceChannel::Listen(ActivateCallback on_activate) {
  if (path_.empty()) {
    errno = EACCES;  // no folder that only we can reach
    return false;
  }
  return listener_.Start(path_, SOCK_SEQPACKET,
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
  if (path_.empty())
    return false;
  int fd = ConnectLocalSocket(path_, SOCK_SEQPACKET);
  if (fd < 0)
    return false;
  bool reached = false;
  if (PeerIsSameUser(fd) &&
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
