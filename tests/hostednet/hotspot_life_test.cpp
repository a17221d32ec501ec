// The worker's whole life with the hotspot on the simulated system and the real clock:
// initialisation, a start, two stations, a stop and the shutdown; then what the window was
// told and what the system keeps for the next run.
#include <gtest/gtest.h>

#include "hostednet/hotspot.h"
#include "hotspot_fixture.h"

namespace test {
namespace {

TEST_F(HotspotTest, WorkerLifeWithTheRealClockTellsTheWindowEveryChangeAndLeavesNothingShared) {
  platform::RealClock real_clock;
  system_->interpreter().SetDelay(platform::services::NetshInterpreter::kDefaultDelayMs);
  hotspot_ = NewHotspot(&real_clock);
  ASSERT_EQ(InitSharing(), S_OK);

  ASSERT_TRUE(hotspot_->StartSharing());
  const GUID adapter = hotspot_->device_id();
  system_->WaitUntilSettled();
  EXPECT_EQ(Role(Wireless()), platform::ICSSHARINGTYPE_PUBLIC);
  EXPECT_EQ(Role(adapter), platform::ICSSHARINGTYPE_PRIVATE);
  ASSERT_EQ(system_->wireless().StationJoin({0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}), 0u);
  ASSERT_EQ(system_->wireless().StationJoin({0x02, 0, 0, 0, 0, 0x01}), 0u);
  hotspot_->StopHostedNetwork();
  system_->WaitUntilSettled();
  hotspot_->Shutdown();
  system_->WaitUntilSettled();

  // Nobody drained the queue, so one message announced all of it.
  ASSERT_EQ(window_.count(), 1u);
  EXPECT_EQ(window_.messages()[0].message, WM_HOSTEDNETWORK_NOTIFY);
  std::vector<std::string> notes;
  while (CHostedNetworkNotification* note = hotspot_->sink()->Pop()) {
    std::string text = std::to_string(static_cast<int>(note->kind()));
    if (note->device())
      text +=
          " " + std::string(note->device()->mac_text().begin(), note->device()->mac_text().end());
    notes.push_back(text);
    note->Release();
  }
  // Disabled; allowed; started; the re-run's stop and start; two joins; the stop with its two
  // departures; disabled again by the shutdown.
  EXPECT_EQ(notes, (std::vector<std::string>{"6", "7", "1", "2", "1", "3 00-1A-2B-3C-4D-5E",
                                             "3 02-00-00-00-00-01", "4 00-1A-2B-3C-4D-5E",
                                             "4 02-00-00-00-00-01", "2", "6"}));

  hotspot_.reset();
  system_.reset();
  platform::sim::SimSystem next_run(dir_.path());
  EXPECT_EQ(next_run.sharing().Role(next_run.wireless().WirelessInterfaceGuid()), std::nullopt);
  EXPECT_EQ(next_run.sharing().Role(adapter), std::nullopt);
  EXPECT_FALSE(next_run.wireless().GetSnapshot().enabled);
  EXPECT_FALSE(next_run.sharing().StateFileDamaged());
}

TEST_F(HotspotTest, OnlyTheFirstRunOnAFreshSystemTakesTheRetryPassOnItsFirstStart) {
  // A fresh system has never allowed the hosted network: the table taken at start-up has no
  // adapter, so the first start finds it only on the retry pass.
  ASSERT_EQ(InitSharing(), S_OK);
  EXPECT_EQ(hotspot_->connections().GetCount(), 2u);
  ASSERT_TRUE(hotspot_->StartSharing());
  EXPECT_EQ(Take(), (EventLog{"allow", "sleep 200", "start", "sleep 200", "stop", "sleep 200",
                              "start", "sleep 200"}));
  const GUID adapter = hotspot_->device_id();
  hotspot_->Shutdown();
  hotspot_.reset();

  // Every later run: the system keeps the adapter, listed while the network is off, so the
  // table taken at start-up already has it and the first start succeeds at once.
  for (int run = 2; run <= 3; ++run) {
    system_.reset();
    system_ = std::make_unique<platform::sim::SimSystem>(dir_.path());
    system_->interpreter().SetDelay(0);
    runner_ = LoggingRunner(&log_, &system_->command_runner());
    clock_ = CatchUpClock(&log_, system_.get());
    hotspot_ = NewHotspot();
    ASSERT_EQ(InitSharing(), S_OK) << run;
    EXPECT_EQ(hotspot_->connections().GetCount(), 3u) << run;
    ASSERT_TRUE(hotspot_->StartSharing()) << run;
    EXPECT_EQ(Take(), (EventLog{"allow", "sleep 200", "start", "sleep 200"})) << run;
    EXPECT_EQ(hotspot_->device_id(), adapter) << run;
    EXPECT_EQ(Role(Wireless()), platform::ICSSHARINGTYPE_PUBLIC) << run;
    EXPECT_EQ(Role(adapter), platform::ICSSHARINGTYPE_PRIVATE) << run;
    hotspot_->Shutdown();
    hotspot_.reset();
  }
}

}  // namespace
}  // namespace test
