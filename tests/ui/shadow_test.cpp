// The shadow's pixels: the kernel's alphas and the solid part for the menu's settings, and the
// whole image against the plain form of the algorithm, in which every centre stamps the whole
// kernel pixel by pixel (the blocks MakeShadow stamps instead must give the same pixels).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
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
void PrintTo(const Settings& s, std::ostream* os) {
  *os << "size " << int{s.size} << " sharpness " << int{s.sharpness} << " darkness "
      << int{s.darkness} << " offset " << int{s.x_offset} << "," << int{s.y_offset};
}

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

DWORD Premultiplied(COLORREF c, int a) {
  const DWORD r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
  return static_cast<DWORD>(a) << 24 | (r * a / 255) << 16 | (g * a / 255) << 8 | (b * a / 255);
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

struct Span {
  int start, end;
};

// The algorithm as written, with its stamping pixel by pixel. Top row first.
std::vector<DWORD> Plain(HRGN region, int w, int h, const Settings& st) {
  const int s = st.size, sharp = st.sharpness, ws = w + 2 * s, hs = h + 2 * s;
  const int n = std::max(h, hs);
  std::vector<Span> o(h, Span{w, 0}), a(n + 2, Span{w, 0});
  for (int y = 0; y < h; ++y) {
    int x = 0, e = w - 1;
    while (x < w && !PtInRegion(region, x, y))
      ++x;
    while (e > x && !PtInRegion(region, e, y))
      --e;
    if (x < w)
      a[std::max(s, 0) + y + 1] = Span{x + s, e + 1 + s}, o[y] = Span{x, e + 1};
  }
  for (int pass = 0; pass < sharp - s; ++pass) {
    std::vector<Span> b(n + 2, Span{w, 0});
    for (int j = 1; j <= n; ++j)
      b[j] = Span{1 + std::max({a[j - 1].start, a[j].start, a[j + 1].start}),
                  std::min({a[j - 1].end, a[j].end, a[j + 1].end}) - 1};
    a = b;
  }
  auto S = [&](int i) { return a[i + 1 + std::max(-s, 0)]; };
  const int k = std::max(s, sharp), c = std::max(s - sharp, 0);
  const DWORD solid = Premultiplied(st.color, st.darkness);
  std::vector<DWORD> px(static_cast<size_t>(ws) * hs, 0);
  auto stamp = [&](int cx, int cy) {
    for (int dy = -k; dy <= k; ++dy) {
      for (int dx = -k; dx <= k; ++dx) {
        const double d = std::sqrt(static_cast<double>(dx * dx + dy * dy));
        DWORD v = d < c ? solid : 0;
        if (d >= c && d <= k)
          v = Premultiplied(st.color, static_cast<int>((1 - (d - c) / (sharp + 1)) * st.darkness));
        DWORD& p = px[static_cast<size_t>(cy + dy) * ws + cx + dx];
        p = std::max(p, v);
      }
    }
  };
  for (int i = k; i < hs - k; ++i) {
    const Span cur = S(i), up = S(i - 1), down = S(i + 1);
    int x = cur.start;
    for (; x < std::min(std::max(up.start, down.start) + 1, cur.end); ++x)
      stamp(x, i);
    for (x = std::max(x, std::min(up.end, down.end) - 1); x < cur.end; ++x)
      stamp(x, i);
  }
  const int xo = st.x_offset, yo = st.y_offset;
  for (int i = std::min(k, std::max(s - yo, 0)); i < std::max(hs - k, std::min(h + s - yo, hs));
       ++i) {
    DWORD* line = px.data() + static_cast<size_t>(i) * ws;
    const Span sp = S(i);
    const int r = i - s + yo;
    std::fill(line + std::min(sp.start, sp.end), line + sp.end, solid);
    if (r >= 0 && r < h)
      std::fill(line + std::max(o[r].start + s - xo, 0),
                line + std::max(std::min(o[r].end + s - xo, ws), std::max(o[r].start + s - xo, 0)),
                0);
  }
  return px;
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

class ShadowShapeTest : public ::testing::TestWithParam<Settings> {
 protected:
  void Check(HRGN (*make)(), int w, int h) {
    HRGN region = make();
    const std::vector<DWORD> want = Plain(region, w, h, GetParam());
    DeleteObject(region);
    const std::vector<DWORD> got = Render(GetParam(), make(), w, h);
    const int ws = w + 2 * GetParam().size;
    for (size_t i = 0; i < want.size(); ++i)
      ASSERT_EQ(got[i], want[i]) << "pixel " << i % ws << "," << i / ws;
  }
};

TEST_P(ShadowShapeTest, RoundedRectangles) {
  Check([] { return CreateRoundRectRgn(0, 0, 61, 45, 14, 14); }, 60, 44);
  Check([] { return CreateRoundRectRgn(0, 0, 201, 121, 40, 24); }, 200, 120);
}

TEST_P(ShadowShapeTest, StepsNotchesGapsThinPartsAndARegionBeyondTheWindow) {
  Check(
      [] {
        return Union({{12, 0, 70, 6},
                      {8, 6, 70, 9},
                      {3, 9, 70, 20},
                      {0, 20, 55, 24},
                      {0, 24, 70, 40},
                      {30, 40, 31, 41},
                      {20, 48, 50, 70},
                      {-9, 60, 90, 62}});
      },
      72, 72);
}

INSTANTIATE_TEST_SUITE_P(Settings,
                         ShadowShapeTest,
                         ::testing::Values(Settings{3, 5, 120, 0, 0, 0},           // the menu's
                                           Settings{0, 5, 150, 5, 5, 0},           // the defaults
                                           Settings{8, 3, 200, -4, 7, 0x3060C0},   // solid centre
                                           Settings{-2, 4, 255, 2, -3, 0xFFFFFF},  // smaller
                                           Settings{2, 0, 90, 0, 0, 0x102030}));   // no blur

}  // namespace
}  // namespace DuiLib
