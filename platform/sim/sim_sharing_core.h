// SharingCore: the state behind the simulated sharing service, shared by the service object and
// every interface it hands out (an interface may outlive the service, as a COM object outlives
// its factory). It lists the connections, keeps the sharing roles with their file, and holds the
// injected faults.
//
// Thread-safe: every member takes the core's lock. The hosted-network view is asked outside that
// lock, so the wireless side may call into the sharing side while holding its own.
#pragma once

#include <array>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sharing_types.h"
#include "platform/sim/hosted_network_view.h"
#include "platform/sim/sim_sharing_store.h"

namespace platform::sim {

// The calls of the sharing interfaces that can be made to fail.
enum class SharingCall {
  kCreateInstance,
  kGetSharingInstalled,
  kGetEnumEveryConnection,
  kNewEnum,
  kNext,
  kReset,
  kGetProperties,
  kGetConfiguration,
  kGetSharingEnabled,
  kGetSharingConnectionType,
  kEnableSharing,
  kDisableSharing,
};
constexpr size_t kSharingCallCount = 12;

// The interface method's own name ("EnableSharing", "get__NewEnum", "CoCreateInstance", ...).
std::string_view SharingCallName(SharingCall call);
std::optional<SharingCall> SharingCallFromName(std::string_view name);

struct SimConnection {
  GUID guid;
  std::u16string name;
  std::u16string device_name;
  NETCON_STATUS status = NCS_CONNECTED;
  NETCON_MEDIATYPE media_type = NCM_LAN;
  // Listed by one enumerator only (see SharingCore::ListMoreAfterNextReset); never live.
  bool transient = false;
};

// The answer of EnableSharing when another connection already holds the role.
constexpr HRESULT kSharingRoleTaken = HresultFromWin32(ERROR_ALREADY_EXISTS);
// The answer of EnableSharing for a connection that is no longer listed.
constexpr HRESULT kConnectionGone = HresultFromWin32(ERROR_NOT_FOUND);

class SharingCore {
 public:
  static constexpr int kForever = -1;

  SharingCore(HostedNetworkView& view, std::filesystem::path state_dir);

  // The fixed GUID of the simulated wired connection.
  static const GUID kWiredGuid;

  // Faults: the next `times` calls (kForever: all) fail with `code`, after `after` calls that
  // succeed. A new fault for the same call replaces the old one.
  void FailCall(SharingCall call, HRESULT code, int times, int after);
  void ClearFaults();
  // Counts the call; 0, or the code it must fail with now (consuming one failure).
  HRESULT TakeFault(SharingCall call);
  // Calls made so far, failed ones included.
  int CallCount(SharingCall call) const;

  void SetInstalled(bool installed);
  bool installed() const;

  // Connections as listed now: wired, wireless, the virtual adapter once installed (connected
  // while the hosted network is active, media disconnected otherwise), then added ones.
  std::vector<SimConnection> Connections() const;
  std::optional<SimConnection> FindLive(const GUID& guid) const;
  // What a new or reset enumerator lists; `reset` consumes a pending ListMoreAfterNextReset.
  std::vector<SimConnection> ListForEnumerator(bool reset);
  void ListMoreAfterNextReset(int extra);

  void SetStatus(const GUID& guid, NETCON_STATUS status);
  // Lists one more connection (or lists a removed one again).
  void AddConnection(SimConnection connection);
  // Stops listing a connection, the built-in ones included.
  void RemoveConnection(const GUID& guid);

  std::optional<SHARINGCONNECTIONTYPE> Role(const GUID& guid) const;
  HRESULT EnableSharing(const GUID& guid, SHARINGCONNECTIONTYPE type);
  HRESULT DisableSharing(const GUID& guid);
  std::filesystem::path StateFile() const;
  bool StateFileDamaged() const;

 private:
  struct Fault {
    HRESULT code = S_OK;
    int remaining = 0;
    int skip = 0;
  };

  std::vector<SimConnection> ConnectionsLocked(
      const GUID& wireless,
      const std::optional<VirtualAdapterState>& adapter) const;
  HRESULT SaveLocked(SharingRoles roles);

  HostedNetworkView& view_;
  mutable std::mutex lock_;
  SharingStore store_;
  SharingRoles roles_;
  bool installed_ = true;
  std::array<Fault, kSharingCallCount> faults_{};
  std::array<int, kSharingCallCount> calls_{};
  std::map<GUID, NETCON_STATUS> status_;
  std::vector<SimConnection> added_;
  std::set<GUID> removed_;
  int extra_after_reset_ = 0;
  int extra_serial_ = 0;
};

}  // namespace platform::sim
