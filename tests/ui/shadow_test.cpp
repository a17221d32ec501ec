// The window shadow: its pixels (kernel, solid part, cut-out, rounded regions), its window and
// how it follows a parent that moves, grows, shrinks, hides and is maximised.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

#include "duilib/window_wnd.h"
#include "support_qt/qt_input.h"
#include "ui/menu_wnd.h"
#include "ui/wnd_shadow.h"

namespace DuiLib {
namespace {

constexpr UINT kPing = WM_USER + 11;

// What the shadow last handed to the layered window, by shadow window.
struct Rendered {
  std::vector<DWORD> pixels;  // bottom-up, as rendered
  SIZE size{};
  POINT dst{};
  int count = 0;

  // Alpha at (x, y), y counted from the top.
  int Alpha(int x, int y) const { return static_cast<int>(At(x, y) >> 24); }
  DWORD At(int x, int y) const {
    return pixels[static_cast<size_t>(size.cy - 1 - y) * size.cx + x];
  }
};

std::map<HWND, Rendered>& Renders() {
  static std::map<HWND, Rendered> renders;
  return renders;
}

bool RecordingUpdate(HWND h, const POINT* dst, const SIZE* size, const DWORD* px, bool bottom_up) {
  Rendered& r = Renders()[h];
  r.pixels.assign(px, px + static_cast<size_t>(size->cx) * size->cy);
  r.size = *size;
  r.dst = *dst;
  ++r.count;
  return UpdateLayeredWindow(h, dst, size, px, bottom_up);
}

class ParentWnd : public CWindowWnd {
 public:
  int pings = 0;

 protected:
  LPCTSTR GetWindowClassName() const override { return u"TestShadowParent"; }
  LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
    if (msg == kPing)
      return ++pings;
    return CWindowWnd::HandleMessage(msg, w, l);
  }
};

class ShadowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CWndShadow::Initialize(nullptr, &RecordingUpdate));
    Renders().clear();
  }
  void TearDown() override {
    if (IsWindow(parent_.GetHWND()))
      DestroyWindow(parent_.GetHWND());
    testing_qt::Pump();
  }

  HWND OpenParent(int x, int y, int cx, int cy, DWORD style = WS_POPUP | WS_VISIBLE) {
    HWND h = parent_.Create(nullptr, u"parent", style, 0, x, y, cx, cy);
    SetWindowRgn(h, CreateRectRgn(0, 0, cx, cy), false);
    return h;
  }

  static void MenuSettings(CWndShadow* shadow, signed char x = 0, signed char y = 0) {
    shadow->SetSize(CMenuWnd::kShadowSize);
    shadow->SetDarkness(CMenuWnd::kShadowDarkness);
    shadow->SetPosition(x, y);
  }

  // Renders `shadow` for the parent's region placed at (0, 0, w, h).
  static Rendered Render(CWndShadow& shadow, HWND parent, int w, int h, int size) {
    Rendered r;
    r.size = SIZE{w + 2 * size, h + 2 * size};
    r.pixels.assign(static_cast<size_t>(r.size.cx) * r.size.cy, 0);
    shadow.MakeShadow(r.pixels.data(), parent, RECT{0, 0, w, h});
    return r;
  }

  static CDuiRect Rect(HWND h) {
    RECT rc{};
    GetWindowRect(h, &rc);
    return rc;
  }

  const Rendered& Last() { return Renders()[shadow_.GetShadowWindow()]; }

  ParentWnd parent_;
  CWndShadow shadow_;
};

TEST_F(ShadowTest, KernelAlphasAndSolidPixelForTheMenuSettings) {
  HWND parent = OpenParent(0, 0, 40, 30, WS_POPUP);
  CWndShadow shadow;
  // Shifted right of the parent so that nothing is cut out.
  MenuSettings(&shadow, 100, 0);
  const Rendered r = Render(shadow, parent, 40, 30, 3);
  ASSERT_EQ(r.size.cx, 46);

  // Along a straight edge the alpha falls with the distance from the eroded shape (which
  // starts 5 pixels in): 5 -> 19, 4 -> 40, 3 -> 60, 2 -> 80, 1 -> 100, 0 -> 120.
  const int expected[] = {19, 40, 60, 80, 100, 120};
  for (int d = 0; d < 6; ++d) {
    EXPECT_EQ(r.Alpha(d, 18), expected[d]) << "left column " << d;
    EXPECT_EQ(r.Alpha(45 - d, 18), expected[d]) << "right column " << d;
    EXPECT_EQ(r.Alpha(23, d), expected[d]) << "top row " << d;
    EXPECT_EQ(r.Alpha(23, 35 - d), expected[d]) << "bottom row " << d;
  }
  EXPECT_EQ(r.At(20, 18), 0x78000000u);  // the solid part
  EXPECT_EQ(r.Alpha(4, 4), 91);          // sqrt(2) from the corner
  EXPECT_EQ(r.Alpha(1, 2), 19);          // exactly 5 away
  EXPECT_EQ(r.At(1, 1), 0u);             // beyond the radius
  EXPECT_EQ(r.At(0, 0), 0u);
}

