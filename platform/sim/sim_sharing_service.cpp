#include "platform/sim/sim_sharing_service.h"

#include <mutex>
#include <new>

#include "platform/sharing_ptr.h"
#include "platform/sim/sim_sharing_objects.h"

namespace platform::sim {

// The backend "module": one per service, counted like a loaded library.
class SimSharingService::Module : public SharingBackendModule {
 public:
  mutable std::mutex lock;
  int loads = 0;
  DWORD load_error = 0;
  DWORD lookup_error = 0;
};

SimSharingService::SimSharingService(HostedNetworkView& view, std::filesystem::path state_dir)
    : core_(std::make_shared<SharingCore>(view, std::move(state_dir))),
      module_(std::make_unique<Module>()) {}

SimSharingService::~SimSharingService() = default;

HRESULT SimSharingService::CreateInstance(REFCLSID clsid,
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
  auto* manager = new (std::nothrow) SimSharingManager(core_);
  if (!manager)
    return E_OUTOFMEMORY;
  ComPtr<INetSharingManager> hold = ComPtr<INetSharingManager>::Adopt(manager);
  return hold->QueryInterface(iid, object);
}

SharingBackendModule* SimSharingService::LoadBackend(std::u16string_view file, DWORD* error) {
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

PFN_NcFreeNetconProperties SimSharingService::GetBackendProc(SharingBackendModule* module,
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
  return &SimNetConnection::FreeProperties;
}

void SimSharingService::FreeBackend(SharingBackendModule* module) {
  std::lock_guard<std::mutex> hold(module_->lock);
  if (module == module_.get() && module_->loads > 0)
    --module_->loads;
}

void SimSharingService::FailCall(SharingCall call, HRESULT code, int times, int after) {
  core_->FailCall(call, code, times, after);
}

void SimSharingService::ClearFaults() {
  core_->ClearFaults();
  std::lock_guard<std::mutex> hold(module_->lock);
  module_->load_error = 0;
  module_->lookup_error = 0;
}

int SimSharingService::CallCount(SharingCall call) const {
  return core_->CallCount(call);
}

void SimSharingService::SetInstalled(bool installed) {
  core_->SetInstalled(installed);
}

void SimSharingService::SetBackendLoadError(DWORD error) {
  std::lock_guard<std::mutex> hold(module_->lock);
  module_->load_error = error;
}

void SimSharingService::SetBackendLookupError(DWORD error) {
  std::lock_guard<std::mutex> hold(module_->lock);
  module_->lookup_error = error;
}

int SimSharingService::LoadedBackendCount() const {
  std::lock_guard<std::mutex> hold(module_->lock);
  return module_->loads;
}

void SimSharingService::ListMoreAfterNextReset(int extra) {
  core_->ListMoreAfterNextReset(extra);
}

void SimSharingService::SetStatus(const GUID& guid, NETCON_STATUS status) {
  core_->SetStatus(guid, status);
}

void SimSharingService::AddConnection(SimConnection connection) {
  core_->AddConnection(std::move(connection));
}

void SimSharingService::RemoveConnection(const GUID& guid) {
  core_->RemoveConnection(guid);
}

std::vector<SimConnection> SimSharingService::Connections() const {
  return core_->Connections();
}

std::optional<SHARINGCONNECTIONTYPE> SimSharingService::Role(const GUID& guid) const {
  return core_->Role(guid);
}

std::filesystem::path SimSharingService::StateFile() const {
  return core_->StateFile();
}

bool SimSharingService::StateFileDamaged() const {
  return core_->StateFileDamaged();
}

long SimSharingService::OutstandingProperties() {
  return SimNetConnection::Outstanding();
}

}  // namespace platform::sim
