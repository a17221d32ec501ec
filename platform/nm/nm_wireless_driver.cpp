// Construction, reading NetworkManager, the access point and the settings file. The signal
// handlers and the reporter thread are in nm_wireless_driver_signals.cpp.
#include "platform/nm/nm_wireless_driver.h"

#include <errno.h>
#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <optional>

#include "base/result.h"
#include "base/utf.h"
#include "platform/nm/nl80211_station_source.h"
#include "platform/nm/nm_bus_names.h"
#include "platform/nm/nm_connection_settings.h"

namespace platform::nm {

namespace {

using namespace std::chrono_literals;

constexpr auto kConnectionReasonWait = 2s;

std::string CurrentLogin() {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_name)
    return found->pw_name;
  const char* user = ::getenv("USER");
  return user ? user : "";
}

VariantMap GetAll(sdbus::IConnection& connection,
                  const char* destination,
                  const std::string& path,
                  const char* interface) {
  auto proxy = sdbus::createProxy(connection, destination, path);
  VariantMap properties;
  proxy->callMethod("GetAll")
      .onInterface(bus::kProperties)
      .withTimeout(10s)
      .withArguments(std::string(interface))
      .storeResultsTo(properties);
  return properties;
}

}  // namespace

NmWirelessDriver::NmWirelessDriver(Options options)
    : options_(std::move(options)),
      login_(options_.login.empty() ? CurrentLogin() : options_.login),
      settings_(options_.store ? options_.store : config::ProcessConfigCenter()),
      station_source_(options_.station_source ? options_.station_source()
                                              : std::make_unique<Nl80211StationSource>()) {
  try {
    connection_ = sdbus::createSystemBusConnection();
    AddMatches();
    Reload();
    loop_ = std::thread(&NmWirelessDriver::RunEventLoop, this);
  } catch (const sdbus::Error& e) {
    std::cerr << "tavlo: NetworkManager cannot be reached on the system bus: " << e.getMessage()
              << "\n";
    slots_.clear();
    connection_.reset();
  }
  {
    std::lock_guard<std::mutex> guard(mutex_);
    nm_present_ = nm_present_ && connection_;
    reported_radio_ = UsableLocked();
  }
  reporter_ = std::thread(&NmWirelessDriver::RunReporter, this);
}

NmWirelessDriver::~NmWirelessDriver() {
  station_source_->Stop();  // its callback posts to the reporter
  {
    std::lock_guard<std::mutex> guard(mutex_);
    stopping_ = true;
  }
  work_ready_.notify_all();
  reporter_.join();  // before the loop ends: its work may wait for replies the loop delivers
  if (connection_)
    connection_->leaveEventLoop();
  if (loop_.joinable())
    loop_.join();
  slots_.clear();
  connection_.reset();
}

std::optional<NmWirelessDriver::Device> NmWirelessDriver::ReadDevice(const std::string& path) {
  VariantMap device = GetAll(*connection_, bus::kNm, path, bus::kDevice);
  if (Value<uint32_t>(device, "DeviceType") != bus::kDeviceTypeWifi)
    return std::nullopt;
  VariantMap wireless = GetAll(*connection_, bus::kNm, path, bus::kWireless);
  Device d;
  d.path = path;
  d.ifname = Value<std::string>(device, "Interface");
  d.state = Value<uint32_t>(device, "State");
  d.active_connection = Value<sdbus::ObjectPath>(device, "ActiveConnection");
  d.capabilities = Value<uint32_t>(wireless, "WirelessCapabilities");
  d.perm_hw_address = Value<std::string>(wireless, "PermHwAddress");
  d.hw_address = Value<std::string>(wireless, "HwAddress");
  if (d.hw_address.empty())
    d.hw_address = Value<std::string>(device, "HwAddress");
  return d;
}