TEST_F(ShadowTest, ColourIsPremultipliedByEachPixelsAlpha) {
  HWND parent = OpenParent(0, 0, 40, 30, WS_POPUP);
  CWndShadow shadow;
  MenuSettings(&shadow, 100, 0);
  shadow.SetColor(0x804020);  // red 0x20, green 0x40, blue 0x80
  const Rendered r = Render(shadow, parent, 40, 30, 3);
  EXPECT_EQ(r.At(20, 18), 0x780F1E3Cu);
  EXPECT_EQ(r.At(0, 18), 0x13020409u);
}

TEST_F(ShadowTest, WithoutARegionTheShadowIsFullyTransparent) {
  HWND parent = parent_.Create(nullptr, u"bare", WS_POPUP, 0, 0, 0, 30, 20);
  CWndShadow shadow;
  MenuSettings(&shadow, 100, 0);
  const Rendered r = Render(shadow, parent, 30, 20, 3);
  for (DWORD p : r.pixels)
    ASSERT_EQ(p, 0u);
}

TEST_F(ShadowTest, ShadowWindowSurroundsTheParentAndIsClearUnderIt) {
  HWND parent = OpenParent(100, 80, 60, 40);
  MenuSettings(&shadow_);
  shadow_.Create(parent);
  HWND sh = shadow_.GetShadowWindow();
  ASSERT_TRUE(IsWindow(sh));
  EXPECT_TRUE(IsWindowVisible(sh));
  EXPECT_EQ(GetWindowOwner(sh), parent);
  EXPECT_EQ(Rect(sh), CDuiRect(97, 77, 163, 123));
  EXPECT_TRUE(GetWindowLongPtr(sh, GWL_EXSTYLE) & WS_EX_TRANSPARENT);

  const Rendered& r = Last();
  ASSERT_EQ(r.size.cx, 66);
  ASSERT_EQ(r.size.cy, 46);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 60; ++x)
      ASSERT_EQ(r.At(x + 3, y + 3), 0u) << x << "," << y;
  }
  EXPECT_EQ(r.Alpha(0, 20), 19);
  EXPECT_EQ(r.Alpha(2, 20), 60);
  EXPECT_EQ(r.Alpha(65, 20), 19);
  // The mouse goes through the shadow to what lies below it.
  EXPECT_NE(WindowFromPoint(POINT{98, 100}), sh);
}

TEST_F(ShadowTest, RoundedRegionShapesEveryRow) {
  HWND parent = OpenParent(100, 80, 60, 40);
  SetWindowRgn(parent, CreateRoundRectRgn(0, 0, 61, 41, 12, 12), false);
  MenuSettings(&shadow_);
  shadow_.Create(parent);
  const Rendered& r = Last();
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(parent, region), kRegionError);
  int outside_in_box = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 60; ++x) {
      if (PtInRegion(region, x, y)) {
        ASSERT_EQ(r.At(x + 3, y + 3), 0u) << x << "," << y;
      } else {
        // The cut corners of the box show shadow.
        ++outside_in_box;
        EXPECT_GT(r.Alpha(x + 3, y + 3), 0) << x << "," << y;
      }
    }
  }
  EXPECT_GT(outside_in_box, 8);
  DeleteObject(region);
  // The top rows start further in than the middle ones.
  auto first_lit = [&r](int y) {
    int x = 0;
    while (x < r.size.cx && r.Alpha(x, y) == 0)
      ++x;
    return x;
  };
  EXPECT_GT(first_lit(1), first_lit(20));
}

TEST_F(ShadowTest, HiddenParentGetsItsShadowWhenShown) {
  HWND parent = OpenParent(50, 50, 60, 40, WS_POPUP);
  shadow_.Create(parent);
  EXPECT_EQ(shadow_.GetStatus(), CWndShadow::SHADOW_ENABLED);
  EXPECT_FALSE(IsWindowVisible(shadow_.GetShadowWindow()));
  MenuSettings(&shadow_);
  EXPECT_EQ(Last().count, 0);

  ShowWindow(parent, SW_SHOWNOACTIVATE);
  EXPECT_TRUE(IsWindowVisible(shadow_.GetShadowWindow()));
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return Last().count > 0; }));
  EXPECT_EQ(Rect(shadow_.GetShadowWindow()), CDuiRect(47, 47, 113, 93));

  ShowWindow(parent, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(shadow_.GetShadowWindow()));
  EXPECT_EQ(shadow_.GetStatus(), CWndShadow::SHADOW_ENABLED);
}

