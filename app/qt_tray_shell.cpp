#include "app/qt_tray_shell.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QSystemTrayIcon>

#include "duilib/paint_manager.h"
#include "duilib/win_api.h"

namespace app {

namespace {

constexpr LPARAM kLeftButtonUp = 0x0202;
constexpr LPARAM kLeftDoubleClick = 0x0203;
constexpr LPARAM kRightButtonUp = 0x0205;
constexpr int kBalloonTimeoutMs = 10000;

QString ToQString(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QtTrayShell::QtTrayShell() = default;

QtTrayShell::~QtTrayShell() = default;

bool QtTrayShell::NotifyIcon(DWORD message, const NotifyIconData& data) {
  switch (message) {
    case NIM_ADD:
      if (icon_)
        return false;
      window_ = data.hWnd;
      id_ = data.uID;
      callback_ = data.uCallbackMessage;
      icon_ = std::make_unique<QSystemTrayIcon>();
      QObject::connect(icon_.get(), &QSystemTrayIcon::activated, this,
                       [this](QSystemTrayIcon::ActivationReason reason) {
                         LPARAM code = 0;
                         if (reason == QSystemTrayIcon::Trigger)
                           code = kLeftButtonUp;
                         else if (reason == QSystemTrayIcon::DoubleClick)
                           code = kLeftDoubleClick;
                         else if (reason == QSystemTrayIcon::Context)
                           code = kRightButtonUp;
                         if (code)
                           DuiLib::PostMessage(window_, callback_, id_, code);
                       });
      // The tooltip's trailing line break is for the classic tray; Qt shows it as a blank line.
      icon_->setToolTip(ToQString(data.szTip).trimmed());
      Apply(data);
      icon_->show();
      return QSystemTrayIcon::isSystemTrayAvailable();
    case NIM_MODIFY:
      if (!icon_)
        return false;
      Apply(data);
      return true;
    case NIM_DELETE:
      if (!icon_)
        return false;
      icon_->hide();
      icon_.reset();
      shown_icon_ = 0;
      return true;
    default:
      return false;
  }
}

void QtTrayShell::Apply(const NotifyIconData& data) {
  if ((data.uFlags & NIF_ICON) && data.hIcon != shown_icon_) {
    icon_->setIcon(DuiLib::CPaintManagerUI::LoadIconResource(data.hIcon));
    shown_icon_ = data.hIcon;
  }
  if (data.uFlags & NIF_INFO)
    ShowBalloon(data);
}

void QtTrayShell::ShowBalloon(const NotifyIconData& data) {
  const QString title = ToQString(data.szInfoTitle);
  const QString text = ToQString(data.szInfo);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    icon_->showMessage(title, text, QSystemTrayIcon::Information, kBalloonTimeoutMs);
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                     "/org/freedesktop/Notifications",
                                                     "org.freedesktop.Notifications", "Notify");
  call << QString("Tavlo") << notification_id_ << QString("network-wireless") << title << text
       << QStringList() << QVariantMap() << kBalloonTimeoutMs;
  // Asynchronous: a slow or absent service must not stall the window.
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this,
                   [this, title, text](QDBusPendingCallWatcher* w) {
                     QDBusPendingReply<uint> reply = *w;
                     if (reply.isError()) {
                       if (icon_)
                         icon_->showMessage(title, text, QSystemTrayIcon::Information,
                                            kBalloonTimeoutMs);
                     } else {
                       notification_id_ = reply.value();
                     }
                     w->deleteLater();
                   });
}

}  // namespace app
