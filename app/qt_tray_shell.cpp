#include "app/qt_tray_shell.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QSystemTrayIcon>
#include <cstdlib>

#ifdef TAVLO_HAVE_XCB
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#endif

#include "duilib/paint_manager.h"
#include "duilib/win_api.h"

namespace app {

namespace {

constexpr LPARAM kLeftButtonUp = 0x0202;
constexpr LPARAM kLeftDoubleClick = 0x0203;
constexpr LPARAM kRightButtonUp = 0x0205;
constexpr int kBalloonTimeoutMs = 10000;
const QString kStatusNotifierWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");

QString ToQString(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

#ifdef TAVLO_HAVE_XCB
bool StatusNotifierHostRuns() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  return bus.isConnected() && bus.interface() &&
         bus.interface()->isServiceRegistered(kStatusNotifierWatcher).value() &&
         QSystemTrayIcon::isSystemTrayAvailable();
}

#endif  // TAVLO_HAVE_XCB

// Qt notices a tray host that appears, but on X11 not one that goes away: there the selection
// owner is asked directly.
bool DesktopHasTray() {
#ifdef TAVLO_HAVE_XCB
  if (auto* x11 =
          qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
    if (xcb_connection_t* connection = x11->connection()) {
      int screen = 0;
      const QByteArray display = qgetenv("DISPLAY");
      if (const qsizetype dot = display.lastIndexOf('.'); dot > display.lastIndexOf(':'))
        screen = display.mid(dot + 1).toInt();
      return QtTrayShell::XEmbedTrayOwned(connection, screen) || StatusNotifierHostRuns();
    }
  }
#endif
  return QSystemTrayIcon::isSystemTrayAvailable();
}

}  // namespace

QtTrayShell::QtTrayShell(std::function<bool()> probe, int availability_poll_ms)
    : probe_(probe ? std::move(probe) : &DesktopHasTray) {
  poll_.setInterval(availability_poll_ms);
  QObject::connect(&poll_, &QTimer::timeout, this, [this] { CheckAvailability(); });
}

QtTrayShell::~QtTrayShell() = default;

bool QtTrayShell::XEmbedTrayOwned(xcb_connection_t* connection, int screen) {
#ifdef TAVLO_HAVE_XCB
  if (!connection)
    return false;
  const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen);
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      connection,
      xcb_intern_atom(connection, 1, static_cast<uint16_t>(name.size()), name.constData()),
      nullptr);
  if (!atom)
    return false;
  const xcb_atom_t selection = atom->atom;
  std::free(atom);
  if (selection == XCB_ATOM_NONE)
    return false;
  xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
      connection, xcb_get_selection_owner(connection, selection), nullptr);
  const bool owned = owner && owner->owner != XCB_WINDOW_NONE;
  std::free(owner);
  return owned;
#else
  (void)connection;
  (void)screen;
  return false;
#endif
}

bool QtTrayShell::IsTrayAvailable() const {
  return probe_();
}

void QtTrayShell::WatchTrayAvailability(std::function<void(bool available)> observer) {
  observer_ = std::move(observer);
  if (!observer_) {
    poll_.stop();
    watcher_.reset();
    return;
  }
  last_available_ = probe_();
  poll_.start();
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected() && !watcher_) {
    watcher_ = std::make_unique<QDBusServiceWatcher>(
        kStatusNotifierWatcher, bus,
        QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration);
    // Qt learns of the new watcher on the same signal; look once the loop has passed it on.
    auto later = [this] { QTimer::singleShot(0, this, [this] { CheckAvailability(); }); };
    QObject::connect(watcher_.get(), &QDBusServiceWatcher::serviceRegistered, this, later);
    QObject::connect(watcher_.get(), &QDBusServiceWatcher::serviceUnregistered, this, later);
  }
}

void QtTrayShell::CheckAvailability() {
  if (!observer_)
    return;
  const bool available = probe_();
  if (available == last_available_)
    return;
  last_available_ = available;
  // A copy: the observer may replace itself.
  std::function<void(bool)> observer = observer_;
  observer(available);
}

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
