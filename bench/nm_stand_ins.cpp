#include "bench/nm_stand_ins.h"

#include <tuple>

#include "nm/nm_mock_network.h"
#include "nm/nm_test_names.h"

namespace bench {

using namespace test::nm_names;

namespace {

constexpr char kWiredUuid[] = "3c5a1b2e-7d4f-4e8a-9b10-2f6c8d9e0a1b";
constexpr char kWifiMac[] = "02:00:00:aa:bb:cc";

}  // namespace

std::string StandIns::Start() {
  if (std::string missing = test::PrivateBus::MissingTools(); !missing.empty())
    return missing;
  bus_ = std::make_unique<test::PrivateBus>();
  if (!bus_->ok())
    return bus_->error();
  system_bus_ = std::make_unique<test::ScopedEnv>("DBUS_SYSTEM_BUS_ADDRESS", bus_->address());
  const auto dir = test::PrivateBus::TemplateDir();
  if (!bus_->StartStandIn(dir / "nm_template.py", kNm, R"({"ActivationDelayMs": 5})") ||
      !bus_->StartStandIn(dir / "wpa_template.py", kWpa, R"({"Interfaces": ["wlan0"]})"))
    return bus_->error();
  control_ = sdbus::createSystemBusConnection();
  nm_mock_ = sdbus::createProxy(*control_, kNm, "/org/freedesktop");
  test::AddWiredConnection(*control_, *nm_mock_, "eth0", "有线连接 1", kWiredUuid, true);
  test::AddWifiDevice(*nm_mock_, "wlan0", 0x40 | 0x20, kWifiMac);
  wpa_mock_ = sdbus::createProxy(*control_, kWpa, "/fi/w1/wpa_supplicant1");
  wpa_mock_->callMethod("GetInterface")
      .onInterface(kWpa)
      .withArguments("wlan0")
      .storeResultsTo(wpa_interface_);
  return {};
}

std::vector<double> StandIns::ActivationCallTimes() {
  std::vector<double> times;
  nm_mock_->callMethod("GetActivationCallTimes").onInterface(kMock).storeResultsTo(times);
  return times;
}

double StandIns::SignalTime(const std::string& signal, const std::string& mac) {
  std::vector<sdbus::Struct<std::string, std::string, double>> times;
  wpa_mock_->callMethod("GetStationSignalTimes").onInterface(kMock).storeResultsTo(times);
  double when = 0;
  for (const auto& entry : times)
    if (std::get<0>(entry) == signal && std::get<1>(entry) == mac)
      when = std::get<2>(entry);
  return when;
}

bool StandIns::HotspotActive() {
  for (const sdbus::ObjectPath& path : sdbus::createProxy(*control_, kNm, kNmPath)
                                           ->getProperty("ActiveConnections")
                                           .onInterface(kNm)
                                           .get<std::vector<sdbus::ObjectPath>>()) {
    if (sdbus::createProxy(*control_, kNm, path)
            ->getProperty("Id")
            .onInterface(kActive)
            .get<std::string>() == "Tavlo")
      return true;
  }
  return false;
}

std::future<void> StandIns::Station(const std::string& mac, bool join) {
  return std::async(std::launch::async,
                    [address = bus_->address(), path = wpa_interface_, mac, join] {
                      auto connection = sdbus::createSessionBusConnectionWithAddress(address);
                      sdbus::createProxy(*connection, kWpa, "/fi/w1/wpa_supplicant1")
                          ->callMethod(join ? "StationJoin" : "StationLeave")
                          .onInterface(kMock)
                          .withArguments(path, mac);
                    });
}

}  // namespace bench
