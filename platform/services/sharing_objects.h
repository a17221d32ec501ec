// The interfaces that the connection-sharing service hands out. Each holds the shared core,
// keeps its own atomic reference count and deletes itself at zero. Used only by
// sharing_service.cpp and tests.
//
// Thread-safe: the enumerator guards its position with a lock of its own; the others hold no
// mutable state outside the core.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/services/sharing_core.h"
#include "platform/sharing.h"

namespace platform::services {

template <class Interface>
class SharingObject : public Interface {
 public:
  SharingObject(std::shared_ptr<SharingCore> core, REFIID iid)
      : core_(std::move(core)), iid_(iid) {}

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object)
      return E_POINTER;
    if (iid == IID_IUnknown) {
      *object = static_cast<IUnknown*>(this);
    } else if (iid == iid_) {
      *object = static_cast<Interface*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
  ULONG Release() override {
    ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0)
      delete this;
    return left;
  }

 protected:
  const std::shared_ptr<SharingCore> core_;

 private:
  const GUID iid_;
  std::atomic<ULONG> refs_{1};
};

class NetConnectionObject : public SharingObject<INetConnection> {
 public:
  NetConnectionObject(std::shared_ptr<SharingCore> core, SharingConnection snapshot);
  HRESULT GetProperties(NETCON_PROPERTIES** properties) override;
  const GUID& guid() const { return snapshot_.guid; }

  // The backend export that frees what GetProperties allocated, and the number of records
  // allocated and not yet freed in this process.
  static void FreeProperties(NETCON_PROPERTIES* properties);
  static long Outstanding();

 private:
  const SharingConnection snapshot_;
};

class SharingConfigurationObject : public SharingObject<INetSharingConfiguration> {
 public:
  SharingConfigurationObject(std::shared_ptr<SharingCore> core, const GUID& guid);
  HRESULT get_SharingEnabled(VARIANT_BOOL* enabled) override;
  HRESULT get_SharingConnectionType(SHARINGCONNECTIONTYPE* type) override;
  HRESULT DisableSharing() override;
  HRESULT EnableSharing(SHARINGCONNECTIONTYPE type) override;

 private:
  const GUID guid_;
};

class EnumEveryConnectionObject : public SharingObject<IEnumNetSharingEveryConnection> {
 public:
  explicit EnumEveryConnectionObject(std::shared_ptr<SharingCore> core);
  HRESULT Next(ULONG count, VARIANT* items, ULONG* fetched) override;
  HRESULT Reset() override;

 private:
  std::mutex lock_;
  std::vector<SharingConnection> list_;
  size_t position_ = 0;
};

class EveryConnectionCollectionObject : public SharingObject<INetSharingEveryConnectionCollection> {
 public:
  explicit EveryConnectionCollectionObject(std::shared_ptr<SharingCore> core);
  HRESULT get__NewEnum(IUnknown** enumerator) override;
};

class SharingManagerObject : public SharingObject<INetSharingManager> {
 public:
  explicit SharingManagerObject(std::shared_ptr<SharingCore> core);
  HRESULT get_SharingInstalled(VARIANT_BOOL* installed) override;
  HRESULT get_EnumEveryConnection(INetSharingEveryConnectionCollection** collection) override;
  HRESULT get_INetSharingConfigurationForINetConnection(
      INetConnection* connection,
      INetSharingConfiguration** configuration) override;
};

}  // namespace platform::services
