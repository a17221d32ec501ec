// The hotspot's whole start and stop on NetworkManager, as the worker runs them: the netsh lines
// carried out in this process, the access point activated once, and sharing from the default
// route (a cable here) onto the hosted network's adapter.
#include "platform/nm/nm_system.h"

#include <gtest/gtest.h>
#include <sdbus-c++/sdbus-c++.h>

#include <signal.h>

#include <memory>
#include <string>

#include "base/guid.h"
#include "config/config_center_impl.h"
#include "hostednet/hotspot.h"
#include "ics/netshell_binding.h"
#include "nm/nm_mock_network.h"
#include "nm/nm_test_names.h"
#include "nm/private_bus.h"
#include "nm/private_bus_test.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/nm/nm_connection_settings.h"
#include "support/recording_poster.h"
#include "support/scoped_env.h"
#include "support/scoped_temp_dir.h"

namespace {

using namespace test::nm_names;
using platform::nm::NmSystem;

constexpr char kWiredUuid[] = "3c5a1b2e-7d4f-4e8a-9b10-2f6c8d9e0a1b";
constexpr char kWifiMac[] = "02:00:00:aa:bb:cc";

class NmSystemTest : public test::PrivateBusTest {
 protected:
  void SetUp() override {
    PrivateBusTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    ASSERT_TRUE(bus_->StartStandIn(test::PrivateBus::TemplateDir() / "nm_template.py", kNm,
                                   R"({"ActivationDelayMs": 20})"))
        << bus_->error();
    control_ = sdbus::createSystemBusConnection();
    mock_ = sdbus::createProxy(*control_, kNm, "/org/freedesktop");
    wired_ = test::AddWiredConnection(*control_, *mock_, "eth0", "有线连接 1", kWiredUuid, true);
    test::AddWifiDevice(*mock_, "wlan0", 0x40, kWifiMac);

    platform::nm::NmWirelessDriver::Options options;
    options.store = &store_;
    options.login = "tester";
    system_ = std::make_unique<NmSystem>(options);
    hotspot_ = std::make_unique<CHotspot>(&system_->wlan_api(), &code_page_, &clock_,
                                          &system_->command_runner(), &system_->sharing_service());
    hotspot_->set_window(&window_);
  }

  void TearDown() override {
    if (hotspot_) {
      hotspot_->Shutdown();
      hotspot_.reset();
    }
    EXPECT_FALSE(ics::IsNetshellBound());
    system_.reset();
  }

  // The worker's initialisation, in its order, and a name and password.
  HRESULT InitSharing() {
    HRESULT hr = hotspot_->InitSharingManager();
    if (hr < 0)
      return hr;
    hotspot_->sharing_manager()->GetConnectionInfos(hotspot_->connections());
    hr = hotspot_->Initialize();
    if (hr < 0)
      return hr;
    hotspot_->sharing_manager()->DisableAllSharing();
    hr = static_cast<HRESULT>(hotspot_->controller().Disable());
    if (hr < 0)
      return hr;
    // What the user typed.
    hr = hotspot_->controller().SetSsid(u"热点-1");
    return hr < 0 ? hr : hotspot_->controller().SetKey(u"hotspot-key-1");
  }

  std::vector<Call> ActivationCalls() {
    std::vector<Call> calls;
    mock_->callMethod("GetActivationCalls").onInterface(kMock).storeResultsTo(calls);
    return calls;
  }

  bool HotspotActive() {
    for (const sdbus::ObjectPath& path : sdbus::createProxy(*control_, kNm, kNmPath)
                                             ->getProperty("ActiveConnections")
                                             .onInterface(kNm)
                                             .get<std::vector<sdbus::ObjectPath>>()) {
      try {
        if (sdbus::createProxy(*control_, kNm, path)
                ->getProperty("Id")
                .onInterface(kActive)
                .get<std::string>() == "Tavlo")
          return true;
      } catch (const sdbus::Error&) {
        // Removed between the list and the look: not active.
      }
    }
    return false;
  }

