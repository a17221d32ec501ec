// Real message boxes and the windows that own them: dismissing a box, and closing its owner
// while the box's loop runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "duilib/message_box.h"
#include "duilib/window_wnd.h"
#include "support_qt/qt_input.h"

namespace DuiLib {
namespace {

class PlainWnd : public CWindowWnd {
 protected:
  LPCTSTR GetWindowClassName() const override { return u"MessageBoxOwner"; }
};

// Runs `action` inside the loop of the next real box, once it shows. A box still open well
// after that is closed here, so a fault fails the test instead of hanging it.
class WhenBoxShows {
 public:
  explicit WhenBoxShows(std::function<void()> action) : action_(std::move(action)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!ran_ && qobject_cast<QMessageBox*>(modal)) {
        ran_ = true;
        since_.start();
        action_();
      } else if (ran_ && modal && since_.elapsed() > 10000) {
        forced_ = true;
        modal->close();
      }
    });
    timer_.start(5);
  }
  bool ran() const { return ran_; }
  bool forced() const { return forced_; }

 private:
  std::function<void()> action_;
  QTimer timer_;
  QElapsedTimer since_;
  bool ran_ = false;
  bool forced_ = false;
};

TEST(MessageBoxTest, ADismissedBoxAnswersAsOneTheUserClosed) {
  PlainWnd owner;
  const HWND h = owner.Create(nullptr, u"owner", WS_POPUP | WS_VISIBLE, 0, 10, 10, 200, 100);
  ASSERT_NE(h, nullptr);
  const struct {
    UINT flags;
    int answer;
  } cases[] = {{MB_OK, IDOK},
               {MB_OKCANCEL | MB_ICONQUESTION, IDCANCEL},
               {MB_YESNO, IDNO},
               {MB_YESNOCANCEL, IDCANCEL}};
  for (const auto& c : cases) {
    bool open_inside = false;
    WhenBoxShows when([&] {
      open_inside = HasOpenMessageBox(h);
      CloseMessageBoxes(h);
    });
    EXPECT_EQ(MessageBox(h, u"正文", u"提示", c.flags), c.answer) << c.flags;
    EXPECT_TRUE(when.ran());
    EXPECT_FALSE(when.forced());
    EXPECT_TRUE(open_inside);
    EXPECT_FALSE(HasOpenMessageBox(h));
  }
  DestroyWindow(h);
}

TEST(MessageBoxTest, ClosingTheOwnerUnderItsBoxClosesTheBoxThenTheWindow) {
  PlainWnd owner;
  const HWND h = owner.Create(nullptr, u"owner", WS_POPUP | WS_VISIBLE, 0, 10, 10, 200, 100);
  ASSERT_NE(h, nullptr);
  // The desktop's close, arriving while the box's loop runs.
  WhenBoxShows when([h] { WidgetFromHwnd(h)->close(); });
  EXPECT_EQ(MessageBox(h, u"正文", u"提示", MB_OKCANCEL), IDCANCEL);
  EXPECT_TRUE(when.ran());
  EXPECT_FALSE(when.forced());
  // The window outlived the box's loop and goes now that it has returned.
  EXPECT_TRUE(IsWindow(h));
  EXPECT_TRUE(testing_qt::WaitUntil([h] { return !IsWindow(h); }));
}

TEST(MessageBoxTest, OnlyTheClosingWindowsOwnBoxesAreDismissed) {
  PlainWnd a, b, owned_by_a;
  const HWND ha = a.Create(nullptr, u"a", WS_POPUP | WS_VISIBLE, 0, 10, 10, 200, 100);
  const HWND hb = b.Create(nullptr, u"b", WS_POPUP | WS_VISIBLE, 0, 10, 10, 200, 100);
  const HWND hc = owned_by_a.Create(ha, u"c", WS_POPUP | WS_VISIBLE, 0, 10, 10, 200, 100);
  ASSERT_TRUE(ha && hb && hc);
  bool b_gone_at_once = false;
  bool still_open = false;
  bool a_counts_it = false;
  WhenBoxShows when([&] {
    DuiLib::SendMessage(hb, WM_CLOSE, 0, 0);
    b_gone_at_once = !IsWindow(hb);
    still_open = QApplication::activeModalWidget() != nullptr;
    a_counts_it = HasOpenMessageBox(ha);
    CloseMessageBoxes(ha);
  });
  EXPECT_EQ(MessageBox(hc, u"正文", u"提示", MB_OK), IDOK);
  EXPECT_TRUE(when.ran());
  EXPECT_FALSE(when.forced());
  EXPECT_TRUE(b_gone_at_once);
  EXPECT_TRUE(still_open);
  EXPECT_TRUE(a_counts_it);
  DestroyWindow(ha);
  EXPECT_FALSE(IsWindow(hc));
}

}  // namespace
}  // namespace DuiLib
