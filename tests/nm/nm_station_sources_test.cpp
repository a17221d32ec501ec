// The NetworkManager driver's two station sources, wpa_supplicant's signals and a second one
// (nl80211 in the program, a fake here): each join and leave is reported once.
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
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

using platform::nm::NmWirelessDriver;
using platform::nm::StationSource;
using platform::services::MacAddress;
using test::WaitFor;

const MacAddress kA = {0xa4, 0x5e, 0x60, 0x01, 0x02, 0x03};
const MacAddress kB = {0xa4, 0x5e, 0x60, 0x0a, 0x0b, 0x0c};
const MacAddress kSentinel = {0x02, 0, 0, 0, 0, 0x99};

// What the fake source was told, shared with the test.
struct FakeState {
  std::mutex mutex;
  StationSource::Callback callback;
  std::string ifname;
  int starts = 0;
  int stops = 0;

  bool Running() {
    std::lock_guard<std::mutex> guard(mutex);
    return static_cast<bool>(callback);
  }
  void Report(const MacAddress& mac, bool joined) {
    StationSource::Callback callback_copy;
    {
      std::lock_guard<std::mutex> guard(mutex);
      callback_copy = callback;
    }
    ASSERT_TRUE(callback_copy);
    callback_copy(mac, joined);
  }
};

class FakeSource final : public StationSource {
 public:
  explicit FakeSource(std::shared_ptr<FakeState> state) : state_(std::move(state)) {}
  bool Start(const std::string& ifname, Callback callback) override {
    std::lock_guard<std::mutex> guard(state_->mutex);
    state_->ifname = ifname;
    state_->callback = std::move(callback);
    ++state_->starts;
    return true;
  }
  void Stop() override {
    std::lock_guard<std::mutex> guard(state_->mutex);
    state_->callback = nullptr;
    ++state_->stops;
  }

 private:
  std::shared_ptr<FakeState> state_;
};

// Answers every station as new, as a sink that keeps no list of its own would.
struct CountingEvents final : platform::services::WirelessDriverEvents {
  std::mutex mutex;
  std::vector<std::pair<MacAddress, bool>> stations;
  void OnRadioChanged(bool) override {}
  void OnAccessPointStopped() override {}
  DWORD OnStationJoined(const MacAddress& mac) override { return Add(mac, true); }
  DWORD OnStationLeft(const MacAddress& mac) override { return Add(mac, false); }
  DWORD Add(const MacAddress& mac, bool joined) {
    std::lock_guard<std::mutex> guard(mutex);
    stations.emplace_back(mac, joined);
    return ERROR_SUCCESS;
  }
  std::vector<std::pair<MacAddress, bool>> Seen() {
    std::lock_guard<std::mutex> guard(mutex);
    return stations;
  }
  bool Saw(const MacAddress& mac) {
    for (const auto& [m, joined] : Seen()) {
      if (m == mac)
        return true;
    }
    return false;
  }
};

class NmStationSourcesTest : public test::PrivateBusTest {
 protected:
  void SetUp() override {
    PrivateBusTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    store_ = std::make_unique<config::CConfigCenterImpl>(dir_.path() / "config.db");
    ASSERT_TRUE(bus_->StartStandIn(test::PrivateBus::TemplateDir() / "nm_template.py", kNm,
                                   R"({"ActivationDelayMs": 20})"))
        << bus_->error();
    control_ = sdbus::createSystemBusConnection();
    auto mock = sdbus::createProxy(*control_, kNm, "/org/freedesktop");
    std::string path;
    mock->callMethod("AddWiFiDevice")
        .onInterface(kMock)
        .withArguments(std::string("wlan0"), std::string("wlan0"), int32_t{30})
        .storeResultsTo(path);
    mock->callMethod("SetWirelessCapabilities")
        .onInterface(kMock)
        .withArguments(path, uint32_t{0x40 | 0x20});
    ASSERT_TRUE(bus_->StartStandIn(test::PrivateBus::TemplateDir() / "wpa_template.py", kWpa,
                                   R"({"Interfaces": ["wlan0"]})"))
        << bus_->error();
    auto root = sdbus::createProxy(*control_, kWpa, "/fi/w1/wpa_supplicant1");
    root->callMethod("GetInterface")
        .onInterface(kWpa)
        .withArguments("wlan0")
        .storeResultsTo(wpa_interface_);
  }

  std::unique_ptr<NmWirelessDriver> MakeDriver() {
    NmWirelessDriver::Options options;
    options.store = store_.get();
    options.login = "tester";
    options.activation_timeout = std::chrono::seconds(10);
    options.station_source = [state = fake_] { return std::make_unique<FakeSource>(state); };
    options.on_access_point = [this](const std::string& ifname) {
      std::lock_guard<std::mutex> guard(ifnames_mutex_);
      ifnames_.push_back(ifname);
    };
    return std::make_unique<NmWirelessDriver>(std::move(options));
  }

