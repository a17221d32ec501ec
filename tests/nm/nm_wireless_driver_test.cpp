// The NetworkManager wireless driver under the shared wireless service, against the
// NetworkManager and wpa_supplicant stand-ins on a private bus.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <sdbus-c++/sdbus-c++.h>

#include "base/result.h"
#include "config/config_center_impl.h"
#include "nm/nm_test_names.h"
#include "nm/private_bus.h"
#include "nm/private_bus_test.h"
#include "platform/nm/nm_wireless_driver.h"
#include "platform/services/wireless_service.h"
#include "support/scoped_env.h"
#include "support/scoped_temp_dir.h"

namespace {

using namespace test::nm_names;

using test::WaitFor;

using platform::nm::NmWirelessDriver;
using platform::services::MacAddress;
using platform::services::WirelessPersistentState;
using platform::services::WirelessService;

constexpr char kMac[] = "02:00:00:aa:bb:cc";

struct Listener {
  std::mutex mutex;
  std::vector<std::pair<DWORD, std::vector<BYTE>>> notes;
  static void Callback(const WLAN_NOTIFICATION_DATA* data, void* context) {
    auto* self = static_cast<Listener*>(context);
    const BYTE* bytes = static_cast<const BYTE*>(data->pData);
    std::lock_guard<std::mutex> guard(self->mutex);
    self->notes.emplace_back(data->NotificationCode,
                             std::vector<BYTE>(bytes, bytes + data->dwDataSize));
  }
  template <typename T>
  std::vector<T> Of(DWORD code) {
    std::lock_guard<std::mutex> guard(mutex);
    std::vector<T> out;
    for (const auto& [c, data] : notes) {
      if (c != code || data.size() != sizeof(T))
        continue;
      T value;
      std::memcpy(&value, data.data(), sizeof(T));
      out.push_back(value);
    }
    return out;
  }
};

MacAddress Mac(const char* text) {
  MacAddress mac{};
  for (size_t i = 0; i < mac.size(); ++i)
    mac[i] = static_cast<BYTE>(std::stoi(std::string(text + 3 * i, 2), nullptr, 16));
  return mac;
}

class NmWirelessDriverTest : public test::PrivateBusTest {
 protected:
  void SetUp() override {
    PrivateBusTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    store_ = std::make_unique<config::CConfigCenterImpl>(dir_.path() / "config.db");
    WirelessPersistentState state;
    state.ssid.uSSIDLength = static_cast<ULONG>(kChineseSsid.size());
    std::memcpy(state.ssid.ucSSID, kChineseSsid.data(), kChineseSsid.size());
    const char kKey[] = "hotspot-key-1";
    state.key.assign(kKey, kKey + sizeof(kKey));
    ASSERT_TRUE(platform::services::StoredSettings(store_.get()).Save(state));
  }

  void TearDown() override {
    if (service_ && client_)
      service_->WlanCloseHandle(client_, nullptr);
    service_.reset();
  }

  // NetworkManager with one Wi-Fi device, wlan0, that can be an access point.
  void StartNetworkManager(uint32_t capabilities = 0x40 | 0x20) {
    ASSERT_TRUE(bus_->StartStandIn(test::PrivateBus::TemplateDir() / "nm_template.py", kNm,
                                   R"({"ActivationDelayMs": 20})"))
        << bus_->error();
    control_ = sdbus::createSystemBusConnection();
    mock_ = sdbus::createProxy(*control_, kNm, "/org/freedesktop");
    device_ = AddDevice("wlan0", capabilities, kMac);
  }

  std::string AddDevice(const std::string& name, uint32_t capabilities, const std::string& mac) {
    std::string path;
    mock_->callMethod("AddWiFiDevice")
        .onInterface(kMock)
        .withArguments(name, name, int32_t{30})
        .storeResultsTo(path);
    mock_->callMethod("SetWirelessCapabilities")
        .onInterface(kMock)
        .withArguments(path, capabilities);
    mock_->callMethod("SetPermHwAddress")
        .onInterface(kMock)
        .withArguments(sdbus::ObjectPath(path), mac);
    return path;
  }

