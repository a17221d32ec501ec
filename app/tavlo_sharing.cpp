// CTavlo: the start/stop sequence. The UI thread validates and queues; the worker applies the
// name and password, drives the hotspot, and hands each resulting UI change to the UI thread.
#include <algorithm>

#include "app/hotspot_failure_text.h"
#include "app/tavlo.h"
#include "app/wifi_qr_payload.h"

namespace app {

namespace {

constexpr char16_t kCaption[] = u"提示";
constexpr char16_t kEmptySsidText[] = u"WiFi账号不能为空！";
constexpr char16_t kSsidBytesText[] = u"WiFi账号不能超过32个字节（一个汉字通常占2到3个字节）！";
constexpr char16_t kPasswordText[] = u"WiFi密码必须是8至63位字符！";
constexpr char16_t kStartedBalloon[] = u"已开启WiFi热点，尽情享受吧！";
constexpr char16_t kFailedBalloon[] = u"开启WiFi共享失败，请再次点击开启共享按钮重试一次";
constexpr char16_t kStoppedBalloon[] = u"已关闭WiFi共享";
constexpr char16_t kOneCardText[] =
    u"这台电脑上唯一能开启热点的无线网卡正连接着互联网，开启热点后WiFi会断开，电脑将无法上网。"
    u"请改用网线上网，或者再插一个无线网卡。\n\n仍要开启热点吗？";
constexpr char16_t kSharingImage[] = u"wifi_ico4.png";
constexpr char16_t kStoppedImage[] = u"wifi_ico3.png";
constexpr size_t kMinPasswordChars = 8;
constexpr size_t kMaxPasswordChars = 63;

void SetVisible(DuiLib::CControlUI* control, bool visible) {
  if (control)
    control->SetVisible(visible);
}

void SetBkImage(DuiLib::CControlUI* control, const char16_t* image) {
  if (control)
    control->SetBkImage(image);
}

}  // namespace

void CTavlo::InitSharing() {
  hotspot_.set_window(poster_.get());
  if (SUCCEEDED(hotspot_.InitSharingManager())) {
    hotspot_.sharing_manager()->GetConnectionInfos(hotspot_.connections());
    if (SUCCEEDED(hotspot_.Initialize())) {
      hotspot_.sharing_manager()->DisableAllSharing();
      if (static_cast<LONG>(hotspot_.controller().Disable()) >= 0)
        hotspot_.set_ready();
    }
  }
  hotspot_.controller().GetSsid(&current_ssid_);
  hotspot_.controller().GetKey(&current_password_);
  OnUi([this, ssid = current_ssid_, password = current_password_] {
    if (edit_ssid_)
      edit_ssid_->SetText(ssid.c_str());
    if (edit_pwd_)
      edit_pwd_->SetText(password.c_str());
  });
}

void CTavlo::OnRunClicked() {
  const HWND hwnd = GetHWND();
  const std::u16string ssid = edit_ssid_ ? edit_ssid_->GetText().str() : std::u16string();
  if (ssid.empty()) {
    DuiLib::MessageBox(hwnd, kEmptySsidText, kCaption, MB_OK);
    return;
  }
  // The service takes bytes in the system code page: a name that does not fit would be
  // dropped silently and the start reported as a success with the old name.
  DOT11_SSID converted{};
  if (hotspot_.controller().SsidFromText(ssid.c_str(), &converted) != ERROR_SUCCESS) {
    DuiLib::MessageBox(hwnd, kSsidBytesText, kCaption, MB_OK);
    return;
  }
  requested_ssid_ = ssid;

  const std::u16string password = edit_pwd_ ? edit_pwd_->GetText().str() : std::u16string();
  // Printable ASCII only: that is all a WPA2 access point takes, and it would refuse the rest
  // at the start.
  bool password_ok = password.size() >= kMinPasswordChars && password.size() <= kMaxPasswordChars &&
                     std::all_of(password.begin(), password.end(),
                                 [](char16_t c) { return c >= 0x20 && c <= 0x7E; });
  if (password_ok) {
    // Likewise 8 to 63 bytes, every character representable.
    DWORD size = 0;
    const DWORD result = hotspot_.controller().PassphraseFromText(
        password.c_str(), static_cast<DWORD>(password.size()), nullptr, &size);
    password_ok = result == ERROR_MORE_DATA || result == ERROR_SUCCESS;
  }
  if (!password_ok) {
    DuiLib::MessageBox(hwnd, kPasswordText, kCaption, MB_OK);
    return;
  }
  requested_password_ = password;

  // Hosting on the card that carries the Internet takes the computer offline; the user decides.
  if (services_.diagnosis && services_.diagnosis->StartWouldDropInternet() &&
      DuiLib::MessageBox(hwnd, kOneCardText, kCaption, MB_YESNO) != IDYES)
    return;

  SetVisible(btn_run_, false);
  SetVisible(btn_close_, false);
  SetVisible(static_init_, true);
  DuiLib::SetTimer(hwnd, TIMER_ANIMATE, kAnimateMs);
  PostCommand(CMD_START);
}

void CTavlo::OnCloseClicked() {
  // The stop shows its own state; the network's departure on the way must not show it twice.
  sharing_shown_ = false;
  PostCommand(CMD_STOP);
}

void CTavlo::OnStartCommand() {
  if (requested_ssid_ != current_ssid_ && SUCCEEDED(hotspot_.controller().SetSsid(requested_ssid_)))
    current_ssid_ = requested_ssid_;
  if (requested_password_ != current_password_ &&
      SUCCEEDED(hotspot_.controller().SetKey(requested_password_)))
    current_password_ = requested_password_;

  const bool started = hotspot_.StartSharing();
  const HWND hwnd = GetHWND();
  if (started) {
    // The name and password the network now runs with: the ones applied above, or, where the
    // system refused a change, the ones it kept.
    const std::string payload = WifiQrPayload(current_ssid_, current_password_);
    OnUi([this, hwnd, payload] {
      SetVisible(btn_run_, false);
      SetVisible(static_init_, false);
      SetVisible(btn_close_, true);
      DuiLib::KillTimer(hwnd, TIMER_ANIMATE);
      SetBkImage(static_wifi_, kSharingImage);
      SetWindowIcon(kSharingIcon);
      tray_icon_.ChangeIcon(kSharingIcon);
      animation_counter_ = 0;
      tray_icon_.ShowBalloon(kCaption, kStartedBalloon);
      ShowJoinCode(payload);
      sharing_shown_ = true;
    });
  } else {
    // The start ran in-process, so its error never reaches us; the backend says what went wrong.
    std::u16string balloon = kFailedBalloon;
    if (services_.diagnosis) {
      const std::u16string reason = HotspotFailureText(services_.diagnosis->DiagnoseStart());
      if (!reason.empty())
        balloon += u"\n" + reason;
    }
    OnUi([this, hwnd, balloon] {
      SetVisible(btn_close_, false);
      SetVisible(btn_run_, true);
      SetVisible(static_init_, false);
      DuiLib::KillTimer(hwnd, TIMER_ANIMATE);
      SetBkImage(static_wifi_, kStoppedImage);
      animation_counter_ = 0;
      tray_icon_.ShowBalloon(kCaption, balloon);
      ShowJoinCode({});
      sharing_shown_ = false;
    });
  }
}

void CTavlo::OnStopCommand() {
  hotspot_.StopHostedNetwork();
  OnUi([this] { ShowStopped(); });
}

void CTavlo::ShowStopped() {
  SetBkImage(static_wifi_, kStoppedImage);
  tray_icon_.ChangeIcon(kStoppedIcon);
  SetWindowIcon(kStoppedIcon);
  tray_icon_.ShowBalloon(kCaption, kStoppedBalloon);
  SetVisible(btn_run_, true);
  SetVisible(btn_close_, false);
  SetVisible(static_init_, false);
  ShowJoinCode({});
  sharing_shown_ = false;
}

void CTavlo::ShowJoinCode(const std::string& payload) {
  if (!qr_join_)
    return;
  // Nothing of the password stays behind in a hidden control.
  const bool shown = qr_join_->SetPayload(payload) && !payload.empty();
  if (!shown)
    qr_join_->SetPayload({});
  qr_join_->SetVisible(shown);
}

void CTavlo::OnHostedNetworkStopped() {
  // A start's own stop-and-start passes are over before it shows sharing (the hotspot waits
  // for them), a departure reported after the network came back is no departure, and the
  // exit's shutdown switches the network off on its way out without a word.
  if (!sharing_shown_ || exit_started_)
    return;
  bool active = false;
  if (SUCCEEDED(hotspot_.controller().IsActive(&active)) && active)
    return;
  ShowStopped();
}

}  // namespace app
