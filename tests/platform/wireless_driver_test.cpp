// The shared wireless service over a fake driver: what the service decides must not depend on
// which radio is underneath.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "base/result.h"
#include "platform/hosted_network_functions.h"
#include "platform/services/wireless_driver.h"
#include "platform/services/wireless_service.h"

namespace {

using platform::services::AccessPointInfo;
using platform::services::AccessPointSettings;
using platform::services::MacAddress;
using platform::services::WirelessDriver;
using platform::services::WirelessDriverEvents;
using platform::services::WirelessInterface;
using platform::services::WirelessPersistentState;
using platform::services::WirelessService;

// What the test lets the radio do, and what the service asked of it. Outlives the service.
struct FakeRadio {
  std::mutex mutex;
  WirelessDriverEvents* events = nullptr;
  bool radio_on = true;
  DWORD start_error = ERROR_SUCCESS;
  std::vector<AccessPointSettings> starts;
  int stops = 0;
  WirelessPersistentState stored;
  bool save_fails = false;
  int saves = 0;
};

class FakeDriver final : public WirelessDriver {
 public:
  explicit FakeDriver(FakeRadio& radio) : radio_(radio) {}
  void Attach(WirelessDriverEvents* events) override {
    std::lock_guard<std::mutex> guard(radio_.mutex);
    radio_.events = events;
  }
  bool RadioOn() const override {
    std::lock_guard<std::mutex> guard(radio_.mutex);
    return radio_.radio_on;
  }
  std::vector<WirelessInterface> Interfaces() const override {
    return {WirelessInterface{GUID{7, 7, 7, {7}}, wlan_interface_state_connected, u"fake"}};
  }
  DWORD StartAccessPoint(const AccessPointSettings& settings, AccessPointInfo* info) override {
    std::lock_guard<std::mutex> guard(radio_.mutex);
    radio_.starts.push_back(settings);
    if (radio_.start_error != ERROR_SUCCESS)
      return radio_.start_error;
    info->bssid = {0x02, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE};
    info->channel_frequency = 5180;
    return ERROR_SUCCESS;
  }
  void StopAccessPoint() override {
    std::lock_guard<std::mutex> guard(radio_.mutex);
    ++radio_.stops;
  }
  void LoadSettings(WirelessPersistentState* state) override {
    std::lock_guard<std::mutex> guard(radio_.mutex);
    *state = radio_.stored;
  }
  bool SaveSettings(const WirelessPersistentState& state) override {
    std::lock_guard<std::mutex> guard(radio_.mutex);
    if (radio_.save_fails)
      return false;
    radio_.stored = state;
    ++radio_.saves;
    return true;
  }

 private:
  FakeRadio& radio_;
};

struct Note {
  DWORD code;
  std::vector<BYTE> data;
};

struct Listener {
  std::mutex mutex;
  std::vector<Note> notes;
  static void Callback(const WLAN_NOTIFICATION_DATA* data, void* context) {
    auto* self = static_cast<Listener*>(context);
    const BYTE* bytes = static_cast<const BYTE*>(data->pData);
    std::lock_guard<std::mutex> guard(self->mutex);
    self->notes.push_back(
        Note{data->NotificationCode, std::vector<BYTE>(bytes, bytes + data->dwDataSize)});
  }
};

template <typename T>
T As(const Note& note) {
  T value{};
  EXPECT_EQ(note.data.size(), sizeof(T));
  std::memcpy(&value, note.data.data(), std::min(note.data.size(), sizeof(T)));
  return value;
}

class WirelessDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    radio_.stored.ssid.uSSIDLength = 4;
    std::memcpy(radio_.stored.ssid.ucSSID, "home", 4);
    const char kPass[] = "correct horse";
    radio_.stored.key.assign(kPass, kPass + sizeof(kPass));
    Open();
  }
  void TearDown() override { Close(); }
  void Open() {
    service_ = std::make_unique<WirelessService>(std::make_unique<FakeDriver>(radio_));
    DWORD version = 0;
    ASSERT_EQ(service_->WlanOpenHandle(2, nullptr, &version, &client_), 0u);
    ASSERT_EQ(service_->WlanRegisterNotification(client_, WLAN_NOTIFICATION_SOURCE_HNWK, FALSE,
                                                 &Listener::Callback, &listener_, nullptr, nullptr),
              0u);
  }
  void Close() {
    if (!service_)
      return;
    service_->WlanCloseHandle(client_, nullptr);
    service_.reset();
  }
  std::vector<Note> Delivered() {
    service_->WaitForDelivery();
    std::lock_guard<std::mutex> guard(listener_.mutex);
    return std::exchange(listener_.notes, {});
  }
  WirelessDriverEvents& Events() {
    std::lock_guard<std::mutex> guard(radio_.mutex);
    return *radio_.events;
  }

  FakeRadio radio_;
  Listener listener_;
  std::unique_ptr<WirelessService> service_;
  HANDLE client_ = nullptr;
};

