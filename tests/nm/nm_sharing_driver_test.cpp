// The NetworkManager sharing driver under the shared sharing service and the ICS manager, against
// the NetworkManager stand-in on a private bus: what is listed, which roles are accepted, and
// that nothing on the bus is changed.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <sdbus-c++/sdbus-c++.h>

#include "base/guid.h"
#include "base/result.h"
#include "config/config_center_impl.h"
#include "ics/ics_manager.h"
#include "ics/netshell_binding.h"
#include "nm/nm_mock_network.h"
#include "nm/nm_test_names.h"
#include "nm/private_bus.h"
#include "nm/private_bus_test.h"
#include "platform/nm/nm_sharing_driver.h"
#include "platform/nm/nm_wireless_driver.h"
#include "platform/services/sharing_core.h"
#include "platform/services/sharing_service.h"
#include "support/scoped_env.h"
#include "support/scoped_temp_dir.h"

namespace {

using namespace test::nm_names;

using test::WaitFor;

using namespace platform;
using nm::NmSharingDriver;
using nm::NmWirelessDriver;
using services::ConnectionSharingService;
using services::SharingConnection;

using CallLog = std::vector<sdbus::Struct<uint64_t, std::string, std::vector<sdbus::Variant>>>;

constexpr char kSettingsPath[] = "/org/freedesktop/NetworkManager/Settings";
constexpr char kWiredUuid[] = "3c5a1b2e-7d4f-4e8a-9b10-2f6c8d9e0a1b";
constexpr char kSpareUuid[] = "a0b1c2d3-e4f5-4607-8819-2a3b4c5d6e7f";

GUID Guid(const std::string& uuid) {
  return base::GuidFromString(uuid).value_or(GUID_NULL);
}

class NmSharingDriverTest : public test::PrivateBusTest {
 protected:
  void TearDown() override {
    if (ics_) {
      ics_.reset();
      ics::UnbindNetshell();
    }
    service_.reset();
    hotspot_.reset();
  }

  // NetworkManager with eth0 carrying the default route, eth1 up without it, eth2 unplugged and
  // wlan0 that can be an access point.
  void StartNetworkManager() {
    ASSERT_TRUE(bus_->StartStandIn(test::PrivateBus::TemplateDir() / "nm_template.py", kNm,
                                   R"({"ActivationDelayMs": 20})"))
        << bus_->error();
    control_ = sdbus::createSystemBusConnection();
    mock_ = sdbus::createProxy(*control_, kNm, "/org/freedesktop");
    wired_ =
        test::AddWiredConnection(*control_, *mock_, "eth0", "有线连接 1", kWiredUuid, true).profile;
    spare_ =
        test::AddWiredConnection(*control_, *mock_, "eth1", "Wired connection 2", kSpareUuid, false)
            .profile;
    std::string unplugged;
    mock_->callMethod("AddEthernetDevice")
        .onInterface(kMock)
        .withArguments(std::string("eth2"), std::string("eth2"), int32_t{20})
        .storeResultsTo(unplugged);
    test::AddWifiDevice(*mock_, "wlan0", 0x60, "02:00:00:aa:bb:cc");
  }

  void StartHotspot() {
    NmWirelessDriver::Options options;
    store_ = std::make_unique<config::CConfigCenterImpl>(dir_.path() / "config.db");
    options.store = store_.get();
    options.login = "tester";
    hotspot_ = std::make_unique<NmWirelessDriver>(options);
    services::AccessPointSettings settings;
    const std::string ssid = "热点";
    settings.ssid.uSSIDLength = static_cast<ULONG>(ssid.size());
    std::copy(ssid.begin(), ssid.end(), settings.ssid.ucSSID);
    const char kKey[] = "hotspot-key-1";
    settings.key.assign(kKey, kKey + sizeof(kKey));
    services::AccessPointInfo info;
    ASSERT_EQ(hotspot_->StartAccessPoint(settings, &info), ERROR_SUCCESS);
    hotspot_device_id_ = info.device_id;
  }

