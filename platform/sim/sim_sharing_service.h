// SimSharingService: the simulated connection-sharing service.
//
// It lists the wired connection "以太网" (cable unplugged unless told otherwise), the wireless
// connection "WLAN" whose GUID is the view's wireless interface, and the virtual adapter
// "本地连接* 2" whose GUID is the hosted network's IPDeviceID: as the real service does, from the
// first time the hosted network was allowed on, connected while it is active and media
// disconnected (so still sharable) otherwise. All of media type NCM_LAN. Each connection's sharing
// role is kept in "sharing.state" in the state folder, so a second service (or a second run) sees
// what the first one set.
//
// It enforces what the real service does: at most one public and one private connection.
// EnableSharing fails with kSharingRoleTaken while another connection holds the role (nothing is
// taken over), and with kConnectionGone for a connection that is no longer listed.
//
// For tests and tavlo-sim it can be made "not installed", can fail any call a number of times,
// can fail the backend binding, and can list more connections after an enumerator's Reset than
// before it.
//
// Thread-safe. The view must outlive the service and every interface the service hands out.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "platform/sharing.h"
#include "platform/sim/hosted_network_view.h"
#include "platform/sim/sim_sharing_core.h"
#include "platform/sim/state_directory.h"

namespace platform::sim {

class SimSharingService : public SharingService {
 public:
  static constexpr int kForever = SharingCore::kForever;

  explicit SimSharingService(HostedNetworkView& view,
                             std::filesystem::path state_dir = DefaultStateDirectory());
  ~SimSharingService() override;

  // SharingService.
  HRESULT CreateInstance(REFCLSID clsid,
                         IUnknown* outer,
                         DWORD context,
                         REFIID iid,
                         void** object) override;
  SharingBackendModule* LoadBackend(std::u16string_view file, DWORD* error) override;
  PFN_NcFreeNetconProperties GetBackendProc(SharingBackendModule* module,
                                            std::string_view name,
                                            DWORD* error) override;
  void FreeBackend(SharingBackendModule* module) override;

  // The next `times` calls of `call` (kForever: every call) fail with `code`, after `after`
  // calls that succeed.
  void FailCall(SharingCall call, HRESULT code, int times, int after = 0);
  void ClearFaults();
  // Calls of `call` made so far on any object of this service, failed ones included.
  int CallCount(SharingCall call) const;
  void SetInstalled(bool installed);
  // Win32 codes for loading the backend and for finding its export; 0 lets them work.
  void SetBackendLoadError(DWORD error);
  void SetBackendLookupError(DWORD error);
  // Loads not yet matched by FreeBackend.
  int LoadedBackendCount() const;
  // The next Reset of any enumerator lists `extra` more (unplugged, transient) connections.
  void ListMoreAfterNextReset(int extra);

  // Connections.
  static GUID WiredGuid() { return SharingCore::kWiredGuid; }
  void SetStatus(const GUID& guid, NETCON_STATUS status);
  // Lists one more connection, or lists a removed one again.
  void AddConnection(SimConnection connection);
  // Stops listing a connection, the wired and wireless ones included.
  void RemoveConnection(const GUID& guid);
  std::vector<SimConnection> Connections() const;

  // Sharing roles as stored.
  std::optional<SHARINGCONNECTIONTYPE> Role(const GUID& guid) const;
  std::filesystem::path StateFile() const;
  bool StateFileDamaged() const;

  // NETCON_PROPERTIES records handed out by any simulated service and not yet freed.
  static long OutstandingProperties();

 private:
  class Module;

  std::shared_ptr<SharingCore> core_;
  std::unique_ptr<Module> module_;
};

}  // namespace platform::sim