  test::ScopedTempDir dir_;
  config::CConfigCenterImpl store_{dir_.path() / "config.db"};
  std::unique_ptr<sdbus::IConnection> control_;
  std::unique_ptr<sdbus::IProxy> mock_;
  test::WiredConnection wired_;
  std::unique_ptr<NmSystem> system_;
  platform::RealClock clock_;
  platform::IconvCodePage code_page_{"UTF-8"};
  test::RecordingPoster window_;
  std::unique_ptr<CHotspot> hotspot_;
};

TEST_F(NmSystemTest, StartsOnceAndSharesTheCableOntoTheHotspotThenStops) {
  ASSERT_EQ(InitSharing(), S_OK);

  ASSERT_TRUE(hotspot_->StartSharing());
  EXPECT_TRUE(HotspotActive());
  // The adapter was in the table from the start: no stop-and-start pass.
  const std::vector<Call> calls = ActivationCalls();
  ASSERT_EQ(calls.size(), 1u);
  const auto ssid =
      std::get<0>(calls[0]).at("802-11-wireless").at("ssid").get<std::vector<uint8_t>>();
  EXPECT_EQ(std::string(ssid.begin(), ssid.end()), "热点-1");

  const GUID adapter = platform::nm::GuidFromHardwareAddress(kWifiMac);
  EXPECT_EQ(hotspot_->device_id(), adapter);
  EXPECT_EQ(hotspot_->public_interface_id(), base::GuidFromString(kWiredUuid).value());
  auto& sharing =
      static_cast<platform::services::ConnectionSharingService&>(system_->sharing_service());
  EXPECT_EQ(sharing.Role(hotspot_->public_interface_id()), platform::ICSSHARINGTYPE_PUBLIC);
  EXPECT_EQ(sharing.Role(adapter), platform::ICSSHARINGTYPE_PRIVATE);

  hotspot_->StopHostedNetwork();
  ASSERT_TRUE(test::WaitFor([&] { return !HotspotActive(); }));
}

TEST_F(NmSystemTest, WithoutAnInternetConnectionTheStartFailsAndLeavesNoHotspot) {
  mock_->callMethod("SetProperty")
      .onInterface(kMock)
      .withArguments(wired_.active, std::string(kActive), std::string("Default"),
                     sdbus::Variant(false));
  ASSERT_EQ(InitSharing(), S_OK);
  EXPECT_FALSE(hotspot_->StartSharing());
  EXPECT_GT(ActivationCalls().size(), 0u) << "the access point itself could start";
  system_->interpreter().WaitUntilIdle();  // the last start has run its course
  EXPECT_EQ(system_->driver().DiagnoseStart().problem, platform::StartProblem::kNoInternet);
  ASSERT_TRUE(test::WaitFor([&] { return !HotspotActive(); }));
}

TEST_F(NmSystemTest, NetworkManagerGoingAwayEndsTheHotspotAndItsReturnBringsItBack) {
  ASSERT_EQ(InitSharing(), S_OK);
  ASSERT_TRUE(hotspot_->StartSharing());
  auto state = [&] { return system_->wireless().GetSnapshot().state; };
  ASSERT_EQ(state(), wlan_hosted_network_active);

  // The daemon comes first, then the stand-in; the bus reaps both at the end.
  ASSERT_EQ(::kill(bus_->pids().at(1), SIGKILL), 0);
  ASSERT_TRUE(test::WaitFor([&] { return state() == wlan_hosted_network_unavailable; }));
  EXPECT_EQ(system_->driver().DiagnoseStart().problem, platform::StartProblem::kServiceMissing);

  ASSERT_TRUE(bus_->StartStandIn(test::PrivateBus::TemplateDir() / "nm_template.py", kNm,
                                 R"({"ActivationDelayMs": 20})"))
      << bus_->error();
  test::AddWifiDevice(*mock_, "wlan0", 0x40, kWifiMac);
  ASSERT_TRUE(test::WaitFor([&] { return state() == wlan_hosted_network_idle; }));
  EXPECT_NE(system_->driver().DiagnoseStart().problem, platform::StartProblem::kServiceMissing);
}

TEST_F(NmSystemTest, ABusThatGoesAwayEndsTheHotspotNotTheProgram) {
  ASSERT_EQ(InitSharing(), S_OK);
  ASSERT_TRUE(hotspot_->StartSharing());
  ASSERT_EQ(::kill(bus_->pids().front(), SIGKILL), 0);
  ASSERT_TRUE(test::WaitFor(
      [&] { return system_->wireless().GetSnapshot().state == wlan_hosted_network_unavailable; }));
  EXPECT_EQ(system_->driver().DiagnoseStart().problem, platform::StartProblem::kServiceMissing);
  // Later starts fail and say so; nothing waits on a bus that is gone.
  EXPECT_FALSE(hotspot_->StartSharing());
  EXPECT_EQ(system_->driver().DiagnoseStart().problem, platform::StartProblem::kServiceMissing);
}

}  // namespace
