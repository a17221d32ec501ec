#include "platform/services/sharing_service.h"

#include <mutex>
#include <new>

#include "platform/services/sharing_objects.h"
#include "platform/sharing_ptr.h"

namespace platform::services {

// The backend "module": one per service, counted like a loaded library.
class ConnectionSharingService::Module : public SharingBackendModule {
 public:
  mutable std::mutex lock;
  int loads = 0;
  DWORD load_error = 0;
  DWORD lookup_error = 0;
};

ConnectionSharingService::ConnectionSharingService(std::unique_ptr<SharingDriver> driver)
    : core_(std::make_shared<SharingCore>(std::move(driver))),
      module_(std::make_unique<Module>()) {}

ConnectionSharingService::~ConnectionSharingService() = default;

HRESULT ConnectionSharingService::CreateInstance(REFCLSID clsid,
                                                 IUnknown* outer,
                                                 DWORD /*context*/,
                                                 REFIID iid,
                                                 void** object) {
  if (!object)
    return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_NetSharingManager)
    return REGDB_E_CLASSNOTREG;
  if (outer)
    return CLASS_E_NOAGGREGATION;
  if (HRESULT hr = core_->TakeFault(SharingCall::kCreateInstance))
    return hr;
  auto* manager = new (std::nothrow) SharingManagerObject(core_);
  if (!manager)
    return E_OUTOFMEMORY;
  ComPtr<INetSharingManager> hold = ComPtr<INetSharingManager>::Adopt(manager);
  return hold->QueryInterface(iid, object);
}

SharingBackendModule* ConnectionSharingService::LoadBackend(std::u16string_view file,
                                                            DWORD* error) {
  std::lock_guard<std::mutex> hold(module_->lock);
  DWORD failure = file == u"netshell.dll" ? module_->load_error : ERROR_MOD_NOT_FOUND;
  if (failure) {
    if (error)
      *error = failure;
    return nullptr;
  }
  ++module_->loads;
  return module_.get();
}

PFN_NcFreeNetconProperties ConnectionSharingService::GetBackendProc(SharingBackendModule* module,
                                                                    std::string_view name,
                                                                    DWORD* error) {
  std::lock_guard<std::mutex> hold(module_->lock);
  DWORD failure = 0;
  if (module != module_.get() || module_->loads == 0)
    failure = ERROR_INVALID_HANDLE;
  else if (name != "NcFreeNetconProperties")
    failure = ERROR_PROC_NOT_FOUND;
  else
    failure = module_->lookup_error;
  if (failure) {
    if (error)
      *error = failure;
    return nullptr;
  }
  return &NetConnectionObject::FreeProperties;
}

void ConnectionSharingService::FreeBackend(SharingBackendModule* module) {
  std::lock_guard<std::mutex> hold(module_->lock);
  if (module == module_.get() && module_->loads > 0)
    --module_->loads;
}

void ConnectionSharingService::FailCall(SharingCall call, HRESULT code, int times, int after) {
  core_->FailCall(call, code, times, after);
}

void ConnectionSharingService::ClearFaults() {
  core_->ClearFaults();
  std::lock_guard<std::mutex> hold(module_->lock);
  module_->load_error = 0;
  module_->lookup_error = 0;
}

int ConnectionSharingService::CallCount(SharingCall call) const {
  return core_->CallCount(call);
}

void ConnectionSharingService::SetInstalled(bool installed) {
  core_->SetInstalled(installed);
}

void ConnectionSharingService::SetBackendLoadError(DWORD error) {
  std::lock_guard<std::mutex> hold(module_->lock);
  module_->load_error = error;
}

void ConnectionSharingService::SetBackendLookupError(DWORD error) {
  std::lock_guard<std::mutex> hold(module_->lock);
  module_->lookup_error = error;
}

int ConnectionSharingService::LoadedBackendCount() const {
  std::lock_guard<std::mutex> hold(module_->lock);
  return module_->loads;
}

std::vector<SharingConnection> ConnectionSharingService::Connections() const {
  return core_->Connections();
}

std::optional<SHARINGCONNECTIONTYPE> ConnectionSharingService::Role(const GUID& guid) const {
  return core_->Role(guid);
}

long ConnectionSharingService::OutstandingProperties() {
  return NetConnectionObject::Outstanding();
}

HRESULT ConnectionSharingService::FindInternetConnection(GUID* guid) {
  if (!guid)
    return E_POINTER;
  const std::optional<GUID> found = core_->InternetConnection();
  if (!found)
    return S_FALSE;
  *guid = *found;
  return S_OK;
}

}  // namespace platform::services