void NmWirelessDriver::Reload() {
  bool present = false;
  VariantMap manager;
  std::map<std::string, Device> devices;
  std::string primary;
  std::vector<std::string> primary_devices;
  try {
    manager = GetAll(*connection_, bus::kNm, bus::kNmPath, bus::kNm);
    present = true;
    for (const sdbus::ObjectPath& path :
         Value<std::vector<sdbus::ObjectPath>>(manager, "Devices")) {
      try {
        if (auto device = ReadDevice(path))
          devices[path] = *device;
      } catch (const sdbus::Error&) {
        // Gone while we looked: the next Devices change tells.
      }
    }
    primary = Value<sdbus::ObjectPath>(manager, "PrimaryConnection");
    if (!primary.empty() && primary != "/") {
      try {
        VariantMap active = GetAll(*connection_, bus::kNm, primary, bus::kActive);
        for (const sdbus::ObjectPath& path :
             Value<std::vector<sdbus::ObjectPath>>(active, "Devices"))
          primary_devices.push_back(path);
      } catch (const sdbus::Error&) {
        // Gone while we looked: the next PrimaryConnection change tells.
      }
    }
  } catch (const sdbus::Error&) {
    present = false;  // not on the bus; its arrival reloads
  }
  std::lock_guard<std::mutex> guard(mutex_);
  nm_present_ = present;
  wireless_enabled_ = Value<bool>(manager, "WirelessEnabled");
  hardware_enabled_ = Value<bool>(manager, "WirelessHardwareEnabled");
  for (auto& [path, device] : devices) {
    if (auto old = devices_.find(path); old != devices_.end()) {
      device.last_reason = old->second.last_reason;
      device.failed = old->second.failed;
    }
  }
  devices_ = std::move(devices);
  primary_connection_ = std::move(primary);
  primary_devices_ = std::move(primary_devices);
  if (active_up_ && !devices_.count(active_device_))
    AccessPointEndedLocked();
  changed_.notify_all();
  ReportRadioIfChangedLocked();
}

bool NmWirelessDriver::UsableLocked() const {
  return nm_present_ && wireless_enabled_ && hardware_enabled_ && AccessPointDeviceLocked();
}

const NmWirelessDriver::Device* NmWirelessDriver::AccessPointDeviceLocked() const {
  for (const auto& [path, device] : devices_) {
    if (device.capabilities & bus::kCapabilityAccessPoint)
      return &device;
  }
  return nullptr;
}

void NmWirelessDriver::Attach(services::WirelessDriverEvents* events) {
  std::lock_guard<std::mutex> report(report_mutex_);
  events_ = events;
}

bool NmWirelessDriver::RadioOn() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return UsableLocked();
}

std::vector<services::WirelessInterface> NmWirelessDriver::Interfaces() const {
  std::lock_guard<std::mutex> guard(mutex_);
  std::vector<services::WirelessInterface> list;
  if (!nm_present_)
    return list;
  const Device* ap = AccessPointDeviceLocked();
  for (const auto& [path, device] : devices_) {
    services::WirelessInterface item{
        DeviceGuid(device.perm_hw_address, device.hw_address, device.ifname),
        InterfaceStateOf(device.state),
        base::Utf8ToUtf16(device.ifname, base::InvalidText::kReplace).value_or(u"")};
    if (&device == ap)
      list.insert(list.begin(), std::move(item));
    else
      list.push_back(std::move(item));
  }
  return list;
}

DWORD NmWirelessDriver::StartAccessPoint(const services::AccessPointSettings& settings,
                                         services::AccessPointInfo* info) {
  std::string device, ifname;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    last_failure_ = {};
    last_start_up_ = false;
    if (!connection_ || !UsableLocked() || !active_path_.empty()) {
      last_failure_ = BlockerLocked();
      return ERROR_INVALID_STATE;
    }
    Device& ap = devices_[AccessPointDeviceLocked()->path];
    device = ap.path;
    ifname = ap.ifname;
    ap.last_reason = 0;
    ap.failed = false;
    active_states_.clear();
    active_reasons_.clear();
    starting_ = true;
  }
  sdbus::ObjectPath active;
  try {
    auto manager = sdbus::createProxy(*connection_, bus::kNm, bus::kNmPath);
    sdbus::ObjectPath profile;
    VariantMap result;
    manager->callMethod("AddAndActivateConnection2")
        .onInterface(bus::kNm)
        .withTimeout(options_.request_timeout)
        .withArguments(AccessPointConnection(settings, login_), sdbus::ObjectPath(device),
                       sdbus::ObjectPath("/"), ActivationOptions())
        .storeResultsTo(profile, active, result);
  } catch (const sdbus::Error& e) {
    std::lock_guard<std::mutex> guard(mutex_);
    starting_ = false;
    last_failure_ = RefusalOf(e.getName());
    return ErrorFromDbusError(e.getName());
  }

  std::unique_lock<std::mutex> lock(mutex_);
  active_path_ = active;
  active_device_ = device;
  auto state = [&]() -> uint32_t {
    auto it = active_states_.find(active);
    return it == active_states_.end() ? 0 : it->second;
  };
  auto ended = [&] {
    auto it = devices_.find(device);
    return !nm_present_ || it == devices_.end() || it->second.failed ||
           state() == bus::kActiveDeactivated;
  };
  const bool settled = changed_.wait_for(lock, options_.activation_timeout, [&] {
    return state() == bus::kActiveActivated || ended();
  });
  starting_ = false;
  if (settled && !ended()) {
    active_up_ = true;
    stations_.clear();
    last_start_up_ = true;
    info->bssid = ParseMac(devices_[device].hw_address).value_or(services::MacAddress{});
    info->channel_frequency = 0;  // NetworkManager does not say for an access point
    const Device& up = devices_[device];
    info->device_id = DeviceGuid(up.perm_hw_address, up.hw_address, up.ifname);
    lock.unlock();
    TellAccessPoint(ifname);
    WatchStations(ifname);
    station_source_->Start(ifname, [this](const services::MacAddress& mac, bool joined) {
      std::lock_guard<std::mutex> guard(mutex_);
      StationSeenLocked(mac, joined);
    });
    return ERROR_SUCCESS;
  }
  if (settled) {
    // A device that failed without a reason leaves the cause to its active connection, whose
    // end follows.
    changed_.wait_for(lock, kConnectionReasonWait, [&] {
      auto it = devices_.find(device);
      return !nm_present_ || it == devices_.end() || it->second.last_reason != 0 ||
             state() == bus::kActiveDeactivated;
    });
  }
  DWORD error = kErrorTimeout;
  last_failure_ = EndedActivationLocked(device, active);
  if (settled) {
    auto it = devices_.find(device);
    error = !nm_present_           ? ERROR_SERVICE_NOT_ACTIVE
            : it == devices_.end() ? kErrorDevNotExist
                                   : ErrorFromDeviceReason(it->second.last_reason);
  }
  active_path_.clear();
  active_device_.clear();
  lock.unlock();
  if (!settled)
    Deactivate(active);  // not left half up
  return error;
}

