// Why the NetworkManager driver says a start failed, and when it warns that a start would take
// the computer off the Internet, against the NetworkManager stand-in on a private bus.
#include <chrono>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>

#include <gtest/gtest.h>
#include <sdbus-c++/sdbus-c++.h>

#include "base/result.h"
#include "config/config_center_impl.h"
#include "nm/nm_test_names.h"
#include "nm/private_bus.h"
#include "nm/private_bus_test.h"
#include "platform/nm/nm_wireless_driver.h"
#include "support/scoped_env.h"
#include "support/scoped_temp_dir.h"

namespace platform {

void PrintTo(const StartDiagnosis& d, std::ostream* out) {
  *out << "{problem " << static_cast<int>(d.problem) << ", reason " << d.service_reason
       << (d.connection_reason ? " (connection)}" : "}");
}

}  // namespace platform

namespace {

using namespace test::nm_names;

using platform::StartDiagnosis;
using platform::StartProblem;
using platform::nm::NmWirelessDriver;
using test::WaitFor;

constexpr uint32_t kCanHost = 0x40 | 0x20;
constexpr uint32_t kCannotHost = 0x20 | 0x10;
constexpr int32_t kDisconnected = 30;

class NmDiagnosisTest : public test::PrivateBusTest {
 protected:
  void StartNetworkManager() {
    ASSERT_TRUE(bus_->StartStandIn(test::PrivateBus::TemplateDir() / "nm_template.py", kNm,
                                   R"({"ActivationDelayMs": 20})"))
        << bus_->error();
    control_ = sdbus::createSystemBusConnection();
    mock_ = sdbus::createProxy(*control_, kNm, "/org/freedesktop");
  }

  std::string AddWifi(const std::string& name, uint32_t capabilities) {
    std::string path;
    mock_->callMethod("AddWiFiDevice")
        .onInterface(kMock)
        .withArguments(name, name, kDisconnected)
        .storeResultsTo(path);
    mock_->callMethod("SetWirelessCapabilities")
        .onInterface(kMock)
        .withArguments(sdbus::ObjectPath(path), capabilities);
    return path;
  }

  std::string AddCable(const std::string& name) {
    std::string path;
    mock_->callMethod("AddEthernetDevice")
        .onInterface(kMock)
        .withArguments(name, name, kDisconnected)
        .storeResultsTo(path);
    return path;
  }

  // A client connection of another program on `device`, once it is up.
  sdbus::ObjectPath ConnectClient(const std::string& device, const std::string& type) {
    Settings client;
    client["connection"]["id"] = sdbus::Variant(std::string("uplink"));
    client["connection"]["type"] = sdbus::Variant(type);
    auto manager = sdbus::createProxy(*control_, kNm, kNmPath);
    sdbus::ObjectPath profile, active;
    Options result;
    manager->callMethod("AddAndActivateConnection2")
        .onInterface(kNm)
        .withArguments(client, sdbus::ObjectPath(device), sdbus::ObjectPath("/"), Options{})
        .storeResultsTo(profile, active, result);
    auto proxy = sdbus::createProxy(*control_, kNm, active);
    EXPECT_TRUE(WaitFor(
        [&] { return proxy->getProperty("State").onInterface(kActive).get<uint32_t>() == 2; }));
    return active;
  }

  void SetPrimary(const std::string& active) {
    mock_->callMethod("SetPrimaryConnection")
        .onInterface(kMock)
        .withArguments(sdbus::ObjectPath(active));
  }

  std::unique_ptr<NmWirelessDriver> MakeDriver() {
    NmWirelessDriver::Options options;
    options.store = &store_;
    options.login = "tester";
    options.activation_timeout = std::chrono::seconds(10);
    return std::make_unique<NmWirelessDriver>(options);
  }

  // What a driver that has just read the bus says.
  StartDiagnosis FreshDiagnosis() { return MakeDriver()->DiagnoseStart(); }

  static DWORD Start(NmWirelessDriver& driver) {
    platform::services::AccessPointSettings settings;
    settings.ssid.uSSIDLength = 5;
    std::memcpy(settings.ssid.ucSSID, "tavlo", 5);
    const char kKey[] = "password-1";
    settings.key.assign(kKey, kKey + sizeof(kKey));
    platform::services::AccessPointInfo info;
    return driver.StartAccessPoint(settings, &info);
  }

