// platform::nm::NmSharingDriver: the connections NetworkManager runs, under the shared sharing
// service. NetworkManager shares by itself: a connection whose ipv4.method is "shared" gets
// addresses, DNS and NAT towards whichever connection carries the default route. So the roles
// are read from NetworkManager, never set:
//   - public is the active connection that carries the IPv4 default route ("Default");
//   - private is our hotspot's connection (id "Tavlo", Wi-Fi mode "ap", ipv4.method "shared")
//     while it is activated.
// ApplyRole accepts a role only where NetworkManager already does what it means, and refuses it
// elsewhere with kSharingRoleTaken (another connection holds it in NetworkManager's eyes);
// RemoveRole changes nothing (our connection ends with the hotspot). The driver only reads: it
// never changes a connection, ours or another's.
//
// Roles are not stored for this backend: they follow from NetworkManager's state, so LoadRoles
// returns none and SaveRoles succeeds without writing anything.
//
// Listed are the devices with an active connection: name = the active connection's Id, device
// name = the device's Interface, GUID = the connection's UUID (in GUID field order), media type
// and status from the device. Our hotspot is the hosted network's adapter: listed under its
// device's GUID (the device id the wireless service reports), as "Tavlo", off (media disconnected)
// while no access point of ours runs, so that a table read before a start already holds it.
// InternetConnection names the connection that carries the default route. Loopback and devices
// whose connection has no UUID are left out.
//
// Thread affinity: any thread; calls to the bus are serialised by the driver's lock.
// Ownership: owns its bus connection (the system bus, DBUS_SYSTEM_BUS_ADDRESS when set).
// Failure: without a bus or NetworkManager the list is empty; ApplyRole then answers the
// service-not-active code, and kConnectionGone for a connection no longer active. Never throws.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <sdbus-c++/IConnection.h>

#include "platform/services/sharing_driver.h"

namespace platform::nm {

class NmSharingDriver final : public services::SharingDriver {
 public:
  // How long one call to NetworkManager may take.
  explicit NmSharingDriver(std::chrono::milliseconds call_timeout = std::chrono::seconds(5));
  ~NmSharingDriver() override;
  NmSharingDriver(const NmSharingDriver&) = delete;
  NmSharingDriver& operator=(const NmSharingDriver&) = delete;

  // services::SharingDriver
  std::vector<services::SharingConnection> Connections(bool after_reset) override;
  HRESULT ApplyRole(const GUID& guid, SHARINGCONNECTIONTYPE type) override;
  HRESULT RemoveRole(const GUID& guid) override;
  services::SharingRoles LoadRoles() override;
  HRESULT SaveRoles(const services::SharingRoles& roles) override;
  std::optional<GUID> InternetConnection() override;

 private:
  // One device with its active connection, as NetworkManager has them now.
  struct Entry {
    services::SharingConnection connection;
    bool default_route = false;  // carries the IPv4 default route
    bool our_hotspot = false;    // our access point, activated
  };

  // nullopt when NetworkManager cannot be read. `lock_` held.
  std::optional<std::vector<Entry>> ReadLocked();
  bool IsOurHotspotLocked(const std::string& settings_path);

  const std::chrono::milliseconds call_timeout_;
  std::mutex lock_;
  std::unique_ptr<sdbus::IConnection> connection_;
};

}  // namespace platform::nm