TEST_F(ShadowTest, MaximisedOrMinimisedParentHasNoShadowUntilRestored) {
  HWND parent = OpenParent(50, 50, 60, 40, WS_POPUP);
  ShowWindow(parent, SW_SHOWMAXIMIZED);
  testing_qt::Pump();
  ASSERT_TRUE(IsZoomed(parent));
  shadow_.Create(parent);
  EXPECT_EQ(shadow_.GetStatus(), CWndShadow::SHADOW_ENABLED | CWndShadow::SHADOW_PARENT_VISIBLE);
  EXPECT_FALSE(IsWindowVisible(shadow_.GetShadowWindow()));

  SendMessage(parent, WM_SIZE, SIZE_RESTORED, MAKELPARAM(60, 40));
  EXPECT_TRUE(IsWindowVisible(shadow_.GetShadowWindow()));
  SendMessage(parent, WM_SIZE, SIZE_MINIMIZED, 0);
  EXPECT_FALSE(IsWindowVisible(shadow_.GetShadowWindow()));
  SendMessage(parent, WM_SIZE, SIZE_RESTORED, MAKELPARAM(60, 40));
  EXPECT_TRUE(IsWindowVisible(shadow_.GetShadowWindow()));
  SendMessage(parent, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(800, 600));
  EXPECT_FALSE(IsWindowVisible(shadow_.GetShadowWindow()));
}

TEST_F(ShadowTest, GrowingRendersAtTheNextPaintShrinkingAtOnce) {
  HWND parent = OpenParent(50, 50, 60, 40);
  MenuSettings(&shadow_);
  shadow_.Create(parent);
  testing_qt::Pump();
  const int before = Last().count;
  HWND sh = shadow_.GetShadowWindow();

  MoveWindow(parent, 50, 50, 90, 70, true);
  EXPECT_EQ(Last().count, before);
  EXPECT_EQ(Rect(sh).GetWidth(), 66);
  ASSERT_TRUE(testing_qt::WaitUntil([&] { return Last().count > before; }));
  EXPECT_EQ(Rect(sh), CDuiRect(47, 47, 143, 123));
  testing_qt::Pump();
  const int grown = Last().count;

  MoveWindow(parent, 50, 50, 70, 50, false);
  EXPECT_EQ(Last().count, grown + 1);
  EXPECT_EQ(Rect(sh), CDuiRect(47, 47, 123, 103));

  // Moving only moves.
  MoveWindow(parent, 200, 100, 70, 50, false);
  EXPECT_EQ(Last().count, grown + 1);
  EXPECT_EQ(Rect(sh), CDuiRect(197, 97, 273, 153));
}

TEST_F(ShadowTest, WithoutTheUpdateFunctionNothingIsCreated) {
  ASSERT_TRUE(CWndShadow::Initialize(nullptr, nullptr));
  HWND parent = OpenParent(50, 50, 60, 40);
  shadow_.Create(parent);
  MenuSettings(&shadow_);
  EXPECT_EQ(shadow_.GetShadowWindow(), nullptr);
  EXPECT_EQ(shadow_.GetStatus(), 0);
  EXPECT_EQ(SendMessage(parent, kPing), 1);
  ASSERT_TRUE(CWndShadow::Initialize(nullptr, &RecordingUpdate));
}

TEST_F(ShadowTest, ParentKeepsWorkingAfterItsShadowGoesOrIsReplaced) {
  HWND parent = OpenParent(50, 50, 60, 40);
  auto first = std::make_unique<CWndShadow>();
  first->Create(parent);
  HWND first_window = first->GetShadowWindow();
  ASSERT_TRUE(IsWindow(first_window));
  // A second shadow takes the parent over: the first one's window goes, and the parent is
  // not subclassed twice.
  auto second = std::make_unique<CWndShadow>();
  second->Create(parent);
  EXPECT_FALSE(IsWindow(first_window));
  EXPECT_EQ(SendMessage(parent, kPing), 1);
  first.reset();
  MoveWindow(parent, 80, 50, 60, 40, false);
  EXPECT_EQ(Rect(second->GetShadowWindow()).left, 80 + 5);

  // The shadow object dies before its parent: its window goes, the parent's messages pass.
  HWND second_window = second->GetShadowWindow();
  second.reset();
  EXPECT_FALSE(IsWindow(second_window));
  EXPECT_EQ(SendMessage(parent, kPing), 2);
  MoveWindow(parent, 90, 50, 60, 40, false);
  EXPECT_EQ(parent_.pings, 2);
}

TEST_F(ShadowTest, ShadowWindowDiesWithItsParent) {
  HWND parent = OpenParent(50, 50, 60, 40);
  shadow_.Create(parent);
  HWND sh = shadow_.GetShadowWindow();
  ASSERT_TRUE(IsWindow(sh));
  DestroyWindow(parent);
  EXPECT_FALSE(IsWindow(sh));
}

}  // namespace
}  // namespace DuiLib
