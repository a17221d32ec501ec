// Windows and messages: procedures, posting, closures, timers, threads, subclassing, message
// boxes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <atomic>
#include <thread>
#include <vector>

#include "duilib/message_box.h"
#include "duilib/ui_thread.h"
#include "duilib/window_wnd.h"
#include "support_qt/qt_input.h"

namespace DuiLib {
namespace {

constexpr UINT kTestMsg = WM_USER + 7;

class RecordingWnd : public CWindowWnd {
 public:
  std::vector<UINT> seen;
  std::vector<WPARAM> params;
  bool* final_flag = nullptr;

 protected:
  LPCTSTR GetWindowClassName() const override { return u"RecordingWnd"; }
  LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
    seen.push_back(msg);
    if (msg == kTestMsg || msg == WM_TIMER)
      params.push_back(w);
    if (msg == kTestMsg)
      return static_cast<LRESULT>(w * 2);
    return CWindowWnd::HandleMessage(msg, w, l);
  }
  void OnFinalMessage(HWND) override {
    if (final_flag)
      *final_flag = true;
  }
};

size_t IndexOf(const std::vector<UINT>& v, UINT msg) {
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] == msg)
      return i;
  }
  return v.size();
}

TEST(WindowTest, LifecycleMessagesArriveInOrderAndHandleDies) {
  RecordingWnd wnd;
  bool final_called = false;
  wnd.final_flag = &final_called;
  HWND h = wnd.Create(nullptr, u"t", WS_POPUP, 0, 10, 20, 200, 100);
  ASSERT_NE(h, nullptr);
  EXPECT_LT(IndexOf(wnd.seen, WM_NCCREATE), IndexOf(wnd.seen, WM_CREATE));
  RECT rc;
  ASSERT_TRUE(GetWindowRect(h, &rc));
  EXPECT_EQ(CDuiRect(rc), CDuiRect(10, 20, 210, 120));

  ASSERT_TRUE(DestroyWindow(h));
  size_t d = IndexOf(wnd.seen, WM_DESTROY), nd = IndexOf(wnd.seen, WM_NCDESTROY);
  EXPECT_LT(d, nd);
  EXPECT_LT(nd, wnd.seen.size());
  EXPECT_TRUE(final_called);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(wnd.GetHWND(), nullptr);
  EXPECT_FALSE(PostMessage(h, kTestMsg, 1, 0));
  EXPECT_EQ(SendMessage(h, kTestMsg, 1, 0), 0);
}

TEST(WindowTest, SendIsImmediatePostIsQueuedInOrder) {
  RecordingWnd wnd;
  HWND h = wnd.Create(nullptr, u"t", WS_POPUP, 0, 0, 0, 50, 50);
  EXPECT_EQ(wnd.SendMessage(kTestMsg, 21), 42);
  wnd.params.clear();
  for (WPARAM i = 0; i < 50; ++i)
    ASSERT_TRUE(PostMessage(h, kTestMsg, i, 0));
  EXPECT_TRUE(wnd.params.empty());
  testing_qt::Pump();
  ASSERT_EQ(wnd.params.size(), 50u);
  for (WPARAM i = 0; i < 50; ++i)
    EXPECT_EQ(wnd.params[i], i);
  DestroyWindow(h);
}

TEST(WindowTest, PostToWindowDestroyedBeforeDeliveryIsDropped) {
  RecordingWnd wnd;
  HWND h = wnd.Create(nullptr, u"t", WS_POPUP, 0, 0, 0, 50, 50);
  PostMessage(h, kTestMsg, 5, 0);
  DestroyWindow(h);
  wnd.params.clear();
  testing_qt::Pump();
  EXPECT_TRUE(wnd.params.empty());
}

TEST(WindowTest, ClosuresForAWindowRunInOrderOnlyWhileItLives) {
  RecordingWnd wnd;
  HWND h = wnd.Create(nullptr, u"t", WS_POPUP, 0, 0, 0, 50, 50);
  std::vector<int> ran;
  std::thread worker([h, &ran] {
    RunForWindow(h, [&ran] { ran.push_back(1); });
    RunOnUiThread([&ran] { ran.push_back(2); });
    RunForWindow(h, [&ran] { ran.push_back(3); });
  });
  worker.join();
  testing_qt::Pump();
  EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));

  // Queued for the window, which goes before their turn: dropped, unlike a plain closure.
  ran.clear();
  EXPECT_TRUE(RunForWindow(h, [&ran] { ran.push_back(4); }));
  RunOnUiThread([&ran] { ran.push_back(5); });
  DestroyWindow(h);
  EXPECT_FALSE(RunForWindow(h, [&ran] { ran.push_back(6); }));
  testing_qt::Pump();
  EXPECT_EQ(ran, (std::vector<int>{5}));
}

