// SimSharingService: the shared connection-sharing service over the simulated connections
// (sim_sharing_driver.h), with what happens to those connections and the state file for tests
// and tavlo-sim. A second service (or a second run) over the same state folder sees the roles
// the first one set.
//
// Thread-safe. The view must outlive the service and every interface the service hands out.
#pragma once

#include <filesystem>
#include <optional>
#include <vector>

#include "platform/services/sharing_service.h"
#include "platform/sim/hosted_network_view.h"
#include "platform/sim/sim_sharing_driver.h"
#include "platform/sim/state_directory.h"

namespace platform::sim {

using services::kConnectionGone;
using services::kSharingCallCount;
using services::kSharingRoleTaken;
using services::SharingCall;
using services::SharingCallFromName;
using services::SharingCallName;
using SimConnection = services::SharingConnection;

class SimSharingService final : public services::ConnectionSharingService {
 public:
  explicit SimSharingService(HostedNetworkView& view,
                             std::filesystem::path state_dir = DefaultStateDirectory());

  static GUID WiredGuid() { return SimSharingDriver::kWiredGuid; }
  void SetStatus(const GUID& guid, NETCON_STATUS status) { driver_.SetStatus(guid, status); }
  // Lists one more connection, or lists a removed one again.
  void AddConnection(SimConnection connection) { driver_.AddConnection(std::move(connection)); }
  // Stops listing a connection, the wired and wireless ones included.
  void RemoveConnection(const GUID& guid) { driver_.RemoveConnection(guid); }
  // The next Reset of any enumerator lists `extra` more (unplugged, transient) connections.
  void ListMoreAfterNextReset(int extra) { driver_.ListMoreAfterNextReset(extra); }

  std::filesystem::path StateFile() const { return driver_.StateFile(); }
  bool StateFileDamaged() const { return driver_.StateFileDamaged(); }

 private:
  explicit SimSharingService(SimSharingDriver* driver);

  SimSharingDriver& driver_;  // owned by the base's core, which outlives this object
};

}  // namespace platform::sim
