#include "platform/sim/sim_sharing_core.h"

#include <algorithm>
#include <cerrno>

namespace platform::sim {

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

HRESULT HresultFromErrno(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return E_ACCESSDENIED;
    case ENOMEM:
      return E_OUTOFMEMORY;
    default:
      return E_FAIL;
  }
}

}  // namespace

const GUID SharingCore::kWiredGuid = {0x7D1C5A3E,
                                      0x41B2,
                                      0x4C8F,
                                      {0x9A, 0x11, 0x52, 0x6E, 0x0B, 0x3D, 0xC4, 0x27}};

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

SharingCore::SharingCore(HostedNetworkView& view, std::filesystem::path state_dir)
    : view_(view), store_(std::move(state_dir)) {
  roles_ = store_.Load();
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

std::vector<SimConnection> SharingCore::ConnectionsLocked(
    const GUID& wireless,
    const std::optional<VirtualAdapterState>& adapter) const {
  std::vector<SimConnection> list;
  list.push_back({kWiredGuid, u"以太网", u"Realtek PCIe GbE Family Controller",
                  NCS_MEDIA_DISCONNECTED, NCM_LAN, false});
  list.push_back(
      {wireless, u"WLAN", u"Intel(R) Wi-Fi 6 AX201 160MHz", NCS_CONNECTED, NCM_LAN, false});
  if (adapter) {
    list.push_back({adapter->guid, u"本地连接* 2", u"Microsoft Hosted Network Virtual Adapter",
                    adapter->active ? NCS_CONNECTED : NCS_MEDIA_DISCONNECTED, NCM_LAN, false});
  }
  list.insert(list.end(), added_.begin(), added_.end());
  std::erase_if(list, [&](const SimConnection& c) { return removed_.count(c.guid) > 0; });
  for (SimConnection& connection : list) {
    auto status = status_.find(connection.guid);
    if (status != status_.end())
      connection.status = status->second;
  }
  return list;
}

std::vector<SimConnection> SharingCore::Connections() const {
  GUID wireless = view_.WirelessInterfaceGuid();
  std::optional<VirtualAdapterState> adapter = view_.VirtualAdapter();
  std::lock_guard<std::mutex> hold(lock_);
  return ConnectionsLocked(wireless, adapter);
}

std::optional<SimConnection> SharingCore::FindLive(const GUID& guid) const {
  for (SimConnection& connection : Connections()) {
    if (connection.guid == guid)
      return connection;
  }
  return std::nullopt;
}

std::vector<SimConnection> SharingCore::ListForEnumerator(bool reset) {
  GUID wireless = view_.WirelessInterfaceGuid();
  std::optional<VirtualAdapterState> adapter = view_.VirtualAdapter();
  std::lock_guard<std::mutex> hold(lock_);
  std::vector<SimConnection> list = ConnectionsLocked(wireless, adapter);
  if (reset) {
    // Adapters that show up between two passes, like a USB dongle being plugged in.
    for (; extra_after_reset_ > 0; --extra_after_reset_) {
      int n = ++extra_serial_;
      GUID guid = kWiredGuid;
      guid.Data1 += static_cast<DWORD>(n);
      std::u16string number;
      for (char c : std::to_string(n + 1))
        number += static_cast<char16_t>(c);
      list.push_back({guid, u"以太网 " + number, u"USB 2.0 10/100M Ethernet Adapter",
                      NCS_MEDIA_DISCONNECTED, NCM_LAN, true});
    }
  }
  return list;
}

void SharingCore::ListMoreAfterNextReset(int extra) {
  std::lock_guard<std::mutex> hold(lock_);
  extra_after_reset_ = std::max(extra, 0);
}

void SharingCore::SetStatus(const GUID& guid, NETCON_STATUS status) {
  std::lock_guard<std::mutex> hold(lock_);
  status_[guid] = status;
}

void SharingCore::AddConnection(SimConnection connection) {
  std::lock_guard<std::mutex> hold(lock_);
  removed_.erase(connection.guid);
  std::erase_if(added_, [&](const SimConnection& c) { return c.guid == connection.guid; });
  connection.transient = false;
  added_.push_back(std::move(connection));
}

void SharingCore::RemoveConnection(const GUID& guid) {
  std::lock_guard<std::mutex> hold(lock_);
  std::erase_if(added_, [&](const SimConnection& c) { return c.guid == guid; });
  removed_.insert(guid);
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
  SharingRoles roles = roles_;
  roles[guid] = type;
  return SaveLocked(std::move(roles));
}

HRESULT SharingCore::DisableSharing(const GUID& guid) {
  std::lock_guard<std::mutex> hold(lock_);
  if (!roles_.count(guid))
    return S_OK;
  SharingRoles roles = roles_;
  roles.erase(guid);
  return SaveLocked(std::move(roles));
}

HRESULT SharingCore::SaveLocked(SharingRoles roles) {
  if (int error = store_.Save(roles))
    return HresultFromErrno(error);
  roles_ = std::move(roles);
  return S_OK;
}

std::filesystem::path SharingCore::StateFile() const {
  std::lock_guard<std::mutex> hold(lock_);
  return store_.path();
}

bool SharingCore::StateFileDamaged() const {
  std::lock_guard<std::mutex> hold(lock_);
  return store_.damaged();
}

}  // namespace platform::sim
