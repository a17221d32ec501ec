// The shadow window: where it sits, what it shows under a rounded parent, and how it follows a
// parent that is shown, hidden, maximised, grown, shrunk, moved and destroyed.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

#include "support_qt/qt_input.h"
#include "ui/menu_wnd.h"

namespace DuiLib {
namespace {

constexpr UINT kPing = WM_USER + 11;

// What each shadow window was last given (bottom row first), and how often.
struct Rendered {
  std::vector<DWORD> pixels;
  SIZE size{};
  int count = 0;
  DWORD At(int x, int y) const {
    return pixels[static_cast<size_t>(size.cy - 1 - y) * size.cx + x];
  }
};
std::map<HWND, Rendered> g_rendered;
bool Record(HWND h, const POINT* dst, const SIZE* size, const DWORD* px, bool bottom_up) {
  Rendered& r = g_rendered[h];
  r.pixels.assign(px, px + static_cast<size_t>(size->cx) * size->cy);
  r.size = *size;
  ++r.count;
  return UpdateLayeredWindow(h, dst, size, px, bottom_up);
}

class ParentWnd : public CWindowWnd {
 public:
  int pings = 0;

 protected:
  LPCTSTR GetWindowClassName() const override { return u"TestShadowParent"; }
  LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
    return msg == kPing ? ++pings : CWindowWnd::HandleMessage(msg, w, l);
  }
};

class ShadowWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(CWndShadow::Initialize(nullptr, &Record)); }
  void TearDown() override {
    DestroyWindow(parent_.GetHWND());
    testing_qt::Pump();
  }

  // A 60 x 40 parent at (100, 80), shaped like a menu window, with the menu's shadow.
  HWND Open(DWORD style) {
    HWND h = parent_.Create(nullptr, u"parent", style, 0, 100, 80, 60, 40);
    SetWindowRgn(h, CreateRoundRectRgn(0, 0, 61, 41, 12, 12), false);
    shadow_.SetSize(CMenuWnd::kShadowSize);
    shadow_.SetDarkness(CMenuWnd::kShadowDarkness);
    shadow_.SetPosition(0, 0);
    shadow_.Create(h);
    return h;
  }
  static CDuiRect Rect(HWND h) {
    RECT rc{};
    GetWindowRect(h, &rc);
    return rc;
  }
  const Rendered& Last() { return g_rendered[shadow_.GetShadowWindow()]; }
  bool Shown() { return IsWindowVisible(shadow_.GetShadowWindow()); }

  ParentWnd parent_;
  CWndShadow shadow_;
};

TEST_F(ShadowWindowTest, SurroundsTheParentIsClearUnderItAndLetsTheMouseThrough) {
  HWND parent = Open(WS_POPUP | WS_VISIBLE);
  HWND sh = shadow_.GetShadowWindow();
  EXPECT_TRUE(Shown());
  EXPECT_EQ(GetWindowOwner(sh), parent);
  EXPECT_EQ(Rect(sh), CDuiRect(97, 77, 163, 123));
  EXPECT_NE(WindowFromPoint(POINT{98, 100}), sh);
  // Every row follows the region: clear under the parent, shadow in the corners it cuts off.
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  GetWindowRgn(parent, region);
  int corners = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 60; ++x) {
      const DWORD p = Last().At(x + 3, y + 3);
      if (PtInRegion(region, x, y)) {
        ASSERT_EQ(p, 0u) << x << "," << y;
      } else {
        ++corners;
        EXPECT_GT(p >> 24, 0u) << x << "," << y;
      }
    }
  }
  DeleteObject(region);
  EXPECT_GT(corners, 8);
  EXPECT_EQ(Last().At(2, 20) >> 24, 60u);
  EXPECT_EQ(Last().At(65, 20) >> 24, 19u);
}

