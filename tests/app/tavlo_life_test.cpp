// The window's life against what the desktop does to it: a close from the window manager in
// the middle of a start, and an exit while a message box is open.
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include "tavlo_fixture.h"

namespace apptest {
namespace {

class TavloLifeTest : public TavloTest {
 protected:
  // What the hotspot's shutdown leaves: no sharing anywhere, the hosted network disabled.
  void ExpectShutDown() {
    EXPECT_FALSE(sim_->wireless().GetSnapshot().enabled);
    for (const auto& connection : sim_->sharing().Connections())
      EXPECT_FALSE(sim_->sharing().Role(connection.guid).has_value());
  }
};

TEST_F(TavloLifeTest, WindowManagerCloseDuringAStartDropsItsUiChangesAndStillShutsDown) {
  Open();
  ASSERT_TRUE(WaitReady());
  clock_.HoldNext(CHotspot::kCommandPauseMs);
  ClickControl(u"Btn_Run");
  ASSERT_TRUE(clock_.WaitHeld());

  // Alt+F4 or the session ending: a close event from outside, not the exit sequence.
  widget()->close();
  ASSERT_FALSE(DuiLib::IsWindow(hwnd_));
  const size_t tray_calls = tray_.calls.size();
  clock_.Release();
  // As the program's end does: the object goes (joining the worker), then what was queued is
  // delivered.
  tavlo_.reset();
  testing_qt::Pump();

  // The start's changes would have touched the gone window's controls and tray icon.
  EXPECT_EQ(tray_.calls.size(), tray_calls);
  ExpectShutDown();
}

TEST_F(TavloLifeTest, WindowManagerCloseWhileIdleShutsDown) {
  Open();
  ASSERT_TRUE(WaitReady());
  ClickControl(u"Btn_Run");
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Close"); }, 8000));
  ASSERT_TRUE(sim_->wireless().GetSnapshot().enabled);
  widget()->close();
  ASSERT_FALSE(DuiLib::IsWindow(hwnd_));
  tavlo_.reset();
  testing_qt::Pump();
  ExpectShutDown();
}

TEST_F(TavloLifeTest, ExitWhileARealMessageBoxIsOpenClosesTheBoxFirst) {
  Open();
  ASSERT_TRUE(WaitReady());
  DuiLib::SetMessageBoxPresenter({});
  SetText(u"Edit_SSID", u"");

  // Runs inside the box's own loop: asks for the exit as soon as the box shows. A box still
  // open long after that is closed here, so a fault fails the test instead of hanging it.
  QPointer<QWidget> box;
  bool exit_requested = false;
  bool forced = false;
  QElapsedTimer since;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!exit_requested && qobject_cast<QMessageBox*>(modal)) {
      box = modal;
      exit_requested = true;
      since.start();
      SendMenuClick(u"menu_Exit");
    } else if (exit_requested && modal && since.elapsed() > 10000) {
      forced = true;
      modal->close();
    }
  });
  watcher.start(10);
  ClickControl(u"Btn_Run");  // returns once the box is gone
  watcher.stop();

  ASSERT_TRUE(exit_requested);
  EXPECT_FALSE(forced);
  EXPECT_TRUE(box.isNull() || !box->isVisible());
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return !DuiLib::IsWindow(hwnd_); }, 15000));
  EXPECT_EQ(tray_.calls.back().message, app::NIM_DELETE);
  ExpectShutDown();
  tavlo_.reset();
  testing_qt::Pump();
}

}  // namespace
}  // namespace apptest
