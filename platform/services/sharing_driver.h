// platform::services::SharingDriver: what a backend does for the connection-sharing service,
// which keeps the object model, the roles and their rule (one public and one private connection
// at most) and decides when to persist. A driver only says what the connections are, does what
// holding a role means on its system (the NAT, the addresses), and stores the roles.
//
// Thread affinity: any thread. Connections is called without the service's lock, so a driver may
// ask other services (the wireless one) from it; every other method is called with that lock held
// and must not call back into the sharing service.
// Ownership: the service owns its driver; it lives as long as the last interface handed out.
// Failure: ApplyRole, RemoveRole and SaveRoles answer an HRESULT that reaches the caller of
// EnableSharing / DisableSharing as it is; the service then keeps the roles as they were.
#pragma once

#include <optional>

#include <map>
#include <string>
#include <vector>

#include "platform/sharing_types.h"

namespace platform::services {

using SharingRoles = std::map<GUID, SHARINGCONNECTIONTYPE>;

struct SharingConnection {
  GUID guid;
  std::u16string name;
  std::u16string device_name;
  NETCON_STATUS status = NCS_CONNECTED;
  NETCON_MEDIATYPE media_type = NCM_LAN;
  // Listed by one enumerator only (a device seen between two passes); never live.
  bool transient = false;
};

class SharingDriver {
 public:
  virtual ~SharingDriver() = default;

  // The connections as they are now; `after_reset` when an enumerator lists afresh after Reset,
  // which may include transient ones seen only by that pass.
  virtual std::vector<SharingConnection> Connections(bool after_reset) = 0;
  // Makes `guid` share in role `type` (it may have held the other role), or stop sharing. The
  // service has checked the connection is listed and the rule holds.
  virtual HRESULT ApplyRole(const GUID& guid, SHARINGCONNECTIONTYPE type) = 0;
  virtual HRESULT RemoveRole(const GUID& guid) = 0;
  // The persistence hook: the roles as stored (none when there is no usable store), and their
  // replacement.
  virtual SharingRoles LoadRoles() = 0;
  virtual HRESULT SaveRoles(const SharingRoles& roles) = 0;
  // The connection the system shares out by itself, if it decides that (SharingService's
  // FindInternetConnection).
  virtual std::optional<GUID> InternetConnection() { return std::nullopt; }
};

}  // namespace platform::services
