#include "platform/nm/nm_sharing_driver.h"

#include <iostream>
#include <utility>

#include <sdbus-c++/sdbus-c++.h>

#include "base/guid.h"
#include "base/result.h"
#include "base/utf.h"
#include "platform/nm/nm_bus_names.h"
#include "platform/nm/nm_connection_settings.h"
#include "platform/services/sharing_core.h"

namespace platform::nm {

namespace {

constexpr char kSettingsConnection[] = "org.freedesktop.NetworkManager.Settings.Connection";
constexpr char kHotspotId[] = "Tavlo";

// NMDeviceType values with a media type other than a plain LAN.
enum : uint32_t {
  kTypeUnknown = 0,
  kTypeBluetooth = 5,
  kTypeModem = 8,
  kTypeAdsl = 12,
  kTypeGeneric = 14,
  kTypeTun = 16,
  kTypeIpTunnel = 17,
  kTypeVxlan = 19,
  kTypePpp = 23,
  kTypeWireGuard = 29,
  kTypeLoopback = 32,
};

// NMDeviceState values the status depends on.
enum : uint32_t {
  kStateUnavailable = 20,
  kStatePrepare = 40,
  kStateNeedAuth = 60,
  kStateActivated = 100,
  kStateDeactivating = 110,
};

NETCON_MEDIATYPE MediaTypeOf(uint32_t device_type) {
  switch (device_type) {
    case kTypeUnknown:
    case kTypeGeneric:
      return NCM_NONE;
    case kTypeBluetooth:
    case kTypeModem:
    case kTypePpp:
      return NCM_PHONE;
    case kTypeAdsl:
      return NCM_PPPOE;
    case kTypeTun:
    case kTypeIpTunnel:
    case kTypeVxlan:
    case kTypeWireGuard:
      return NCM_TUNNEL;
    default:
      // Ethernet, Wi-Fi, bridges, bonds, VLANs and the like: a LAN as far as sharing goes.
      return NCM_LAN;
  }
}

NETCON_STATUS StatusOf(uint32_t device_state) {
  if (device_state == kStateActivated)
    return NCS_CONNECTED;
  if (device_state == kStateDeactivating)
    return NCS_DISCONNECTING;
  if (device_state == kStateNeedAuth)
    return NCS_AUTHENTICATING;
  if (device_state >= kStatePrepare && device_state < kStateActivated)
    return NCS_CONNECTING;
  if (device_state == kStateUnavailable)
    return NCS_MEDIA_DISCONNECTED;  // no carrier, radio off
  return NCS_DISCONNECTED;
}

std::u16string Text(const std::string& utf8) {
  return base::Utf8ToUtf16(utf8, base::InvalidText::kReplace).value_or(u"");
}

}  // namespace

NmSharingDriver::NmSharingDriver(std::chrono::milliseconds call_timeout)
    : call_timeout_(call_timeout) {}

NmSharingDriver::~NmSharingDriver() = default;

std::optional<std::vector<NmSharingDriver::Entry>> NmSharingDriver::ReadLocked() {
  auto get_all = [this](const std::string& path, const char* interface) {
    auto proxy = sdbus::createProxy(*connection_, bus::kNm, path);
    VariantMap properties;
    proxy->callMethod("GetAll")
        .onInterface(bus::kProperties)
        .withTimeout(call_timeout_)
        .withArguments(std::string(interface))
        .storeResultsTo(properties);
    return properties;
  };

  if (!connection_) {
    // Connected on first use and again after a failure, so a bus that comes later is found.
    try {
      connection_ = sdbus::createSystemBusConnection();
    } catch (const sdbus::Error& e) {
      std::cerr << "tavlo: no system bus for the shared connections: " << e.getMessage() << "\n";
      return std::nullopt;
    }
  }
  std::vector<sdbus::ObjectPath> devices;
  try {
    devices = Value<std::vector<sdbus::ObjectPath>>(get_all(bus::kNmPath, bus::kNm), "Devices");
  } catch (const sdbus::Error& e) {
    if (e.getName() != "org.freedesktop.DBus.Error.ServiceUnknown" &&
        e.getName() != "org.freedesktop.DBus.Error.NameHasNoOwner")
      connection_.reset();  // the bus itself may be gone
    return std::nullopt;
  }

  std::vector<Entry> entries;
  // The device our access point runs on (the wireless driver's choice: the first that can be
  // one), as the hosted network's adapter while no access point of ours runs.
  std::optional<std::pair<sdbus::ObjectPath, Entry>> adapter;
  bool hotspot_listed = false;
  for (const sdbus::ObjectPath& path : devices) {
    try {
      const VariantMap device = get_all(path, bus::kDevice);
      const auto active_path = Value<sdbus::ObjectPath>(device, "ActiveConnection");
      const auto type = Value<uint32_t>(device, "DeviceType");
      if (type == kTypeLoopback)
        continue;
      GUID device_guid = GUID_NULL;
      if (type == bus::kDeviceTypeWifi) {
        const VariantMap wireless = get_all(path, bus::kWireless);
        device_guid = DeviceGuid(Value<std::string>(wireless, "PermHwAddress"),
                                 Value<std::string>(wireless, "HwAddress"),
                                 Value<std::string>(device, "Interface"));
        if ((Value<uint32_t>(wireless, "WirelessCapabilities") & bus::kCapabilityAccessPoint) &&
            (!adapter || path < adapter->first)) {
          Entry idle;
          idle.connection.guid = device_guid;
          idle.connection.name = Text(kHotspotId);
          idle.connection.device_name = Text(Value<std::string>(device, "Interface"));
          idle.connection.status = NCS_MEDIA_DISCONNECTED;  // listed and sharable, as when off
          idle.connection.media_type = NCM_LAN;
          adapter.emplace(path, std::move(idle));
        }
      }
      if (active_path.empty() || active_path == "/")
        continue;
      const VariantMap active = get_all(active_path, bus::kActive);
      const std::optional<GUID> guid = base::GuidFromString(Value<std::string>(active, "Uuid"));
      if (!guid)
        continue;
      const bool ours = Value<std::string>(active, "Id") == kHotspotId &&
                        type == bus::kDeviceTypeWifi &&
                        IsOurHotspotLocked(Value<sdbus::ObjectPath>(active, "Connection"));
      Entry entry;
      // Our access point is the hosted network's adapter: listed under the device id the
      // wireless service reports for it, whichever profile NetworkManager made this time.
      entry.connection.guid = ours ? device_guid : *guid;
      entry.connection.name = Text(Value<std::string>(active, "Id"));
      entry.connection.device_name = Text(Value<std::string>(device, "Interface"));
      entry.connection.status = StatusOf(Value<uint32_t>(device, "State"));
      entry.connection.media_type = MediaTypeOf(type);
      entry.default_route = Value<bool>(active, "Default");
      entry.our_hotspot = ours && Value<uint32_t>(active, "State") == bus::kActiveActivated;
      hotspot_listed |= ours;
      entries.push_back(std::move(entry));
    } catch (const sdbus::Error&) {
      // Gone while we looked: not listed.
    }
  }
  // Listed while off too, as the system lists a hosted network's adapter once it exists, so a
  // table taken before the start already has it.
  if (adapter && !hotspot_listed)
    entries.push_back(std::move(adapter->second));
  return entries;
}

bool NmSharingDriver::IsOurHotspotLocked(const std::string& settings_path) {
  if (settings_path.empty() || settings_path == "/")
    return false;
  ConnectionSettings settings;
  try {
    auto proxy = sdbus::createProxy(*connection_, bus::kNm, settings_path);
    proxy->callMethod("GetSettings")
        .onInterface(kSettingsConnection)
        .withTimeout(call_timeout_)
        .storeResultsTo(settings);
  } catch (const sdbus::Error&) {
    return false;  // not ours to read, so not ours
  }
  return Value<std::string>(settings["connection"], "id") == kHotspotId &&
         Value<std::string>(settings["802-11-wireless"], "mode") == "ap" &&
         Value<std::string>(settings["ipv4"], "method") == "shared";
}

std::vector<services::SharingConnection> NmSharingDriver::Connections(bool) {
  // Every listing reads NetworkManager afresh, so none is transient.
  std::lock_guard<std::mutex> hold(lock_);
  std::vector<services::SharingConnection> list;
  if (std::optional<std::vector<Entry>> entries = ReadLocked()) {
    for (Entry& entry : *entries)
      list.push_back(std::move(entry.connection));
  }
  return list;
}

HRESULT NmSharingDriver::ApplyRole(const GUID& guid, SHARINGCONNECTIONTYPE type) {
  std::lock_guard<std::mutex> hold(lock_);
  const std::optional<std::vector<Entry>> entries = ReadLocked();
  if (!entries)
    return HresultFromWin32(ERROR_SERVICE_NOT_ACTIVE);
  for (const Entry& entry : *entries) {
    if (entry.connection.guid != guid)
      continue;
    const bool holds = type == ICSSHARINGTYPE_PUBLIC    ? entry.default_route
                       : type == ICSSHARINGTYPE_PRIVATE ? entry.our_hotspot
                                                        : false;
    // NetworkManager decides where it shares; what it does not do here cannot be made so.
    return holds ? S_OK : services::kSharingRoleTaken;
  }
  return services::kConnectionGone;
}

std::optional<GUID> NmSharingDriver::InternetConnection() {
  std::lock_guard<std::mutex> hold(lock_);
  const std::optional<std::vector<Entry>> entries = ReadLocked();
  if (entries) {
    for (const Entry& entry : *entries) {
      if (entry.default_route && !entry.our_hotspot)
        return entry.connection.guid;
    }
  }
  // Nothing carries the Internet: a GUID no connection has, so that sharing fails as it must,
  // rather than the caller's choice, which NetworkManager would not share anyway.
  return GUID_NULL;
}

HRESULT NmSharingDriver::RemoveRole(const GUID&) {
  // Our connection stops sharing when the hotspot stops; any other is not ours to change.
  return S_OK;
}

services::SharingRoles NmSharingDriver::LoadRoles() {
  return {};
}

HRESULT NmSharingDriver::SaveRoles(const services::SharingRoles&) {
  return S_OK;
}

}  // namespace platform::nm
