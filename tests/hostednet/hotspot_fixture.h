// What the hotspot tests share: a simulated system in a temporary folder, a hotspot over it,
// and one ordered log of the netsh lines the hotspot ran and the pauses it took.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "hostednet/hotspot.h"
#include "ics/netshell_binding.h"
#include "platform/code_page.h"
#include "platform/sim/sim_system.h"
#include "support/recording_poster.h"
#include "support/scoped_temp_dir.h"

namespace test {

// Everything the hotspot did to the outside, in order. The hotspot runs its lines and takes its
// pauses on the calling thread, so the log needs no lock.
using EventLog = std::vector<std::string>;

// Logs "stop", "allow" or "start" and hands the line on.
class LoggingRunner final : public platform::CommandRunner {
 public:
  LoggingRunner(EventLog* log, platform::CommandRunner* next) : log_(log), next_(next) {}
  void RunDetached(const std::u16string& line) override {
    log_->push_back(line == kNetshStopHostedNetwork    ? "stop"
                    : line == kNetshAllowHostedNetwork ? "allow"
                    : line == kNetshStartHostedNetwork ? "start"
                                                       : "other");
    next_->RunDetached(line);
  }

 private:
  EventLog* log_;
  platform::CommandRunner* next_;
};

// A pause stands for waiting on the netsh lines. This clock does not wait; it lets the
// simulated system catch up instead: every line given so far runs, and every notification it
// caused reaches the controller, before Sleep returns. So each sequence is the same on every
// run, however loaded the machine is, and the whole retry path takes milliseconds.
class CatchUpClock final : public platform::Clock {
 public:
  CatchUpClock(EventLog* log, platform::sim::SimSystem* system) : log_(log), system_(system) {}
  void Sleep(DWORD milliseconds) override {
    log_->push_back("sleep " + std::to_string(milliseconds));
    ticks_ += milliseconds;
    system_->WaitUntilSettled();
  }
  DWORD GetTickCount() override { return ticks_; }

 private:
  EventLog* log_;
  platform::sim::SimSystem* system_;
  DWORD ticks_ = 0;
};

class HotspotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    system_->interpreter().SetDelay(0);
    hotspot_ = NewHotspot();
  }
  void TearDown() override {
    hotspot_.reset();
    EXPECT_FALSE(ics::IsNetshellBound());
    system_.reset();
  }

  std::unique_ptr<CHotspot> NewHotspot(platform::Clock* clock = nullptr) {
    auto hotspot =
        std::make_unique<CHotspot>(&system_->wlan_api(), &code_page_, clock ? clock : &clock_,
                                   &runner_, &system_->sharing_service());
    hotspot->set_window(&window_);
    return hotspot;
  }

  // The worker's initialisation, in its order; then an empty log.
  HRESULT InitSharing() {
    HRESULT hr = hotspot_->InitSharingManager();
    if (hr >= 0) {
      hotspot_->sharing_manager()->GetConnectionInfos(hotspot_->connections());
      hr = hotspot_->Initialize();
      if (hr >= 0) {
        hotspot_->sharing_manager()->DisableAllSharing();
        if (static_cast<LONG>(hotspot_->controller().Disable()) >= 0)
          hotspot_->set_ready();
      }
    }
    ssid_result_ = hotspot_->controller().GetSsid(&ssid_);
    hotspot_->controller().GetKey(&key_);
    Settle();
    return hr;
  }

  void Settle() {
    system_->WaitUntilSettled();
    log_.clear();
  }
  EventLog Take() { return std::exchange(log_, {}); }
  GUID Wireless() { return system_->wireless().WirelessInterfaceGuid(); }
  std::optional<platform::SHARINGCONNECTIONTYPE> Role(const GUID& guid) {
    return system_->sharing().Role(guid);
  }
  int SharingChanges() {
    using platform::sim::SharingCall;
    return system_->sharing().CallCount(SharingCall::kEnableSharing) +
           system_->sharing().CallCount(SharingCall::kDisableSharing);
  }

  ScopedTempDir dir_;
  std::unique_ptr<platform::sim::SimSystem> system_ =
      std::make_unique<platform::sim::SimSystem>(dir_.path());
  EventLog log_;
  LoggingRunner runner_{&log_, &system_->command_runner()};
  CatchUpClock clock_{&log_, system_.get()};
  platform::IconvCodePage code_page_{"UTF-8"};
  RecordingPoster window_;
  std::unique_ptr<CHotspot> hotspot_;
  std::u16string ssid_, key_;
  HRESULT ssid_result_ = E_FAIL;
};

}  // namespace test
