#include "platform/sim/control_server.h"

#include <sys/socket.h>

#include <chrono>

#include "platform/sim/control_commands.h"
#include "platform/sim/control_protocol.h"
#include "platform/sim/control_socket.h"
#include "platform/sim/state_directory.h"

namespace platform::sim {

ControlServer::ControlServer(SimSystem& system)
    : system_(system), path_(ControlSocketPath(system.state_dir()).string()) {}

ControlServer::~ControlServer() {
  Stop();
}

bool ControlServer::Start() {
  problem_ = PrepareStateDirectory(system_.state_dir());
  if (!problem_.ok())
    return false;
  return listener_.Start(path_, SOCK_STREAM,
                         [this](int fd, int stop_fd) { HandleConnection(fd, stop_fd); });
}

void ControlServer::Stop() {
  listener_.Stop();
}

void ControlServer::HandleConnection(int fd, int stop_fd) {
  std::string line;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kRequestTimeoutMs);
  if (!control_socket::ReadLine(fd, &line, kMaxRequestBytes, deadline, stop_fd))
    return;
  ControlParse parse = ParseControlRequest(SplitControlLine(line));
  ControlReply reply = parse.request ? ExecuteControlRequest(system_, *parse.request)
                                     : ControlReply{false, parse.error};
  control_socket::WriteAll(fd, EncodeControlReply(reply) + "\n");
}

}  // namespace platform::sim
