// CIcsManager: the table of the machine's connections as the sharing service sees them, and the
// two things done with it: switch sharing off everywhere, and share a public connection (the one
// that reaches the Internet) onto a private one (the hosted network's virtual adapter).
//
// The table is taken once by EnumerateConnections and only replaced by ResetConnections; the
// sharing flags of an entry are re-read before every decision.
//
// Worker thread only, no locks. The service is not owned and must outlive the manager.
#pragma once

#include <memory>

#include "base/ref_object_list.h"
#include "ics/ics_connection.h"
#include "ics/ics_connection_info.h"
#include "platform/sharing.h"
#include "platform/sharing_ptr.h"

namespace ics {

class CIcsManager {
 public:
  explicit CIcsManager(platform::SharingService& service);
  CIcsManager(const CIcsManager&) = delete;
  CIcsManager& operator=(const CIcsManager&) = delete;
  // Destroys the table and releases the service's manager.
  ~CIcsManager();

  // Creates the service's manager and builds the table. Returns S_OK (an empty table when there
  // are no connections); E_UNEXPECTED when a service manager is already held, sharing is not
  // installed, or the second pass lists more connections than the first; E_OUTOFMEMORY; or a
  // failure of the service. After a failure part-way the entries filled so far stay.
  HRESULT EnumerateConnections();
  // Drops the table and the service's manager and enumerates afresh.
  HRESULT ResetConnections();

  // Switches sharing off on every sharable entry. Failures are skipped, not reported.
  void DisableAllSharing();
  // The table index of the first sharable entry with this GUID, or E_INVALIDARG.
  HRESULT FindConnection(const GUID& guid, int* index) const;
  // Shares `public_guid` onto `private_guid`, the public side first. Returns S_OK at once when
  // that is already so; otherwise the result of the last EnableSharing, or the first failure.
  // A failure part-way leaves sharing as far as it got.
  HRESULT ShareInternet(const GUID& public_guid, const GUID& private_guid);
  // The service's own choice of the connection to share out, when it makes one: S_OK and
  // *guid set; otherwise S_FALSE and *guid untouched.
  HRESULT FindInternetConnection(GUID* guid) { return service_.FindInternetConnection(guid); }

  // Replaces the list's contents with one snapshot per table entry (the list owns them). Stops
  // early, keeping what it has, when memory runs out.
  void GetConnectionInfos(CRefObjectList<CIcsConnectionInfo>& list) const;

  bool sharing_installed() const { return sharing_installed_; }
  int connection_count() const { return count_; }
  // Entry `index` of the table (0 <= index < connection_count()).
  CIcsConnection& connection(int index) const { return table_[index]; }
  // The service's manager, for the entries; null before EnumerateConnections.
  platform::INetSharingManager* service_manager() const { return sharing_manager_.get(); }

 private:
  void DestroyTable();
  // The counting pass: connections up to the enumerator's end.
  static HRESULT CountConnections(platform::IEnumNetSharingEveryConnection* enumerator,
                                  int* counted);
  // The filling pass: attaches one entry per connection; entries filled before a failure stay.
  HRESULT FillTable(platform::IEnumNetSharingEveryConnection* enumerator);

  platform::SharingService& service_;
  platform::ComPtr<platform::INetSharingManager> sharing_manager_;
  std::unique_ptr<CIcsConnection[]> table_;
  bool sharing_installed_ = false;
  // Always the number of entries in table_, so no walk can run past it.
  int count_ = 0;
};

// Binds netshell, creates a manager on `service` and enumerates. On S_OK `*manager` holds the new
// manager (replacing any earlier one). Otherwise returns the binding's failure, E_OUTOFMEMORY or
// the enumeration's result, and leaves netshell unbound and `*manager` as it was.
HRESULT InitSharingManager(platform::SharingService& service,
                           std::unique_ptr<CIcsManager>* manager);

}  // namespace ics
