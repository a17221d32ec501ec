#include "hostednet/hosted_network.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "hosted_network_fixture.h"

namespace {

using test::HostedNetworkTest;
using test::Mac;
using Texts = std::vector<std::string>;

struct OpenFault {
  const char* name;
  std::function<void(platform::sim::WirelessService&)> inject;
  bool initialized;
  size_t clients_left_open;  // 0 after step F, 1 after step G or success
};

class OpenFaultTest : public HostedNetworkTest, public ::testing::WithParamInterface<OpenFault> {};

TEST_P(OpenFaultTest, OpenAbsorbsTheFailureAndLeavesTheClientAsTheStepSays) {
  GetParam().inject(service_);
  EXPECT_EQ(controller_.Open(), S_OK);
  auto snapshot = service_.GetSnapshot();
  EXPECT_EQ(Initialized(), GetParam().initialized);
  EXPECT_EQ(snapshot.open_clients, GetParam().clients_left_open);
  EXPECT_EQ(snapshot.outstanding_allocations, 0);  // every query buffer was freed
  if (!GetParam().initialized) {
    bool active = true;
    EXPECT_EQ(controller_.IsActive(&active), static_cast<HRESULT>(0x8007139F));
    EXPECT_TRUE(active);  // untouched
    EXPECT_EQ(controller_.RegisterSink(&sink_), 0u);
    service_.Allow(false);  // a state change that a stored sink would hear of
    EXPECT_TRUE(Calls().empty());
  }
}

using Service = platform::sim::WirelessService;
INSTANTIATE_TEST_SUITE_P(
    Steps,
    OpenFaultTest,
    ::testing::Values(
        OpenFault{"OpenHandleFails",
                  [](Service& s) { s.FailCalls("WlanOpenHandle", ERROR_SERVICE_NOT_ACTIVE); },
                  false, 0},
        OpenFault{"RegisterFails",
                  [](Service& s) { s.FailCalls("WlanRegisterNotification", ERROR_ACCESS_DENIED); },
                  false, 0},
        OpenFault{
            "InitSettingsFails",
            [](Service& s) { s.FailCalls("WlanHostedNetworkInitSettings", ERROR_ACCESS_DENIED); },
            false, 0},
        OpenFault{"InitSettingsMissing",
                  [](Service& s) { s.SetFunctionMissing("WlanHostedNetworkInitSettings", true); },
                  true, 1},
        OpenFault{"SecondQueryFails",
                  [](Service& s) {
                    s.FailCalls("WlanHostedNetworkQueryProperty", ERROR_ACCESS_DENIED, 1, 1);
                  },
                  false, 0},
        OpenFault{"QueryPropertyMissing",
                  [](Service& s) { s.SetFunctionMissing("WlanHostedNetworkQueryProperty", true); },
                  false, 1},
        OpenFault{"ConnectionSettingsShort",
                  [](Service& s) {
                    s.TruncateProperty(wlan_hosted_network_opcode_connection_settings, 39);
                  },
                  false, 1},
        OpenFault{"QueryStatusMissing",
                  [](Service& s) { s.SetFunctionMissing("WlanHostedNetworkQueryStatus", true); },
                  false, 1},
        OpenFault{
            "QueryStatusFails",
            [](Service& s) { s.FailCalls("WlanHostedNetworkQueryStatus", ERROR_ACCESS_DENIED); },
            false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostedNetworkTest, OpenBindsEachHostedFunctionAtEveryUseAndKeepsTheLibraryLoaded) {
  controller_.Open();
  ASSERT_TRUE(Initialized());
  auto snapshot = service_.GetSnapshot();
  EXPECT_EQ(snapshot.library_loads, 5);  // init, three property queries, status
  EXPECT_EQ(snapshot.library_releases, 0);
  // A second Open of an initialised controller does nothing.
  controller_.Open();
  EXPECT_EQ(service_.GetSnapshot().library_loads, 5);
  EXPECT_EQ(service_.GetSnapshot().open_clients, 1u);
  // A missing name gives the library back at once.
  service_.SetFunctionMissing("WlanHostedNetworkQueryStatus", true);
  GUID id;
  controller_.QueryDeviceId(&id);
  EXPECT_EQ(service_.GetSnapshot().library_loads, 6);
  EXPECT_EQ(service_.GetSnapshot().library_releases, 1);
}

TEST_F(HostedNetworkTest, ASecondOpenAfterAnUnfinishedOneReplacesTheClientItLeftOpen) {
  service_.SetFunctionMissing("WlanHostedNetworkQueryStatus", true);
  controller_.Open();
  service_.ClearFaults();
  controller_.Open();
  EXPECT_TRUE(Initialized());
  EXPECT_EQ(service_.GetSnapshot().open_clients, 1u);
}

TEST_F(HostedNetworkTest, RegisterSinkReplaysTheStationsOfAnActiveNetworkWithoutStarted) {
  StartWithStations({0x0A, 0x0B});
  controller_.Open();
  bool active = false;
  EXPECT_EQ(controller_.IsActive(&active), S_OK);
  EXPECT_TRUE(active);
  EXPECT_EQ(controller_.RegisterSink(&sink_), 0u);
  EXPECT_EQ(sink_.Take(), (Texts{"Joined 0A", "Joined 0B"}));
}

TEST_F(HostedNetworkTest, RegisterSinkReplaysUnavailableAndNothingForIdle) {
  controller_.Open();
  controller_.RegisterSink(&sink_);
  EXPECT_TRUE(sink_.Take().empty());  // idle
  service_.Allow(false);
  EXPECT_EQ(Calls(), (Texts{"Unavailable"}));
  test::RecordingSink second;
  controller_.RegisterSink(&second);
  EXPECT_EQ(second.Take(), (Texts{"Unavailable"}));
  controller_.Close();
}

TEST_F(HostedNetworkTest, StateChangesReportAsTheOldAndNewStatesSay) {
  Configure();
  controller_.Open();
  controller_.RegisterSink(&sink_);
  service_.Allow(false);  // idle -> unavailable
  service_.Allow(true);   // unavailable -> idle
  EXPECT_EQ(Calls(), (Texts{"Unavailable", "Idle"}));
  service_.Start();
  for (BYTE last : {1, 2, 3})
    service_.StationJoin(Mac(last));
  service_.SetRadio(false);  // active -> unavailable
  EXPECT_EQ(Calls(), (Texts{"Started", "Joined 01", "Joined 02", "Joined 03", "Left 01", "Left 02",
                            "Left 03", "Stopped", "Unavailable"}));
  service_.SetRadio(true);
  service_.Start();
  service_.StationJoin(Mac(4));
  service_.Stop();  // active -> idle: no Idle, the clearing ends with Stopped
  EXPECT_EQ(Calls(), (Texts{"Idle", "Started", "Joined 04", "Left 04", "Stopped"}));
  bool active = true;
  controller_.IsActive(&active);
  EXPECT_FALSE(active);
}

TEST_F(HostedNetworkTest, PeerNotificationsAreCheckedBySizeAndMatchedByAddress) {
  controller_.Open();
  controller_.RegisterSink(&sink_);
  auto peer = [](BYTE last, WLAN_HOSTED_NETWORK_PEER_AUTH_STATE state, DWORD reason) {
    WLAN_HOSTED_NETWORK_DATA_PEER_STATE_CHANGE change{};
    std::memcpy(change.NewState.PeerMacAddress, Mac(last).data(), 6);
    change.NewState.PeerAuthState = state;
    change.PeerStateChangeReason = static_cast<WLAN_HOSTED_NETWORK_REASON>(reason);
    return change;
  };
  auto inject = [this](const auto& change, DWORD size) {
    BYTE bytes[32] = {};
    std::memcpy(bytes, &change, sizeof(change));
    service_.InjectNotification(wlan_hosted_network_peer_state_change, bytes, size);
  };
  const auto join = peer(7, wlan_hosted_network_peer_state_authenticated, 20);
  inject(join, 24);
  inject(join, 32);
  inject(peer(7, static_cast<WLAN_HOSTED_NETWORK_PEER_AUTH_STATE>(5), 20), 28);
  service_.InjectNotification(wlan_hosted_network_peer_state_change, nullptr, 28);
  EXPECT_TRUE(Calls().empty());
  // The same address twice (reasons differ, so they are not duplicates): two entries.
  inject(join, 28);
  inject(peer(7, wlan_hosted_network_peer_state_authenticated, 0), 28);
  inject(peer(9, wlan_hosted_network_peer_state_invalid, 21), 28);  // not in the list
  inject(peer(7, wlan_hosted_network_peer_state_invalid, 21), 28);
  EXPECT_EQ(Calls(), (Texts{"Joined 07", "Joined 07", "Left 07"}));
  auto stations = sink_.stations();
  ASSERT_EQ(stations.size(), 3u);
  EXPECT_EQ(stations[2], stations[0]);    // the older entry left
  EXPECT_EQ(stations[1]->RefCount(), 2);  // the sink's and the list's
  WLAN_HOSTED_NETWORK_STATE_CHANGE bad_state{wlan_hosted_network_idle,
                                             static_cast<WLAN_HOSTED_NETWORK_STATE>(3),
                                             wlan_hosted_network_reason_success};
  service_.InjectNotification(wlan_hosted_network_state_change, &bad_state, sizeof(bad_state));
  WLAN_HOSTED_NETWORK_RADIO_STATE radio{dot11_radio_state_off, dot11_radio_state_on};
  service_.InjectNotification(wlan_hosted_network_radio_state_change, &radio, sizeof(radio));
  EXPECT_TRUE(Calls().empty());
}

TEST_F(HostedNetworkTest, FindConnectedInterfaceTakesTheFirstConnectedOne) {
  controller_.Open();
  GUID found = GUID_NULL;
  EXPECT_EQ(controller_.FindConnectedInterface(&found), S_FALSE);
  EXPECT_EQ(found, service_.WirelessInterfaceGuid());
  service_.SetRadio(false);
  GUID kept = base::NewGuid(), second = base::NewGuid();
  found = kept;
  EXPECT_EQ(controller_.FindConnectedInterface(&found), S_FALSE);
  EXPECT_EQ(found, kept);
  service_.AddInterface(base::NewGuid(), wlan_interface_state_disconnected, u"off");
  service_.AddInterface(second, wlan_interface_state_connected, u"second");
  EXPECT_EQ(controller_.FindConnectedInterface(&found), S_FALSE);
  EXPECT_EQ(found, second);
  service_.FailCalls("WlanEnumInterfaces", ERROR_ACCESS_DENIED, 1);
  EXPECT_EQ(controller_.FindConnectedInterface(&found), E_FAIL);
  EXPECT_EQ(service_.GetSnapshot().outstanding_allocations, 0);
}

TEST_F(HostedNetworkTest, CloseWaitsForTheSinkCallInProgressAndNoCallFollows) {
  Configure();
  controller_.Open();
  controller_.RegisterSink(&sink_);
  std::promise<void> entered, release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<int> calls{0};
  sink_.during_call = [&entered, released, &calls] {
    if (calls++ == 0) {
      entered.set_value();
      released.wait();
    }
  };
  service_.Start();
  entered.get_future().wait();
  service_.StationJoin(Mac(1));  // queued behind the blocked call
  std::atomic<bool> closed{false};
  std::thread closer([this, &closed] {
    controller_.Close();
    closed = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(closed);
  release.set_value();
  closer.join();
  service_.StationJoin(Mac(2));
  service_.WaitForDelivery();
  EXPECT_EQ(calls, 1);  // neither join reached the detached sink
  EXPECT_EQ(service_.GetSnapshot().open_clients, 0u);
}

TEST_F(HostedNetworkTest, CloseReleasesEachStationOnce) {
  StartWithStations({1, 2});
  controller_.Open();
  controller_.RegisterSink(&sink_);
  service_.StationJoin(Mac(3));
  service_.WaitForDelivery();
  auto stations = sink_.stations();
  ASSERT_EQ(stations.size(), 3u);
  for (CWlanStation* station : stations)
    EXPECT_EQ(station->RefCount(), 2);
  controller_.Close();
  controller_.Close();  // a second Close does nothing
  for (CWlanStation* station : stations)
    EXPECT_EQ(station->RefCount(), 1);  // only the sink's own reference is left
}

}  // namespace