TEST_F(ShadowWindowTest, ShownOnlyWhileTheParentIsShownAndNeitherMaximisedNorMinimised) {
  HWND parent = Open(WS_POPUP);
  EXPECT_EQ(shadow_.GetStatus(), CWndShadow::SHADOW_ENABLED);
  EXPECT_FALSE(Shown());
  ShowWindow(parent, SW_SHOWNOACTIVATE);
  EXPECT_TRUE(Shown());
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return Last().count > 0; }));
  EXPECT_EQ(Rect(shadow_.GetShadowWindow()), CDuiRect(97, 77, 163, 123));
  for (WPARAM kind : {SIZE_MAXIMIZED, SIZE_RESTORED, SIZE_MINIMIZED, SIZE_RESTORED}) {
    SendMessage(parent, WM_SIZE, kind, MAKELPARAM(60, 40));
    EXPECT_EQ(Shown(), kind == SIZE_RESTORED) << kind;
  }
  ShowWindow(parent, SW_HIDE);
  EXPECT_FALSE(Shown());
  EXPECT_EQ(shadow_.GetStatus(), CWndShadow::SHADOW_ENABLED);
}

TEST_F(ShadowWindowTest, ParentShownMaximisedHasNoShadow) {
  ParentWnd maximised;
  HWND h = maximised.Create(nullptr, u"max", WS_POPUP, 0, 0, 0, 60, 40);
  ShowWindow(h, SW_SHOWMAXIMIZED);
  testing_qt::Pump();
  CWndShadow shadow;
  shadow.Create(h);
  EXPECT_EQ(shadow.GetStatus(), CWndShadow::SHADOW_ENABLED | CWndShadow::SHADOW_PARENT_VISIBLE);
  EXPECT_FALSE(IsWindowVisible(shadow.GetShadowWindow()));
  DestroyWindow(h);
}

TEST_F(ShadowWindowTest, GrowingRendersAtTheNextPaintShrinkingAtOnceMovingNever) {
  HWND parent = Open(WS_POPUP | WS_VISIBLE);
  testing_qt::Pump();
  const int before = Last().count;
  HWND sh = shadow_.GetShadowWindow();
  MoveWindow(parent, 100, 80, 90, 70, true);
  EXPECT_EQ(Last().count, before);
  EXPECT_EQ(Rect(sh), CDuiRect(97, 77, 163, 123));
  ASSERT_TRUE(testing_qt::WaitUntil([&] { return Last().count > before; }));
  EXPECT_EQ(Rect(sh), CDuiRect(97, 77, 193, 153));
  testing_qt::Pump();
  const int grown = Last().count;
  MoveWindow(parent, 100, 80, 70, 50, false);
  EXPECT_EQ(Last().count, grown + 1);
  EXPECT_EQ(Rect(sh), CDuiRect(97, 77, 173, 133));
  MoveWindow(parent, 200, 100, 70, 50, false);
  EXPECT_EQ(Last().count, grown + 1);
  EXPECT_EQ(Rect(sh), CDuiRect(197, 97, 273, 153));
}

TEST_F(ShadowWindowTest, ParentOutlivesReplacedOrDestroyedShadowsAndTakesTheLastOneAlong) {
  HWND parent = Open(WS_POPUP | WS_VISIBLE);
  HWND first_window = shadow_.GetShadowWindow();
  // A second shadow takes the parent over, without subclassing it twice.
  auto second = std::make_unique<CWndShadow>();
  second->Create(parent);
  EXPECT_FALSE(IsWindow(first_window));
  EXPECT_EQ(SendMessage(parent, kPing), 1);
  MoveWindow(parent, 80, 50, 60, 40, false);
  EXPECT_EQ(Rect(second->GetShadowWindow()).left, 80 + 5);  // default offset 5, size 0
  // The shadow object goes first: its window with it, the parent's messages still pass.
  HWND second_window = second->GetShadowWindow();
  second.reset();
  EXPECT_FALSE(IsWindow(second_window));
  MoveWindow(parent, 90, 50, 60, 40, false);
  EXPECT_EQ(SendMessage(parent, kPing), 2);
  // Otherwise the shadow window dies with the parent.
  shadow_.Create(parent);
  HWND sh = shadow_.GetShadowWindow();
  DestroyWindow(parent);
  EXPECT_FALSE(IsWindow(sh));
}

}  // namespace
}  // namespace DuiLib
