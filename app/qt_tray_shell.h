// NotifyIconShell over Qt: the record becomes a QSystemTrayIcon (StatusNotifierItem or XEmbed),
// its clicks come back as the record's callback message with the mouse codes (0x0202 left
// release, 0x0203 left double click, 0x0205 right release), and balloons become desktop
// notifications sent over D-Bus to org.freedesktop.Notifications, with the tray icon's own
// showMessage when no notification service answers.
//
// Whether a notification area exists can change at any time (a tray host or a
// StatusNotifierWatcher starts or ends): while someone watches, the shell asks every
// kAvailabilityPollMs and at once when a StatusNotifierWatcher comes or goes on the session
// bus, and reports changes only.
//
// Thread affinity: UI thread. Failure: without a notification area the icon stays absent and
// NotifyIcon answers false; a balloon never fails visibly.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/tray_icon.h"

class QSystemTrayIcon;
class QDBusServiceWatcher;
struct xcb_connection_t;

namespace app {

class QtTrayShell final : public QObject, public NotifyIconShell {
 public:
  static constexpr int kAvailabilityPollMs = 2000;

  // `probe` answers whether a notification area exists (Qt's answer when empty).
  explicit QtTrayShell(std::function<bool()> probe = {},
                       int availability_poll_ms = kAvailabilityPollMs);
  ~QtTrayShell() override;

  bool NotifyIcon(DWORD message, const NotifyIconData& data) override;
  bool IsTrayAvailable() const override;
  void WatchTrayAvailability(std::function<void(bool available)> observer) override;

  // Whether a client owns the X11 tray manager selection (XEmbed) of `screen`; one round trip
  // to the server. False without X11 support in the build.
  static bool XEmbedTrayOwned(xcb_connection_t* connection, int screen);

 private:
  void Apply(const NotifyIconData& data);
  void ShowBalloon(const NotifyIconData& data);
  void CheckAvailability();

  std::function<bool()> probe_;
  std::function<void(bool)> observer_;
  bool last_available_ = false;
  QTimer poll_;
  std::unique_ptr<QDBusServiceWatcher> watcher_;

  std::unique_ptr<QSystemTrayIcon> icon_;
  UINT shown_icon_ = 0;
  HWND window_ = nullptr;
  UINT id_ = 0;
  UINT callback_ = 0;
  uint notification_id_ = 0;  // replaced by the next balloon, as a tray balloon would be
};

}  // namespace app