  // wpa_supplicant's signal for `mac` on the access point's interface.
  void Supplicant(const MacAddress& mac, bool joined) {
    char text[18];
    std::snprintf(text, sizeof(text), "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    auto root = sdbus::createProxy(*control_, kWpa, "/fi/w1/wpa_supplicant1");
    root->callMethod(joined ? "StationJoin" : "StationLeave")
        .onInterface(kMock)
        .withArguments(wpa_interface_, std::string(text));
  }

  std::vector<std::string> Ifnames() {
    std::lock_guard<std::mutex> guard(ifnames_mutex_);
    return ifnames_;
  }

  test::ScopedTempDir dir_;
  std::unique_ptr<config::CConfigCenterImpl> store_;
  std::unique_ptr<sdbus::IConnection> control_;
  sdbus::ObjectPath wpa_interface_;
  std::shared_ptr<FakeState> fake_ = std::make_shared<FakeState>();
  std::mutex ifnames_mutex_;
  std::vector<std::string> ifnames_;
};

// Signals from wpa_supplicant arrive on the driver's own thread, the fake's reports at once;
// each step waits for something it can see, so repeats are in before what follows.
TEST_F(NmStationSourcesTest, BothSourcesSeeingAStationReportItOnceEachWay) {
  auto driver = MakeDriver();
  CountingEvents events;
  driver->Attach(&events);
  platform::services::AccessPointSettings settings;
  settings.ssid.uSSIDLength = 4;
  std::memcpy(settings.ssid.ucSSID, "test", 4);
  const char kKey[] = "hotspot-key-1";
  settings.key.assign(kKey, kKey + sizeof(kKey));
  platform::services::AccessPointInfo info;
  ASSERT_EQ(driver->StartAccessPoint(settings, &info), ERROR_SUCCESS);
  ASSERT_TRUE(fake_->Running());
  EXPECT_EQ(fake_->ifname, "wlan0");
  EXPECT_EQ(Ifnames(), std::vector<std::string>{"wlan0"});

  Supplicant(kA, true);
  Supplicant(kB, true);
  ASSERT_TRUE(WaitFor([&] { return events.Seen().size() == 2; }));
  fake_->Report(kA, true);  // the other source saw them too
  fake_->Report(kB, true);
  fake_->Report(kA, false);
  ASSERT_TRUE(WaitFor([&] { return events.Seen().size() == 3; }));
  Supplicant(kA, false);
  Supplicant(kB, false);
  ASSERT_TRUE(WaitFor([&] { return events.Seen().size() == 4; }));
  fake_->Report(kB, false);
  fake_->Report(kSentinel, true);  // reports are in order: all above are in when this is
  ASSERT_TRUE(WaitFor([&] { return events.Saw(kSentinel); }));

  const std::vector<std::pair<MacAddress, bool>> expected = {
      {kA, true}, {kB, true}, {kA, false}, {kB, false}, {kSentinel, true}};
  EXPECT_EQ(events.Seen(), expected);

  driver->StopAccessPoint();
  EXPECT_FALSE(fake_->Running());
  EXPECT_EQ(Ifnames(), (std::vector<std::string>{"wlan0", ""}));
  driver->Attach(nullptr);
}

TEST_F(NmStationSourcesTest, TheServiceCountsAStationOnceAndAgainAfterItLeft) {
  platform::services::WirelessPersistentState state;
  state.ssid.uSSIDLength = 4;
  std::memcpy(state.ssid.ucSSID, "test", 4);
  const char kKey[] = "hotspot-key-1";
  state.key.assign(kKey, kKey + sizeof(kKey));
  ASSERT_TRUE(platform::services::StoredSettings(store_.get()).Save(state));
  platform::services::WirelessService service(MakeDriver());
  ASSERT_EQ(service.Start(), ERROR_SUCCESS);
  auto peers = [&] { return service.GetSnapshot().peers; };
  fake_->Report(kA, true);  // nl80211 alone: wpa_supplicant may not be heard at all
  ASSERT_TRUE(WaitFor([&] { return peers().size() == 1; }));
  fake_->Report(kA, false);
  ASSERT_TRUE(WaitFor([&] { return peers().empty(); }));
  Supplicant(kA, true);  // back again, seen by the other source
  ASSERT_TRUE(WaitFor([&] { return peers().size() == 1; }));
  EXPECT_EQ(peers(), std::vector<MacAddress>{kA});
  ASSERT_EQ(service.Stop(), ERROR_SUCCESS);
  EXPECT_FALSE(fake_->Running());
}

}  // namespace
