// The NetworkManager and wpa_supplicant stand-ins, driven over D-Bus with sdbus-c++ exactly as
// an access-point backend would: these pin the methods, the D-Bus types and the order of signals
// that backend may rely on.
#include <errno.h>
#include <signal.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <sdbus-c++/sdbus-c++.h>

#include "nm/nm_test_names.h"
#include "nm/private_bus.h"
#include "support/scoped_env.h"

namespace {

using namespace test::nm_names;

constexpr uint32_t kActivating = 1, kActivated = 2, kDeactivating = 3, kDeactivated = 4;
// Active-connection reasons, as NetworkManager gives them for a device-backed activation.
constexpr uint32_t kAcUnknown = 0, kAcDeviceDisconnected = 3;
// Device states and device state reasons, which carry the real cause.
constexpr uint32_t kDevUnavailable = 20, kDevDisconnected = 30, kDevActivated = 100,
                   kDevDeactivating = 110, kDevFailed = 120;
constexpr uint32_t kDevNoSecrets = 7, kDevRemoved = 36, kDevConnectionRemoved = 38,
                   kDevUserRequested = 39;

struct StateChange {
  std::string path;
  uint32_t state;
  uint32_t reason;
  bool operator==(const StateChange&) const = default;
};

std::ostream& operator<<(std::ostream& out, const StateChange& c) {
  return out << c.path << " " << c.state << "/" << c.reason;
}

struct DeviceChange {
  uint32_t state;
  uint32_t old_state;
  uint32_t reason;
  bool operator==(const DeviceChange&) const = default;
};

std::ostream& operator<<(std::ostream& out, const DeviceChange& c) {
  return out << c.old_state << "->" << c.state << "/" << c.reason;
}

std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

// An access-point profile as the backend sends it, with NetworkManager's D-Bus types.
Settings HotspotProfile() {
  Settings s;
  s["connection"]["id"] = sdbus::Variant(std::string("Tavlo"));
  s["connection"]["uuid"] = sdbus::Variant(std::string("6f1c9ab2-4c1d-4d2e-9d4e-0a1b2c3d4e5f"));
  s["connection"]["type"] = sdbus::Variant(std::string("802-11-wireless"));
  s["connection"]["autoconnect"] = sdbus::Variant(false);
  s["connection"]["permissions"] = sdbus::Variant(std::vector<std::string>{"user:tester:"});
  s["802-11-wireless"]["mode"] = sdbus::Variant(std::string("ap"));
  s["802-11-wireless"]["ssid"] = sdbus::Variant(Bytes(kChineseSsid));
  s["802-11-wireless"]["band"] = sdbus::Variant(std::string("bg"));
  s["802-11-wireless"]["channel"] = sdbus::Variant(uint32_t{0});
  s["802-11-wireless-security"]["key-mgmt"] = sdbus::Variant(std::string("wpa-psk"));
  s["802-11-wireless-security"]["proto"] = sdbus::Variant(std::vector<std::string>{"rsn"});
  s["802-11-wireless-security"]["psk"] = sdbus::Variant(std::string("密码12345678"));
  s["802-11-wireless-security"]["psk-flags"] = sdbus::Variant(uint32_t{0});
  s["ipv4"]["method"] = sdbus::Variant(std::string("shared"));
  s["ipv6"]["method"] = sdbus::Variant(std::string("ignore"));
  return s;
}

Options HotspotOptions() {
  return {{"persist", sdbus::Variant(std::string("volatile"))},
          {"bind-activation", sdbus::Variant(std::string("dbus-client"))}};
}

class NmStandInTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string missing = test::PrivateBus::MissingTools(); !missing.empty())
      GTEST_SKIP() << missing;
    bus_ = std::make_unique<test::PrivateBus>();
    ASSERT_TRUE(bus_->ok()) << bus_->error();
    ASSERT_TRUE(bus_->StartStandIn(test::PrivateBus::TemplateDir() / "nm_template.py", kNm,
                                   R"({"ActivationDelayMs": 30})"))
        << bus_->error();
    // The backend opens the system bus; the variable sends it to the private one.
    system_bus_ = std::make_unique<test::ScopedEnv>("DBUS_SYSTEM_BUS_ADDRESS", bus_->address());
    connection_ = sdbus::createSystemBusConnection();
    manager_ = sdbus::createProxy(*connection_, kNm, kNmPath);
    mock_ = sdbus::createProxy(*connection_, kNm, "/org/freedesktop");
    // Path-less, before any activation, so no early state change is missed.
    state_slot_ = connection_->addMatch(std::string("type='signal',sender='") + kNm +
                                            "',interface='" + kActive + "',member='StateChanged'",
                                        [this](sdbus::Message& m) {
                                          StateChange c{m.getPath(), 0, 0};
                                          m >> c.state >> c.reason;
                                          changes_.push_back(c);
                                        });
    device_slot_ = connection_->addMatch(
        std::string("type='signal',sender='") + kNm +
            "',interface='org.freedesktop.NetworkManager.Device',member='StateChanged'",
        [this](sdbus::Message& m) {
          DeviceChange c{};
          m >> c.state >> c.old_state >> c.reason;
          device_changes_.push_back(c);
        });
    mock_->callMethod("AddWiFiDevice")
        .onInterface(kMock)
        .withArguments(std::string("wlan0"), std::string("wlan0"), int32_t{30})
        .storeResultsTo(device_);
  }

  std::tuple<sdbus::ObjectPath, sdbus::ObjectPath> Activate(const Settings& settings,
                                                            const Options& options) {
    sdbus::ObjectPath profile, active;
    Options result;
    manager_->callMethod("AddAndActivateConnection2")
        .onInterface(kNm)
        .withArguments(settings, sdbus::ObjectPath(device_), sdbus::ObjectPath("/"), options)
        .storeResultsTo(profile, active, result);
    return {profile, active};
  }

  // The D-Bus error name a call to the manager fails with; empty when it succeeds.
  std::string ActivationError(const Settings& settings, const Options& options) {
    try {
      Activate(settings, options);
    } catch (const sdbus::Error& e) {
      return e.getName();
    }
    return {};
  }

  std::vector<StateChange> ChangesOf(const std::string& path) const {
    std::vector<StateChange> out;
    for (const StateChange& c : changes_)
      if (c.path == path)
        out.push_back(c);
    return out;
  }

  bool WaitForState(const std::string& path, uint32_t state) {
    return test::PumpUntil(*connection_, [&] {
      for (const StateChange& c : changes_)
        if (c.path == path && c.state == state)
          return true;
      return false;
    });
  }

  std::vector<sdbus::ObjectPath> ActiveConnections() {
    return manager_->getProperty("ActiveConnections")
        .onInterface(kNm)
        .get<std::vector<sdbus::ObjectPath>>();
  }

  std::unique_ptr<test::PrivateBus> bus_;
  std::unique_ptr<test::ScopedEnv> system_bus_;
  std::unique_ptr<sdbus::IConnection> connection_;
  std::unique_ptr<sdbus::IProxy> manager_;
  std::unique_ptr<sdbus::IProxy> mock_;
  sdbus::Slot state_slot_;
  sdbus::Slot device_slot_;
  std::vector<StateChange> changes_;
  std::vector<DeviceChange> device_changes_;
  std::string device_;
};

