#include "platform/sim/wireless_service.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "base/result.h"
#include "platform/hosted_network_functions.h"
#include "platform/sim/wireless_state_file.h"
#include "support/scoped_temp_dir.h"

namespace {

using platform::sim::MacAddress;
using platform::sim::WirelessService;

struct Received {
  DWORD code;
  std::vector<BYTE> data;
  std::thread::id thread;
};

// Collects what the service delivers, as the program's callback would see it.
struct Listener {
  std::mutex mutex;
  std::vector<Received> received;
  std::function<void()> during_callback;

  static void Callback(const WLAN_NOTIFICATION_DATA* data, void* context) {
    auto* self = static_cast<Listener*>(context);
    if (self->during_callback)
      self->during_callback();
    const BYTE* bytes = static_cast<const BYTE*>(data->pData);
    std::lock_guard<std::mutex> guard(self->mutex);
    self->received.push_back(Received{data->NotificationCode,
                                      std::vector<BYTE>(bytes, bytes + data->dwDataSize),
                                      std::this_thread::get_id()});
  }
  std::vector<Received> Take() {
    std::lock_guard<std::mutex> guard(mutex);
    return std::exchange(received, {});
  }
};

class WirelessServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    service_ = std::make_unique<WirelessService>(dir_.path());
    DWORD version = 0;
    ASSERT_EQ(service_->WlanOpenHandle(2, nullptr, &version, &client_), 0u);
    ASSERT_EQ(service_->WlanRegisterNotification(client_, WLAN_NOTIFICATION_SOURCE_HNWK, FALSE,
                                                 &Listener::Callback, &listener_, nullptr, nullptr),
              0u);
  }
  void TearDown() override {
    if (service_)
      service_->WlanCloseHandle(client_, nullptr);
  }
  DWORD SetPassphrase(const char* text, BOOL persistent = TRUE) {
    auto set_key = platform::BindWlanFunction<platform::WlanHostedNetworkSetSecondaryKeyFn>(
        *service_, "WlanHostedNetworkSetSecondaryKey");
    std::vector<BYTE> key(text, text + std::strlen(text) + 1);
    return set_key(client_, static_cast<DWORD>(key.size()), key.data(), TRUE, persistent, nullptr,
                   nullptr);
  }
  DWORD InitSettings() {
    return platform::BindWlanFunction<platform::WlanHostedNetworkInitSettingsFn>(
        *service_, "WlanHostedNetworkInitSettings")(client_, nullptr, nullptr);
  }
  // The (old, new) states of every state change received so far.
  std::vector<std::pair<DWORD, DWORD>> StateChanges() {
    service_->WaitForDelivery();
    std::vector<std::pair<DWORD, DWORD>> changes;
    for (const Received& r : listener_.Take()) {
      if (r.code != wlan_hosted_network_state_change)
        continue;
      EXPECT_EQ(r.data.size(), 12u);
      WLAN_HOSTED_NETWORK_STATE_CHANGE change;
      std::memcpy(&change, r.data.data(), sizeof(change));
      changes.emplace_back(change.OldState, change.NewState);
    }
    return changes;
  }

  test::ScopedTempDir dir_;
  std::unique_ptr<WirelessService> service_;
  HANDLE client_ = nullptr;
  Listener listener_;
};

TEST_F(WirelessServiceTest, AllowStartStopMoveTheStatesAndAnnounceEachChange) {
  using P = std::pair<DWORD, DWORD>;
  EXPECT_EQ(service_->GetSnapshot().state, wlan_hosted_network_idle);
  EXPECT_EQ(service_->Start(), ERROR_BAD_CONFIGURATION);  // no SSID and no key yet
  ASSERT_EQ(InitSettings(), 0u);
  ASSERT_EQ(SetPassphrase("secret-pass"), 0u);
  EXPECT_EQ(service_->Allow(false), 0u);
  EXPECT_EQ(service_->Start(), ERROR_INVALID_STATE);
  EXPECT_EQ(service_->Allow(true), 0u);
  EXPECT_EQ(service_->Start(), 0u);
  const GUID first = *service_->ActiveVirtualAdapter();
  EXPECT_EQ(service_->Stop(), 0u);
  EXPECT_EQ(service_->Stop(), ERROR_INVALID_STATE);
  EXPECT_FALSE(service_->ActiveVirtualAdapter());
  EXPECT_EQ(service_->Start(), 0u);
  EXPECT_EQ(*service_->ActiveVirtualAdapter(), first);  // the adapter keeps its GUID
  EXPECT_EQ(StateChanges(), (std::vector<P>{{1, 0}, {0, 1}, {1, 2}, {2, 1}, {1, 2}}));
}