  test::ScopedTempDir dir_;
  config::CConfigCenterImpl store_{dir_.path() / "config.db"};
  std::unique_ptr<sdbus::IConnection> control_;
  std::unique_ptr<sdbus::IProxy> mock_;
};

TEST_F(NmDiagnosisTest, WhatStandsAgainstAStartNow) {
  {
    auto driver = MakeDriver();
    EXPECT_EQ(driver->DiagnoseStart(), StartDiagnosis{StartProblem::kServiceMissing});
    EXPECT_EQ(Start(*driver), ERROR_INVALID_STATE);
    EXPECT_EQ(driver->DiagnoseStart(), StartDiagnosis{StartProblem::kServiceMissing});
    EXPECT_FALSE(driver->StartWouldDropInternet());
  }
  StartNetworkManager();
  AddCable("eth0");
  EXPECT_EQ(FreshDiagnosis(), StartDiagnosis{StartProblem::kNoAdapter});
  AddWifi("wlan0", kCannotHost);
  EXPECT_EQ(FreshDiagnosis(), StartDiagnosis{StartProblem::kNoAccessPointMode});
  AddWifi("wlan1", kCanHost);
  EXPECT_EQ(FreshDiagnosis(), StartDiagnosis{});

  // Either radio switch, followed as it changes.
  auto driver = MakeDriver();
  for (const char* method : {"SetWirelessEnabled", "SetWirelessHardwareEnabled"}) {
    SCOPED_TRACE(method);
    mock_->callMethod(method).onInterface(kMock).withArguments(false);
    EXPECT_TRUE(WaitFor(
        [&] { return driver->DiagnoseStart() == StartDiagnosis{StartProblem::kRadioOff}; }));
    mock_->callMethod(method).onInterface(kMock).withArguments(true);
    EXPECT_TRUE(WaitFor([&] { return driver->DiagnoseStart() == StartDiagnosis{}; }));
  }
}

TEST_F(NmDiagnosisTest, ARefusedStartIsNotPermittedUntilTheNextStart) {
  StartNetworkManager();
  AddWifi("wlan0", kCanHost);
  auto driver = MakeDriver();
  mock_->callMethod("RefuseNextActivation")
      .onInterface(kMock)
      .withArguments(std::string("org.freedesktop.NetworkManager.PermissionDenied"));
  EXPECT_EQ(Start(*driver), ERROR_ACCESS_DENIED);
  EXPECT_EQ(driver->DiagnoseStart(), StartDiagnosis{StartProblem::kNotPermitted});

  // polkit's own refusal means the same.
  mock_->callMethod("RefuseNextActivation")
      .onInterface(kMock)
      .withArguments(std::string("org.freedesktop.PolicyKit1.Error.NotAuthorized"));
  EXPECT_NE(Start(*driver), ERROR_SUCCESS);
  EXPECT_EQ(driver->DiagnoseStart(), StartDiagnosis{StartProblem::kNotPermitted});

  EXPECT_EQ(Start(*driver), ERROR_SUCCESS);
  // Up, but NetworkManager has no default route to share.
  EXPECT_EQ(driver->DiagnoseStart(), StartDiagnosis{StartProblem::kNoInternet});
  driver->StopAccessPoint();
  SetPrimary(ConnectClient(AddCable("eth0"), "802-3-ethernet"));
  EXPECT_TRUE(WaitFor([&] { return driver->DiagnoseStart() == StartDiagnosis{}; }));
}

TEST_F(NmDiagnosisTest, AnEndedActivationGivesTheDevicesReasonElseTheConnections) {
  StartNetworkManager();
  AddWifi("wlan0", kCanHost);
  auto driver = MakeDriver();
  // The active connection says only DEVICE_DISCONNECTED (3); the device says why.
  mock_->callMethod("FailNextActivation").onInterface(kMock).withArguments(uint32_t{18});
  EXPECT_NE(Start(*driver), ERROR_SUCCESS);
  EXPECT_EQ(driver->DiagnoseStart(), (StartDiagnosis{StartProblem::kServiceFailed, 18, false}));

  mock_->callMethod("FailNextActivationWithoutDeviceReason")
      .onInterface(kMock)
      .withArguments(uint32_t{9});  // NO_SECRETS
  EXPECT_NE(Start(*driver), ERROR_SUCCESS);
  EXPECT_EQ(driver->DiagnoseStart(), (StartDiagnosis{StartProblem::kServiceFailed, 9, true}));
}

TEST_F(NmDiagnosisTest, OnlyTheOneCapableCardOnTheDefaultRouteWouldDropTheInternet) {
  StartNetworkManager();
  const std::string wlan0 = AddWifi("wlan0", kCanHost);
  const std::string eth0 = AddCable("eth0");
  auto driver = MakeDriver();
  EXPECT_FALSE(driver->StartWouldDropInternet());  // not connected at all

  const sdbus::ObjectPath wifi = ConnectClient(wlan0, "802-11-wireless");
  const sdbus::ObjectPath cable = ConnectClient(eth0, "802-3-ethernet");
  SetPrimary(wifi);
  EXPECT_TRUE(WaitFor([&] { return driver->StartWouldDropInternet(); }));

  // The default route on the cable: the WiFi client connection can go.
  SetPrimary(cable);
  EXPECT_TRUE(WaitFor([&] { return !driver->StartWouldDropInternet(); }));
  SetPrimary(wifi);
  EXPECT_TRUE(WaitFor([&] { return driver->StartWouldDropInternet(); }));

  // A second card that can host leaves the first online.
  AddWifi("wlan1", kCanHost);
  EXPECT_TRUE(WaitFor([&] { return !driver->StartWouldDropInternet(); }));
}

}  // namespace