  void StartSupplicant() {
    ASSERT_TRUE(bus_->StartStandIn(test::PrivateBus::TemplateDir() / "wpa_template.py", kWpa,
                                   R"({"Interfaces": ["wlan0"]})"))
        << bus_->error();
    auto root = sdbus::createProxy(*control_, kWpa, "/fi/w1/wpa_supplicant1");
    root->callMethod("GetInterface")
        .onInterface(kWpa)
        .withArguments("wlan0")
        .storeResultsTo(wpa_interface_);
  }

  NmWirelessDriver::Options DriverOptions() const {
    NmWirelessDriver::Options options;
    options.store = store_.get();
    options.login = "tester";
    options.activation_timeout = std::chrono::seconds(10);
    return options;
  }

  void StartService() {
    service_ =
        std::make_unique<WirelessService>(std::make_unique<NmWirelessDriver>(DriverOptions()));
    DWORD version = 0;
    ASSERT_EQ(service_->WlanOpenHandle(2, nullptr, &version, &client_), ERROR_SUCCESS);
    ASSERT_EQ(service_->WlanRegisterNotification(client_, WLAN_NOTIFICATION_SOURCE_HNWK, FALSE,
                                                 &Listener::Callback, &listener_, nullptr, nullptr),
              ERROR_SUCCESS);
  }

  WLAN_HOSTED_NETWORK_STATE State() const { return service_->GetSnapshot().state; }

  std::vector<sdbus::ObjectPath> ActiveConnections() {
    auto manager = sdbus::createProxy(*control_, kNm, kNmPath);
    return manager->getProperty("ActiveConnections")
        .onInterface(kNm)
        .get<std::vector<sdbus::ObjectPath>>();
  }

  uint32_t ActiveState(const std::string& path) {
    auto active = sdbus::createProxy(*control_, kNm, path);
    return active->getProperty("State").onInterface(kActive).get<uint32_t>();
  }

  std::vector<Call> ActivationCalls() {
    std::vector<Call> calls;
    mock_->callMethod("GetActivationCalls").onInterface(kMock).storeResultsTo(calls);
    return calls;
  }

  void Station(const char* method, const char* mac) {
    auto root = sdbus::createProxy(*control_, kWpa, "/fi/w1/wpa_supplicant1");
    root->callMethod(method).onInterface(kMock).withArguments(wpa_interface_, std::string(mac));
  }

