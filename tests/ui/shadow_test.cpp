// The shadow's pixels: the kernel's alphas and the solid part for the menu's settings, and
// shapes whose shadows must come out symmetric however their rows are stamped and eroded.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "duilib/window_wnd.h"
#include "support_qt/qt_input.h"
#include "ui/menu_wnd.h"

namespace DuiLib {
namespace {

struct Settings {
  signed char size;
  BYTE sharpness, darkness;
  signed char x_offset, y_offset;
  COLORREF color;
};

class ShapeWnd : public CWindowWnd {
 protected:
  LPCTSTR GetWindowClassName() const override { return u"TestShadowShape"; }
};

// Pixels of the shadow of a w x h parent shaped by `region` (taken over), top row first.
std::vector<DWORD> Render(const Settings& st, HRGN region, int w, int h) {
  ShapeWnd parent;
  HWND hwnd = parent.Create(nullptr, u"shape", WS_POPUP, 0, 0, 0, w, h);
  if (region)
    SetWindowRgn(hwnd, region, false);
  CWndShadow shadow;
  shadow.SetSize(st.size);
  shadow.SetSharpness(st.sharpness);
  shadow.SetDarkness(st.darkness);
  shadow.SetPosition(st.x_offset, st.y_offset);
  shadow.SetColor(st.color);
  const int ws = w + 2 * st.size, hs = h + 2 * st.size;
  std::vector<DWORD> px(static_cast<size_t>(ws) * hs, 0);
  shadow.MakeShadow(px.data(), hwnd, RECT{0, 0, w, h});
  DestroyWindow(hwnd);
  testing_qt::Pump();  // the window's record is freed on the next turn of the loop
  for (int y = 0; y < hs / 2; ++y)
    std::swap_ranges(px.begin() + y * ws, px.begin() + (y + 1) * ws, px.end() - (y + 1) * ws);
  return px;
}

TEST(ShadowPixelsTest, KernelAlphasAndSolidPixelForTheMenuSettings) {
  // Shifted right of the parent so that nothing is cut out.
  Settings st{CMenuWnd::kShadowSize, 5, CMenuWnd::kShadowDarkness, 100, 0, 0};
  std::vector<DWORD> px = Render(st, CreateRectRgn(0, 0, 40, 30), 40, 30);
  auto alpha = [&px](int x, int y) { return static_cast<int>(px[y * 46 + x] >> 24); };
  // Along a straight edge the alpha falls with the distance from the eroded shape, which
  // starts 5 pixels in: 0 -> 120, 1 -> 100, 2 -> 80, 3 -> 60, 4 -> 40, 5 -> 19.
  const int by_distance[] = {120, 100, 80, 60, 40, 19};
  for (int d = 0; d <= 5; ++d) {
    EXPECT_EQ(alpha(5 - d, 18), by_distance[d]) << d;
    EXPECT_EQ(alpha(40 + d, 18), by_distance[d]) << d;
    EXPECT_EQ(alpha(23, 5 - d), by_distance[d]) << d;
  }
  EXPECT_EQ(px[18 * 46 + 20], 0x78000000u);  // the solid part
  EXPECT_EQ(alpha(4, 4), 91);                // sqrt(2) from the corner's centre
  EXPECT_EQ(alpha(1, 2), 19);                // 5 away
  EXPECT_EQ(px[1 * 46 + 1], 0u);             // beyond the radius

  st.color = 0x804020;  // red 0x20, green 0x40, blue 0x80: premultiplied by each alpha
  px = Render(st, CreateRectRgn(0, 0, 40, 30), 40, 30);
  EXPECT_EQ(px[18 * 46 + 20], 0x780F1E3Cu);
  EXPECT_EQ(px[18 * 46], 0x13020409u);
  // A parent without a region casts nothing.
  px = Render(st, nullptr, 40, 30);
  EXPECT_TRUE(std::all_of(px.begin(), px.end(), [](DWORD p) { return p == 0; }));
}

// The union of rectangles.
HRGN Union(std::initializer_list<RECT> rects) {
  HRGN all = CreateRectRgn(0, 0, 0, 0);
  for (const RECT& rc : rects) {
    HRGN part = CreateRectRgn(rc.left, rc.top, rc.right, rc.bottom);
    CombineRgn(all, all, part, RGN_OR);
    DeleteObject(part);
  }
  return all;
}

TEST(ShadowPixelsTest, ShapesSymmetricAboutBothAxesCastSymmetricShadows) {
  // Steps, notches, a gap and one-pixel spikes; every row and column is treated alike.
  const int w = 61, h = 61;
  for (const Settings& st : {Settings{3, 5, 120, 0, 0, 0}, Settings{0, 5, 150, 0, 0, 0},
                             Settings{8, 3, 200, 0, 0, 0x3060C0}, Settings{-2, 4, 255, 0, 0, 0},
                             Settings{2, 0, 90, 0, 0, 0}}) {
    const std::vector<DWORD> px = Render(st,
                                         Union({{10, 0, 51, 4},
                                                {6, 4, 55, 12},
                                                {0, 12, 61, 26},
                                                {0, 35, 61, 49},
                                                {6, 49, 55, 57},
                                                {10, 57, 51, 61},
                                                {30, 26, 31, 35},
                                                {2, 29, 59, 32}}),
                                         w, h);
    const int ws = w + 2 * st.size, hs = h + 2 * st.size;
    for (int y = 0; y < hs; ++y) {
      for (int x = 0; x < ws; ++x) {
        const DWORD p = px[static_cast<size_t>(y) * ws + x];
        ASSERT_EQ(p, px[static_cast<size_t>(y) * ws + ws - 1 - x]) << x << "," << y;
        ASSERT_EQ(p, px[static_cast<size_t>(hs - 1 - y) * ws + x]) << x << "," << y;
      }
    }
    EXPECT_GT(std::count(px.begin(), px.end(), 0u), 0);
  }
}

}  // namespace
}  // namespace DuiLib
