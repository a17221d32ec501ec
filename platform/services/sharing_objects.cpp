#include "platform/services/sharing_objects.h"

#include <cstring>
#include <new>

namespace platform::services {

namespace {

std::atomic<long> g_outstanding_properties{0};

// Identifiers of the connection objects and their property pages.
constexpr GUID kLanConnectionClsid = {0x3E8A6C21,
                                      0x5F07,
                                      0x4D9B,
                                      {0x8C, 0x2A, 0x61, 0xB4, 0x0E, 0x95, 0x7D, 0x13}};
constexpr GUID kLanConnectionUiClsid = {0x3E8A6C22,
                                        0x5F07,
                                        0x4D9B,
                                        {0x8C, 0x2A, 0x61, 0xB4, 0x0E, 0x95, 0x7D, 0x13}};

WCHAR* CopyText(const std::u16string& text) {
  WCHAR* copy = new (std::nothrow) WCHAR[text.size() + 1];
  if (copy)
    std::memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
  return copy;
}

}  // namespace

NetConnectionObject::NetConnectionObject(std::shared_ptr<SharingCore> core,
                                         SharingConnection snapshot)
    : SharingObject(std::move(core), IID_INetConnection), snapshot_(std::move(snapshot)) {}

HRESULT NetConnectionObject::GetProperties(NETCON_PROPERTIES** properties) {
  if (!properties)
    return E_POINTER;
  *properties = nullptr;
  if (HRESULT hr = core_->TakeFault(SharingCall::kGetProperties))
    return hr;

  SharingConnection now = snapshot_;
  if (!snapshot_.transient) {
    std::optional<SharingConnection> live = core_->FindLive(snapshot_.guid);
    if (live)
      now = *live;
    else
      now.status = NCS_HARDWARE_NOT_PRESENT;
  }
  DWORD character = NCCF_ALL_USERS | NCCF_ALLOW_RENAME;
  if (now.media_type == NCM_LAN)
    character |= NCCF_HOMENET_CAPABLE;
  std::optional<SHARINGCONNECTIONTYPE> role = core_->Role(now.guid);
  if (role)
    character |= *role == ICSSHARINGTYPE_PUBLIC ? NCCF_SHARED : NCCF_SHARED_PRIVATE;

  auto* record = new (std::nothrow) NETCON_PROPERTIES{};
  if (!record)
    return E_OUTOFMEMORY;
  g_outstanding_properties.fetch_add(1, std::memory_order_relaxed);
  record->guidId = now.guid;
  record->pszwName = CopyText(now.name);
  record->pszwDeviceName = CopyText(now.device_name);
  record->Status = now.status;
  record->MediaType = now.media_type;
  record->dwCharacter = character;
  record->clsidThisObject = kLanConnectionClsid;
  record->clsidUiObject = kLanConnectionUiClsid;
  if (!record->pszwName || !record->pszwDeviceName) {
    FreeProperties(record);
    return E_OUTOFMEMORY;
  }
  *properties = record;
  return S_OK;
}

void NetConnectionObject::FreeProperties(NETCON_PROPERTIES* properties) {
  if (!properties)
    return;
  delete[] properties->pszwName;
  delete[] properties->pszwDeviceName;
  delete properties;
  g_outstanding_properties.fetch_sub(1, std::memory_order_relaxed);
}

long NetConnectionObject::Outstanding() {
  return g_outstanding_properties.load(std::memory_order_relaxed);
}

SharingConfigurationObject::SharingConfigurationObject(std::shared_ptr<SharingCore> core,
                                                       const GUID& guid)
    : SharingObject(std::move(core), IID_INetSharingConfiguration), guid_(guid) {}

HRESULT SharingConfigurationObject::get_SharingEnabled(VARIANT_BOOL* enabled) {
  if (!enabled)
    return E_POINTER;
  if (HRESULT hr = core_->TakeFault(SharingCall::kGetSharingEnabled))
    return hr;
  *enabled = core_->Role(guid_) ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT SharingConfigurationObject::get_SharingConnectionType(SHARINGCONNECTIONTYPE* type) {
  if (!type)
    return E_POINTER;
  if (HRESULT hr = core_->TakeFault(SharingCall::kGetSharingConnectionType))
    return hr;
  std::optional<SHARINGCONNECTIONTYPE> role = core_->Role(guid_);
  if (!role)
    return E_UNEXPECTED;
  *type = *role;
  return S_OK;
}

HRESULT SharingConfigurationObject::DisableSharing() {
  if (HRESULT hr = core_->TakeFault(SharingCall::kDisableSharing))
    return hr;
  return core_->DisableSharing(guid_);
}

HRESULT SharingConfigurationObject::EnableSharing(SHARINGCONNECTIONTYPE type) {
  if (HRESULT hr = core_->TakeFault(SharingCall::kEnableSharing))
    return hr;
  return core_->EnableSharing(guid_, type);
}

EnumEveryConnectionObject::EnumEveryConnectionObject(std::shared_ptr<SharingCore> core)
    : SharingObject(std::move(core), IID_IEnumNetSharingEveryConnection),
      list_(core_->ListForEnumerator(false)) {}

HRESULT EnumEveryConnectionObject::Next(ULONG count, VARIANT* items, ULONG* fetched) {
  if (fetched)
    *fetched = 0;
  if (!items || (count > 1 && !fetched))
    return E_POINTER;
  if (HRESULT hr = core_->TakeFault(SharingCall::kNext))
    return hr;
  std::lock_guard<std::mutex> hold(lock_);
  ULONG filled = 0;
  for (; filled < count && position_ < list_.size(); ++filled, ++position_) {
    auto* connection = new (std::nothrow) NetConnectionObject(core_, list_[position_]);
    if (!connection) {
      for (ULONG i = 0; i < filled; ++i)
        VariantClear(&items[i]);
      return E_OUTOFMEMORY;
    }
    items[filled].vt = VT_UNKNOWN;
    items[filled].punkVal = static_cast<INetConnection*>(connection);
  }
  if (fetched)
    *fetched = filled;
  return filled == count ? S_OK : S_FALSE;
}

HRESULT EnumEveryConnectionObject::Reset() {
  if (HRESULT hr = core_->TakeFault(SharingCall::kReset))
    return hr;
  std::vector<SharingConnection> list = core_->ListForEnumerator(true);
  std::lock_guard<std::mutex> hold(lock_);
  list_ = std::move(list);
  position_ = 0;
  return S_OK;
}

EveryConnectionCollectionObject::EveryConnectionCollectionObject(std::shared_ptr<SharingCore> core)
    : SharingObject(std::move(core), IID_INetSharingEveryConnectionCollection) {}

HRESULT EveryConnectionCollectionObject::get__NewEnum(IUnknown** enumerator) {
  if (!enumerator)
    return E_POINTER;
  *enumerator = nullptr;
  if (HRESULT hr = core_->TakeFault(SharingCall::kNewEnum))
    return hr;
  auto* object = new (std::nothrow) EnumEveryConnectionObject(core_);
  if (!object)
    return E_OUTOFMEMORY;
  *enumerator = static_cast<IUnknown*>(object);
  return S_OK;
}

SharingManagerObject::SharingManagerObject(std::shared_ptr<SharingCore> core)
    : SharingObject(std::move(core), IID_INetSharingManager) {}

HRESULT SharingManagerObject::get_SharingInstalled(VARIANT_BOOL* installed) {
  if (!installed)
    return E_POINTER;
  if (HRESULT hr = core_->TakeFault(SharingCall::kGetSharingInstalled))
    return hr;
  *installed = core_->installed() ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT SharingManagerObject::get_EnumEveryConnection(
    INetSharingEveryConnectionCollection** collection) {
  if (!collection)
    return E_POINTER;
  *collection = nullptr;
  if (HRESULT hr = core_->TakeFault(SharingCall::kGetEnumEveryConnection))
    return hr;
  auto* object = new (std::nothrow) EveryConnectionCollectionObject(core_);
  if (!object)
    return E_OUTOFMEMORY;
  *collection = object;
  return S_OK;
}

HRESULT SharingManagerObject::get_INetSharingConfigurationForINetConnection(
    INetConnection* connection,
    INetSharingConfiguration** configuration) {
  if (!configuration)
    return E_POINTER;
  *configuration = nullptr;
  if (!connection)
    return E_POINTER;
  if (HRESULT hr = core_->TakeFault(SharingCall::kGetConfiguration))
    return hr;
  auto* ours = dynamic_cast<NetConnectionObject*>(connection);
  if (!ours)
    return E_INVALIDARG;
  auto* object = new (std::nothrow) SharingConfigurationObject(core_, ours->guid());
  if (!object)
    return E_OUTOFMEMORY;
  *configuration = object;
  return S_OK;
}

}  // namespace platform::services
