#include "tavlo_fixture.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace apptest {

std::vector<std::u16string> RecordingTrayShell::Balloons() const {
  std::vector<std::u16string> out;
  for (const TrayCall& call : calls) {
    if (call.message == app::NIM_MODIFY && (call.data.uFlags & app::NIF_INFO))
      out.push_back(call.data.szInfo);
  }
  return out;
}

void HoldingClock::HoldNext(DWORD milliseconds) {
  std::lock_guard<std::mutex> guard(mutex_);
  hold_ms_ = milliseconds;
}

bool HoldingClock::WaitHeld() {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::seconds(10), [this] { return holding_; });
}

void HoldingClock::Release() {
  std::lock_guard<std::mutex> guard(mutex_);
  hold_ms_ = 0;
  holding_ = false;
  changed_.notify_all();
}

void HoldingClock::Sleep(DWORD milliseconds) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (hold_ms_ != 0 && milliseconds == hold_ms_ && !holding_) {
      holding_ = true;
      changed_.notify_all();
      changed_.wait(lock, [this] { return !holding_; });
    }
  }
  real_.Sleep(milliseconds);
}

void TavloTest::SetUp() {
  ASSERT_FALSE(dir_.path().empty());
  const std::string runtime = (dir_.path() / "run").string();
  std::filesystem::create_directories(runtime);
  // A runtime folder must be private, or the program would not use it.
  std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  DuiLib::CPaintManagerUI::SetInstance(nullptr);
  DuiLib::CPaintManagerUI::SetResourceZip(u"skin.zip");
  DuiLib::SetMessageBoxPresenter(
      [this](HWND, const DuiLib::CDuiString& text, const DuiLib::CDuiString& caption, UINT) {
        boxes_.push_back({text.str(), caption.str()});
        return IDOK;
      });
  sim_ = std::make_unique<platform::sim::SimSystem>(dir_.path() / "sim");
  autostart_ = std::make_unique<platform::LayeredAutostart>(platform::LayeredAutostart::Folders{
      (dir_.path() / "autostart").string(), {(dir_.path() / "xdg" / "autostart").string()}});
}

void TavloTest::TearDown() {
  clock_.Release();
  if (hwnd_ && DuiLib::IsWindow(hwnd_))
    Exit();
  tavlo_.reset();
  DuiLib::SetMessageBoxPresenter({});
  sim_.reset();
}

void TavloTest::Open(std::optional<platform::OsVersion> version) {
  platform::LinuxSystem::Options options;
  options.version = version;
  system_ = std::make_unique<platform::LinuxSystem>(options);
  app::TavloServices services;
  services.system = system_.get();
  services.autostart = autostart_.get();
  services.tray_shell = &tray_;
  services.open_url = [this](const std::u16string& url) { opened_urls_.push_back(url); };
  services.open_tray_menu = [this](HWND, DuiLib::CPaintManagerUI*,
                                   std::map<DuiLib::CDuiString, bool>*, POINT) { ++menus_opened_; };
  services.web_host = web_host_;
  services.wlan = &sim_->wlan_api();
  services.code_page = &code_page_;
  services.clock = &clock_;
  services.command_runner = &sim_->command_runner();
  services.sharing = &sim_->sharing_service();
  services.diagnosis = diagnosis_;
  services.device_facts = device_facts_;
  services.device_makers = device_makers_;
  tavlo_ = std::make_unique<app::CTavlo>(services, 0xC123);
  ASSERT_TRUE(tavlo_->AcquireSingleInstance());
  hwnd_ = tavlo_->Create(nullptr, u"tavlo", 0x96C80000, 0x100);
  ASSERT_NE(hwnd_, nullptr);
  testing_qt::Pump();
}

void TavloTest::Exit() {
  SendMenuClick(u"menu_Exit");
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return !DuiLib::IsWindow(hwnd_); }, 15000));
}

DuiLib::CControlUI* TavloTest::Find(const char16_t* name) {
  return tavlo_->GetPaintManager().FindControl(name);
}

bool TavloTest::Visible(const char16_t* name) {
  DuiLib::CControlUI* control = Find(name);
  return control && control->IsOwnVisible();
}

std::u16string TavloTest::Image(const char16_t* name) {
  return Find(name)->GetBkImage().str();
}

void TavloTest::SetText(const char16_t* name, const std::u16string& text) {
  Find(name)->SetText(text.c_str());
}

void TavloTest::ClickControl(const char16_t* name) {
  DuiLib::CControlUI* control = Find(name);
  ASSERT_NE(control, nullptr);
  ASSERT_TRUE(control->IsVisible()) << DuiLib::CDuiString(name).ToUtf8();
  // A control just shown has no place until the next layout, which a busy machine may not
  // have run yet; the press would lay out only after picking its target.
  tavlo_->GetPaintManager().UpdateLayout();
  const RECT rc = control->GetPos();
  testing_qt::Click(widget(), QPoint((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2));
  testing_qt::Pump();
}

void TavloTest::SendMenuClick(const char16_t* item) {
  std::u16string name(item);
  auto* heap = new char16_t[name.size() + 1];
  std::copy(name.c_str(), name.c_str() + name.size() + 1, heap);
  DuiLib::SendMessage(hwnd_, app::WM_MENU_ITEM_CLICK, reinterpret_cast<WPARAM>(heap), 0);
}

bool TavloTest::WaitReady() {
  return testing_qt::WaitUntil([this] { return Visible(u"Btn_Run"); }, 5000);
}

std::vector<std::string> TavloTest::Rows() {
  auto* list = dynamic_cast<DuiLib::CListUI*>(Find(u"ListDeviceInfo"));
  std::vector<std::string> rows;
  for (int i = 0; list && i < list->GetCount(); ++i) {
    auto* row = dynamic_cast<DuiLib::CListTextElementUI*>(list->GetItemAt(i));
    rows.push_back(row->GetText(0).ToUtf8() + " " + row->GetText(1).ToUtf8());
  }
  return rows;
}

QWidget* TavloTest::widget() {
  return DuiLib::WidgetFromHwnd(hwnd_);
}

}  // namespace apptest
