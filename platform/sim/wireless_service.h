// platform::sim::WirelessService: the shared wireless service over the simulated radio, which
// the program drives when the machine offers no real one: one connected wireless interface with
// a stable GUID, settings kept in "wireless.state", and in process what the world around it
// does (stations, the radio, further adapters) for tests and the control server.
//
// Thread affinity: every method may be called from any thread, notification callbacks included.
// Ownership: the service must outlive every client handle and bound function in use.
// Failure: Win32 codes as the real service gives them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "platform/services/wireless_service.h"
#include "platform/sim/hosted_network_view.h"
#include "platform/sim/sim_wireless_driver.h"
#include "platform/sim/wireless_state_file.h"

namespace platform::sim {

using services::IsWpaPassphrase;
using services::kVirtualAdapter;
using services::MacAddress;

class WirelessService final : public services::WirelessService, public HostedNetworkView {
 public:
  // Reads "wireless.state" in `state_dir` (the folder is created on the first change). A file
  // that cannot be read leaves the defaults in force and makes every change that must persist
  // fail (ERROR_ACCESS_DENIED, reason persistence_failed), so it is never overwritten. `open`
  // stands in for open(2) in tests.
  explicit WirelessService(const std::filesystem::path& state_dir, StateFileOpener open = {});

  static constexpr char kStateFileName[] = "wireless.state";

  // Stations, only while active. Join: ERROR_INVALID_STATE, ERROR_ALREADY_EXISTS, or
  // ERROR_NO_MORE_ITEMS at the peer limit. Leave: ERROR_NOT_FOUND when not associated.
  DWORD StationJoin(const MacAddress& mac) { return driver_.StationJoin(mac); }
  DWORD StationLeave(const MacAddress& mac) { return driver_.StationLeave(mac); }
  // Software radio. Off makes the hosted network unavailable and disconnects the interface.
  void SetRadio(bool on) { driver_.SetRadio(on); }
  // A further adapter, listed after the connected one.
  void AddInterface(const GUID& guid, WLAN_INTERFACE_STATE state, std::u16string description) {
    driver_.AddInterface(guid, state, std::move(description));
  }

  // Why a start cannot succeed; lives as long as the service.
  HotspotDiagnosis& diagnosis() { return driver_; }

  // platform::sim::HostedNetworkView
  GUID WirelessInterfaceGuid() const override { return SimWirelessDriver::kInterfaceGuid; }
  std::optional<VirtualAdapterState> VirtualAdapter() const override;

 private:
  explicit WirelessService(SimWirelessDriver* driver);

  SimWirelessDriver& driver_;  // owned by the base
};

}  // namespace platform::sim
