#include "ics/ics_manager.h"

#include <new>

#include "ics/netshell_binding.h"

namespace ics {

using platform::ComPtr;
using platform::ICSSHARINGTYPE_PRIVATE;
using platform::ICSSHARINGTYPE_PUBLIC;

CIcsManager::CIcsManager(platform::SharingService& service) : service_(service) {}

CIcsManager::~CIcsManager() {
  DestroyTable();
  sharing_manager_.reset();
}

void CIcsManager::DestroyTable() {
  table_.reset();
  count_ = 0;
}

HRESULT CIcsManager::EnumerateConnections() {
  if (sharing_manager_)
    return E_UNEXPECTED;
  void* object = nullptr;
  HRESULT hr =
      service_.CreateInstance(platform::CLSID_NetSharingManager, nullptr, platform::CLSCTX_ALL,
                              platform::IID_INetSharingManager, &object);
  if (FAILED(hr))
    return hr;
  sharing_manager_ = ComPtr<platform::INetSharingManager>::Adopt(
      static_cast<platform::INetSharingManager*>(object));
  if (!sharing_manager_)
    return E_POINTER;

  platform::VARIANT_BOOL installed = platform::VARIANT_FALSE;
  hr = sharing_manager_->get_SharingInstalled(&installed);
  if (FAILED(hr))
    return hr;
  sharing_installed_ = installed == platform::VARIANT_TRUE;
  if (!sharing_installed_)
    return E_UNEXPECTED;

  ComPtr<platform::INetSharingEveryConnectionCollection> collection;
  hr = sharing_manager_->get_EnumEveryConnection(collection.Receive());
  if (FAILED(hr))
    return hr;
  ComPtr<platform::IUnknown> unknown;
  hr = collection->get__NewEnum(unknown.Receive());
  if (FAILED(hr))
    return hr;
  ComPtr<platform::IEnumNetSharingEveryConnection> enumerator;
  hr =
      platform::QueryInto(unknown.get(), platform::IID_IEnumNetSharingEveryConnection, &enumerator);
  if (FAILED(hr))
    return hr;

  // The count lives in a local until the table exists: count_ must never exceed the table.
  DestroyTable();
  int counted = 0;
  hr = CountConnections(enumerator.get(), &counted);
  if (FAILED(hr))
    return hr;
  hr = enumerator->Reset();
  if (FAILED(hr))
    return hr;
  if (counted == 0)
    return S_OK;

  table_.reset(new (std::nothrow) CIcsConnection[static_cast<size_t>(counted)]);
  if (!table_)
    return E_OUTOFMEMORY;
  count_ = counted;
  return FillTable(enumerator.get());
}

HRESULT CIcsManager::CountConnections(platform::IEnumNetSharingEveryConnection* enumerator,
                                      int* counted) {
  platform::VARIANT item;
  while (true) {
    ULONG fetched = 0;
    HRESULT hr = enumerator->Next(1, &item, &fetched);
    platform::VariantClear(&item);
    if (FAILED(hr))
      return hr;
    if (hr != S_OK)
      return S_OK;
    ++*counted;
  }
}

HRESULT CIcsManager::FillTable(platform::IEnumNetSharingEveryConnection* enumerator) {
  HRESULT hr = S_OK;
  platform::VARIANT item;
  ComPtr<platform::INetConnection> connection;
  for (int index = 0;; ++index) {
    connection.reset();
    platform::VariantClear(&item);
    ULONG fetched = 0;
    hr = enumerator->Next(1, &item, &fetched);
    if (FAILED(hr))
      break;
    if (hr != S_OK) {
      hr = S_OK;
      break;
    }
    if (index >= count_) {
      hr = E_UNEXPECTED;
      break;
    }
    hr = item.vt == platform::VT_UNKNOWN
             ? platform::QueryInto(item.punkVal, platform::IID_INetConnection, &connection)
             : E_NOINTERFACE;
    if (FAILED(hr))
      break;
    // S_FALSE (listed, not sharable) is no failure.
    hr = table_[index].Attach(this, connection.get(), index);
    if (FAILED(hr))
      break;
  }
  platform::VariantClear(&item);
  return hr;
}

HRESULT CIcsManager::ResetConnections() {
  DestroyTable();
  sharing_manager_.reset();
  return EnumerateConnections();
}

void CIcsManager::DisableAllSharing() {
  for (int i = 0; i < count_; ++i) {
    CIcsConnection& entry = table_[i];
    if (!entry.sharable())
      continue;
    if (FAILED(entry.RefreshState()))
      continue;
    if (entry.enabled() && SUCCEEDED(entry.DisableSharing()))
      entry.RefreshState();
  }
}

HRESULT CIcsManager::FindConnection(const GUID& guid, int* index) const {
  if (count_ <= 0)
    return E_INVALIDARG;
  for (int i = 0; i < count_; ++i) {
    if (table_[i].sharable() && table_[i].guid() == guid) {
      if (index)
        *index = i;
      return S_OK;
    }
  }
  return E_INVALIDARG;
}

HRESULT CIcsManager::ShareInternet(const GUID& public_guid, const GUID& private_guid) {
  int public_index = 0;
  int private_index = 0;
  HRESULT hr = FindConnection(public_guid, &public_index);
  if (FAILED(hr))
    return hr;
  hr = FindConnection(private_guid, &private_index);
  if (FAILED(hr))
    return hr;
  CIcsConnection& public_entry = table_[public_index];
  CIcsConnection& private_entry = table_[private_index];

  public_entry.RefreshState();
  private_entry.RefreshState();
  if (public_entry.enabled() && public_entry.is_public() && private_entry.enabled() &&
      private_entry.is_private()) {
    return S_OK;
  }

  DisableAllSharing();

  hr = public_entry.DisableIfShared();
  if (FAILED(hr))
    return hr;
  hr = public_entry.EnableSharing(ICSSHARINGTYPE_PUBLIC);
  if (FAILED(hr))
    return hr;
  public_entry.RefreshState();

  hr = private_entry.DisableIfShared();
  if (FAILED(hr))
    return hr;
  hr = private_entry.EnableSharing(ICSSHARINGTYPE_PRIVATE);
  if (SUCCEEDED(hr))
    private_entry.RefreshState();
  return hr;
}

void CIcsManager::GetConnectionInfos(CRefObjectList<CIcsConnectionInfo>& list) const {
  list.RemoveAll();
  for (int i = 0; i < count_; ++i) {
    // An entry the second pass never reached is no connection.
    if (!table_[i].manager())
      continue;
    CIcsConnectionInfo* info = nullptr;
    try {
      info = new CIcsConnectionInfo(table_[i]);
    } catch (const std::bad_alloc&) {
      return;
    }
    list.AddTail(info);
  }
}

HRESULT InitSharingManager(platform::SharingService& service,
                           std::unique_ptr<CIcsManager>* manager) {
  HRESULT hr = BindNetshell(service);
  if (hr != S_OK)
    return hr;
  std::unique_ptr<CIcsManager> created(new (std::nothrow) CIcsManager(service));
  if (!created) {
    UnbindNetshell();
    return E_OUTOFMEMORY;
  }
  hr = created->EnumerateConnections();
  if (hr != S_OK) {
    created.reset();
    UnbindNetshell();
    return hr;
  }
  *manager = std::move(created);
  return S_OK;
}

}  // namespace ics
