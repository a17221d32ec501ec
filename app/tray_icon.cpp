#include "app/tray_icon.h"

#include <atomic>

namespace app {

namespace {

constexpr size_t kTipChars = 127;
constexpr size_t kInfoChars = 127;
constexpr size_t kInfoTitleChars = 63;

// Identifiers come from the string-atom range, one per icon object.
std::uint16_t AddTrayAtom() {
  static std::atomic<std::uint16_t> next{0xC000};
  return next.fetch_add(1);
}

std::u16string Bounded(std::u16string_view text, size_t limit) {
  return std::u16string(text.substr(0, limit));
}

}  // namespace

CTrayIcon::CTrayIcon(NotifyIconShell* shell) : atom_(AddTrayAtom()), shell_(shell) {
  data_.uID = atom_;
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data_.uCallbackMessage = WM_TRAY_CALLBACK;
  data_.uVersion = 3;
  data_.dwInfoFlags = NIIF_INFO;
}

CTrayIcon::~CTrayIcon() = default;

void CTrayIcon::Create(HWND window, UINT icon, const char16_t* tip) {
  data_.hWnd = window;
  data_.hIcon = icon;
  data_.szTip = tip ? Bounded(tip, kTipChars) : std::u16string();
  data_.szInfoTitle.clear();
  data_.szInfo.clear();
  data_.uFlags &= ~NIF_INFO;
  if (shell_)
    shell_->NotifyIcon(NIM_ADD, data_);
}

void CTrayIcon::ChangeIcon(UINT icon) {
  data_.uFlags &= ~NIF_INFO;
  data_.hIcon = icon;
  if (shell_)
    shell_->NotifyIcon(NIM_MODIFY, data_);
}

void CTrayIcon::ShowBalloon(std::u16string_view title, std::u16string_view text) {
  data_.szInfoTitle = Bounded(title, kInfoTitleChars);
  data_.szInfo = Bounded(text, kInfoChars);
  data_.uFlags |= NIF_INFO;
  if (shell_)
    shell_->NotifyIcon(NIM_MODIFY, data_);
}

void CTrayIcon::Remove() {
  if (shell_)
    shell_->NotifyIcon(NIM_DELETE, data_);
}

bool CTrayIcon::IsAvailable() const {
  return shell_ && shell_->IsTrayAvailable();
}

void CTrayIcon::WatchAvailability(std::function<void(bool available)> observer) {
  if (shell_)
    shell_->WatchTrayAvailability(std::move(observer));
}

}  // namespace app