TEST_F(WirelessDriverTest, StartHandsTheCheckedSettingsToTheDriverAndReportsItsAccessPoint) {
  ASSERT_EQ(service_->Start(), ERROR_SUCCESS);
  ASSERT_EQ(radio_.starts.size(), 1u);
  const AccessPointSettings& asked = radio_.starts[0];
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(asked.ssid.ucSSID), asked.ssid.uSSIDLength),
            "home");
  EXPECT_EQ(asked.key, radio_.stored.key);
  EXPECT_TRUE(asked.key_is_passphrase);

  WLAN_HOSTED_NETWORK_STATUS* status = nullptr;
  ASSERT_EQ(platform::BindWlanFunction<platform::WlanHostedNetworkQueryStatusFn>(
                *service_, "WlanHostedNetworkQueryStatus")(client_, &status, nullptr),
            0u);
  EXPECT_EQ(status->HostedNetworkState, wlan_hosted_network_active);
  EXPECT_EQ(status->ulChannelFrequency, 5180u);
  EXPECT_EQ(status->wlanHostedNetworkBSSID[1], 0xAA);
  service_->WlanFreeMemory(status);

  // A start without a usable key never reaches the radio.
  ASSERT_EQ(service_->Stop(), ERROR_SUCCESS);
  EXPECT_EQ(radio_.stops, 1);
  Close();
  radio_.stored.key.clear();
  Open();
  EXPECT_EQ(service_->Start(), ERROR_BAD_CONFIGURATION);
  EXPECT_EQ(radio_.starts.size(), 1u);
}

TEST_F(WirelessDriverTest, ADriverThatCannotStartTheAccessPointFailsTheStartWithItsCode) {
  radio_.start_error = ERROR_NOT_SUPPORTED;
  EXPECT_EQ(service_->Start(), ERROR_NOT_SUPPORTED);
  EXPECT_EQ(service_->GetSnapshot().state, wlan_hosted_network_idle);
  EXPECT_TRUE(Delivered().empty());  // nothing changed, so nothing is announced
  EXPECT_EQ(Events().OnStationJoined({1, 2, 3, 4, 5, 6}), ERROR_INVALID_STATE);

  radio_.start_error = ERROR_SUCCESS;
  EXPECT_EQ(service_->Start(), ERROR_SUCCESS);
  EXPECT_EQ(service_->GetSnapshot().state, wlan_hosted_network_active);
}

TEST_F(WirelessDriverTest, TheRadioGoingOffWhileActiveEndsTheNetworkAndSaysSo) {
  ASSERT_EQ(service_->Start(), ERROR_SUCCESS);
  ASSERT_EQ(Events().OnStationJoined({1, 2, 3, 4, 5, 6}), ERROR_SUCCESS);
  Delivered();

  Events().OnRadioChanged(false);
  std::vector<Note> notes = Delivered();
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].code, wlan_hosted_network_radio_state_change);
  EXPECT_EQ(As<WLAN_HOSTED_NETWORK_RADIO_STATE>(notes[0]).dot11SoftwareRadioState,
            dot11_radio_state_off);
  ASSERT_EQ(notes[1].code, wlan_hosted_network_state_change);
  const auto change = As<WLAN_HOSTED_NETWORK_STATE_CHANGE>(notes[1]);
  EXPECT_EQ(change.OldState, wlan_hosted_network_active);
  EXPECT_EQ(change.NewState, wlan_hosted_network_unavailable);
  EXPECT_EQ(change.StateChangeReason, wlan_hosted_network_reason_interface_unavailable);
  EXPECT_TRUE(service_->GetSnapshot().peers.empty());
  EXPECT_EQ(radio_.stops, 1);
  EXPECT_EQ(service_->Start(), ERROR_INVALID_STATE);

  // The same report again is no change; the radio back makes the network available.
  Events().OnRadioChanged(false);
  EXPECT_TRUE(Delivered().empty());
  Events().OnRadioChanged(true);
  notes = Delivered();
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(As<WLAN_HOSTED_NETWORK_STATE_CHANGE>(notes[1]).NewState, wlan_hosted_network_idle);
  EXPECT_EQ(service_->Start(), ERROR_SUCCESS);
}

