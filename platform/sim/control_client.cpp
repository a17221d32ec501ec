#include "platform/sim/control_client.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/local_socket.h"
#include "platform/sim/control_socket.h"

namespace platform::sim {

ControlClientStatus SendControlRequest(const std::string& path,
                                       const std::string& request,
                                       std::string* reply,
                                       int timeout_ms) {
  int fd = ConnectLocalSocket(path, SOCK_STREAM);
  if (fd < 0)
    return errno == EACCES ? ControlClientStatus::kForeignPeer : ControlClientStatus::kNoServer;
  ControlClientStatus status = ControlClientStatus::kForeignPeer;
  if (PeerIsSameUser(fd)) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    status = control_socket::WriteAll(fd, request + "\n") &&
                     control_socket::ReadLine(fd, reply, 1 << 20, deadline)
                 ? ControlClientStatus::kReplied
                 : ControlClientStatus::kNoReply;
  }
  close(fd);
  return status;
}

}  // namespace platform::sim
