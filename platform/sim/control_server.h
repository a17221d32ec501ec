// platform::sim::ControlServer: lets `tavlo-sim` drive the simulated system of the running
// program. It listens on a stream socket in the system's state folder (ControlSocketPath),
// which it makes private first (PrepareStateDirectory), serves one peer at a time on a thread
// of its own, reads one request line and answers one reply line (control_protocol.h). Peers
// whose effective user id differs from ours (SO_PEERCRED) are dropped unanswered.
//
// Thread affinity: Start and Stop from one thread (the owner's); requests run on the server's
// thread and may overlap with the program's own use of the simulated system, which is
// thread-safe.
// Ownership: the SimSystem is not owned; Stop (or destruction) must come before it goes.
// Failure: Start returns false when the state folder is not private (problem() says why),
// when another program listens on the same simulated system (errno EADDRINUSE), or when no
// socket can be made (errno); the program can run on without a control server.
#pragma once

#include <string>

#include "base/private_folder.h"
#include "platform/local_socket.h"
#include "platform/sim/sim_system.h"

namespace platform::sim {

class ControlServer {
 public:
  // Listens on ControlSocketPath(system.state_dir()).
  explicit ControlServer(SimSystem& system);
  ~ControlServer();
  ControlServer(const ControlServer&) = delete;
  ControlServer& operator=(const ControlServer&) = delete;

  bool Start();
  // Waits for a request in progress; no request reaches the system afterwards.
  void Stop();

  // The socket file's path.
  const std::string& path() const { return path_; }
  // Why the state folder was refused by the last Start; ok() otherwise.
  const base::FolderProblem& problem() const { return problem_; }

  // A peer that sends no complete line within this time is dropped.
  static constexpr int kRequestTimeoutMs = 2000;
  static constexpr size_t kMaxRequestBytes = 1024;

 private:
  void HandleConnection(int fd, int stop_fd);

  SimSystem& system_;
  const std::string path_;
  base::FolderProblem problem_;
  LocalSocketListener listener_;
};

}  // namespace platform::sim
