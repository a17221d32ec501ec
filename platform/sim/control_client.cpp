#include "platform/sim/control_client.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/abstract_socket.h"
#include "platform/sim/control_socket.h"

namespace platform::sim {

ControlClientStatus SendControlRequest(const std::string& address,
                                       const std::string& request,
                                       std::string* reply,
                                       int timeout_ms) {
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return ControlClientStatus::kNoServer;
  sockaddr_un target;
  socklen_t length = MakeAbstractAddress(address, &target);
  int rc;
  do {
    rc = connect(fd, reinterpret_cast<sockaddr*>(&target), length);
  } while (rc != 0 && errno == EINTR);
  ControlClientStatus status = ControlClientStatus::kNoServer;
  if (rc == 0) {
    if (!PeerIsSameUser(fd)) {
      status = ControlClientStatus::kForeignPeer;
    } else {
      const auto deadline =
          std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
      status = control_socket::WriteAll(fd, request + "\n") &&
                       control_socket::ReadLine(fd, reply, 1 << 20, deadline)
                   ? ControlClientStatus::kReplied
                   : ControlClientStatus::kNoReply;
    }
  }
  close(fd);
  return status;
}

}  // namespace platform::sim
