// platform::sim::ControlServer: lets `tavlo-sim` drive the simulated system of the running
// program. It listens on a stream socket in the abstract namespace, named per user and per
// state folder (ControlSocketName), serves one peer at a time on a thread of its own, reads
// one request line and answers one reply line (control_protocol.h). Peers whose effective
// user id differs from ours (SO_PEERCRED) are dropped unanswered: abstract names are open to
// every user of the machine.
//
// Thread affinity: Start and Stop from one thread (the owner's); requests run on the server's
// thread and may overlap with the program's own use of the simulated system, which is
// thread-safe.
// Ownership: the SimSystem is not owned; Stop (or destruction) must come before it goes.
// Failure: Start returns false when the name is taken (another program runs on the same
// simulated system) or no socket can be made; the program runs on without a control server.
#pragma once

#include <string>

#include "platform/abstract_socket.h"
#include "platform/sim/sim_system.h"

namespace platform::sim {

class ControlServer {
 public:
  // Listens on ControlSocketName(system.state_dir()).
  explicit ControlServer(SimSystem& system);
  ControlServer(SimSystem& system, std::string address);
  ~ControlServer();
  ControlServer(const ControlServer&) = delete;
  ControlServer& operator=(const ControlServer&) = delete;

  bool Start();
  // Waits for a request in progress; no request reaches the system afterwards.
  void Stop();

  // The abstract name, without its leading NUL.
  const std::string& address() const { return address_; }

  // A peer that sends no complete line within this time is dropped.
  static constexpr int kRequestTimeoutMs = 2000;
  static constexpr size_t kMaxRequestBytes = 1024;

 private:
  void HandleConnection(int fd, int stop_fd);

  SimSystem& system_;
  const std::string address_;
  AbstractSocketListener listener_;
};

}  // namespace platform::sim
