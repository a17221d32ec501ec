// A main window over a simulated system in a temporary folder, driven by real clicks.
#pragma once

#include <gtest/gtest.h>

#include <QWidget>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/tavlo.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/linux/layered_autostart.h"
#include "platform/linux/linux_system.h"
#include "platform/sim/sim_system.h"
#include "support/scoped_temp_dir.h"
#include "support_qt/qt_input.h"

namespace apptest {

struct TrayCall {
  DWORD message;
  app::NotifyIconData data;
};

class RecordingTrayShell final : public app::NotifyIconShell {
 public:
  bool NotifyIcon(DWORD message, const app::NotifyIconData& data) override {
    calls.push_back({message, data});
    return available;
  }
  bool IsTrayAvailable() const override { return available; }
  void WatchTrayAvailability(std::function<void(bool)> watcher) override {
    observer = std::move(watcher);
  }
  // The notification area comes or goes, as the desktop would report it.
  void SetAvailable(bool now) {
    available = now;
    if (observer)
      observer(now);
  }
  std::vector<std::u16string> Balloons() const;
  std::vector<TrayCall> calls;
  bool available = true;
  std::function<void(bool)> observer;
};

// The real clock, except that one chosen pause can be held until the test lets it go, so a
// start can be caught in the middle. Any thread.
class HoldingClock final : public platform::Clock {
 public:
  // The next pause of exactly `milliseconds` blocks until Release.
  void HoldNext(DWORD milliseconds);
  // Waits (bounded) until a pause is being held.
  bool WaitHeld();
  void Release();
  void Sleep(DWORD milliseconds) override;
  DWORD GetTickCount() override { return real_.GetTickCount(); }

 private:
  platform::RealClock real_;
  std::mutex mutex_;
  std::condition_variable changed_;
  DWORD hold_ms_ = 0;  // 0: nothing to hold
  bool holding_ = false;
};

struct ShownBox {
  std::u16string text;
  std::u16string caption;
};

class TavloTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Builds the window; `version` replaces the kernel's.
  void Open(std::optional<platform::OsVersion> version = std::nullopt);
  // Runs the exit sequence as "menu_Exit" does and waits for the window to go.
  void Exit();

  DuiLib::CControlUI* Find(const char16_t* name);
  bool Visible(const char16_t* name);
  std::u16string Image(const char16_t* name);
  void SetText(const char16_t* name, const std::u16string& text);
  // A real left click in the middle of the named control.
  void ClickControl(const char16_t* name);
  void SendMenuClick(const char16_t* item);
  bool WaitReady();
  // Rows of "ListDeviceInfo" as "number mac".
  std::vector<std::string> Rows();
  QWidget* widget();

  test::ScopedTempDir dir_;
  std::unique_ptr<platform::sim::SimSystem> sim_;
  platform::IconvCodePage code_page_{"UTF-8"};
  HoldingClock clock_;
  RecordingTrayShell tray_;
  // As a user: "autostart" over the machine-wide "xdg/autostart".
  std::unique_ptr<platform::AutostartStore> autostart_;
  std::unique_ptr<platform::LinuxSystem> system_;
  std::vector<ShownBox> boxes_;
  // Refuses connections at once: the advert pane stays empty unless a test serves it.
  std::u16string web_host_ = u"http://127.0.0.1:9";
  std::vector<std::u16string> opened_urls_;
  int menus_opened_ = 0;
  // Handed to the window when set before Open.
  platform::HotspotDiagnosis* diagnosis_ = nullptr;
  platform::DeviceFactsSource* device_facts_ = nullptr;
  const platform::DeviceMakers* device_makers_ = nullptr;
  std::unique_ptr<app::CTavlo> tavlo_;
  HWND hwnd_ = nullptr;
};

}  // namespace apptest