TEST(WindowTest, TimersFireWithTheirIdsAndStopWhenKilled) {
  RecordingWnd wnd;
  HWND h = wnd.Create(nullptr, u"t", WS_POPUP, 0, 0, 0, 50, 50);
  ASSERT_EQ(SetTimer(h, 2231, 10), 2231u);
  ASSERT_EQ(SetTimer(h, 2232, 15), 2232u);
  ASSERT_TRUE(testing_qt::WaitUntil([&] {
    int a = 0, b = 0;
    for (WPARAM id : wnd.params) {
      a += id == 2231;
      b += id == 2232;
    }
    return a >= 3 && b >= 2;
  }));
  EXPECT_TRUE(KillTimer(h, 2231));
  EXPECT_FALSE(KillTimer(h, 2231));
  wnd.params.clear();
  testing_qt::WaitUntil([&] { return wnd.params.size() >= 3; });
  for (WPARAM id : wnd.params)
    EXPECT_EQ(id, 2232u);
  DestroyWindow(h);
}

TEST(WindowTest, ClosuresFromAnotherThreadRunOnUiThreadInOrder) {
  std::vector<int> order;
  std::atomic<bool> wrong_thread{false};
  std::thread worker([&] {
    for (int i = 0; i < 200; ++i) {
      RunOnUiThread([i, &order, &wrong_thread] {
        if (!IsUiThread())
          wrong_thread = true;
        order.push_back(i);
      });
    }
  });
  worker.join();
  ASSERT_TRUE(testing_qt::WaitUntil([&] { return order.size() == 200; }));
  EXPECT_FALSE(wrong_thread);
  for (int i = 0; i < 200; ++i)
    EXPECT_EQ(order[static_cast<size_t>(i)], i);
}

TEST(WindowTest, PostsFromAnotherThreadInterleaveInOrderWithClosures) {
  RecordingWnd wnd;
  HWND h = wnd.Create(nullptr, u"t", WS_POPUP, 0, 0, 0, 50, 50);
  wnd.params.clear();
  std::thread worker([h] {
    for (WPARAM i = 0; i < 20; ++i)
      PostMessage(h, kTestMsg, i, 0);
  });
  worker.join();
  testing_qt::WaitUntil([&] { return wnd.params.size() == 20; });
  ASSERT_EQ(wnd.params.size(), 20u);
  for (WPARAM i = 0; i < 20; ++i)
    EXPECT_EQ(wnd.params[i], i);
  DestroyWindow(h);
}

// A replacement procedure in the style of a shadow: sees everything first, then calls on.
WNDPROC g_previous = nullptr;
std::vector<UINT>* g_hook_seen = nullptr;
LRESULT HookProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  g_hook_seen->push_back(msg);
  return CallWindowProc(g_previous, h, msg, w, l);
}

TEST(WindowTest, SubclassedProcedureSeesMessagesFirstAndCallsThrough) {
  RecordingWnd wnd;
  HWND h = wnd.Create(nullptr, u"t", WS_POPUP, 0, 0, 0, 50, 50);
  std::vector<UINT> hook_seen;
  g_hook_seen = &hook_seen;
  g_previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<LPARAM>(&HookProc)));
  ASSERT_NE(g_previous, nullptr);
  wnd.seen.clear();
  EXPECT_EQ(SendMessage(h, kTestMsg, 4, 0), 8);  // the original answer comes back
  ShowWindow(h, SW_SHOWNA);
  MoveWindow(h, 30, 40, 60, 70, true);
  ShowWindow(h, SW_HIDE);
  EXPECT_EQ(hook_seen.front(), kTestMsg);
  for (UINT m : {WM_SHOWWINDOW, WM_MOVE, WM_SIZE})
    EXPECT_LT(IndexOf(hook_seen, m), hook_seen.size()) << m;
  EXPECT_EQ(hook_seen, wnd.seen);
  DestroyWindow(h);
  EXPECT_EQ(hook_seen.back(), WM_NCDESTROY);
}

TEST(WindowTest, MessageBoxesGoToTheInstalledPresenter) {
  struct Shown {
    HWND owner;
    CDuiString text, caption;
    UINT flags;
  };
  std::vector<Shown> shown;
  auto previous =
      SetMessageBoxPresenter([&](HWND o, const CDuiString& t, const CDuiString& c, UINT f) {
        shown.push_back({o, t, c, f});
        return IDNO;
      });
  EXPECT_EQ(MessageBox(nullptr, u"真失败", u"Bug!", MB_ICONERROR | MB_YESNO), IDNO);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, u"真失败");
  EXPECT_EQ(shown[0].caption, u"Bug!");
  EXPECT_EQ(shown[0].flags, MB_ICONERROR | MB_YESNO);
  SetMessageBoxPresenter(previous);
}

TEST(WindowTest, ShowModalRunsUntilClosedAndReturnsTheCloseValue) {
  RecordingWnd owner_wnd;
  HWND owner = owner_wnd.Create(nullptr, u"o", WS_POPUP | WS_VISIBLE, 0, 0, 0, 80, 80);
  RecordingWnd dialog;
  HWND h = dialog.Create(owner, u"d", WS_POPUP, 0, 10, 10, 40, 40);
  SetTimer(h, 1, 5);
  RunOnUiThread([&dialog] { dialog.Close(77); });
  bool owner_disabled_during = false;
  RunOnUiThread([&] { owner_disabled_during = !IsWindowEnabled(owner); });
  EXPECT_EQ(dialog.ShowModal(), 77u);
  EXPECT_TRUE(owner_disabled_during);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_FALSE(IsWindow(h));
  DestroyWindow(owner);
}