void NmWirelessDriver::StopAccessPoint() {
  std::string active;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    active.swap(active_path_);
    active_device_.clear();
    active_up_ = false;
    wpa_interface_.clear();
    stations_.clear();
  }
  station_source_->Stop();
  TellAccessPoint("");
  if (!active.empty())
    Deactivate(active);
}

void NmWirelessDriver::TellAccessPoint(const std::string& ifname) {
  if (options_.on_access_point)
    options_.on_access_point(ifname);
}

void NmWirelessDriver::Deactivate(const std::string& active) {
  if (!connection_)
    return;
  try {
    auto manager = sdbus::createProxy(*connection_, bus::kNm, bus::kNmPath);
    auto call = manager->createMethodCall(bus::kNm, "DeactivateConnection");
    call << sdbus::ObjectPath(active);
    manager->callMethod(call, std::chrono::duration_cast<std::chrono::microseconds>(30s).count());
  } catch (const sdbus::Error& e) {
    if (e.getName() != "org.freedesktop.NetworkManager.ConnectionNotActive")
      std::cerr << "tavlo: NetworkManager kept the hotspot up: " << e.getName() << "\n";
  }
}

void NmWirelessDriver::WatchStations(const std::string& ifname) {
  try {
    auto supplicant = sdbus::createProxy(*connection_, bus::kWpa, bus::kWpaPath);
    sdbus::ObjectPath path;
    supplicant->callMethod("GetInterface")
        .onInterface(bus::kWpa)
        .withTimeout(5s)
        .withArguments(ifname)
        .storeResultsTo(path);
    {
      std::lock_guard<std::mutex> guard(mutex_);
      if (!active_up_)
        return;
      wpa_interface_ = path;  // from here on its signals count
    }
    auto interface = sdbus::createProxy(*connection_, bus::kWpa, path);
    const auto stations = interface->getProperty("Stations")
                              .onInterface(bus::kWpaInterface)
                              .get<std::vector<sdbus::ObjectPath>>();
    for (const sdbus::ObjectPath& station : stations) {
      auto proxy = sdbus::createProxy(*connection_, bus::kWpa, station);
      const auto address =
          proxy->getProperty("Address").onInterface(bus::kWpaStation).get<std::vector<uint8_t>>();
      if (address.size() != 6)
        continue;
      services::MacAddress mac;
      std::copy(address.begin(), address.end(), mac.begin());
      std::lock_guard<std::mutex> guard(mutex_);
      StationSeenLocked(mac, true);
    }
  } catch (const sdbus::Error& e) {
    std::cerr << "tavlo: no station list from wpa_supplicant for " << ifname << ": " << e.getName()
              << "\n";
  }
}

void NmWirelessDriver::LoadSettings(services::WirelessPersistentState* state) {
  settings_.Load(state);
}

bool NmWirelessDriver::SaveSettings(const services::WirelessPersistentState& state) {
  return settings_.Save(state);
}

}  // namespace platform::nm