  test::ScopedTempDir dir_;
  std::unique_ptr<config::CConfigCenterImpl> store_;
  std::unique_ptr<sdbus::IConnection> control_;
  std::unique_ptr<sdbus::IProxy> mock_;
  std::string device_;
  sdbus::ObjectPath wpa_interface_;
  Listener listener_;
  std::unique_ptr<WirelessService> service_;
  HANDLE client_ = nullptr;
};

TEST_F(NmWirelessDriverTest, StartSendsTheExactProfileAndComesUpActivated) {
  StartNetworkManager();
  StartService();
  ASSERT_EQ(State(), wlan_hosted_network_idle);
  ASSERT_EQ(service_->Start(), ERROR_SUCCESS);
  EXPECT_EQ(State(), wlan_hosted_network_active);

  const std::vector<sdbus::ObjectPath> active = ActiveConnections();
  ASSERT_EQ(active.size(), 1u);
  EXPECT_EQ(ActiveState(active[0]), 2u);  // ACTIVATED before Start returned

  std::vector<Call> calls = ActivationCalls();
  ASSERT_EQ(calls.size(), 1u);
  Settings& settings = std::get<0>(calls[0]);
  const sdbus::ObjectPath& device = std::get<1>(calls[0]);
  const sdbus::ObjectPath& specific = std::get<2>(calls[0]);
  Options& options = std::get<3>(calls[0]);
  EXPECT_EQ(device, device_);
  EXPECT_EQ(specific, "/");
  // Every key with its D-Bus type and value; nothing else is sent (no channel, no band).
  std::map<std::string, std::string> sent;
  for (auto& [group, keys] : settings) {
    for (auto& [key, value] : keys)
      sent[group + "." + key] = value.peekValueType();
  }
  const std::map<std::string, std::string> expected = {{"connection.id", "s"},
                                                       {"connection.type", "s"},
                                                       {"connection.permissions", "as"},
                                                       {"connection.autoconnect", "b"},
                                                       {"802-11-wireless.ssid", "ay"},
                                                       {"802-11-wireless.mode", "s"},
                                                       {"802-11-wireless-security.key-mgmt", "s"},
                                                       {"802-11-wireless-security.proto", "as"},
                                                       {"802-11-wireless-security.pairwise", "as"},
                                                       {"802-11-wireless-security.group", "as"},
                                                       {"802-11-wireless-security.psk", "s"},
                                                       {"ipv4.method", "s"},
                                                       {"ipv6.method", "s"}};
  EXPECT_EQ(sent, expected);
  EXPECT_EQ(settings["connection"]["id"].get<std::string>(), "Tavlo");
  EXPECT_EQ(settings["connection"]["type"].get<std::string>(), "802-11-wireless");
  EXPECT_EQ(settings["connection"]["permissions"].get<std::vector<std::string>>(),
            std::vector<std::string>{"user:tester:"});
  EXPECT_FALSE(settings["connection"]["autoconnect"].get<bool>());
  EXPECT_EQ(settings["802-11-wireless"]["ssid"].get<std::vector<uint8_t>>(),
            std::vector<uint8_t>(kChineseSsid.begin(), kChineseSsid.end()));
  EXPECT_EQ(settings["802-11-wireless"]["mode"].get<std::string>(), "ap");
  auto& security = settings["802-11-wireless-security"];
  EXPECT_EQ(security["key-mgmt"].get<std::string>(), "wpa-psk");
  EXPECT_EQ(security["proto"].get<std::vector<std::string>>(), std::vector<std::string>{"rsn"});
  EXPECT_EQ(security["pairwise"].get<std::vector<std::string>>(), std::vector<std::string>{"ccmp"});
  EXPECT_EQ(security["group"].get<std::vector<std::string>>(), std::vector<std::string>{"ccmp"});
  EXPECT_EQ(security["psk"].get<std::string>(), "hotspot-key-1");  // no terminating zero
  EXPECT_EQ(settings["ipv4"]["method"].get<std::string>(), "shared");
  EXPECT_EQ(settings["ipv6"]["method"].get<std::string>(), "ignore");
  ASSERT_EQ(options.size(), 2u);
  EXPECT_EQ(options["persist"].peekValueType(), "s");
  EXPECT_EQ(options["persist"].get<std::string>(), "volatile");
  EXPECT_EQ(options["bind-activation"].get<std::string>(), "dbus-client");

  // The access point's address is the device's.
  WLAN_HOSTED_NETWORK_STATUS* status = nullptr;
  ASSERT_EQ(service_->HostedNetworkQueryStatus(client_, &status), ERROR_SUCCESS);
  EXPECT_EQ(std::memcmp(status->wlanHostedNetworkBSSID, Mac(kMac).data(), 6), 0);
  service_->WlanFreeMemory(status);
}

TEST_F(NmWirelessDriverTest, StopDeactivatesOnlyItsOwnConnection) {
  StartNetworkManager();
  const std::string other_device = AddDevice("wlan1", 0, "02:00:00:11:22:33");
  Settings client;
  client["connection"]["id"] = sdbus::Variant(std::string("home"));
  client["connection"]["type"] = sdbus::Variant(std::string("802-11-wireless"));
  auto manager = sdbus::createProxy(*control_, kNm, kNmPath);
  sdbus::ObjectPath profile, other;
  Options result;
  manager->callMethod("AddAndActivateConnection2")
      .onInterface(kNm)
      .withArguments(client, sdbus::ObjectPath(other_device), sdbus::ObjectPath("/"), Options{})
      .storeResultsTo(profile, other, result);
  ASSERT_TRUE(WaitFor([&] { return ActiveState(other) == 2; }));

  StartService();
  ASSERT_EQ(service_->Start(), ERROR_SUCCESS);
  ASSERT_EQ(ActiveConnections().size(), 2u);
  ASSERT_EQ(service_->Stop(), ERROR_SUCCESS);
  EXPECT_EQ(State(), wlan_hosted_network_idle);
  EXPECT_EQ(ActiveConnections(), std::vector<sdbus::ObjectPath>{other});
  EXPECT_EQ(ActiveState(other), 2u);
}

TEST_F(NmWirelessDriverTest, ADeviceThatCannotBeAnAccessPointLeavesTheServiceUnavailable) {
  StartNetworkManager(0x20 | 0x10);
  StartService();
  EXPECT_EQ(State(), wlan_hosted_network_unavailable);
  EXPECT_EQ(service_->Start(), ERROR_INVALID_STATE);
  EXPECT_TRUE(ActivationCalls().empty());
  // Still listed: the interface is there, it only cannot host.
  WLAN_INTERFACE_INFO_LIST* list = nullptr;
  ASSERT_EQ(service_->WlanEnumInterfaces(client_, nullptr, &list), ERROR_SUCCESS);
  EXPECT_EQ(list->dwNumberOfItems, 1u);
  service_->WlanFreeMemory(list);
}

TEST_F(NmWirelessDriverTest, AFailedActivationGivesTheDeviceReasonsCode) {
  StartNetworkManager();
  StartService();
  mock_->callMethod("FailNextActivation").onInterface(kMock).withArguments(uint32_t{7});
  EXPECT_EQ(service_->Start(), ERROR_BAD_CONFIGURATION);  // NO_SECRETS
  EXPECT_EQ(State(), wlan_hosted_network_idle);
  EXPECT_TRUE(ActiveConnections().empty());
  // The next one comes up.
  EXPECT_EQ(service_->Start(), ERROR_SUCCESS);
}

TEST_F(NmWirelessDriverTest, RadioOffWhileActiveStopsTheHostedNetworkAndOnBringsItBack) {
  StartNetworkManager();
  StartService();
  ASSERT_EQ(service_->Start(), ERROR_SUCCESS);
  mock_->callMethod("SetWirelessEnabled").onInterface(kMock).withArguments(false);
  ASSERT_TRUE(WaitFor([&] { return State() == wlan_hosted_network_unavailable; }));
  EXPECT_FALSE(service_->GetSnapshot().radio_on);
  EXPECT_TRUE(ActiveConnections().empty());
  mock_->callMethod("SetWirelessEnabled").onInterface(kMock).withArguments(true);
  ASSERT_TRUE(WaitFor([&] { return State() == wlan_hosted_network_idle; }));
  EXPECT_EQ(service_->Start(), ERROR_SUCCESS);
}

TEST_F(NmWirelessDriverTest, AHotspotNetworkManagerEndsLeavesActive) {
  StartNetworkManager();
  StartService();
  ASSERT_EQ(service_->Start(), ERROR_SUCCESS);
  const std::vector<sdbus::ObjectPath> active = ActiveConnections();
  ASSERT_EQ(active.size(), 1u);
  mock_->callMethod("EndActiveConnection")
      .onInterface(kMock)
      .withArguments(active[0], uint32_t{36});  // device REMOVED
  ASSERT_TRUE(WaitFor([&] { return State() == wlan_hosted_network_idle; }));
  service_->WaitForDelivery();
  const auto changes =
      listener_.Of<WLAN_HOSTED_NETWORK_STATE_CHANGE>(wlan_hosted_network_state_change);
  ASSERT_FALSE(changes.empty());
  EXPECT_EQ(changes.back().OldState, wlan_hosted_network_active);
  EXPECT_EQ(changes.back().NewState, wlan_hosted_network_idle);
  EXPECT_EQ(changes.back().StateChangeReason, wlan_hosted_network_reason_miniport_stopped);
  // Started again, it comes up again.
  EXPECT_EQ(service_->Start(), ERROR_SUCCESS);
}

TEST_F(NmWirelessDriverTest, StationsComeFromWpaSupplicant) {
  StartNetworkManager();
  StartSupplicant();
  Station("StationJoin", "a4:5e:60:01:02:03");  // already there when the hotspot starts
  StartService();
  ASSERT_EQ(service_->Start(), ERROR_SUCCESS);
  auto peers = [&] { return service_->GetSnapshot().peers; };
  ASSERT_TRUE(WaitFor([&] { return peers().size() == 1; }));
  Station("StationJoin", "a4:5e:60:0a:0b:0c");
  ASSERT_TRUE(WaitFor([&] { return peers().size() == 2; }));
  Station("StationLeave", "a4:5e:60:01:02:03");
  ASSERT_TRUE(WaitFor([&] { return peers().size() == 1; }));
  EXPECT_EQ(peers(), std::vector<MacAddress>{Mac("a4:5e:60:0a:0b:0c")});
  service_->WaitForDelivery();
  const auto notes = listener_.Of<WLAN_HOSTED_NETWORK_DATA_PEER_STATE_CHANGE>(
      wlan_hosted_network_peer_state_change);
  ASSERT_EQ(notes.size(), 3u);
  EXPECT_EQ(notes[0].PeerStateChangeReason, wlan_hosted_network_reason_peer_arrived);
  EXPECT_EQ(notes[1].PeerStateChangeReason, wlan_hosted_network_reason_peer_arrived);
  EXPECT_EQ(notes[2].PeerStateChangeReason, wlan_hosted_network_reason_peer_departed);
  EXPECT_EQ(notes[2].OldState.PeerMacAddress[5], 0x03);
}

TEST_F(NmWirelessDriverTest, WithoutNetworkManagerTheServiceIsUnavailable) {
  StartService();
  EXPECT_EQ(State(), wlan_hosted_network_unavailable);
  EXPECT_EQ(service_->Start(), ERROR_INVALID_STATE);
  WLAN_INTERFACE_INFO_LIST* list = nullptr;
  ASSERT_EQ(service_->WlanEnumInterfaces(client_, nullptr, &list), ERROR_SUCCESS);
  EXPECT_EQ(list->dwNumberOfItems, 0u);
  service_->WlanFreeMemory(list);
}

TEST_F(NmWirelessDriverTest, NetworkManagerArrivingLaterMakesTheServiceAvailable) {
  StartService();
  ASSERT_EQ(State(), wlan_hosted_network_unavailable);
  StartNetworkManager();
  ASSERT_TRUE(WaitFor([&] { return State() == wlan_hosted_network_idle; }));
  EXPECT_EQ(service_->Start(), ERROR_SUCCESS);
}

TEST_F(NmWirelessDriverTest, InterfacesListTheAccessPointFirstWithGuidsStableAcrossRuns) {
  StartNetworkManager(0x20);  // wlan0 cannot host
  AddDevice("wlan1", 0x40, "02:00:00:11:22:33");
  std::vector<platform::services::WirelessInterface> first, second;
  {
    NmWirelessDriver driver(DriverOptions());
    EXPECT_TRUE(driver.RadioOn());
    first = driver.Interfaces();
  }
  second = NmWirelessDriver(DriverOptions()).Interfaces();
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first[0].description, u"wlan1");
  EXPECT_EQ(first[1].description, u"wlan0");
  EXPECT_NE(first[0].guid, GUID_NULL);
  EXPECT_NE(first[0].guid, first[1].guid);
  ASSERT_EQ(second.size(), 2u);
  EXPECT_EQ(second[0].guid, first[0].guid);
  EXPECT_EQ(second[1].guid, first[1].guid);
}

}  // namespace
