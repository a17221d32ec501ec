// The Qt notification-area shell's watch over the area itself, and its look at a real X11
// tray host.
#include "app/qt_tray_shell.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <vector>

#include "support_qt/qt_input.h"

#ifdef TAVLO_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace {

TEST(QtTrayShellTest, ReportsEachTimeTheAreaComesOrGoesAndNothingElse) {
  bool available = true;
  app::QtTrayShell shell([&available] { return available; }, 5);
  EXPECT_TRUE(shell.IsTrayAvailable());
  std::vector<bool> seen;
  shell.WatchTrayAvailability([&seen](bool now) { seen.push_back(now); });

  available = false;
  EXPECT_FALSE(shell.IsTrayAvailable());
  ASSERT_TRUE(testing_qt::WaitUntil([&seen] { return !seen.empty(); }));
  available = true;
  ASSERT_TRUE(testing_qt::WaitUntil([&seen] { return seen.size() >= 2; }));
  available = false;
  ASSERT_TRUE(testing_qt::WaitUntil([&seen] { return seen.size() >= 3; }));
  // Many polls ran in between; only the changes were reported.
  EXPECT_EQ(seen, (std::vector<bool>{false, true, false}));

  // A watcher that replaces itself from inside its own call is safe.
  shell.WatchTrayAvailability([&](bool now) {
    seen.push_back(now);
    shell.WatchTrayAvailability({});
  });
  available = true;
  ASSERT_TRUE(testing_qt::WaitUntil([&seen] { return seen.size() >= 4; }));
  EXPECT_TRUE(seen.back());
}

#ifdef TAVLO_HAVE_XCB
// An X server of its own (it picks a free display and names it on its output) and a tray
// host that comes and goes in it.
TEST(QtTrayShellTest, SeesAnX11TrayHostComeAndGo) {
  const QString xvfb_path = QStandardPaths::findExecutable("Xvfb");
  const QString trayer_path = QStandardPaths::findExecutable("trayer");
  if (xvfb_path.isEmpty() || trayer_path.isEmpty())
    GTEST_SKIP() << "needs Xvfb and trayer";
  QProcess xvfb;
  xvfb.start(xvfb_path, {"-displayfd", "1", "-screen", "0", "320x240x24", "-nolisten", "tcp"});
  ASSERT_TRUE(testing_qt::WaitUntil([&] { return xvfb.canReadLine(); }, 20000));
  const QByteArray display = ":" + xvfb.readLine().trimmed();
  int screen = 0;
  xcb_connection_t* connection = xcb_connect(display.constData(), &screen);
  ASSERT_FALSE(xcb_connection_has_error(connection));
  EXPECT_FALSE(app::QtTrayShell::XEmbedTrayOwned(connection, screen));

  QProcess trayer;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DISPLAY", QString::fromLatin1(display));
  trayer.setProcessEnvironment(env);
  trayer.start(trayer_path, {});
  EXPECT_TRUE(testing_qt::WaitUntil(
      [&] { return app::QtTrayShell::XEmbedTrayOwned(connection, screen); }, 20000));
  trayer.kill();
  trayer.waitForFinished(20000);
  EXPECT_TRUE(testing_qt::WaitUntil(
      [&] { return !app::QtTrayShell::XEmbedTrayOwned(connection, screen); }, 20000));

  xcb_disconnect(connection);
  xvfb.kill();
  xvfb.waitForFinished(20000);
}
#endif

}  // namespace
