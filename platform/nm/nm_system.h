// platform::nm::NmSystem: the hotspot on NetworkManager as one object. It owns the wireless
// service over NmWirelessDriver, the sharing service over NmSharingDriver, the interpreter of
// the netsh lines and what is learnt of each device on the access point (NmDeviceFacts, which
// follows the access point's interface from when it comes up), and hands out the interfaces
// the program uses.
//
// The netsh lines are carried out in this process on purpose: NetworkManager binds the access
// point to the bus connection that asked for it, so a child process would take it down with it.
//
// Thread affinity: every method may be called from any thread; the parts are thread-safe.
// Ownership: owns its parts. Everything handed out, and every object those hand out, must be
// released before the NmSystem is destroyed. Destruction stops the interpreter first, then the
// sharing service, then the wireless service (whose driver ends the access point).
// Failure: construction does not fail: without a bus or NetworkManager the hosted network is
// unavailable and the connection list empty.
#pragma once

#include <memory>

#include "platform/command_runner.h"
#include "platform/device_facts.h"
#include "platform/nm/nm_device_facts.h"
#include "platform/nm/nm_wireless_driver.h"
#include "platform/services/netsh_interpreter.h"
#include "platform/services/sharing_service.h"
#include "platform/services/wireless_service.h"
#include "platform/sharing.h"
#include "platform/wlan_api.h"

namespace platform::nm {

class NmSystem {
 public:
  explicit NmSystem(NmWirelessDriver::Options options = {});
  ~NmSystem();
  NmSystem(const NmSystem&) = delete;
  NmSystem& operator=(const NmSystem&) = delete;

  WlanApi& wlan_api() { return *wireless_; }
  SharingService& sharing_service() { return *sharing_; }
  CommandRunner& command_runner() { return *interpreter_; }
  DeviceFactsSource& device_facts() { return *facts_; }

  services::WirelessService& wireless() { return *wireless_; }
  services::NetshInterpreter& interpreter() { return *interpreter_; }
  // The driver under the wireless service, owned by it.
  NmWirelessDriver& driver() { return *driver_; }

 private:
  NmWirelessDriver* driver_ = nullptr;
  // Declaration order is construction order; destruction runs the other way.
  std::unique_ptr<NmDeviceFacts> facts_;  // the driver tells it the interface
  std::unique_ptr<services::WirelessService> wireless_;
  std::unique_ptr<services::ConnectionSharingService> sharing_;
  std::unique_ptr<services::NetshInterpreter> interpreter_;
};

}  // namespace platform::nm
