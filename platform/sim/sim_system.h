// platform::sim::SimSystem: the simulated system of one process. It owns the state folder's
// services — the wireless service, the sharing service (which sees the wireless service's
// hosted network) and the interpreter of the netsh lines — and hands out the interfaces the
// program uses.
//
// Thread affinity: every method may be called from any thread; the parts are thread-safe.
// Ownership: owns its parts. Everything handed out, and every object those hand out (client
// handles, bound functions, sharing interfaces), must be released before the SimSystem is
// destroyed, and a ControlServer over it must be stopped first. Destruction stops the
// interpreter first (no netsh line runs afterwards), then the device facts, the sharing service
// and the wireless service (no notification is delivered afterwards).
// Failure: construction does not fail; a state folder that cannot be written makes the
// operations that persist fail as the real services would.
#pragma once

#include <filesystem>
#include <memory>

#include "platform/command_runner.h"
#include "platform/services/netsh_interpreter.h"
#include "platform/sharing.h"
#include "platform/sim/sim_device_facts.h"
#include "platform/sim/sim_sharing_service.h"
#include "platform/sim/state_directory.h"
#include "platform/sim/wireless_service.h"
#include "platform/wlan_api.h"

namespace platform::sim {

class SimSystem {
 public:
  explicit SimSystem(std::filesystem::path state_dir = DefaultStateDirectory());
  ~SimSystem();
  SimSystem(const SimSystem&) = delete;
  SimSystem& operator=(const SimSystem&) = delete;

  // What the program uses.
  WlanApi& wlan_api() { return *wireless_; }
  SharingService& sharing_service() { return *sharing_; }
  CommandRunner& command_runner() { return *interpreter_; }

  // What tests and the control server drive.
  WirelessService& wireless() { return *wireless_; }
  SimSharingService& sharing() { return *sharing_; }
  services::NetshInterpreter& interpreter() { return *interpreter_; }
  // Also what the program uses: the stations' addresses and names.
  SimDeviceFacts& device_facts() { return *facts_; }
  const std::filesystem::path& state_dir() const { return state_dir_; }

  // Waits until the netsh lines given so far have run and the wireless service has delivered
  // the notifications they caused.
  void WaitUntilSettled();

 private:
  const std::filesystem::path state_dir_;
  // Declaration order is construction order; destruction runs the other way.
  std::unique_ptr<WirelessService> wireless_;
  std::unique_ptr<SimSharingService> sharing_;
  std::unique_ptr<services::NetshInterpreter> interpreter_;
  std::unique_ptr<SimDeviceFacts> facts_;
};

}  // namespace platform::sim
