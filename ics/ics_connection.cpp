#include "ics/ics_connection.h"

#include <new>

#include "ics/ics_manager.h"
#include "ics/netshell_binding.h"

namespace ics {

using platform::ICSSHARINGTYPE_PRIVATE;
using platform::ICSSHARINGTYPE_PUBLIC;
using platform::VARIANT_TRUE;

CIcsConnection::~CIcsConnection() = default;

HRESULT CIcsConnection::Attach(CIcsManager* manager,
                               platform::INetConnection* connection,
                               int index) {
  if (manager_)
    return E_UNEXPECTED;
  if (!manager || !connection)
    return E_INVALIDARG;
  manager_ = manager;
  index_ = index;
  connection_ = platform::ComPtr<platform::INetConnection>(connection);

  platform::NETCON_PROPERTIES* properties = nullptr;
  HRESULT hr = connection_->GetProperties(&properties);
  if (FAILED(hr))
    return hr;
  if (!properties)
    return E_POINTER;

  hr = CopyProperties(*properties);
  if (SUCCEEDED(hr)) {
    if (properties->MediaType != platform::NCM_LAN ||
        properties->Status == platform::NCS_DISCONNECTED) {
      hr = S_FALSE;
    } else {
      connected_ = properties->Status == platform::NCS_CONNECTED;
      hr = manager_->service_manager()->get_INetSharingConfigurationForINetConnection(
          connection_.get(), configuration_.Receive());
      if (SUCCEEDED(hr))
        hr = RefreshState();
      if (SUCCEEDED(hr)) {
        sharable_ = true;
        hr = S_OK;
      }
    }
  }
  FreeNetconProperties(properties);
  return hr;
}

HRESULT CIcsConnection::CopyProperties(const platform::NETCON_PROPERTIES& properties) {
  try {
    name_ = properties.pszwName ? properties.pszwName : u"";
    device_name_ = properties.pszwDeviceName ? properties.pszwDeviceName : u"";
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  guid_ = properties.guidId;
  status_ = properties.Status;
  media_type_ = properties.MediaType;
  character_ = properties.dwCharacter;
  clsid_this_object_ = properties.clsidThisObject;
  clsid_ui_object_ = properties.clsidUiObject;
  return S_OK;
}

HRESULT CIcsConnection::RefreshState() {
  if (!configuration_)
    return E_UNEXPECTED;
  platform::VARIANT_BOOL enabled = platform::VARIANT_FALSE;
  HRESULT hr = configuration_->get_SharingEnabled(&enabled);
  if (FAILED(hr))
    return hr;
  public_ = false;
  private_ = false;
  enabled_ = enabled == VARIANT_TRUE;
  if (enabled_) {
    platform::SHARINGCONNECTIONTYPE type = ICSSHARINGTYPE_PUBLIC;
    hr = configuration_->get_SharingConnectionType(&type);
    if (FAILED(hr))
      return hr;
    public_ = type == ICSSHARINGTYPE_PUBLIC;
    private_ = type == ICSSHARINGTYPE_PRIVATE;
  }
  return hr;
}

HRESULT CIcsConnection::DisableIfShared() {
  HRESULT hr = RefreshState();
  if (FAILED(hr))
    return hr;
  if (!enabled_)
    return S_FALSE;
  hr = DisableSharing();
  if (SUCCEEDED(hr))
    RefreshState();
  return hr;
}

HRESULT CIcsConnection::EnableSharing(platform::SHARINGCONNECTIONTYPE type) {
  if (!configuration_)
    return E_UNEXPECTED;
  return configuration_->EnableSharing(type);
}

HRESULT CIcsConnection::DisableSharing() {
  if (!configuration_)
    return E_UNEXPECTED;
  return configuration_->DisableSharing();
}

}  // namespace ics
