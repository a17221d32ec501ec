#include "platform/sim/control_server.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/sim/control_commands.h"
#include "platform/sim/control_protocol.h"
#include "platform/sim/control_socket.h"

namespace platform::sim {

ControlServer::ControlServer(SimSystem& system)
    : ControlServer(system, ControlSocketName(system.state_dir())) {}

ControlServer::ControlServer(SimSystem& system, std::string address)
    : system_(system), address_(std::move(address)) {}

ControlServer::~ControlServer() {
  Stop();
}

bool ControlServer::Start() {
  if (listen_fd_ >= 0)
    return false;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return false;
  sockaddr_un address;
  socklen_t length = control_socket::MakeAddress(address_, &address);
  int wake = -1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, 8) != 0 ||
      (wake = eventfd(0, EFD_CLOEXEC)) < 0) {
    close(fd);
    return false;
  }
  listen_fd_ = fd;
  wake_fd_ = wake;
  thread_ = std::thread(&ControlServer::Serve, this);
  return true;
}

void ControlServer::Stop() {
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

void ControlServer::Serve() {
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
    HandleConnection(connection);
    close(connection);
  }
}

void ControlServer::HandleConnection(int fd) {
  if (!control_socket::PeerIsSameUser(fd))
    return;
  std::string line;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kRequestTimeoutMs);
  if (!control_socket::ReadLine(fd, &line, kMaxRequestBytes, deadline, wake_fd_))
    return;
  ControlParse parse = ParseControlRequest(SplitControlLine(line));
  ControlReply reply = parse.request ? ExecuteControlRequest(system_, *parse.request)
                                     : ControlReply{false, parse.error};
  control_socket::WriteAll(fd, EncodeControlReply(reply) + "\n");
}

}  // namespace platform::sim