TEST(WindowTest, DestroyingAnOwnerDestroysOwnedWindowsFirst) {
  RecordingWnd owner_wnd, owned_wnd;
  HWND owner = owner_wnd.Create(nullptr, u"o", WS_POPUP, 0, 0, 0, 80, 80);
  HWND owned = owned_wnd.Create(owner, u"p", WS_POPUP, WS_EX_TOOLWINDOW, 0, 0, 20, 20);
  EXPECT_EQ(GetWindowOwner(owned), owner);
  EXPECT_EQ(GetAncestor(owned, GA_ROOTOWNER), owner);
  DestroyWindow(owner);
  EXPECT_FALSE(IsWindow(owned));
  EXPECT_LT(IndexOf(owned_wnd.seen, WM_NCDESTROY), owned_wnd.seen.size());
  EXPECT_EQ(IndexOf(owner_wnd.seen, WM_DESTROY) < owner_wnd.seen.size(), true);
}

TEST(WindowTest, RealMouseInputArrivesAsMessagesWithClientCoordinates) {
  RecordingWnd wnd;
  HWND h = wnd.Create(nullptr, u"t", WS_POPUP | WS_VISIBLE, 0, 0, 0, 120, 90);
  QWidget* w = WidgetFromHwnd(h);
  ASSERT_NE(w, nullptr);
  struct Probe {
    static LRESULT Proc(HWND hh, UINT m, WPARAM wp, LPARAM lp) {
      if (m == WM_LBUTTONDOWN || m == WM_LBUTTONUP || m == WM_RBUTTONUP)
        points().push_back({m, CPoint(lp)});
      return CallWindowProc(prev(), hh, m, wp, lp);
    }
    static WNDPROC& prev() {
      static WNDPROC p;
      return p;
    }
    static std::vector<std::pair<UINT, CPoint>>& points() {
      static std::vector<std::pair<UINT, CPoint>> v;
      return v;
    }
  };
  Probe::prev() = reinterpret_cast<WNDPROC>(
      SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<LPARAM>(&Probe::Proc)));
  testing_qt::Click(w, QPoint(33, 44));
  testing_qt::Click(w, QPoint(5, 6), Qt::RightButton);
  ASSERT_EQ(Probe::points().size(), 3u);
  EXPECT_EQ(Probe::points()[0].first, WM_LBUTTONDOWN);
  EXPECT_EQ(Probe::points()[0].second, CPoint(33, 44));
  EXPECT_EQ(Probe::points()[1].first, WM_LBUTTONUP);
  EXPECT_EQ(Probe::points()[2].first, WM_RBUTTONUP);
  EXPECT_EQ(Probe::points()[2].second, CPoint(5, 6));
  DestroyWindow(h);
}

TEST(WindowTest, RegionsAndLayeredBuffers) {
  HRGN r = CreateRoundRectRgn(0, 0, 101, 61, 10, 10);
  EXPECT_TRUE(PtInRegion(r, 50, 30));
  EXPECT_FALSE(PtInRegion(r, 0, 0));     // cut corner
  EXPECT_TRUE(PtInRegion(r, 5, 0));      // past the corner on the top edge
  EXPECT_FALSE(PtInRegion(r, 101, 30));  // right edge exclusive
  RecordingWnd wnd;
  HWND h = wnd.Create(nullptr, u"t", WS_POPUP, WS_EX_LAYERED | WS_EX_TRANSPARENT, 0, 0, 10, 10);
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(h, copy), kRegionError);
  SetWindowRgn(h, r, true);
  EXPECT_EQ(GetWindowRgn(h, copy), COMPLEXREGION);
  EXPECT_FALSE(PtInRegion(copy, 0, 0));
  EXPECT_TRUE(PtInRegion(copy, 50, 0));
  DeleteObject(copy);

  std::vector<DWORD> pixels(4 * 3, 0);
  pixels[0] = 0x78000000;  // bottom-left pixel in bottom-up order
  POINT dst{7, 9};
  SIZE size{4, 3};
  ASSERT_TRUE(UpdateLayeredWindow(h, &dst, &size, pixels.data(), true));
  RECT rc;
  GetWindowRect(h, &rc);
  EXPECT_EQ(CDuiRect(rc), CDuiRect(7, 9, 11, 12));
  QImage shot(4, 3, QImage::Format_ARGB32_Premultiplied);
  shot.fill(0);
  WidgetFromHwnd(h)->render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
  EXPECT_EQ(shot.pixel(0, 2), 0x78000000u);
  EXPECT_EQ(shot.pixel(0, 0), 0u);
  DestroyWindow(h);
}

}  // namespace
}  // namespace DuiLib
