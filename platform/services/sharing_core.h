// SharingCore: the state behind the connection-sharing service, shared by the service object and
// every interface it hands out (an interface may outlive the service, as a COM object outlives
// its factory). It keeps the sharing roles and their rule, the injected faults, and the driver
// that lists the connections and stores the roles.
//
// Thread-safe: every member takes the core's lock, except that the driver's connection list is
// asked outside it (sharing_driver.h).
#pragma once

#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/services/sharing_driver.h"
#include "platform/sharing_types.h"

namespace platform::services {

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

// The answer of EnableSharing when another connection already holds the role.
constexpr HRESULT kSharingRoleTaken = HresultFromWin32(ERROR_ALREADY_EXISTS);
// The answer of EnableSharing for a connection that is no longer listed.
constexpr HRESULT kConnectionGone = HresultFromWin32(ERROR_NOT_FOUND);

class SharingCore {
 public:
  static constexpr int kForever = -1;

  // Loads the roles through the driver.
  explicit SharingCore(std::unique_ptr<SharingDriver> driver);

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

  std::vector<SharingConnection> Connections() const;
  std::optional<SharingConnection> FindLive(const GUID& guid) const;
  // What a new (`reset` false) or reset enumerator lists.
  std::vector<SharingConnection> ListForEnumerator(bool reset);

  std::optional<SHARINGCONNECTIONTYPE> Role(const GUID& guid) const;
  // One public and one private connection at most: kSharingRoleTaken while another holds the
  // role, kConnectionGone for a connection no longer listed, E_INVALIDARG for another type.
  HRESULT EnableSharing(const GUID& guid, SHARINGCONNECTIONTYPE type);
  HRESULT DisableSharing(const GUID& guid);
  // The driver's answer, asked outside the lock as the connection list is.
  std::optional<GUID> InternetConnection() const { return driver_->InternetConnection(); }

 private:
  struct Fault {
    HRESULT code = S_OK;
    int remaining = 0;
    int skip = 0;
  };

  const std::unique_ptr<SharingDriver> driver_;
  mutable std::mutex lock_;
  SharingRoles roles_;
  bool installed_ = true;
  std::array<Fault, kSharingCallCount> faults_{};
  std::array<int, kSharingCallCount> calls_{};
};

}  // namespace platform::services
