// CTavlo: construction, the framework hooks, notifications, messages and the two timers.
#include <memory>

#include "app/autorun.h"
#include "app/tavlo.h"
#include "ui/advert_pane.h"

using DuiLib::CControlUI;
using DuiLib::CDuiString;

namespace app {

namespace {

constexpr char16_t kTooltip[] = u"Tavlo\r\n";
// What the window says of its close button when there is no notification area to hide in.
constexpr char16_t kNoTrayHint[] = u"关闭窗口将最小化，程序继续运行";
constexpr char16_t kNoTrayCloseTip[] = u"最小化";
constexpr char16_t kSimulatedMark[] = u"（模拟）";
constexpr LPARAM kLeftButtonUp = 0x0202;
constexpr LPARAM kLeftDoubleClick = 0x0203;
constexpr LPARAM kRightButtonUp = 0x0205;

// Status animation frames; the fifth tick holds the last one.
constexpr const char16_t* kAnimationFrames[] = {u"wifi_ico0.png", u"wifi_ico1.png",
                                                u"wifi_ico2.png", u"wifi_ico3.png"};

// Posts to the window from the sink's thread; a window that is gone drops the message.
class WindowPoster final : public platform::MessagePoster {
 public:
  explicit WindowPoster(HWND hwnd) : hwnd_(hwnd) {}
  BOOL Post(UINT message, UINT_PTR wparam, INT_PTR lparam) override {
    return DuiLib::PostMessage(hwnd_, message, static_cast<WPARAM>(wparam),
                               static_cast<LPARAM>(lparam))
               ? TRUE
               : FALSE;
  }

 private:
  HWND hwnd_;
};

}  // namespace

CTavlo::CTavlo(const TavloServices& services, UINT activation_message)
    : services_(services),
      activation_message_(activation_message),
      single_instance_(kSingleInstanceName),
      tray_icon_(services.tray_shell),
      hotspot_(services.wlan,
               services.code_page,
               services.clock,
               services.command_runner,
               services.sharing),
      worker_(services.clock, this) {}

CTavlo::~CTavlo() {
  device_facts_.Stop();
  if (window_)
    tray_icon_.WatchAvailability({});
  // Closures and messages for the window drop once it is gone; it must go before this does.
  if (DuiLib::IsWindow(GetHWND()))
    DuiLib::DestroyWindow(GetHWND());
  // The exit sequence normally ended the worker; a window the desktop closed did not, and the
  // shutdown must run all the same.
  worker_.Quit();
  if (exit_thread_.joinable())
    exit_thread_.join();
}

bool CTavlo::AcquireSingleInstance() {
  return single_instance_.TryAcquire();
}

CControlUI* CTavlo::CreateControl(LPCTSTR class_name) {
  const CDuiString name(class_name);
  const char16_t* layout = nullptr;
  if (name.CompareNoCase(u"PageSet") == 0)
    layout = u"PageSet.xml";
  else if (name.CompareNoCase(u"PageUsers") == 0)
    layout = u"PageUsers.xml";
  else if (name.CompareNoCase(u"PageTip") == 0)
    layout = u"PageTip.xml";
  if (!layout)
    return nullptr;
  DuiLib::CDialogBuilder builder;
  return builder.Create(layout, nullptr, nullptr, &m_PaintManager, nullptr);
}

void CTavlo::InitWindow() {
  SetWindowIcon(kStoppedIcon);
  auto find = [this](const char16_t* name) { return m_PaintManager.FindControl(name); };
  sys_close_ = find(u"sysbtn_close");
  btn_run_ = find(u"Btn_Run");
  btn_close_ = find(u"Btn_Close");
  static_init_ = find(u"Static_init");
  static_init_start_ = find(u"Static_init_start");
  static_wifi_ = find(u"Static_wifi");
  chk_show_pwd_ = find(u"chkShowPwd");
  edit_pwd_ = dynamic_cast<DuiLib::CEditUI*>(find(u"Edit_PWD"));
  edit_ssid_ = dynamic_cast<DuiLib::CEditUI*>(find(u"Edit_SSID"));
  device_list_ = dynamic_cast<DuiLib::CListUI*>(find(u"ListDeviceInfo"));
  link_web_url_ = find(u"linkWebUrl");
  link_web_friend_ = find(u"linkWebFriend");
  qr_join_ = dynamic_cast<DuiLib::CQrCodeUI*>(find(u"Qr_join"));

  window_ = GetHWND();
  poster_ = std::make_unique<WindowPoster>(window_);
  // Before the worker starts: facts may come before the rows they belong to.
  device_facts_.Start(
      services_.device_facts, window_,
      [this](const std::vector<platform::DeviceFacts>& changed) { OnDeviceFacts(changed); });
  tray_icon_.Create(window_, kStoppedIcon, kTooltip);
  if (DuiLib::CControlUI* title = find(u"Static_title"); title && services_.simulated)
    title->SetText((title->GetText().str() + kSimulatedMark).c_str());
  tray_hint_ = find(u"Static_tray_hint");
  if (tray_hint_)
    tray_hint_text_ = tray_hint_->GetText();
  if (sys_close_)
    sys_close_tip_ = sys_close_->GetToolTip();
  tray_available_ = tray_icon_.IsAvailable();
  OnTrayAvailability(tray_available_);
  const HWND hwnd = window_;
  tray_icon_.WatchAvailability([this, hwnd](bool available) {
    if (DuiLib::IsWindow(hwnd))
      OnTrayAvailability(available);
  });
  if (services_.autostart)
    UpdateAutorunCheck(
        Autorun(*services_.autostart, services_.system->ExecutablePath()).IsAutorunEnabled());
  ui::SetupAdvertPane(m_PaintManager, services_.web_host);

  platform::OsVersion version;
  const bool known = services_.system && services_.system->Version(&version);
  if (!known || version.major != 5 || version.minor != 1)
    StartWorker();
  DuiLib::SetTimer(GetHWND(), TIMER_WAIT_READY, kWaitReadyMs);
}

void CTavlo::Notify(DuiLib::TNotifyUI& msg) {
  if (!msg.pSender)
    return;
  const CDuiString sender = msg.pSender->GetName();
  if (msg.sType.CompareNoCase(u"click") == 0) {
    if (sender.CompareNoCase(u"sysbtn_close") == 0) {
      OnSysCloseClicked();
    } else if (sender.CompareNoCase(u"Btn_Run") == 0) {
      OnRunClicked();
    } else if (sender.CompareNoCase(u"Btn_Close") == 0) {
      OnCloseClicked();
    } else if (sender.CompareNoCase(u"chkShowPwd") == 0) {
      if (edit_pwd_)
        edit_pwd_->SetPasswordMode(!edit_pwd_->IsPasswordMode());
    } else if (sender.CompareNoCase(u"linkWebUrl") == 0) {
      OpenWebPage(ui::kWebContainerPath);
    } else if (sender.CompareNoCase(u"linkWebFriend") == 0) {
      OpenWebPage(ui::kFriendContainerPath);
    }
    return;
  }
  if (msg.sType == u"selectchanged") {
    auto* tabs = dynamic_cast<DuiLib::CTabLayoutUI*>(m_PaintManager.FindControl(u"switch"));
    if (!tabs)
      return;
    if (sender == u"optionSet")
      tabs->SelectItem(0);
    else if (sender == u"optionUsers")
      tabs->SelectItem(1);
    else if (sender == u"optionTip")
      tabs->SelectItem(2);
  }
}

LRESULT CTavlo::HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  const LRESULT result = WindowImplBase::HandleMessage(msg, wparam, lparam);
  if (msg == WM_TIMER) {
    OnTimer(static_cast<UINT_PTR>(wparam));
  } else if (msg == WM_TRAY_CALLBACK) {
    if (lparam == kLeftButtonUp || lparam == kLeftDoubleClick)
      ShowAndActivate();
    else if (lparam == kRightButtonUp)
      ShowTrayMenu();
    return 0;
  } else if (msg == WM_HOSTEDNETWORK_NOTIFY) {
    DrainHostedNetworkEvents();
  } else if (activation_message_ != 0 && msg == activation_message_) {
    ShowAndActivate();
  }
  return result;
}