  void StartService() {
    service_ = std::make_unique<ConnectionSharingService>(std::make_unique<NmSharingDriver>());
  }

  HRESULT ShareInternet(const GUID& public_guid, const GUID& private_guid) {
    if (!ics_) {
      const HRESULT hr = ics::InitSharingManager(*service_, &ics_);
      if (hr != S_OK)
        return hr;
    }
    return ics_->ShareInternet(public_guid, private_guid);
  }

  std::optional<SharingConnection> Listed(const std::u16string& device_name) {
    for (const SharingConnection& connection : service_->Connections()) {
      if (connection.device_name == device_name)
        return connection;
    }
    return std::nullopt;
  }

  // The calls the mock logged on `path` since the last ClearCalls there: method names only.
  std::vector<std::string> Calls(const std::string& path) {
    auto object = sdbus::createProxy(*control_, kNm, path);
    CallLog log;
    object->callMethod("GetCalls").onInterface(kMock).storeResultsTo(log);
    std::vector<std::string> names;
    for (const auto& call : log)
      names.push_back(std::get<1>(call));
    return names;
  }

  void ClearCalls(const std::string& path) {
    sdbus::createProxy(*control_, kNm, path)->callMethod("ClearCalls").onInterface(kMock);
  }

  std::string HotspotProfile() {
    for (const auto& active : ActiveConnections()) {
      auto proxy = sdbus::createProxy(*control_, kNm, active);
      if (proxy->getProperty("Id").onInterface(kActive).get<std::string>() == "Tavlo")
        return proxy->getProperty("Connection").onInterface(kActive).get<sdbus::ObjectPath>();
    }
    return {};
  }

  std::vector<sdbus::ObjectPath> ActiveConnections() {
    return sdbus::createProxy(*control_, kNm, kNmPath)
        ->getProperty("ActiveConnections")
        .onInterface(kNm)
        .get<std::vector<sdbus::ObjectPath>>();
  }

