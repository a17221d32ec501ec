// The worker's whole life with the hotspot on the simulated system and the real clock:
// initialisation, a start, two stations, a stop and the shutdown; then what the window was
// told and what the system keeps.
#include <gtest/gtest.h>

#include "hostednet/hotspot.h"
#include "hotspot_fixture.h"
#include "platform/clock.h"

namespace test {
namespace {

using platform::ICSSHARINGTYPE_PRIVATE;
using platform::ICSSHARINGTYPE_PUBLIC;

std::string Describe(CHostedNetworkNotification* note) {
  std::string text = std::to_string(static_cast<int>(note->kind()));
  if (note->device())
    text += " " + std::string(note->device()->mac_text().begin(), note->device()->mac_text().end());
  return text;
}

TEST(HotspotLifeTest, WorkerLifeLeavesNothingSharedAndTellsTheWindowEveryChange) {
  ScopedTempDir dir;
  platform::RealClock clock;
  platform::IconvCodePage code_page("UTF-8");
  RecordingPoster window;
  GUID wireless, adapter;
  {
    platform::sim::SimSystem system(dir.path());
    CHotspot hotspot(&system.wlan_api(), &code_page, &clock, &system.command_runner(),
                     &system.sharing_service());
    wireless = system.wireless().WirelessInterfaceGuid();

    // As the worker's initialisation does it.
    hotspot.set_window(&window);
    ASSERT_EQ(hotspot.InitSharingManager(), S_OK);
    hotspot.sharing_manager()->GetConnectionInfos(hotspot.connections());
    ASSERT_EQ(hotspot.Initialize(), S_OK);
    hotspot.sharing_manager()->DisableAllSharing();
    ASSERT_EQ(hotspot.controller().Disable(), 0u);
    hotspot.set_ready();
    std::u16string ssid, key;
    EXPECT_EQ(hotspot.controller().GetSsid(&ssid), S_OK);
    EXPECT_EQ(hotspot.controller().GetKey(&key), S_OK);

    ASSERT_TRUE(hotspot.StartSharing());
    adapter = hotspot.device_id();
    system.WaitUntilSettled();
    EXPECT_EQ(system.sharing().Role(wireless), ICSSHARINGTYPE_PUBLIC);
    EXPECT_EQ(system.sharing().Role(adapter), ICSSHARINGTYPE_PRIVATE);
    ASSERT_EQ(system.wireless().StationJoin({0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}), 0u);
    ASSERT_EQ(system.wireless().StationJoin({0x02, 0, 0, 0, 0, 0x01}), 0u);

    hotspot.StopHostedNetwork();
    system.WaitUntilSettled();
    hotspot.Shutdown();
    system.WaitUntilSettled();

    // Nobody drained the queue, so one message announced all of it.
    ASSERT_EQ(window.count(), 1u);
    EXPECT_EQ(window.messages()[0].message, WM_HOSTEDNETWORK_NOTIFY);
    std::vector<std::string> notes;
    while (CHostedNetworkNotification* note = hotspot.sink()->Pop()) {
      notes.push_back(Describe(note));
      note->Release();
    }
    // Disabled; allowed; started; the re-run's stop and start; two joins; the stop with its
    // two departures; disabled again by the shutdown.
    EXPECT_EQ(notes, (std::vector<std::string>{"6", "7", "1", "2", "1", "3 00-1A-2B-3C-4D-5E",
                                               "3 02-00-00-00-00-01", "4 00-1A-2B-3C-4D-5E",
                                               "4 02-00-00-00-00-01", "2", "6"}));
  }

  // The next run sees what this one left: no sharing anywhere, the hosted network disabled.
  platform::sim::SimSystem next_run(dir.path());
  EXPECT_EQ(next_run.sharing().Role(wireless), std::nullopt);
  EXPECT_EQ(next_run.sharing().Role(adapter), std::nullopt);
  EXPECT_FALSE(next_run.wireless().GetSnapshot().enabled);
  EXPECT_FALSE(next_run.sharing().StateFileDamaged());
}

}  // namespace
}  // namespace test