LRESULT CTavlo::HandleCustomMessage(UINT msg, WPARAM wparam, LPARAM, bool&) {
  if (msg == WM_MENU_ITEM_CLICK) {
    // The name is ours to free, whatever it says.
    std::unique_ptr<char16_t[]> name(reinterpret_cast<char16_t*>(wparam));
    OnMenuItemClick(name.get());
  }
  return 0;
}

void CTavlo::OnTimer(UINT_PTR id) {
  if (id == TIMER_WAIT_READY) {
    if (hotspot_.ready()) {
      if (static_init_start_)
        static_init_start_->SetVisible(false);
      if (btn_run_)
        btn_run_->SetVisible(true);
      DuiLib::KillTimer(GetHWND(), TIMER_WAIT_READY);
    }
  } else if (id == TIMER_ANIMATE) {
    if (animation_counter_ < 4) {
      if (static_wifi_)
        static_wifi_->SetBkImage(kAnimationFrames[animation_counter_]);
      ++animation_counter_;
    } else {
      animation_counter_ = 0;
    }
  }
}

void CTavlo::OnSysCloseClicked() {
  // Asked afresh: the watch reports a change only some time after it happened.
  OnTrayAvailability(tray_icon_.IsAvailable());
  // Hidden without a notification area, the window could not be brought back.
  DuiLib::ShowWindow(GetHWND(), tray_available_ ? SW_HIDE : SW_MINIMIZE);
}

void CTavlo::OnTrayAvailability(bool available) {
  const bool lost = tray_available_ && !available;
  tray_available_ = available;
  if (tray_hint_)
    tray_hint_->SetText(available ? tray_hint_text_.GetData() : kNoTrayHint);
  if (sys_close_)
    sys_close_->SetToolTip(available ? sys_close_tip_.GetData() : kNoTrayCloseTip);
  // The area went away with the window hidden in it: give the window back, out of the way.
  if (lost && !exit_started_ && !DuiLib::IsWindowVisible(GetHWND()))
    DuiLib::ShowWindow(GetHWND(), SW_MINIMIZE);
}

void CTavlo::ShowAndActivate() {
  ShowWindow(true, true);
}

void CTavlo::SetWindowIcon(UINT icon) {
  window_icon_ = icon;
  SetIcon(icon);
}

void CTavlo::OpenWebPage(std::u16string_view path) {
  // With no server named, the browser gets a copy of the page that ships in the skin.
  const std::u16string url = ui::BrowserPageUrl(path, services_.web_host);
  if (services_.open_url && !url.empty())
    services_.open_url(url);
}

}  // namespace app
