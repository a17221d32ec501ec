#include "platform/services/sharing_core.h"

#include <algorithm>

namespace platform::services {

namespace {

constexpr std::array<std::string_view, kSharingCallCount> kCallNames = {
    "CoCreateInstance",
    "get_SharingInstalled",
    "get_EnumEveryConnection",
    "get__NewEnum",
    "Next",
    "Reset",
    "GetProperties",
    "get_INetSharingConfigurationForINetConnection",
    "get_SharingEnabled",
    "get_SharingConnectionType",
    "EnableSharing",
    "DisableSharing",
};

}  // namespace

std::string_view SharingCallName(SharingCall call) {
  return kCallNames[static_cast<size_t>(call)];
}

std::optional<SharingCall> SharingCallFromName(std::string_view name) {
  for (size_t i = 0; i < kCallNames.size(); ++i) {
    if (kCallNames[i] == name)
      return static_cast<SharingCall>(i);
  }
  return std::nullopt;
}

SharingCore::SharingCore(std::unique_ptr<SharingDriver> driver) : driver_(std::move(driver)) {
  roles_ = driver_->LoadRoles();
}

void SharingCore::FailCall(SharingCall call, HRESULT code, int times, int after) {
  std::lock_guard<std::mutex> hold(lock_);
  faults_[static_cast<size_t>(call)] = Fault{code, times, std::max(after, 0)};
}

void SharingCore::ClearFaults() {
  std::lock_guard<std::mutex> hold(lock_);
  faults_.fill(Fault{});
}

HRESULT SharingCore::TakeFault(SharingCall call) {
  std::lock_guard<std::mutex> hold(lock_);
  ++calls_[static_cast<size_t>(call)];
  Fault& fault = faults_[static_cast<size_t>(call)];
  if (fault.remaining == 0)
    return S_OK;
  if (fault.skip > 0) {
    --fault.skip;
    return S_OK;
  }
  if (fault.remaining > 0)
    --fault.remaining;
  return fault.code;
}

int SharingCore::CallCount(SharingCall call) const {
  std::lock_guard<std::mutex> hold(lock_);
  return calls_[static_cast<size_t>(call)];
}

void SharingCore::SetInstalled(bool installed) {
  std::lock_guard<std::mutex> hold(lock_);
  installed_ = installed;
}

bool SharingCore::installed() const {
  std::lock_guard<std::mutex> hold(lock_);
  return installed_;
}

std::vector<SharingConnection> SharingCore::Connections() const {
  return driver_->Connections(false);
}

std::optional<SharingConnection> SharingCore::FindLive(const GUID& guid) const {
  for (SharingConnection& connection : Connections()) {
    if (connection.guid == guid)
      return connection;
  }
  return std::nullopt;
}

std::vector<SharingConnection> SharingCore::ListForEnumerator(bool reset) {
  return driver_->Connections(reset);
}

std::optional<SHARINGCONNECTIONTYPE> SharingCore::Role(const GUID& guid) const {
  std::lock_guard<std::mutex> hold(lock_);
  auto role = roles_.find(guid);
  if (role == roles_.end())
    return std::nullopt;
  return role->second;
}

HRESULT SharingCore::EnableSharing(const GUID& guid, SHARINGCONNECTIONTYPE type) {
  if (type != ICSSHARINGTYPE_PUBLIC && type != ICSSHARINGTYPE_PRIVATE)
    return E_INVALIDARG;
  if (!FindLive(guid))
    return kConnectionGone;
  std::lock_guard<std::mutex> hold(lock_);
  // One public and one private connection at most; the service refuses rather than steals.
  for (const auto& [other, role] : roles_) {
    if (other != guid && role == type)
      return kSharingRoleTaken;
  }
  auto current = roles_.find(guid);
  if (current != roles_.end() && current->second == type)
    return S_OK;
  const bool had_role = current != roles_.end();
  const SHARINGCONNECTIONTYPE before = had_role ? current->second : type;
  if (HRESULT hr = driver_->ApplyRole(guid, type); FAILED(hr))
    return hr;
  SharingRoles roles = roles_;
  roles[guid] = type;
  if (HRESULT hr = driver_->SaveRoles(roles); FAILED(hr)) {
    // What is not stored must not be in force either: the next run would not know of it.
    if (had_role)
      driver_->ApplyRole(guid, before);
    else
      driver_->RemoveRole(guid);
    return hr;
  }
  roles_ = std::move(roles);
  return S_OK;
}

HRESULT SharingCore::DisableSharing(const GUID& guid) {
  std::lock_guard<std::mutex> hold(lock_);
  auto current = roles_.find(guid);
  if (current == roles_.end())
    return S_OK;
  const SHARINGCONNECTIONTYPE before = current->second;
  if (HRESULT hr = driver_->RemoveRole(guid); FAILED(hr))
    return hr;
  SharingRoles roles = roles_;
  roles.erase(guid);
  if (HRESULT hr = driver_->SaveRoles(roles); FAILED(hr)) {
    driver_->ApplyRole(guid, before);
    return hr;
  }
  roles_ = std::move(roles);
  return S_OK;
}

}  // namespace platform::services
