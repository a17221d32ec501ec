// CWndShadow::MakeShadow. The work is done on row spans, never on the whole area times the
// kernel: the region is probed only for each row's two ends, erosion shrinks the spans, the
// blurred kernel is stamped along the spans' left and right ends (and where neighbouring rows
// differ), and the inside is filled line by line. The cost grows with the area (one pass of
// filling) and the perimeter times the kernel's width.
#include <algorithm>
#include <cmath>
#include <vector>

#include "ui/wnd_shadow.h"

namespace DuiLib {
namespace {

// Pixels start <= x < end; start >= end is an empty row.
struct Span {
  int start;
  int end;
};

DWORD Premultiplied(COLORREF color, BYTE alpha) {
  const DWORD r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
  return static_cast<DWORD>(alpha) << 24 | (r * alpha / 255) << 16 | (g * alpha / 255) << 8 |
         (b * alpha / 255);
}

// Each row's first and last pixel inside the region, in parent coordinates.
std::vector<Span> RegionRows(HWND parent, int width, int height) {
  std::vector<Span> rows(static_cast<size_t>(height), Span{width, 0});
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  RECT box{};
  if (GetWindowRgn(parent, region) != kRegionError && GetRgnBox(region, &box) != NULLREGION) {
    const int left = std::max<int>(box.left, 0), right = std::min<int>(box.right, width);
    const int top = std::max<int>(box.top, 0), bottom = std::min<int>(box.bottom, height);
    for (int y = top; y < bottom; ++y) {
      int start = left;
      while (start < right && !PtInRegion(region, start, y))
        ++start;
      if (start == right)
        continue;
      int end = right - 1;
      while (end > start && !PtInRegion(region, end, y))
        --end;
      rows[static_cast<size_t>(y)] = Span{start, end + 1};
    }
  }
  DeleteObject(region);
  return rows;
}

}  // namespace

void CWndShadow::MakeShadow(DWORD* pixels, HWND parent, const RECT& parent_rect) {
  const int w = parent_rect.right - parent_rect.left;
  const int h = parent_rect.bottom - parent_rect.top;
  const int s = m_nSize;
  const int sharpness = m_nSharpness;
  const int ws = w + 2 * s, hs = h + 2 * s;
  if (!pixels || w <= 0 || h <= 0 || ws <= 0 || hs <= 0)
    return;

  // Parent rows (O) and the shadow's rows in shadow coordinates (A), with an empty row above
  // and below so that erosion needs no bounds checks.
  const std::vector<Span> parent_rows = RegionRows(parent, w, h);
  const Span empty{w, 0};
  const int n = std::max(h, hs);
  std::vector<Span> rows(static_cast<size_t>(n) + 2, empty);
  const int first = s > 0 ? s + 1 : 1;
  for (int y = 0; y < h; ++y) {
    const Span& p = parent_rows[static_cast<size_t>(y)];
    if (p.start < p.end)
      rows[static_cast<size_t>(first + y)] = Span{p.start + s, p.end + s};
  }

  // Erosion until the blurred border fits inside the grown shape.
  std::vector<Span> eroded(rows.size(), empty);
  for (int pass = 0; pass < sharpness - s; ++pass) {
    for (int j = 1; j <= n; ++j) {
      const Span& a = rows[static_cast<size_t>(j - 1)];
      const Span& b = rows[static_cast<size_t>(j)];
      const Span& c = rows[static_cast<size_t>(j + 1)];
      eroded[static_cast<size_t>(j)] =
          Span{1 + std::max({a.start, b.start, c.start}), std::min({a.end, b.end, c.end}) - 1};
    }
    rows.swap(eroded);
  }
  const int skip = 1 + std::max(-s, 0);
  auto shadow_row = [&rows, skip](int i) -> const Span& {
    return rows[static_cast<size_t>(i + skip)];
  };

  // The kernel: solid within `centre`, fading to the radius.
  const int radius = std::max(s, sharpness);
  const int centre = std::max(s - sharpness, 0);
  const int side = 2 * radius + 1;
  const DWORD solid = Premultiplied(m_Color, m_nDarkness);
  std::vector<DWORD> kernel(static_cast<size_t>(side) * static_cast<size_t>(side));
  for (int dy = -radius; dy <= radius; ++dy) {
    for (int dx = -radius; dx <= radius; ++dx) {
      const double d = std::sqrt(static_cast<double>(dx * dx + dy * dy));
      DWORD pixel = 0;
      if (d < centre) {
        pixel = solid;
      } else if (d <= radius) {
        const auto alpha = static_cast<BYTE>((1 - (d - centre) / (sharpness + 1)) * m_nDarkness);
        pixel = Premultiplied(m_Color, alpha);
      }
      kernel[static_cast<size_t>((dy + radius) * side + dx + radius)] = pixel;
    }
  }

  // Buffer row 0 is the bottom line.
  auto line = [pixels, ws, hs](int i) { return pixels + static_cast<size_t>(hs - 1 - i) * ws; };

  // Stamping the kernel at every centre of a block of centres, rows top..bottom and columns
  // a <= x < b, leaves at each pixel the kernel's value at the nearest centre (the kernel falls
  // with the distance): one kernel row per line, its middle value across the block's width.
  // Straight edges thus cost their length, not their length times the kernel's area.
  struct Block {
    int a, b, top, bottom;
  };
  auto stamp = [&](const Block& blk) {
    for (int r = blk.top - radius; r <= blk.bottom + radius; ++r) {
      const int dy = r < blk.top ? blk.top - r : (r > blk.bottom ? r - blk.bottom : 0);
      const DWORD* k = kernel.data() + static_cast<size_t>(radius - dy) * side;
      DWORD* dst = line(r);
      for (int l = 0; l < radius; ++l)
        dst[blk.a - radius + l] = std::max(dst[blk.a - radius + l], k[l]);
      const DWORD middle = k[radius];
      for (int x = blk.a; x < blk.b; ++x)
        dst[x] = std::max(dst[x], middle);
      for (int l = 1; l <= radius; ++l)
        dst[blk.b - 1 + l] = std::max(dst[blk.b - 1 + l], k[radius + l]);
    }
  };

  // The centres of each row: from its start while the rows above and below start further in,
  // and up to its end from where they end. Equal runs in consecutive rows form one block.
  Block open[2]{};
  bool is_open[2] = {false, false};
  auto add_run = [&](int slot, int i, int a, int b) {
    Block& blk = open[slot];
    if (is_open[slot] && a < b && blk.a == a && blk.b == b && blk.bottom == i - 1) {
      blk.bottom = i;
      return;
    }
    if (is_open[slot])
      stamp(blk);
    is_open[slot] = a < b;
    blk = Block{a, b, i, i};
  };
  for (int i = radius; i < hs - radius; ++i) {
    const Span& cur = shadow_row(i);
    if (cur.start >= cur.end) {
      add_run(0, i, 0, 0);
      add_run(1, i, 0, 0);
      continue;
    }
    const Span& above = shadow_row(i - 1);
    const Span& below = shadow_row(i + 1);
    const int stop = std::max(cur.start, std::min(std::max(above.start, below.start) + 1, cur.end));
    add_run(0, i, cur.start, stop);
    add_run(1, i, std::max(stop, std::min(above.end, below.end) - 1), cur.end);
  }
  for (int slot = 0; slot < 2; ++slot) {
    if (is_open[slot])
      stamp(open[slot]);
  }

  // The inside, and the cut-out under the parent.
  const int xo = m_nxOffset, yo = m_nyOffset;
  auto fill = [](DWORD* row, int from, int to, DWORD value) {
    if (from < to)
      std::fill(row + from, row + to, value);
  };
  const int top = std::min(radius, std::max(s - yo, 0));
  const int bottom = std::max(hs - radius, std::min(h + s - yo, h + 2 * s));
  for (int i = top; i < bottom; ++i) {
    DWORD* row = line(i);
    const Span& span = shadow_row(i);
    const int r = i - s + yo;
    if (r < 0 || r >= h) {
      fill(row, span.start, span.end, solid);
      continue;
    }
    const Span& p = parent_rows[static_cast<size_t>(r)];
    const int u = p.start + s - xo, v = p.end + s - xo;
    fill(row, span.start, std::min(u, span.end), solid);
    fill(row, std::max(u, 0), std::min(v, ws), 0);
    fill(row, std::max(v, span.start), span.end, solid);
  }
}

}  // namespace DuiLib
