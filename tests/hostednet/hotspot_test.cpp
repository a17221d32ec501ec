// The hotspot's start, stop and shutdown sequences against the simulated system, with a clock
// that records each pause in one log with the netsh lines.
#include "hostednet/hotspot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "hotspot_fixture.h"

namespace test {
namespace {

using platform::ICSSHARINGTYPE_PRIVATE;
using platform::ICSSHARINGTYPE_PUBLIC;
using platform::NCS_CONNECTED;
using platform::NCS_DISCONNECTED;
using platform::sim::SharingCall;
using platform::sim::SimSharingService;
using Log = std::vector<std::string>;

const Log kAllowAndStart = {"allow", "sleep 200", "start", "sleep 200"};
const Log kRerun = {"stop", "sleep 200", "start", "sleep 200"};

Log Concat(std::initializer_list<Log> parts) {
  Log all;
  for (const Log& part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST_F(HotspotTest, InitSharingSetsReadyAndAFirstStartFindsTheAdapterOnTheRetryPath) {
  ASSERT_EQ(InitSharing(), S_OK);
  EXPECT_TRUE(hotspot_->ready());
  EXPECT_NE(hotspot_->sink(), nullptr);
  EXPECT_EQ(hotspot_->connections().GetCount(), 2u);  // wired and wireless; no adapter yet
  EXPECT_EQ(ssid_result_, S_OK);
  EXPECT_FALSE(ssid_.empty());
  EXPECT_EQ(key_, u"40718253");
  EXPECT_FALSE(system_->wireless().GetSnapshot().enabled);

  // The table was taken before the network ran, so the first sharing step cannot find the
  // adapter: a fresh table, one re-run of stop and start, and the second step succeeds.
  EXPECT_TRUE(hotspot_->StartSharing());
  EXPECT_EQ(log_.Take(), Concat({kAllowAndStart, kRerun}));
  auto adapter = system_->wireless().ActiveVirtualAdapter();
  ASSERT_TRUE(adapter);
  EXPECT_EQ(hotspot_->device_id(), *adapter);
  EXPECT_EQ(hotspot_->public_interface_id(), Wireless());
  EXPECT_EQ(Role(Wireless()), ICSSHARINGTYPE_PUBLIC);
  EXPECT_EQ(Role(*adapter), ICSSHARINGTYPE_PRIVATE);
}

TEST_F(HotspotTest, StopLineRunsFirstOnlyWhenActiveAndSharingAlreadyRightChangesNothing) {
  ASSERT_EQ(InitSharing(), S_OK);
  ASSERT_TRUE(hotspot_->StartSharing());
  Settle();

  const int changes = SharingChanges();
  EXPECT_TRUE(hotspot_->StartSharing());  // active
  EXPECT_EQ(log_.Take(), Concat({{"stop"}, kAllowAndStart}));
  EXPECT_EQ(SharingChanges(), changes);

  hotspot_->StopHostedNetwork();
  EXPECT_EQ(log_.Take(), Log{"stop"});
  Settle();
  EXPECT_EQ(system_->wireless().GetSnapshot().state, wlan_hosted_network_idle);
  EXPECT_EQ(Role(Wireless()), ICSSHARINGTYPE_PUBLIC);  // a stop leaves sharing alone

  EXPECT_TRUE(hotspot_->StartSharing());  // idle
  EXPECT_EQ(log_.Take(), kAllowAndStart);

  system_->wireless().SetRadio(false);
  Settle();
  hotspot_->StopHostedNetwork();  // unavailable
  EXPECT_TRUE(log_.Take().empty());
}

TEST_F(HotspotTest, AnotherConnectionSharedFirstIsTurnedOffBeforePublicThenPrivate) {
  ASSERT_EQ(InitSharing(), S_OK);
  ASSERT_TRUE(hotspot_->StartSharing());
  const GUID adapter = hotspot_->device_id();
  const GUID wired = SimSharingService::WiredGuid();
  system_->sharing().SetStatus(wired, NCS_CONNECTED);
  ASSERT_EQ(hotspot_->sharing_manager()->ResetConnections(), S_OK);
  ASSERT_EQ(hotspot_->sharing_manager()->ShareInternet(wired, adapter), S_OK);
  Settle();

  EXPECT_TRUE(hotspot_->StartSharing());
  EXPECT_EQ(log_.Take(), Concat({{"stop"}, kAllowAndStart}));
  EXPECT_EQ(Role(wired), std::nullopt);
  EXPECT_EQ(Role(Wireless()), ICSSHARINGTYPE_PUBLIC);
  EXPECT_EQ(Role(adapter), ICSSHARINGTYPE_PRIVATE);
}

// Every pass fails, for a failing service or for a public side that cannot be shared.
class HotspotEveryPassFails : public HotspotTest, public ::testing::WithParamInterface<bool> {};

TEST_P(HotspotEveryPassFails, ThreePassesWithGrowingPausesThenFalse) {
  const bool service_fails = GetParam();
  ASSERT_EQ(InitSharing(), S_OK);
  ASSERT_TRUE(hotspot_->StartSharing());  // now the table lists the adapter
  hotspot_->StopHostedNetwork();
  hotspot_->sharing_manager()->DisableAllSharing();
  Settle();
  if (service_fails)
    system_->sharing().FailCall(SharingCall::kEnableSharing, E_FAIL, SimSharingService::kForever);
  else {
    // A table taken while the wireless connection was down: nothing to share from.
    system_->sharing().SetStatus(Wireless(), NCS_DISCONNECTED);
    ASSERT_EQ(hotspot_->sharing_manager()->ResetConnections(), S_OK);
  }
  const int enables = system_->sharing().CallCount(SharingCall::kEnableSharing);

  EXPECT_FALSE(hotspot_->StartSharing());
  EXPECT_EQ(log_.Take(),
            Concat({kAllowAndStart, kRerun, {"sleep 1000"}, kRerun, {"sleep 2000"}, kRerun}));
  // Six sharing steps; each one that finds both sides tries the public side once.
  EXPECT_EQ(system_->sharing().CallCount(SharingCall::kEnableSharing) - enables,
            service_fails ? 6 : 0);
}

INSTANTIATE_TEST_SUITE_P(Causes, HotspotEveryPassFails, ::testing::Bool());

TEST_F(HotspotTest, SFalseFromSharingEndsTheLoopAtOnceWithFalse) {
  ASSERT_EQ(InitSharing(), S_OK);
  ASSERT_TRUE(hotspot_->StartSharing());
  hotspot_->sharing_manager()->DisableAllSharing();
  Settle();
  system_->sharing().FailCall(SharingCall::kEnableSharing, S_FALSE, SimSharingService::kForever);

  EXPECT_FALSE(hotspot_->StartSharing());
  EXPECT_EQ(log_.Take(), Concat({{"stop"}, kAllowAndStart}));
}

TEST_F(HotspotTest, AFailingTableResetSkipsTheRerunsButKeepsThePauses) {
  ASSERT_EQ(InitSharing(), S_OK);  // the table has no adapter, so the first step fails
  system_->sharing().FailCall(SharingCall::kCreateInstance, E_FAIL, SimSharingService::kForever);

  EXPECT_FALSE(hotspot_->StartSharing());
  EXPECT_EQ(log_.Take(), Concat({kAllowAndStart, {"sleep 1000", "sleep 2000"}}));
}

TEST_F(HotspotTest, WithoutSharingInstalledNothingIsReadyAndShutdownTouchesNoSharing) {
  system_->sharing().SetInstalled(false);
  EXPECT_EQ(InitSharing(), E_UNEXPECTED);
  EXPECT_FALSE(hotspot_->ready());
  EXPECT_EQ(hotspot_->sharing_manager(), nullptr);
  EXPECT_EQ(hotspot_->sink(), nullptr);
  EXPECT_EQ(hotspot_->connections().GetCount(), 0u);
  EXPECT_FALSE(ics::IsNetshellBound());
  EXPECT_EQ(ssid_result_, kHostedNetworkNotReady);  // the controller never opened
  EXPECT_TRUE(ssid_.empty());

  EXPECT_FALSE(hotspot_->StartSharing());
  EXPECT_EQ(log_.Take(), kAllowAndStart);
  hotspot_->Shutdown();
  EXPECT_EQ(SharingChanges(), 0);
}

TEST_F(HotspotTest, AControllerThatDidNotOpenFailsInitializeAndStopsNothing) {
  system_->wireless().FailCalls("WlanOpenHandle", ERROR_ACCESS_DENIED, 1);
  EXPECT_EQ(InitSharing(), kHostedNetworkNotReady);
  EXPECT_FALSE(hotspot_->ready());
  EXPECT_EQ(hotspot_->sink(), nullptr);

  ConfigureService();
  ASSERT_EQ(system_->wireless().Start(), 0u);
  hotspot_->StopHostedNetwork();
  EXPECT_TRUE(log_.Take().empty());
  EXPECT_EQ(system_->wireless().GetSnapshot().state, wlan_hosted_network_active);
  hotspot_->Shutdown();
}

TEST_F(HotspotTest, ShutdownTurnsSharingAndTheEnablePropertyOffAndReleasesTheBackend) {
  ASSERT_EQ(InitSharing(), S_OK);
  ASSERT_TRUE(hotspot_->StartSharing());
  const GUID adapter = hotspot_->device_id();

  hotspot_->Shutdown();
  Settle();
  EXPECT_EQ(hotspot_->sharing_manager(), nullptr);
  EXPECT_FALSE(ics::IsNetshellBound());
  EXPECT_EQ(system_->sharing().LoadedBackendCount(), 0);
  EXPECT_EQ(Role(Wireless()), std::nullopt);
  EXPECT_EQ(Role(adapter), std::nullopt);
  auto snapshot = system_->wireless().GetSnapshot();
  EXPECT_FALSE(snapshot.enabled);
  EXPECT_EQ(snapshot.state, wlan_hosted_network_unavailable);
}

TEST_F(HotspotTest, ShutdownWithoutAManagerOnlySwitchesTheEnablePropertyOff) {
  ASSERT_EQ(InitSharing(), S_OK);
  ASSERT_TRUE(hotspot_->StartSharing());
  hotspot_.reset();  // the manager goes, sharing stays as it was
  EXPECT_EQ(Role(Wireless()), ICSSHARINGTYPE_PUBLIC);
  ASSERT_TRUE(system_->wireless().GetSnapshot().enabled);

  hotspot_ = std::make_unique<CHotspot>(&system_->wlan_api(), &code_page_, &clock_, &runner_,
                                        &system_->sharing_service());
  hotspot_->set_window(&window_);
  ASSERT_EQ(hotspot_->Initialize(), S_OK);
  const int changes = SharingChanges();
  hotspot_->Shutdown();
  EXPECT_FALSE(system_->wireless().GetSnapshot().enabled);
  EXPECT_EQ(SharingChanges(), changes);
  EXPECT_EQ(Role(Wireless()), ICSSHARINGTYPE_PUBLIC);
}

TEST_F(HotspotTest, DestroyingTheHotspotWhileStationsComeAndGoWaitsForTheSink) {
  ASSERT_EQ(InitSharing(), S_OK);
  ASSERT_TRUE(hotspot_->StartSharing());
  std::atomic<bool> done{false};
  std::thread stations([this, &done] {
    for (BYTE i = 0; !done; ++i) {
      system_->wireless().StationJoin({2, 0, 0, 0, 0, i});
      system_->wireless().StationLeave({2, 0, 0, 0, 0, i});
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  hotspot_.reset();  // also unbinds the backend of the manager that Shutdown did not delete
  done = true;
  stations.join();
}

}  // namespace
}  // namespace test
