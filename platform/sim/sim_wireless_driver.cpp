#include "platform/sim/sim_wireless_driver.h"

#include <cstring>
#include <utility>

#include "base/guid.h"
#include "base/result.h"

namespace platform::sim {

namespace {

constexpr char16_t kInterfaceDescription[] = u"Tavlo Simulated 802.11n Wireless Adapter";
constexpr ULONG kChannelFrequency = 2437;  // MHz, channel 6

// A random, locally administered unicast address.
services::MacAddress RandomMac() {
  GUID random = base::NewGuid();
  services::MacAddress mac;
  std::memcpy(mac.data(), random.Data4, mac.size());
  mac[0] = static_cast<BYTE>((mac[0] & 0xFC) | 0x02);
  return mac;
}

}  // namespace

SimWirelessDriver::SimWirelessDriver(std::filesystem::path state_file, StateFileOpener open)
    : file_(std::move(state_file), std::move(open)) {}

void SimWirelessDriver::SetRadio(bool on) {
  std::lock_guard<std::mutex> report(report_mutex_);
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (radio_on_ == on)
      return;
    radio_on_ = on;
    if (!on)
      access_point_up_ = false;
  }
  if (events_)
    events_->OnRadioChanged(on);
}

DWORD SimWirelessDriver::StationJoin(const services::MacAddress& mac) {
  std::lock_guard<std::mutex> report(report_mutex_);
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!access_point_up_)
      return ERROR_INVALID_STATE;  // nothing to associate with
  }
  return events_ ? events_->OnStationJoined(mac) : ERROR_INVALID_STATE;
}

DWORD SimWirelessDriver::StationLeave(const services::MacAddress& mac) {
  std::lock_guard<std::mutex> report(report_mutex_);
  return events_ ? events_->OnStationLeft(mac) : ERROR_NOT_FOUND;
}

void SimWirelessDriver::AddInterface(const GUID& guid,
                                     WLAN_INTERFACE_STATE state,
                                     std::u16string description) {
  std::lock_guard<std::mutex> guard(mutex_);
  extra_interfaces_.push_back(services::WirelessInterface{guid, state, std::move(description)});
}

void SimWirelessDriver::Attach(services::WirelessDriverEvents* events) {
  std::lock_guard<std::mutex> report(report_mutex_);
  events_ = events;
}

bool SimWirelessDriver::RadioOn() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return radio_on_;
}

StartDiagnosis SimWirelessDriver::DiagnoseStart() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return radio_on_ ? StartDiagnosis{} : StartDiagnosis{StartProblem::kRadioOff};
}

std::vector<services::WirelessInterface> SimWirelessDriver::Interfaces() const {
  std::lock_guard<std::mutex> guard(mutex_);
  std::vector<services::WirelessInterface> list;
  list.push_back(services::WirelessInterface{
      kInterfaceGuid,
      radio_on_ ? wlan_interface_state_connected : wlan_interface_state_disconnected,
      kInterfaceDescription});
  list.insert(list.end(), extra_interfaces_.begin(), extra_interfaces_.end());
  return list;
}

DWORD SimWirelessDriver::StartAccessPoint(const services::AccessPointSettings&,
                                          services::AccessPointInfo* info) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (!radio_on_)
    return ERROR_INVALID_STATE;
  access_point_up_ = true;
  info->bssid = RandomMac();
  info->channel_frequency = kChannelFrequency;
  return ERROR_SUCCESS;
}

void SimWirelessDriver::StopAccessPoint() {
  std::lock_guard<std::mutex> guard(mutex_);
  access_point_up_ = false;
}

void SimWirelessDriver::LoadSettings(services::WirelessPersistentState* state) {
  std::lock_guard<std::mutex> guard(mutex_);
  file_.Load(state);
}

bool SimWirelessDriver::SaveSettings(const services::WirelessPersistentState& state) {
  std::lock_guard<std::mutex> guard(mutex_);
  return file_.Save(state);
}

}  // namespace platform::sim