TEST_F(WirelessDriverTest, StationReportsBecomePeerRecordsWithinTheLimit) {
  WLAN_HOSTED_NETWORK_CONNECTION_SETTINGS settings{radio_.stored.ssid, 1};
  ASSERT_EQ(platform::BindWlanFunction<platform::WlanHostedNetworkSetPropertyFn>(
                *service_, "WlanHostedNetworkSetProperty")(
                client_, wlan_hosted_network_opcode_connection_settings, sizeof(settings),
                &settings, nullptr, nullptr),
            0u);
  ASSERT_EQ(service_->Start(), ERROR_SUCCESS);
  Delivered();
  const MacAddress phone = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60};
  const MacAddress laptop = {0x11, 0x21, 0x31, 0x41, 0x51, 0x61};

  EXPECT_EQ(Events().OnStationJoined(phone), ERROR_SUCCESS);
  EXPECT_EQ(Events().OnStationJoined(phone), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(Events().OnStationJoined(laptop), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(Events().OnStationLeft(laptop), ERROR_NOT_FOUND);
  EXPECT_EQ(Events().OnStationLeft(phone), ERROR_SUCCESS);

  const std::vector<Note> notes = Delivered();
  ASSERT_EQ(notes.size(), 2u);
  const auto arrived = As<WLAN_HOSTED_NETWORK_DATA_PEER_STATE_CHANGE>(notes[0]);
  EXPECT_EQ(notes[0].code, wlan_hosted_network_peer_state_change);
  EXPECT_EQ(std::memcmp(arrived.NewState.PeerMacAddress, phone.data(), 6), 0);
  EXPECT_EQ(arrived.OldState.PeerAuthState, wlan_hosted_network_peer_state_invalid);
  EXPECT_EQ(arrived.NewState.PeerAuthState, wlan_hosted_network_peer_state_authenticated);
  EXPECT_EQ(arrived.PeerStateChangeReason, wlan_hosted_network_reason_peer_arrived);
  const auto departed = As<WLAN_HOSTED_NETWORK_DATA_PEER_STATE_CHANGE>(notes[1]);
  EXPECT_EQ(std::memcmp(departed.OldState.PeerMacAddress, phone.data(), 6), 0);
  EXPECT_EQ(departed.NewState.PeerAuthState, wlan_hosted_network_peer_state_invalid);
  EXPECT_EQ(departed.PeerStateChangeReason, wlan_hosted_network_reason_peer_departed);
}

TEST_F(WirelessDriverTest, AStoreThatRefusesKeepsThePreviousSettingsInForce) {
  radio_.save_fails = true;
  WLAN_HOSTED_NETWORK_REASON reason = wlan_hosted_network_reason_success;
  EXPECT_EQ(service_->Allow(false), ERROR_ACCESS_DENIED);
  BOOL off = FALSE;
  EXPECT_EQ(platform::BindWlanFunction<platform::WlanHostedNetworkSetPropertyFn>(
                *service_, "WlanHostedNetworkSetProperty")(
                client_, wlan_hosted_network_opcode_enable, sizeof(off), &off, &reason, nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(reason, wlan_hosted_network_reason_persistence_failed);
  EXPECT_TRUE(service_->GetSnapshot().enabled);
  EXPECT_EQ(service_->GetSnapshot().state, wlan_hosted_network_idle);

  radio_.save_fails = false;
  EXPECT_EQ(service_->Allow(false), ERROR_SUCCESS);
  EXPECT_FALSE(radio_.stored.enabled);
  EXPECT_FALSE(radio_.stored.adapter_installed);
  // What the store holds is what the next service starts from.
  Close();
  Open();
  EXPECT_EQ(service_->GetSnapshot().state, wlan_hosted_network_unavailable);
}

TEST_F(WirelessDriverTest, EndingTheServiceTakesTheAccessPointDownAndDetaches) {
  ASSERT_EQ(service_->Start(), ERROR_SUCCESS);
  Close();
  EXPECT_EQ(radio_.stops, 1);
  EXPECT_EQ(radio_.events, nullptr);
}

}  // namespace
