// The hotspot's start, stop and shutdown sequences against the simulated system, with a clock
// that records each pause in one log with the netsh lines.
#include "hostednet/hotspot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

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
// What a failed start ends with: the network it started is stopped again.
const Log kUndo = {"stop"};

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
  EXPECT_EQ(
      Take(),
      Concat({kAllowAndStart, kRerun, {"sleep 1000"}, kRerun, {"sleep 2000"}, kRerun, kUndo}));
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
  EXPECT_EQ(Take(), Concat({{"stop"}, kAllowAndStart, kUndo}));

  // Now every step fails and so does every fresh table: only the pauses remain. The failed
  // start above stopped the network, so this one has nothing to stop first.
  Settle();
  system_->sharing().FailCall(SharingCall::kEnableSharing, E_FAIL, SimSharingService::kForever);
  system_->sharing().FailCall(SharingCall::kCreateInstance, E_FAIL, SimSharingService::kForever);
  EXPECT_FALSE(hotspot_->StartSharing());
  EXPECT_EQ(Take(), Concat({kAllowAndStart, {"sleep 1000", "sleep 2000"}, kUndo}));
}

// Whatever made it fail, a start that reports false leaves the hosted network stopped and no
// connection shared, so no device can join a hotspot the window calls failed.
TEST_F(HotspotTest, AFailedStartStopsTheNetworkAndLeavesNoSharingBehind) {
  ASSERT_EQ(InitSharing(), S_OK);
  // The public side is shared, then the private side answers S_FALSE: half a pair.
  system_->sharing().FailCall(SharingCall::kEnableSharing, S_FALSE, SimSharingService::kForever,
                              /*after=*/1);
  EXPECT_FALSE(hotspot_->StartSharing());
  EXPECT_EQ(Take(), Concat({kAllowAndStart, kRerun, kUndo}));
  Settle();
  EXPECT_EQ(system_->wireless().GetSnapshot().state, wlan_hosted_network_idle);
  EXPECT_EQ(Role(Wireless()), std::nullopt);
  EXPECT_EQ(Role(hotspot_->device_id()), std::nullopt);

  // Every pass failing: the network the last re-run started goes too.
  system_->sharing().FailCall(SharingCall::kEnableSharing, E_FAIL, SimSharingService::kForever);
  EXPECT_FALSE(hotspot_->StartSharing());
  Settle();
  EXPECT_EQ(system_->wireless().GetSnapshot().state, wlan_hosted_network_idle);
  EXPECT_FALSE(system_->wireless().ActiveVirtualAdapter());
  for (const auto& connection : system_->sharing().Connections())
    EXPECT_EQ(Role(connection.guid), std::nullopt);

  // The next start that can share works as ever.
  system_->sharing().ClearFaults();
  EXPECT_TRUE(hotspot_->StartSharing());
  Settle();
  EXPECT_EQ(system_->wireless().GetSnapshot().state, wlan_hosted_network_active);
  EXPECT_EQ(Role(Wireless()), ICSSHARINGTYPE_PUBLIC);
}

// Holds the wireless service's thread in the window's Post while closed, so the controller
// lags behind the netsh lines. Opening is bounded: a stuck test fails instead of hanging.
class GatedPoster final : public platform::MessagePoster {
 public:
  BOOL Post(UINT, UINT_PTR, INT_PTR) override {
    std::unique_lock<std::mutex> lock(mutex_);
    open_changed_.wait_for(lock, std::chrono::seconds(10), [this] { return open_; });
    return TRUE;
  }
  void SetOpen(bool open) {
    std::lock_guard<std::mutex> guard(mutex_);
    open_ = open;
    open_changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable open_changed_;
  bool open_ = true;
};

// Lets the netsh lines run at each pause but not their notifications, until the hotspot waits
// for the network to show active: then the gate opens and everything is delivered.
class LaggingClock final : public platform::Clock {
 public:
  LaggingClock(EventLog* log, platform::sim::SimSystem* system, GatedPoster* gate)
      : log_(log), system_(system), gate_(gate) {}
  void Sleep(DWORD milliseconds) override {
    log_->push_back("sleep " + std::to_string(milliseconds));
    if (milliseconds != CHotspot::kActivePollMs) {
      system_->interpreter().WaitUntilIdle();
      return;
    }
    gate_->SetOpen(true);
    system_->WaitUntilSettled();
  }
  DWORD GetTickCount() override { return 0; }

 private:
  EventLog* log_;
  platform::sim::SimSystem* system_;
  GatedPoster* gate_;
};

TEST_F(HotspotTest, ASuccessfulStartReturnsOnceTheControllerHasSeenTheNetworkActive) {
  GatedPoster gate;
  LaggingClock clock(&log_, system_.get(), &gate);
  hotspot_ = NewHotspot(&clock);
  hotspot_->set_window(&gate);
  ASSERT_EQ(InitSharing(), S_OK);
  while (CHostedNetworkNotification* note = hotspot_->sink()->Pop())
    note->Release();

  gate.SetOpen(false);
  const bool started = hotspot_->StartSharing();
  bool active = false;
  EXPECT_EQ(hotspot_->controller().IsActive(&active), S_OK);
  gate.SetOpen(true);
  Settle();
  ASSERT_TRUE(started);
  // Had it returned earlier, the departure of its own re-run would still be on its way.
  EXPECT_TRUE(active);
}

TEST_F(HotspotTest, NeitherSharingNorAControllerMeansNeverReady) {
  system_->sharing().SetInstalled(false);
  EXPECT_EQ(InitSharing(), E_UNEXPECTED);
  EXPECT_FALSE(hotspot_->ready());
  EXPECT_EQ(hotspot_->sharing_manager(), nullptr);
  EXPECT_EQ(hotspot_->connections().GetCount(), 0u);
  EXPECT_EQ(ssid_result_, kHostedNetworkNotReady);  // GetSsid still ran
  EXPECT_FALSE(hotspot_->StartSharing());
  EXPECT_EQ(Take(), Concat({kAllowAndStart, kUndo}));
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
