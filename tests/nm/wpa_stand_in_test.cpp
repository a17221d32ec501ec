// The wpa_supplicant stand-in's station signals and types, as a backend relies on them, and the
// private-bus harness itself.
#include <errno.h>
#include <signal.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <sdbus-c++/sdbus-c++.h>

#include "nm/nm_test_names.h"
#include "nm/private_bus.h"
#include "support/scoped_env.h"

namespace {

using namespace test::nm_names;

TEST(WpaStandInTest, StationsJoinAndLeaveWithSignalsAndStations) {
  if (std::string missing = test::PrivateBus::MissingTools(); !missing.empty())
    GTEST_SKIP() << missing;
  test::PrivateBus bus;
  ASSERT_TRUE(bus.ok()) << bus.error();
  ASSERT_TRUE(bus.StartStandIn(test::PrivateBus::TemplateDir() / "wpa_template.py", kWpa,
                               R"({"Interfaces": ["wlan0"]})"))
      << bus.error();
  auto connection = sdbus::createSessionBusConnectionWithAddress(bus.address());
  auto root = sdbus::createProxy(*connection, kWpa, "/fi/w1/wpa_supplicant1");
  sdbus::ObjectPath iface_path;
  root->callMethod("GetInterface")
      .onInterface(kWpa)
      .withArguments("wlan0")
      .storeResultsTo(iface_path);
  try {
    root->callMethod("GetInterface").onInterface(kWpa).withArguments("wlan9");
    ADD_FAILURE() << "an unknown interface was found";
  } catch (const sdbus::Error& e) {
    EXPECT_EQ(e.getName(), "fi.w1.wpa_supplicant1.InterfaceUnknown");
  }

  auto iface = sdbus::createProxy(*connection, kWpa, iface_path);
  EXPECT_EQ(iface->getProperty("Ifname").onInterface(kWpaIface).get<std::string>(), "wlan0");
  std::vector<std::string> events;
  for (const char* member : {"StaAuthorized", "StaDeauthorized"})
    iface->uponSignal(member).onInterface(kWpaIface).call(
        [&events, member](const std::string& mac) { events.push_back(member + (" " + mac)); });
  iface->finishRegistration();

  auto mock = sdbus::createProxy(*connection, kWpa, "/fi/w1/wpa_supplicant1");
  sdbus::ObjectPath station;
  mock->callMethod("StationJoin")
      .onInterface(kMock)
      .withArguments(iface_path, std::string("a4:5e:60:01:02:03"))
      .storeResultsTo(station);
  mock->callMethod("StationJoin")
      .onInterface(kMock)
      .withArguments(iface_path, std::string("a4:5e:60:0a:0b:0c"));
  ASSERT_TRUE(test::PumpUntil(*connection, [&] { return events.size() == 2; }));
  EXPECT_EQ(events, (std::vector<std::string>{"StaAuthorized a4:5e:60:01:02:03",
                                              "StaAuthorized a4:5e:60:0a:0b:0c"}));

  sdbus::Variant stations = iface->getProperty("Stations").onInterface(kWpaIface);
  EXPECT_EQ(stations.peekValueType(), "ao");
  ASSERT_EQ(stations.get<std::vector<sdbus::ObjectPath>>().size(), 2u);
  EXPECT_EQ(stations.get<std::vector<sdbus::ObjectPath>>()[0], station);
  auto station_proxy = sdbus::createProxy(*connection, kWpa, station);
  sdbus::Variant address =
      station_proxy->getProperty("Address").onInterface("fi.w1.wpa_supplicant1.Station");
  EXPECT_EQ(address.peekValueType(), "ay");
  EXPECT_EQ(address.get<std::vector<uint8_t>>(),
            (std::vector<uint8_t>{0xa4, 0x5e, 0x60, 0x01, 0x02, 0x03}));

  mock->callMethod("StationLeave")
      .onInterface(kMock)
      .withArguments(iface_path, std::string("a4:5e:60:01:02:03"));
  ASSERT_TRUE(test::PumpUntil(*connection, [&] { return events.size() == 3; }));
  EXPECT_EQ(events.back(), "StaDeauthorized a4:5e:60:01:02:03");
  auto left = iface->getProperty("Stations").onInterface(kWpaIface);
  EXPECT_EQ(left.get<std::vector<sdbus::ObjectPath>>().size(), 1u);
  EXPECT_NE(left.get<std::vector<sdbus::ObjectPath>>()[0], station);

  // A malformed address is refused rather than turned into a station.
  try {
    mock->callMethod("StationJoin")
        .onInterface(kMock)
        .withArguments(iface_path, std::string("A4-5E"));
    ADD_FAILURE() << "a malformed address joined";
  } catch (const sdbus::Error& e) {
    EXPECT_EQ(e.getName(), "fi.w1.wpa_supplicant1.InvalidArgs");
  }
}

TEST(PrivateBusTest, LeavesNoProcessBehindAndReportsABrokenStandIn) {
  if (std::string missing = test::PrivateBus::MissingTools(); !missing.empty())
    GTEST_SKIP() << missing;
  std::vector<pid_t> pids;
  {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.ok()) << bus.error();
    ASSERT_TRUE(bus.StartStandIn(test::PrivateBus::TemplateDir() / "wpa_template.py", kWpa))
        << bus.error();
    test::ScopedTempDir dir;
    std::ofstream(dir / "broken.py") << "raise SystemExit('no such stand-in')\n";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(
        bus.StartStandIn(dir / "broken.py", "org.example.Broken", "", std::chrono::seconds(120)));
    // Reported when it exits, not when the wait runs out.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    EXPECT_NE(bus.error().find("no such stand-in"), std::string::npos) << bus.error();
    pids = bus.pids();
    ASSERT_EQ(pids.size(), 2u);  // the daemon and the live stand-in; the broken one is reaped
  }
  for (pid_t pid : pids)
    EXPECT_TRUE(kill(pid, 0) == -1 && errno == ESRCH) << pid << " is still there";
}

}  // namespace
