// What the controller tests share: a simulated wireless service in a temporary folder, a code
// page, a controller over both, and a sink that records every call it receives.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "hostednet/hosted_network.h"
#include "platform/code_page.h"
#include "platform/hosted_network_functions.h"
#include "platform/sim/wireless_service.h"
#include "support/scoped_temp_dir.h"

namespace test {

// Records each call as text ("Started", "Joined 0A", ...; stations by their last byte) and
// keeps a reference to every station it is lent, so tests can check who else still holds one.
class RecordingSink final : public CHostedNetworkNotificationSink {
 public:
  ~RecordingSink() {
    for (CWlanStation* station : stations_)
      station->Release();
  }
  void OnHostedNetworkStarted() override { Record("Started"); }
  void OnHostedNetworkStopped() override { Record("Stopped"); }
  void OnHostedNetworkUnavailable() override { Record("Unavailable"); }
  void OnHostedNetworkIdle() override { Record("Idle"); }
  void OnStationJoined(CWlanStation* station) override { Record("Joined", station); }
  void OnStationLeft(CWlanStation* station) override { Record("Left", station); }

  std::vector<std::string> Take() {
    std::lock_guard<std::mutex> guard(mutex_);
    return std::exchange(calls_, {});
  }
  std::vector<CWlanStation*> stations() {
    std::lock_guard<std::mutex> guard(mutex_);
    return stations_;
  }
  // Runs at the start of every call, on the calling thread.
  std::function<void()> during_call;

 private:
  void Record(const char* what, CWlanStation* station = nullptr) {
    if (during_call)
      during_call();
    std::string text = what;
    if (station) {
      char suffix[8];
      std::snprintf(suffix, sizeof(suffix), " %02X", station->mac()[5]);
      text += suffix;
      station->AddRef();
    }
    std::lock_guard<std::mutex> guard(mutex_);
    calls_.push_back(text);
    if (station)
      stations_.push_back(station);
  }

  std::mutex mutex_;
  std::vector<std::string> calls_;
  std::vector<CWlanStation*> stations_;
};

inline platform::sim::MacAddress Mac(BYTE last) {
  return {0x02, 0x00, 0x00, 0x00, 0x00, last};
}

class HostedNetworkTest : public ::testing::Test {
 protected:
  explicit HostedNetworkTest(const char* charset = "UTF-8") : code_page_(charset) {}

  // Gives the service an SSID and a passphrase through a client of its own, as an earlier
  // run would have, so that it can start.
  void Configure(const char* passphrase = "passphrase-1") {
    HANDLE client;
    DWORD version;
    ASSERT_EQ(service_.WlanOpenHandle(2, nullptr, &version, &client), 0u);
    platform::BindWlanFunction<platform::WlanHostedNetworkInitSettingsFn>(
        service_, "WlanHostedNetworkInitSettings")(client, nullptr, nullptr);
    std::vector<BYTE> key(passphrase, passphrase + std::strlen(passphrase) + 1);
    ASSERT_EQ(platform::BindWlanFunction<platform::WlanHostedNetworkSetSecondaryKeyFn>(
                  service_, "WlanHostedNetworkSetSecondaryKey")(
                  client, static_cast<DWORD>(key.size()), key.data(), TRUE, TRUE, nullptr, nullptr),
              0u);
    service_.WlanCloseHandle(client, nullptr);
  }
  void StartWithStations(std::initializer_list<BYTE> stations) {
    Configure();
    ASSERT_EQ(service_.Start(), 0u);
    for (BYTE last : stations)
      ASSERT_EQ(service_.StationJoin(Mac(last)), 0u);
  }
  // The sink's calls once the service has delivered everything so far.
  std::vector<std::string> Calls() {
    service_.WaitForDelivery();
    return sink_.Take();
  }
  bool Initialized() {
    bool active;
    return controller_.IsActive(&active) == S_OK;
  }

  ScopedTempDir dir_;
  platform::sim::WirelessService service_{dir_.path()};
  platform::IconvCodePage code_page_;
  RecordingSink sink_;
  CHostedNetwork controller_{&service_, &code_page_};
};

}  // namespace test