TEST_F(NmStandInTest, ActivationGoesActivatingThenActivatedAndDeactivationEndsIt) {
  auto [profile, active] = Activate(HotspotProfile(), HotspotOptions());
  ASSERT_TRUE(WaitForState(active, kActivated));
  EXPECT_EQ(ChangesOf(active), (std::vector<StateChange>{{active, kActivating, kAcUnknown},
                                                         {active, kActivated, kAcUnknown}}));
  ASSERT_FALSE(device_changes_.empty());
  EXPECT_EQ(device_changes_.back().state, kDevActivated);
  auto active_proxy = sdbus::createProxy(*connection_, kNm, active);
  EXPECT_EQ(active_proxy->getProperty("State").onInterface(kActive).get<uint32_t>(), kActivated);
  EXPECT_EQ(active_proxy->getProperty("Devices")
                .onInterface(kActive)
                .get<std::vector<sdbus::ObjectPath>>(),
            std::vector<sdbus::ObjectPath>{sdbus::ObjectPath(device_)});
  EXPECT_EQ(ActiveConnections(), std::vector<sdbus::ObjectPath>{active});
  auto device = sdbus::createProxy(*connection_, kNm, device_);
  EXPECT_EQ(device->getProperty("ActiveConnection")
                .onInterface("org.freedesktop.NetworkManager.Device")
                .get<sdbus::ObjectPath>(),
            active);

  manager_->callMethod("DeactivateConnection").onInterface(kNm).withArguments(active);
  ASSERT_TRUE(WaitForState(active, kDeactivated));
  EXPECT_EQ(ChangesOf(active),
            (std::vector<StateChange>{{active, kActivating, kAcUnknown},
                                      {active, kActivated, kAcUnknown},
                                      {active, kDeactivating, kAcUnknown},
                                      {active, kDeactivated, kAcDeviceDisconnected}}));
  // Why it ended is told by the device only.
  EXPECT_EQ(device_changes_.back(),
            (DeviceChange{kDevDisconnected, kDevDeactivating, kDevUserRequested}));
  EXPECT_TRUE(ActiveConnections().empty());

  // Gone now: a second stop is refused as NetworkManager refuses it.
  try {
    manager_->callMethod("DeactivateConnection").onInterface(kNm).withArguments(active);
    ADD_FAILURE() << "deactivating twice succeeded";
  } catch (const sdbus::Error& e) {
    EXPECT_EQ(e.getName(), "org.freedesktop.NetworkManager.ConnectionNotActive");
  }
}

