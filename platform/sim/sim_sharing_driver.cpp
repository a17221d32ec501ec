#include "platform/sim/sim_sharing_driver.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string>
#include <utility>

namespace platform::sim {

namespace {

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

const GUID SimSharingDriver::kWiredGuid = {0x7D1C5A3E,
                                           0x41B2,
                                           0x4C8F,
                                           {0x9A, 0x11, 0x52, 0x6E, 0x0B, 0x3D, 0xC4, 0x27}};

SimSharingDriver::SimSharingDriver(HostedNetworkView& view, std::filesystem::path state_dir)
    : view_(view), store_(std::move(state_dir)) {}

std::vector<services::SharingConnection> SimSharingDriver::Connections(bool after_reset) {
  const GUID wireless = view_.WirelessInterfaceGuid();
  const std::optional<VirtualAdapterState> adapter = view_.VirtualAdapter();
  std::lock_guard<std::mutex> hold(lock_);
  std::vector<services::SharingConnection> list;
  list.push_back({kWiredGuid, u"以太网", u"Realtek PCIe GbE Family Controller",
                  NCS_MEDIA_DISCONNECTED, NCM_LAN, false});
  list.push_back(
      {wireless, u"WLAN", u"Intel(R) Wi-Fi 6 AX201 160MHz", NCS_CONNECTED, NCM_LAN, false});
  if (adapter) {
    list.push_back({adapter->guid, u"本地连接* 2", u"Microsoft Hosted Network Virtual Adapter",
                    adapter->active ? NCS_CONNECTED : NCS_MEDIA_DISCONNECTED, NCM_LAN, false});
  }
  list.insert(list.end(), added_.begin(), added_.end());
  std::erase_if(list,
                [&](const services::SharingConnection& c) { return removed_.count(c.guid) > 0; });
  for (services::SharingConnection& connection : list) {
    auto status = status_.find(connection.guid);
    if (status != status_.end())
      connection.status = status->second;
  }
  if (after_reset) {
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

void SimSharingDriver::ListMoreAfterNextReset(int extra) {
  std::lock_guard<std::mutex> hold(lock_);
  extra_after_reset_ = std::max(extra, 0);
}

void SimSharingDriver::SetStatus(const GUID& guid, NETCON_STATUS status) {
  std::lock_guard<std::mutex> hold(lock_);
  status_[guid] = status;
}

void SimSharingDriver::AddConnection(services::SharingConnection connection) {
  std::lock_guard<std::mutex> hold(lock_);
  removed_.erase(connection.guid);
  std::erase_if(added_,
                [&](const services::SharingConnection& c) { return c.guid == connection.guid; });
  connection.transient = false;
  added_.push_back(std::move(connection));
}

void SimSharingDriver::RemoveConnection(const GUID& guid) {
  std::lock_guard<std::mutex> hold(lock_);
  std::erase_if(added_, [&](const services::SharingConnection& c) { return c.guid == guid; });
  removed_.insert(guid);
}

HRESULT SimSharingDriver::ApplyRole(const GUID&, SHARINGCONNECTIONTYPE) {
  return S_OK;
}

HRESULT SimSharingDriver::RemoveRole(const GUID&) {
  return S_OK;
}

services::SharingRoles SimSharingDriver::LoadRoles() {
  std::lock_guard<std::mutex> hold(lock_);
  return store_.Load();
}

HRESULT SimSharingDriver::SaveRoles(const services::SharingRoles& roles) {
  std::lock_guard<std::mutex> hold(lock_);
  if (int error = store_.Save(roles))
    return HresultFromErrno(error);
  return S_OK;
}

std::filesystem::path SimSharingDriver::StateFile() const {
  std::lock_guard<std::mutex> hold(lock_);
  return store_.path();
}

bool SimSharingDriver::StateFileDamaged() const {
  std::lock_guard<std::mutex> hold(lock_);
  return store_.damaged();
}

}  // namespace platform::sim
