// CIcsConnection: one entry of the sharing manager's connection table: the service's connection,
// its sharing configuration when it can be shared, a copy of its properties and the sharing flags
// as last read.
//
// Worker thread only. Owned by the CIcsManager's table; the manager pointer is not owned.
#pragma once

#include <string>

#include "platform/sharing.h"
#include "platform/sharing_ptr.h"

namespace ics {

class CIcsManager;

class CIcsConnection {
 public:
  CIcsConnection() = default;
  CIcsConnection(const CIcsConnection&) = delete;
  CIcsConnection& operator=(const CIcsConnection&) = delete;
  ~CIcsConnection();

  // Fills the entry from `connection` (taking a reference of its own). Returns S_OK for a
  // sharable connection; S_FALSE for one that is not of media type NCM_LAN or is disconnected
  // (listed, never sharable); E_UNEXPECTED when already attached; E_INVALIDARG without a manager
  // or connection; E_OUTOFMEMORY when the properties cannot be copied; or the service's failure.
  // The properties record is freed through the netshell binding whenever it was obtained.
  HRESULT Attach(CIcsManager* manager, platform::INetConnection* connection, int index);

  // Re-reads enabled, public and private from the configuration. Returns the service's failure,
  // or E_UNEXPECTED for an entry without a configuration.
  HRESULT RefreshState();
  // Switches sharing off when it is on. Returns S_FALSE when it was off, the DisableSharing
  // result otherwise, or a failure of the first refresh.
  HRESULT DisableIfShared();
  // The configuration's EnableSharing, for the manager. E_UNEXPECTED without a configuration.
  HRESULT EnableSharing(platform::SHARINGCONNECTIONTYPE type);
  // The configuration's DisableSharing, for the manager. E_UNEXPECTED without a configuration.
  HRESULT DisableSharing();

  CIcsManager* manager() const { return manager_; }
  int index() const { return index_; }
  bool enabled() const { return enabled_; }
  bool is_public() const { return public_; }
  bool is_private() const { return private_; }
  bool sharable() const { return sharable_; }
  bool connected() const { return connected_; }

  const GUID& guid() const { return guid_; }
  const std::u16string& name() const { return name_; }
  const std::u16string& device_name() const { return device_name_; }
  platform::NETCON_STATUS status() const { return status_; }
  platform::NETCON_MEDIATYPE media_type() const { return media_type_; }
  DWORD character() const { return character_; }
  const GUID& clsid_this_object() const { return clsid_this_object_; }
  const GUID& clsid_ui_object() const { return clsid_ui_object_; }

 private:
  HRESULT CopyProperties(const platform::NETCON_PROPERTIES& properties);

  // Declaration order is release order in reverse: the texts go first, then the configuration,
  // then the connection.
  CIcsManager* manager_ = nullptr;
  platform::ComPtr<platform::INetConnection> connection_;
  platform::ComPtr<platform::INetSharingConfiguration> configuration_;
  int index_ = 0;
  bool enabled_ = false;
  bool public_ = false;
  bool private_ = false;
  bool sharable_ = false;
  bool connected_ = false;

  GUID guid_{};
  std::u16string name_;
  std::u16string device_name_;
  platform::NETCON_STATUS status_ = platform::NCS_DISCONNECTED;
  platform::NETCON_MEDIATYPE media_type_ = platform::NCM_NONE;
  DWORD character_ = 0;
  GUID clsid_this_object_{};
  GUID clsid_ui_object_{};
};

}  // namespace ics