TEST_F(NmStandInTest, FailingActivationEndsWithItsReason) {
  mock_->callMethod("FailNextActivation").onInterface(kMock).withArguments(kDevNoSecrets);
  auto [profile, active] = Activate(HotspotProfile(), HotspotOptions());
  ASSERT_TRUE(WaitForState(active, kDeactivated));
  std::vector<StateChange> changes = ChangesOf(active);
  EXPECT_EQ(changes.front(), (StateChange{active, kActivating, kAcUnknown}));
  EXPECT_EQ(changes.back(), (StateChange{active, kDeactivated, kAcDeviceDisconnected}));
  bool failed_with_reason = false;
  for (const DeviceChange& c : device_changes_)
    failed_with_reason |= c.state == kDevFailed && c.reason == kDevNoSecrets;
  EXPECT_TRUE(failed_with_reason);
  for (const StateChange& c : changes)
    EXPECT_NE(c.state, kActivated) << c;
  EXPECT_TRUE(ActiveConnections().empty());

  // Only the next one fails.
  auto [profile2, active2] = Activate(HotspotProfile(), HotspotOptions());
  EXPECT_TRUE(WaitForState(active2, kActivated));
}

TEST_F(NmStandInTest, RefusesWhatNetworkManagerRefuses) {
  Settings wrong_channel = HotspotProfile();
  wrong_channel["802-11-wireless"]["channel"] = sdbus::Variant(int32_t{6});
  EXPECT_EQ(ActivationError(wrong_channel, HotspotOptions()),
            "org.freedesktop.NetworkManager.InvalidArguments");

  Settings ssid_as_text = HotspotProfile();
  ssid_as_text["802-11-wireless"]["ssid"] = sdbus::Variant(kChineseSsid);
  EXPECT_EQ(ActivationError(ssid_as_text, HotspotOptions()),
            "org.freedesktop.NetworkManager.InvalidArguments");

  Options unknown = HotspotOptions();
  unknown["lifetime"] = sdbus::Variant(std::string("short"));
  EXPECT_EQ(ActivationError(HotspotProfile(), unknown),
            "org.freedesktop.NetworkManager.InvalidArguments");
  Options bad_value = {{"persist", sdbus::Variant(std::string("forever"))}};
  EXPECT_EQ(ActivationError(HotspotProfile(), bad_value),
            "org.freedesktop.NetworkManager.InvalidArguments");

  mock_->callMethod("SetWirelessCapabilities")
      .onInterface(kMock)
      .withArguments(sdbus::ObjectPath(device_), uint32_t{0x3f});
  EXPECT_EQ(ActivationError(HotspotProfile(), HotspotOptions()),
            "org.freedesktop.NetworkManager.Device.IncompatibleConnection");

  // Refused calls are recorded too, so a test can see what was wrong with them.
  std::vector<Call> calls;
  mock_->callMethod("GetActivationCalls").onInterface(kMock).storeResultsTo(calls);
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(std::get<0>(calls[0])["802-11-wireless"]["channel"].peekValueType(), "i");
  EXPECT_TRUE(ActiveConnections().empty());
}

