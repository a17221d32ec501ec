// The hotspot's start, stop and shutdown sequences against the simulated system, with a clock
// that records each pause in one log with the netsh lines.
#include "hostednet/hotspot.h"

#include <gtest/gtest.h>

#include "hotspot_fixture.h"

namespace test {
namespace {

using platform::ICSSHARINGTYPE_PRIVATE;
using platform::ICSSHARINGTYPE_PUBLIC;
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
  EXPECT_FALSE(ssid_.empty());
  EXPECT_EQ(key_.size(), 12u);  // a random passphrase, stored for the next run
  EXPECT_EQ(system_->wireless().GetSnapshot().key.bytes.size(), 13u);
  EXPECT_FALSE(system_->wireless().GetSnapshot().enabled);

  // The table was taken before the network ran, so the first sharing step cannot find the
  // adapter: a fresh table, one re-run of stop and start, and the second step succeeds.
  EXPECT_TRUE(hotspot_->StartSharing());
  EXPECT_EQ(Take(), Concat({kAllowAndStart, kRerun}));
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
  EXPECT_EQ(Take(), Concat({{"stop"}, kAllowAndStart}));
  EXPECT_EQ(SharingChanges(), changes);

  hotspot_->StopHostedNetwork();
  EXPECT_EQ(Take(), Log{"stop"});
  Settle();
  EXPECT_EQ(system_->wireless().GetSnapshot().state, wlan_hosted_network_idle);
  EXPECT_EQ(Role(Wireless()), ICSSHARINGTYPE_PUBLIC);  // a stop leaves sharing alone

  EXPECT_TRUE(hotspot_->StartSharing());  // idle
  EXPECT_EQ(Take(), kAllowAndStart);
  system_->wireless().SetRadio(false);
  Settle();
  hotspot_->StopHostedNetwork();  // unavailable
  EXPECT_TRUE(Take().empty());
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
  if (service_fails) {
    system_->sharing().FailCall(SharingCall::kEnableSharing, E_FAIL, SimSharingService::kForever);
  } else {
    // A table taken while the wireless connection was down: nothing to share from.
    system_->sharing().SetStatus(Wireless(), platform::NCS_DISCONNECTED);
    ASSERT_EQ(hotspot_->sharing_manager()->ResetConnections(), S_OK);
  }
  const int enables = system_->sharing().CallCount(SharingCall::kEnableSharing);

  EXPECT_FALSE(hotspot_->StartSharing());
  EXPECT_EQ(Take(),
            Concat({kAllowAndStart, kRerun, {"sleep 1000"}, kRerun, {"sleep 2000"}, kRerun}));
  // Six sharing steps; each one that finds both sides tries the public side once.
  EXPECT_EQ(system_->sharing().CallCount(SharingCall::kEnableSharing) - enables,
            service_fails ? 6 : 0);
}

INSTANTIATE_TEST_SUITE_P(Causes, HotspotEveryPassFails, ::testing::Bool());

TEST_F(HotspotTest, SFalseEndsTheLoopAtOnceAndAFailingResetSkipsTheReruns) {
  ASSERT_EQ(InitSharing(), S_OK);
  ASSERT_TRUE(hotspot_->StartSharing());
  hotspot_->sharing_manager()->DisableAllSharing();
  Settle();
  system_->sharing().FailCall(SharingCall::kEnableSharing, S_FALSE, SimSharingService::kForever);
  EXPECT_FALSE(hotspot_->StartSharing());
  EXPECT_EQ(Take(), Concat({{"stop"}, kAllowAndStart}));

  // Now every step fails and so does every fresh table: only the pauses remain.
  system_->sharing().FailCall(SharingCall::kEnableSharing, E_FAIL, SimSharingService::kForever);
  system_->sharing().FailCall(SharingCall::kCreateInstance, E_FAIL, SimSharingService::kForever);
  EXPECT_FALSE(hotspot_->StartSharing());
  EXPECT_EQ(Take(), Concat({{"stop"}, kAllowAndStart, {"sleep 1000", "sleep 2000"}}));
}

TEST_F(HotspotTest, NeitherSharingNorAControllerMeansNeverReady) {
  system_->sharing().SetInstalled(false);
  EXPECT_EQ(InitSharing(), E_UNEXPECTED);
  EXPECT_FALSE(hotspot_->ready());
  EXPECT_EQ(hotspot_->sharing_manager(), nullptr);
  EXPECT_EQ(hotspot_->connections().GetCount(), 0u);
  EXPECT_EQ(ssid_result_, kHostedNetworkNotReady);  // GetSsid still ran
  EXPECT_FALSE(hotspot_->StartSharing());
  EXPECT_EQ(Take(), kAllowAndStart);
  hotspot_->Shutdown();
  EXPECT_EQ(SharingChanges(), 0);

  system_->sharing().SetInstalled(true);
  system_->wireless().FailCalls("WlanOpenHandle", ERROR_ACCESS_DENIED, 1);
  hotspot_ = NewHotspot();
  EXPECT_EQ(InitSharing(), kHostedNetworkNotReady);
  EXPECT_FALSE(hotspot_->ready());
  EXPECT_EQ(hotspot_->sink(), nullptr);
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
  EXPECT_FALSE(system_->wireless().GetSnapshot().enabled);
}

TEST_F(HotspotTest, ShutdownWithoutAManagerOnlySwitchesTheEnablePropertyOff) {
  ASSERT_EQ(InitSharing(), S_OK);
  ASSERT_TRUE(hotspot_->StartSharing());
  hotspot_ = NewHotspot();  // the old one takes its manager along, not the sharing it set up
  EXPECT_FALSE(ics::IsNetshellBound());
  ASSERT_EQ(hotspot_->Initialize(), S_OK);
  ASSERT_TRUE(system_->wireless().GetSnapshot().enabled);

  const int changes = SharingChanges();
  hotspot_->Shutdown();
  EXPECT_FALSE(system_->wireless().GetSnapshot().enabled);
  EXPECT_EQ(SharingChanges(), changes);
  EXPECT_EQ(Role(Wireless()), ICSSHARINGTYPE_PUBLIC);
}

}  // namespace
}  // namespace test