TEST_F(WirelessServiceTest,
       StationsAreAnnouncedWith28BytesOnTheServiceThreadAndLeaveWithTheNetwork) {
  ASSERT_EQ(InitSettings(), 0u);
  ASSERT_EQ(SetPassphrase("secret-pass"), 0u);
  const MacAddress a{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}, b{2, 0, 0, 0, 0, 1};
  EXPECT_EQ(service_->StationJoin(a), ERROR_INVALID_STATE);
  ASSERT_EQ(service_->Start(), 0u);
  EXPECT_EQ(service_->StationJoin(a), 0u);
  EXPECT_EQ(service_->StationJoin(a), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(service_->StationJoin(b), 0u);
  EXPECT_EQ(service_->StationLeave(a), 0u);
  EXPECT_EQ(service_->StationLeave(a), ERROR_NOT_FOUND);
  service_->SetRadio(false);
  service_->WaitForDelivery();
  auto received = listener_.Take();
  ASSERT_EQ(received.size(), 6u);  // start, a joins, b joins, a leaves, radio, unavailable
  for (const Received& r : received)
    EXPECT_NE(r.thread, std::this_thread::get_id());
  WLAN_HOSTED_NETWORK_DATA_PEER_STATE_CHANGE peer;
  ASSERT_EQ(received[1].data.size(), 28u);
  std::memcpy(&peer, received[1].data.data(), sizeof(peer));
  EXPECT_EQ(peer.NewState.PeerAuthState, wlan_hosted_network_peer_state_authenticated);
  EXPECT_EQ(std::memcmp(peer.NewState.PeerMacAddress, a.data(), 6), 0);
  std::memcpy(&peer, received[3].data.data(), sizeof(peer));
  EXPECT_EQ(peer.NewState.PeerAuthState, wlan_hosted_network_peer_state_invalid);
  EXPECT_EQ(received[4].code, wlan_hosted_network_radio_state_change);
  EXPECT_EQ(received[4].data.size(), 8u);
  EXPECT_EQ(received[5].code, wlan_hosted_network_state_change);
  EXPECT_TRUE(service_->GetSnapshot().peers.empty());
}

TEST_F(WirelessServiceTest, ARadioSwitchedOffIsWhyAStartFails) {
  ASSERT_EQ(InitSettings(), 0u);
  ASSERT_EQ(SetPassphrase("secret-pass"), 0u);
  platform::HotspotDiagnosis& diagnosis = service_->diagnosis();
  service_->SetRadio(false);
  EXPECT_NE(service_->Start(), 0u);
  EXPECT_EQ(diagnosis.DiagnoseStart().problem, platform::StartProblem::kRadioOff);
  service_->SetRadio(true);
  service_->WaitForDelivery();
  EXPECT_EQ(diagnosis.DiagnoseStart().problem, platform::StartProblem::kNone);
  EXPECT_EQ(service_->Start(), 0u);
  // The access point runs beside the client connection.
  EXPECT_FALSE(diagnosis.StartWouldDropInternet());
}

TEST_F(WirelessServiceTest, ClosingWaitsForTheCallbackInProgress) {
  ASSERT_EQ(InitSettings(), 0u);
  ASSERT_EQ(SetPassphrase("secret-pass"), 0u);
  std::promise<void> entered, release;
  std::shared_future<void> released = release.get_future().share();
  listener_.during_callback = [&entered, released] {
    entered.set_value();
    released.wait();
  };
  ASSERT_EQ(service_->Start(), 0u);
  entered.get_future().wait();
  std::atomic<bool> closed{false};
  std::thread closer([&] {
    service_->WlanCloseHandle(client_, nullptr);
    closed = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(closed);
  release.set_value();
  closer.join();
  EXPECT_TRUE(closed);
  EXPECT_EQ(service_->GetSnapshot().open_clients, 0u);
}

TEST_F(WirelessServiceTest, PersistentSettingsSurviveARestartAndSessionKeysDoNot) {
  ASSERT_EQ(InitSettings(), 0u);
  ASSERT_EQ(SetPassphrase("kept-passphrase"), 0u);
  ASSERT_EQ(service_->Allow(false), 0u);
  auto before = service_->GetSnapshot();
  ASSERT_EQ(SetPassphrase("session-only", FALSE), 0u);
  EXPECT_FALSE(service_->GetSnapshot().key.persistent);
  service_->WlanCloseHandle(client_, nullptr);
  service_ = std::make_unique<WirelessService>(dir_.path());
  auto after = service_->GetSnapshot();
  EXPECT_FALSE(after.enabled);
  EXPECT_EQ(after.state, wlan_hosted_network_unavailable);
  EXPECT_EQ(std::memcmp(&after.settings, &before.settings, sizeof(after.settings)), 0);
  EXPECT_EQ(after.key.bytes, before.key.bytes);
  EXPECT_TRUE(after.key.persistent && after.key.is_passphrase);
  service_.reset();
}

TEST_F(WirelessServiceTest, PassphrasesARadioCannotUseAreRefusedAsTheRealServiceDoes) {
  ASSERT_EQ(InitSettings(), 0u);
  ASSERT_EQ(SetPassphrase("first-key"), 0u);
  const std::string refused[] = {
      "密码密码密码密码",    // eight characters, 24 bytes of UTF-8
      "pass\twd-tab",        // a control character
      "delete\x7F-key",      // DEL is not printable
      "seven77",             // too short
      std::string(64, 'g'),  // 64 characters that are not all hexadecimal
      std::string(65, 'a'),  // too long either way
      "caf\xC3\xA9-latte",   // one byte above ASCII is enough
  };
  for (const std::string& key : refused) {
    EXPECT_EQ(SetPassphrase(key.c_str()), ERROR_INVALID_PARAMETER) << key;
    EXPECT_EQ(SetPassphrase(key.c_str(), FALSE), ERROR_INVALID_PARAMETER) << key;
  }
  const std::vector<BYTE> first = {'f', 'i', 'r', 's', 't', '-', 'k', 'e', 'y', 0};
  EXPECT_EQ(service_->GetSnapshot().key.bytes, first) << "a refusal keeps the old key";

  const std::string accepted[] = {
      "12345678", " ~!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}", std::string(63, 'z'), std::string(64, 'F'),
      "0123456789abcdefABCDEF0123456789abcdefABCDEF0123456789abcdef0123"};
  for (const std::string& key : accepted)
    EXPECT_EQ(SetPassphrase(key.c_str()), 0u) << key;

  // A key an earlier version stored without this check cannot start the network.
  service_->WlanCloseHandle(client_, nullptr);
  service_.reset();
  platform::sim::WirelessStateFile file(dir_.path() / WirelessService::kStateFileName);
  platform::sim::WirelessPersistentState state;
  ASSERT_EQ(file.Load(&state), platform::sim::WirelessStateFile::LoadResult::kLoaded);
  const std::string old_key = "密码密码密码密码";
  state.key.assign(old_key.begin(), old_key.end());
  state.key.push_back(0);
  ASSERT_TRUE(file.Save(state));
  WirelessService restarted(dir_.path());
  EXPECT_EQ(restarted.Start(), ERROR_BAD_CONFIGURATION);
  EXPECT_EQ(restarted.GetSnapshot().state, wlan_hosted_network_idle);
}

TEST(WirelessStateFileTest, ADamagedFileReadsAsDefaultsAndIsKeptAsideOnTheNextSave) {
  test::ScopedTempDir dir;
  const auto path = dir.path() / WirelessService::kStateFileName;
  const std::string damaged = "enabled=0\nssid=zz\n";
  std::ofstream(path) << damaged;
  {
    WirelessService service(dir.path());
    EXPECT_TRUE(service.GetSnapshot().enabled);  // the default
    EXPECT_EQ(service.GetSnapshot().settings.hostedNetworkSSID.uSSIDLength, 0u);
  }
  std::string text((std::istreambuf_iterator<char>(std::ifstream(path).rdbuf())), {});
  EXPECT_EQ(text, damaged);  // merely reading changed nothing
  {
    WirelessService service(dir.path());
    EXPECT_EQ(service.Allow(false), 0u);
  }
  std::ifstream aside(path.string() + ".damaged");
  std::string kept((std::istreambuf_iterator<char>(aside)), {});
  EXPECT_EQ(kept, damaged);
  WirelessService reread(dir.path());
  EXPECT_FALSE(reread.GetSnapshot().enabled);
}

TEST(WirelessStateFileTest, ParseRejectsWhatItCannotReadWhole) {
  using platform::sim::WirelessStateFile;
  platform::sim::WirelessPersistentState state;
  state.ssid.uSSIDLength = 3;
  std::memcpy(state.ssid.ucSSID, "a=b", 3);
  state.key = {'x', 0};
  auto parsed = WirelessStateFile::Parse(WirelessStateFile::Serialize(state));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(WirelessStateFile::Serialize(*parsed), WirelessStateFile::Serialize(state));
  const std::vector<std::string> bad_files = {
      "enabled=2\n", "max_peers=101\n", "ssid=" + std::string(66, 'a') + "\n",
      "ssid=abc\n",  "bogus=1\n",       "enabled=1\nenabled=1\n",
      "enabled\n"};
  for (const std::string& bad : bad_files)
    EXPECT_FALSE(WirelessStateFile::Parse(bad)) << bad;
}

}  // namespace
