// platform::services::ConnectionSharingService: the connection-sharing service every backend
// shares. It hands out the manager, the every-connection collection and its enumerator, the
// connections and their configurations, and the backend module whose export frees connection
// properties. What the connections are, what a role does and where roles are kept is its
// driver's (sharing_driver.h).
//
// It enforces what the real service does: at most one public and one private connection.
// EnableSharing fails with kSharingRoleTaken while another connection holds the role (nothing is
// taken over), and with kConnectionGone for a connection that is no longer listed.
//
// For tests it can be made "not installed", can fail any call a number of times, and can fail
// the backend binding.
//
// Thread-safe. Ownership: the core, and with it the driver, lives until the service and every
// interface it handed out are gone.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/services/sharing_core.h"
#include "platform/services/sharing_driver.h"
#include "platform/sharing.h"

namespace platform::services {

class ConnectionSharingService : public SharingService {
 public:
  static constexpr int kForever = SharingCore::kForever;

  explicit ConnectionSharingService(std::unique_ptr<SharingDriver> driver);
  ~ConnectionSharingService() override;

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
  HRESULT FindInternetConnection(GUID* guid) override;

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

  std::vector<SharingConnection> Connections() const;
  // Sharing roles as in force (and stored).
  std::optional<SHARINGCONNECTIONTYPE> Role(const GUID& guid) const;

  // NETCON_PROPERTIES records handed out by any sharing service and not yet freed.
  static long OutstandingProperties();

 private:
  class Module;

  std::shared_ptr<SharingCore> core_;
  std::unique_ptr<Module> module_;
};

}  // namespace platform::services
