// What NetworkManager and wpa_supplicant say on the bus, and the reporter thread that passes
// it on to the service.
#include <iostream>
#include <utility>

#include "platform/nm/nm_bus_names.h"
#include "platform/nm/nm_connection_settings.h"
#include "platform/nm/nm_wireless_driver.h"

namespace platform::nm {

namespace {

std::string SignalMatch(const char* sender, const char* interface, const char* member) {
  return std::string("type='signal',sender='") + sender + "',interface='" + interface +
         "',member='" + member + "'";
}

}  // namespace

void NmWirelessDriver::AddMatches() {
  // Path-less, so a new active connection's first states are not missed.
  slots_.push_back(
      connection_->addMatch(SignalMatch(bus::kNm, bus::kProperties, "PropertiesChanged"),
                            [this](sdbus::Message& m) { OnPropertiesChanged(m); }));
  slots_.push_back(connection_->addMatch(SignalMatch(bus::kNm, bus::kDevice, "StateChanged"),
                                         [this](sdbus::Message& m) { OnDeviceStateChanged(m); }));
  slots_.push_back(connection_->addMatch(SignalMatch(bus::kNm, bus::kActive, "StateChanged"),
                                         [this](sdbus::Message& m) { OnActiveStateChanged(m); }));
  for (const char* name : {bus::kNm, bus::kWpa}) {
    slots_.push_back(connection_->addMatch(
        SignalMatch(bus::kDbus, bus::kDbus, "NameOwnerChanged") + ",arg0='" + name + "'",
        [this](sdbus::Message& m) { OnNameOwnerChanged(m); }));
  }
  slots_.push_back(
      connection_->addMatch(SignalMatch(bus::kWpa, bus::kWpaInterface, "StaAuthorized"),
                            [this](sdbus::Message& m) { OnStation(m, true); }));
  slots_.push_back(
      connection_->addMatch(SignalMatch(bus::kWpa, bus::kWpaInterface, "StaDeauthorized"),
                            [this](sdbus::Message& m) { OnStation(m, false); }));
}

void NmWirelessDriver::OnPropertiesChanged(sdbus::Message& message) {
  std::string interface;
  VariantMap changed;
  message >> interface >> changed;
  const std::string path = message.getPath();
  auto take = [&changed](const char* name, auto& into) {
    using T = std::decay_t<decltype(into)>;
    auto it = changed.find(name);
    if (it != changed.end() && it->second.containsValueOfType<T>())
      into = it->second.get<T>();
  };
  std::lock_guard<std::mutex> guard(mutex_);
  if (path == bus::kNmPath && interface == bus::kNm) {
    take("WirelessEnabled", wireless_enabled_);
    take("WirelessHardwareEnabled", hardware_enabled_);
    sdbus::ObjectPath primary = primary_connection_;
    take("PrimaryConnection", primary);
    if (primary != primary_connection_) {
      // Its devices are read with the next reload; until then nothing counts as carrying it.
      primary_connection_ = primary;
      primary_devices_.clear();
    }
    if (changed.count("Devices") || changed.count("PrimaryConnection"))
      Post([this] { Reload(); });
  } else if (interface == bus::kActive && path == primary_connection_) {
    std::vector<sdbus::ObjectPath> devices;
    if (changed.count("Devices")) {
      take("Devices", devices);
      primary_devices_.assign(devices.begin(), devices.end());
    }
  } else if (auto it = devices_.find(path); it != devices_.end()) {
    Device& device = it->second;
    if (interface == bus::kDevice) {
      take("State", device.state);
      sdbus::ObjectPath active = device.active_connection;
      take("ActiveConnection", active);
      device.active_connection = active;
    } else if (interface == bus::kWireless) {
      take("WirelessCapabilities", device.capabilities);
      take("PermHwAddress", device.perm_hw_address);
      take("HwAddress", device.hw_address);
    }
  }
  ReportRadioIfChangedLocked();
}

void NmWirelessDriver::OnDeviceStateChanged(sdbus::Message& message) {
  uint32_t state = 0, old_state = 0, reason = 0;
  message >> state >> old_state >> reason;
  std::lock_guard<std::mutex> guard(mutex_);
  auto it = devices_.find(message.getPath());
  if (it == devices_.end())
    return;
  it->second.state = state;
  if (reason != 0)
    it->second.last_reason = reason;  // the active connection's own reason hides the cause
  if (state == bus::kDeviceFailed)
    it->second.failed = true;
  changed_.notify_all();
}

void NmWirelessDriver::OnActiveStateChanged(sdbus::Message& message) {
  uint32_t state = 0, reason = 0;
  message >> state >> reason;
  const std::string path = message.getPath();
  std::lock_guard<std::mutex> guard(mutex_);
  if (starting_ || path == active_path_) {
    active_states_[path] = state;
    if (reason != 0)
      active_reasons_[path] = reason;
  }
  if (active_up_ && path == active_path_ && state == bus::kActiveDeactivated)
    AccessPointEndedLocked();
  changed_.notify_all();
}

void NmWirelessDriver::OnNameOwnerChanged(sdbus::Message& message) {
  std::string name, old_owner, new_owner;
  message >> name >> old_owner >> new_owner;
  std::lock_guard<std::mutex> guard(mutex_);
  if (name == bus::kWpa) {
    if (new_owner.empty())
      wpa_interface_.clear();  // a new one has new objects; the next start asks again
    return;
  }
  if (!new_owner.empty()) {
    Post([this] { Reload(); });
    return;
  }
  NetworkManagerGoneLocked();
}

void NmWirelessDriver::NetworkManagerGoneLocked() {
  nm_present_ = false;
  devices_.clear();
  if (active_up_)
    AccessPointEndedLocked();
  changed_.notify_all();
  ReportRadioIfChangedLocked();
}

void NmWirelessDriver::RunEventLoop() {
  try {
    connection_->enterEventLoop();
  } catch (const sdbus::Error& e) {
    // The bus itself went away (its daemon ended): nothing of NetworkManager can be reached or
    // heard any more, and the hotspot ended with the connection it was bound to.
    std::cerr << "tavlo: lost the system bus: " << e.getMessage() << "\n";
    std::lock_guard<std::mutex> guard(mutex_);
    NetworkManagerGoneLocked();
  }
}

void NmWirelessDriver::OnStation(sdbus::Message& message, bool joined) {
  std::string text;
  message >> text;
  std::lock_guard<std::mutex> guard(mutex_);
  if (!active_up_ || wpa_interface_.empty() || message.getPath() != wpa_interface_)
    return;
  if (auto mac = ParseMac(text))
    StationSeenLocked(*mac, joined);
}

void NmWirelessDriver::StationSeenLocked(const services::MacAddress& mac, bool joined) {
  if (!active_up_)
    return;
  if (joined && stations_.insert(mac).second)
    Report([mac](services::WirelessDriverEvents* events) { events->OnStationJoined(mac); });
  else if (!joined && stations_.erase(mac))
    Report([mac](services::WirelessDriverEvents* events) { events->OnStationLeft(mac); });
}

void NmWirelessDriver::ReportRadioIfChangedLocked() {
  const bool usable = UsableLocked();
  if (usable == reported_radio_)
    return;
  reported_radio_ = usable;
  Report([usable](services::WirelessDriverEvents* events) { events->OnRadioChanged(usable); });
}

void NmWirelessDriver::AccessPointEndedLocked() {
  active_up_ = false;
  active_path_.clear();
  active_device_.clear();
  wpa_interface_.clear();
  stations_.clear();
  TellAccessPoint("");
  Report([](services::WirelessDriverEvents* events) { events->OnAccessPointStopped(); });
}

void NmWirelessDriver::Post(std::function<void()> work) {
  work_.push_back(std::move(work));
  work_ready_.notify_one();
}

void NmWirelessDriver::Report(std::function<void(services::WirelessDriverEvents*)> report) {
  Post([this, report = std::move(report)] {
    std::lock_guard<std::mutex> guard(report_mutex_);
    if (events_)
      report(events_);
  });
}

void NmWirelessDriver::RunReporter() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    work_ready_.wait(lock, [this] { return stopping_ || !work_.empty(); });
    if (stopping_)
      return;
    std::function<void()> work = std::move(work_.front());
    work_.pop_front();
    lock.unlock();
    work();
    lock.lock();
  }
}

}  // namespace platform::nm
