// What a control request does to a running program's simulated system, and the status text
// that `tavlo-sim status` prints.
//
// Thread affinity: any thread; the simulated system is thread-safe.
// Failure: a request the system refuses gives a reply that is not ok, with the reason.
#pragma once

#include <string>

#include "platform/sim/control_protocol.h"
#include "platform/sim/sim_system.h"

namespace platform::sim {

ControlReply ExecuteControlRequest(SimSystem& system, const ControlRequest& request);

// Several lines: the hosted network's state, settings and stations, the radio, the sharing of
// each connection, the command delay.
std::string DescribeSimSystem(SimSystem& system);

}  // namespace platform::sim