  test::ScopedTempDir dir_;
  std::unique_ptr<config::CConfigCenterImpl> store_;
  std::unique_ptr<sdbus::IConnection> control_;
  std::unique_ptr<sdbus::IProxy> mock_;
  std::string wired_, spare_;
  std::unique_ptr<NmWirelessDriver> hotspot_;
  GUID hotspot_device_id_ = GUID_NULL;
  std::unique_ptr<ConnectionSharingService> service_;
  std::unique_ptr<ics::CIcsManager> ics_;
};

TEST_F(NmSharingDriverTest, ListsTheDevicesWithAnActiveConnectionAndOurHotspotOnceItRuns) {
  StartNetworkManager();
  StartService();
  // eth2 has no active connection; wlan0 is listed as the hotspot's adapter, off.
  ASSERT_EQ(service_->Connections().size(), 3u);
  const std::optional<SharingConnection> adapter = Listed(u"wlan0");
  ASSERT_TRUE(adapter);
  EXPECT_EQ(adapter->name, u"Tavlo");
  EXPECT_EQ(adapter->status, NCS_MEDIA_DISCONNECTED);
  const std::optional<SharingConnection> wired = Listed(u"eth0");
  ASSERT_TRUE(wired);
  EXPECT_EQ(wired->name, u"有线连接 1");
  EXPECT_EQ(base::GuidToString(wired->guid), "{3C5A1B2E-7D4F-4E8A-9B10-2F6C8D9E0A1B}");
  EXPECT_EQ(wired->status, NCS_CONNECTED);
  EXPECT_EQ(wired->media_type, NCM_LAN);
  ASSERT_TRUE(Listed(u"eth1"));
  EXPECT_EQ(Listed(u"eth1")->guid, Guid(kSpareUuid));

  StartHotspot();
  ASSERT_EQ(service_->Connections().size(), 3u);
  const std::optional<SharingConnection> hotspot = Listed(u"wlan0");
  ASSERT_TRUE(hotspot);
  EXPECT_EQ(hotspot->name, u"Tavlo");
  EXPECT_EQ(hotspot->guid, adapter->guid) << "the same adapter, on or off";
  EXPECT_EQ(hotspot->guid, hotspot_device_id_) << "the wireless service's device id";
  EXPECT_EQ(hotspot->status, NCS_CONNECTED);
  EXPECT_EQ(hotspot->media_type, NCM_LAN);

  hotspot_->StopAccessPoint();
  ASSERT_TRUE(Listed(u"wlan0"));
  EXPECT_EQ(Listed(u"wlan0")->status, NCS_MEDIA_DISCONNECTED);
}

TEST_F(NmSharingDriverTest, StatusAndMediaTypeFollowTheDevice) {
  StartNetworkManager();
  StartService();
  const std::string eth1 = "/org/freedesktop/NetworkManager/Devices/eth1";
  auto set = [&](const char* name, uint32_t value) {
    mock_->callMethod("SetProperty")
        .onInterface(kMock)
        .withArguments(eth1, std::string("org.freedesktop.NetworkManager.Device"),
                       std::string(name), sdbus::Variant(value));
  };
  struct Case {
    uint32_t state, type;
    NETCON_STATUS status;
    NETCON_MEDIATYPE media;
  };
  const Case cases[] = {{70, 1, NCS_CONNECTING, NCM_LAN},          // IP_CONFIG, ethernet
                        {20, 1, NCS_MEDIA_DISCONNECTED, NCM_LAN},  // no carrier
                        {110, 8, NCS_DISCONNECTING, NCM_PHONE},    // a modem going down
                        {100, 29, NCS_CONNECTED, NCM_TUNNEL}};     // WireGuard
  for (const Case& c : cases) {
    set("State", c.state);
    set("DeviceType", c.type);
    const std::optional<SharingConnection> spare = Listed(u"eth1");
    ASSERT_TRUE(spare) << c.state;
    EXPECT_EQ(spare->status, c.status) << c.state;
    EXPECT_EQ(spare->media_type, c.media) << c.state;
  }
}

TEST_F(NmSharingDriverTest, SharesTheDefaultRouteOntoOurHotspotWithoutChangingAnything) {
  StartNetworkManager();
  StartHotspot();
  StartService();
  const std::string profile = HotspotProfile();
  ASSERT_FALSE(profile.empty());
  for (const std::string& path :
       {std::string(kNmPath), std::string(kSettingsPath), profile, wired_})
    ClearCalls(path);

  const GUID hotspot = Listed(u"wlan0").value().guid;
  GUID internet = GUID_NULL;
  ASSERT_EQ(service_->FindInternetConnection(&internet), S_OK);
  EXPECT_EQ(internet, Guid(kWiredUuid)) << "the default route, not the Wi-Fi interface";
  ASSERT_EQ(ShareInternet(Guid(kWiredUuid), hotspot), S_OK);
  EXPECT_EQ(service_->Role(Guid(kWiredUuid)), ICSSHARINGTYPE_PUBLIC);
  EXPECT_EQ(service_->Role(hotspot), ICSSHARINGTYPE_PRIVATE);
  // Switching sharing off again touches nothing either.
  ics_->DisableAllSharing();
  EXPECT_FALSE(service_->Role(hotspot));

  // Only reads: no activation, deactivation, update or deletion anywhere.
  EXPECT_TRUE(Calls(kNmPath).empty());
  EXPECT_TRUE(Calls(kSettingsPath).empty());
  for (const std::string& path : {profile, wired_}) {
    for (const std::string& call : Calls(path))
      EXPECT_EQ(call, "GetSettings") << path;
  }
  EXPECT_EQ(ActiveConnections().size(), 3u);
}

TEST_F(NmSharingDriverTest, RolesWhereNetworkManagerDoesNotShareAreRefused) {
  StartNetworkManager();
  StartService();
  // Before the hotspot runs: no private side at all, and public only on the default route.
  EXPECT_EQ(ShareInternet(Guid(kWiredUuid), Guid(kSpareUuid)), services::kSharingRoleTaken);
  EXPECT_EQ(service_->Role(Guid(kWiredUuid)), ICSSHARINGTYPE_PUBLIC);
  EXPECT_FALSE(service_->Role(Guid(kSpareUuid)));

  StartHotspot();
  ASSERT_EQ(ics_->ResetConnections(), S_OK);
  const GUID hotspot = Listed(u"wlan0").value().guid;
  EXPECT_EQ(ShareInternet(Guid(kSpareUuid), hotspot), services::kSharingRoleTaken);
  EXPECT_FALSE(service_->Role(Guid(kSpareUuid)));
  EXPECT_FALSE(service_->Role(hotspot));
  // Our hotspot never becomes the public side.
  EXPECT_EQ(ShareInternet(hotspot, Guid(kWiredUuid)), services::kSharingRoleTaken);
  EXPECT_EQ(ShareInternet(Guid(kWiredUuid), hotspot), S_OK);
}

TEST_F(NmSharingDriverTest, ASharedAccessPointOfSomeoneElseIsNotOurs) {
  StartNetworkManager();
  std::string wifi;
  mock_->callMethod("AddWiFiDevice")
      .onInterface(kMock)
      .withArguments(std::string("wlan1"), std::string("wlan1"), int32_t{30})
      .storeResultsTo(wifi);
  mock_->callMethod("SetWirelessCapabilities")
      .onInterface(kMock)
      .withArguments(sdbus::ObjectPath(wifi), uint32_t{0x40});
  // The same id and mode, but not shared: a plain access point the user made.
  Settings settings;
  settings["connection"]["id"] = sdbus::Variant(std::string("Tavlo"));
  settings["connection"]["type"] = sdbus::Variant(std::string("802-11-wireless"));
  settings["802-11-wireless"]["mode"] = sdbus::Variant(std::string("ap"));
  settings["ipv4"]["method"] = sdbus::Variant(std::string("manual"));
  sdbus::ObjectPath profile, active;
  Options result;
  sdbus::createProxy(*control_, kNm, kNmPath)
      ->callMethod("AddAndActivateConnection2")
      .onInterface(kNm)
      .withArguments(settings, sdbus::ObjectPath(wifi), sdbus::ObjectPath("/"), Options{})
      .storeResultsTo(profile, active, result);
  StartService();
  std::optional<SharingConnection> theirs;
  ASSERT_TRUE(WaitFor([&] {
    theirs = Listed(u"wlan1");
    return theirs && theirs->status == NCS_CONNECTED;
  }));
  EXPECT_EQ(ShareInternet(Guid(kWiredUuid), theirs->guid), services::kSharingRoleTaken);
  EXPECT_FALSE(service_->Role(theirs->guid));
}

TEST_F(NmSharingDriverTest, WithoutNetworkManagerNothingIsListedAndNothingIsShared) {
  StartService();
  EXPECT_TRUE(service_->Connections().empty());
  EXPECT_EQ(ShareInternet(Guid(kWiredUuid), Guid(kSpareUuid)), E_INVALIDARG);
  NmSharingDriver driver;
  EXPECT_EQ(driver.ApplyRole(Guid(kWiredUuid), ICSSHARINGTYPE_PUBLIC),
            HresultFromWin32(ERROR_SERVICE_NOT_ACTIVE));
  EXPECT_TRUE(driver.LoadRoles().empty());

  GUID internet = Guid(kSpareUuid);
  EXPECT_EQ(service_->FindInternetConnection(&internet), S_OK);
  EXPECT_EQ(internet, GUID_NULL) << "nothing to share: a GUID nothing has";

  // Found once it comes.
  StartNetworkManager();
  EXPECT_EQ(service_->Connections().size(), 3u);
}

}  // namespace