TEST_F(NmStandInTest, CapabilitiesAndRadioReadBackAndRadioOffEndsTheHotspot) {
  auto device = sdbus::createProxy(*connection_, kNm, device_);
  const char* wireless = "org.freedesktop.NetworkManager.Device.Wireless";
  const uint32_t caps = 0x40 | 0x20 | 0x100 | 0x200;  // AP, RSN, 2.4 GHz only
  mock_->callMethod("SetWirelessCapabilities")
      .onInterface(kMock)
      .withArguments(sdbus::ObjectPath(device_), caps);
  mock_->callMethod("SetPermHwAddress")
      .onInterface(kMock)
      .withArguments(sdbus::ObjectPath(device_), std::string("02:00:00:aa:bb:cc"));
  sdbus::Variant read_caps = device->getProperty("WirelessCapabilities").onInterface(wireless);
  EXPECT_EQ(read_caps.peekValueType(), "u");
  EXPECT_EQ(read_caps.get<uint32_t>(), caps);
  EXPECT_EQ(device->getProperty("PermHwAddress").onInterface(wireless).get<std::string>(),
            "02:00:00:aa:bb:cc");
  const char* dev_iface = "org.freedesktop.NetworkManager.Device";
  EXPECT_EQ(device->getProperty("Interface").onInterface(dev_iface).get<std::string>(), "wlan0");
  EXPECT_EQ(device->getProperty("DeviceType").onInterface(dev_iface).get<uint32_t>(), 2u);
  EXPECT_TRUE(manager_->getProperty("WirelessEnabled").onInterface(kNm).get<bool>());
  EXPECT_TRUE(manager_->getProperty("WirelessHardwareEnabled").onInterface(kNm).get<bool>());

  auto [profile, active] = Activate(HotspotProfile(), HotspotOptions());
  ASSERT_TRUE(WaitForState(active, kActivated));
  mock_->callMethod("SetWirelessEnabled").onInterface(kMock).withArguments(false);
  ASSERT_TRUE(WaitForState(active, kDeactivated));
  EXPECT_EQ(ChangesOf(active).back(), (StateChange{active, kDeactivated, kAcDeviceDisconnected}));
  EXPECT_EQ(device_changes_.back(), (DeviceChange{kDevUnavailable, kDevActivated, 0}));
  EXPECT_FALSE(manager_->getProperty("WirelessEnabled").onInterface(kNm).get<bool>());

  mock_->callMethod("SetWirelessEnabled").onInterface(kMock).withArguments(true);
  auto [profile2, active2] = Activate(HotspotProfile(), HotspotOptions());
  ASSERT_TRUE(WaitForState(active2, kActivated));
  mock_->callMethod("SetWirelessHardwareEnabled").onInterface(kMock).withArguments(false);
  ASSERT_TRUE(WaitForState(active2, kDeactivated));
  EXPECT_FALSE(manager_->getProperty("WirelessHardwareEnabled").onInterface(kNm).get<bool>());

  mock_->callMethod("SetWirelessHardwareEnabled").onInterface(kMock).withArguments(true);
  auto [profile3, active3] = Activate(HotspotProfile(), HotspotOptions());
  ASSERT_TRUE(WaitForState(active3, kActivated));
  mock_->callMethod("EndActiveConnection").onInterface(kMock).withArguments(active3, kDevRemoved);
  ASSERT_TRUE(WaitForState(active3, kDeactivated));
  EXPECT_EQ(device_changes_.back(),
            (DeviceChange{kDevDisconnected, kDevDeactivating, kDevRemoved}));
}

TEST_F(NmStandInTest, ActivationBoundToTheClientEndsWhenItsConnectionCloses) {
  auto client = sdbus::createSessionBusConnectionWithAddress(bus_->address());
  auto manager = sdbus::createProxy(*client, kNm, kNmPath);
  sdbus::ObjectPath profile, active;
  Options result;
  manager->callMethod("AddAndActivateConnection2")
      .onInterface(kNm)
      .withArguments(HotspotProfile(), sdbus::ObjectPath(device_), sdbus::ObjectPath("/"),
                     HotspotOptions())
      .storeResultsTo(profile, active, result);
  ASSERT_TRUE(WaitForState(active, kActivated));

  manager.reset();
  client.reset();  // as when the program is killed
  ASSERT_TRUE(WaitForState(active, kDeactivated));
  EXPECT_EQ(device_changes_.back(),
            (DeviceChange{kDevDisconnected, kDevDeactivating, kDevConnectionRemoved}));
  EXPECT_TRUE(ActiveConnections().empty());
}

}  // namespace
