// platform::sim::SimSharingDriver: the simulated connections under the shared sharing service,
// and "sharing.state" that keeps their roles.
//
// It lists the wired connection "以太网" (cable unplugged unless told otherwise), the wireless
// connection "WLAN" whose GUID is the view's wireless interface, and the virtual adapter
// "本地连接* 2" whose GUID is the hosted network's IPDeviceID: as the real service does, from the
// first time the hosted network was allowed on, connected while it is active and media
// disconnected (so still sharable) otherwise. All of media type NCM_LAN. A role needs nothing
// done to the simulated connections beyond being kept.
//
// Thread-safe: every member takes the driver's lock; the view is asked outside it.
// Ownership: the view must outlive the driver.
#pragma once

#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "platform/services/sharing_driver.h"
#include "platform/sim/hosted_network_view.h"
#include "platform/sim/sim_sharing_store.h"

namespace platform::sim {

class SimSharingDriver final : public services::SharingDriver {
 public:
  SimSharingDriver(HostedNetworkView& view, std::filesystem::path state_dir);

  // The fixed GUID of the simulated wired connection.
  static const GUID kWiredGuid;

  // What happens to the connections around the program.
  void SetStatus(const GUID& guid, NETCON_STATUS status);
  // Lists one more connection (or lists a removed one again).
  void AddConnection(services::SharingConnection connection);
  // Stops listing a connection, the built-in ones included.
  void RemoveConnection(const GUID& guid);
  // The next listing after a Reset shows `extra` more (unplugged, transient) connections.
  void ListMoreAfterNextReset(int extra);

  std::filesystem::path StateFile() const;
  bool StateFileDamaged() const;

  // services::SharingDriver
  std::vector<services::SharingConnection> Connections(bool after_reset) override;
  HRESULT ApplyRole(const GUID& guid, SHARINGCONNECTIONTYPE type) override;
  HRESULT RemoveRole(const GUID& guid) override;
  services::SharingRoles LoadRoles() override;
  HRESULT SaveRoles(const services::SharingRoles& roles) override;

 private:
  HostedNetworkView& view_;
  mutable std::mutex lock_;
  SharingStore store_;
  std::map<GUID, NETCON_STATUS> status_;
  std::vector<services::SharingConnection> added_;
  std::set<GUID> removed_;
  int extra_after_reset_ = 0;
  int extra_serial_ = 0;
};

}  // namespace platform::sim
