// CTrayIcon: the program's notification-area icon record and the three things done with it
// (add, modify, delete), handed to a NotifyIconShell. The main window owns one by value.
//
// Thread affinity: UI thread (the worker reaches it through closures run there).
// Ownership: the shell is not owned and must outlive the icon's use.
// Failure: the shell's answers are not used; without a notification area the icon is absent.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/win_types.h"
#include "duilib/ui_defs.h"

namespace app {

// The notification-area messages and flags, with their system numbers.
constexpr DWORD NIM_ADD = 0;
constexpr DWORD NIM_MODIFY = 1;
constexpr DWORD NIM_DELETE = 2;
constexpr UINT NIF_MESSAGE = 0x01;
constexpr UINT NIF_ICON = 0x02;
constexpr UINT NIF_TIP = 0x04;
constexpr UINT NIF_INFO = 0x10;
constexpr DWORD NIIF_INFO = 1;

// The callback message of the icon; lParam carries the mouse message.
constexpr UINT WM_TRAY_CALLBACK = 2226;

// The record the shell receives. The icon is a skin icon resource (130, 131).
struct NotifyIconData {
  DWORD cbSize = 956;
  HWND hWnd = nullptr;
  UINT uID = 0;
  UINT uFlags = 0;
  UINT uCallbackMessage = 0;
  UINT hIcon = 0;        // 0: none
  std::u16string szTip;  // at most 127 characters
  UINT uVersion = 0;
  std::u16string szInfo;       // at most 127 characters
  std::u16string szInfoTitle;  // at most 63 characters
  DWORD dwInfoFlags = 0;
};

// Shell_NotifyIconW counterpart, and what it knows of the notification area itself.
class NotifyIconShell {
 public:
  virtual ~NotifyIconShell() = default;
  virtual bool NotifyIcon(DWORD message, const NotifyIconData& data) = 0;
  // Whether a notification area is there to show an icon in now.
  virtual bool IsTrayAvailable() const = 0;
  // `observer` is called on the UI thread each time the area comes or goes; an empty one
  // stops the calls. One observer at a time.
  virtual void WatchTrayAvailability(std::function<void(bool available)> observer) = 0;
};

class CTrayIcon {
 public:
  // Adds the identifier and sets the fixed values; no shell call.
  explicit CTrayIcon(NotifyIconShell* shell);
  // Neither removes the icon nor touches the shell.
  virtual ~CTrayIcon();
  CTrayIcon(const CTrayIcon&) = delete;
  CTrayIcon& operator=(const CTrayIcon&) = delete;

  // NIM_ADD with `icon` and `tip` (null: none); empties the balloon.
  void Create(HWND window, UINT icon, const char16_t* tip);
  // NIM_MODIFY with a new icon; never repeats a balloon.
  void ChangeIcon(UINT icon);
  // NIM_MODIFY with a balloon; NIF_INFO stays set until the next ChangeIcon.
  void ShowBalloon(std::u16string_view title, std::u16string_view text);
  // NIM_DELETE.
  void Remove();
  // Whether the shell has a notification area for the icon (false without a shell).
  bool IsAvailable() const;
  // See NotifyIconShell::WatchTrayAvailability; nothing without a shell.
  void WatchAvailability(std::function<void(bool available)> observer);

  const NotifyIconData& data() const { return data_; }
  void set_shell(NotifyIconShell* shell) { shell_ = shell; }

 private:
  std::uint16_t atom_;
  NotifyIconData data_;
  NotifyIconShell* shell_;
};

}  // namespace app
