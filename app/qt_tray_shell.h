// NotifyIconShell over Qt: the record becomes a QSystemTrayIcon (StatusNotifierItem or XEmbed),
// its clicks come back as the record's callback message with the mouse codes (0x0202 left
// release, 0x0203 left double click, 0x0205 right release), and balloons become desktop
// notifications sent over D-Bus to org.freedesktop.Notifications, with the tray icon's own
// showMessage when no notification service answers.
//
// Thread affinity: UI thread. Failure: without a notification area the icon stays absent and
// NotifyIcon answers false; a balloon never fails visibly.
#pragma once

#include <QObject>
#include <memory>

#include "app/tray_icon.h"

class QSystemTrayIcon;

namespace app {

class QtTrayShell final : public QObject, public NotifyIconShell {
 public:
  QtTrayShell();
  ~QtTrayShell() override;

  bool NotifyIcon(DWORD message, const NotifyIconData& data) override;

 private:
  void Apply(const NotifyIconData& data);
  void ShowBalloon(const NotifyIconData& data);

  std::unique_ptr<QSystemTrayIcon> icon_;
  UINT shown_icon_ = 0;
  HWND window_ = nullptr;
  UINT id_ = 0;
  UINT callback_ = 0;
  uint notification_id_ = 0;  // replaced by the next balloon, as a tray balloon would be
};

}  // namespace app
