// Regions, and the region that shapes a window.
#include <QGuiApplication>
#include <cmath>

#include "duilib/qt_convert.h"
#include "duilib/window_record.h"

namespace DuiLib {
namespace {

struct RegionObject {
  QRegion region;
};

RegionObject* AsRegion(HRGN h) {
  return reinterpret_cast<RegionObject*>(h);
}

HRGN MakeRegion(QRegion r) {
  return reinterpret_cast<HRGN>(new RegionObject{std::move(r)});
}

int RegionKind(const QRegion& r) {
  if (r.isEmpty())
    return NULLREGION;
  return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace

HRGN CreateRectRgn(int l, int t, int r, int b) {
  return MakeRegion(QRegion(QRect(QPoint(l, t), QPoint(r - 1, b - 1))));
}

HRGN CreateRoundRectRgn(int l, int t, int r, int b, int w, int h) {
  // Corners are approximated by scanlines of the ellipse, one span per row.
  QRegion region;
  int width = r - l, height = b - t;
  if (width <= 0 || height <= 0)
    return MakeRegion(region);
  double rx = std::min(w, width) / 2.0, ry = std::min(h, height) / 2.0;
  for (int y = 0; y < height; ++y) {
    int inset = 0;
    if (rx > 0 && ry > 0) {
      double cy = y + 0.5;
      double dy = 0;
      if (cy < ry)
        dy = ry - cy;
      else if (cy > height - ry)
        dy = cy - (height - ry);
      if (dy > 0) {
        double t2 = 1.0 - (dy * dy) / (ry * ry);
        inset = static_cast<int>(std::lround(rx - rx * std::sqrt(std::max(t2, 0.0))));
      }
    }
    if (width - 2 * inset > 0)
      region += QRect(l + inset, t + y, width - 2 * inset, 1);
  }
  return MakeRegion(region);
}

bool DeleteObject(HRGN rgn) {
  delete AsRegion(rgn);
  return rgn != nullptr;
}

int CombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode) {
  if (!dst || !src1 || (mode != RGN_COPY && !src2))
    return kRegionError;
  const QRegion& a = AsRegion(src1)->region;
  QRegion result;
  switch (mode) {
    case RGN_AND:
      result = a & AsRegion(src2)->region;
      break;
    case RGN_OR:
      result = a | AsRegion(src2)->region;
      break;
    case RGN_XOR:
      result = a ^ AsRegion(src2)->region;
      break;
    case RGN_DIFF:
      result = a - AsRegion(src2)->region;
      break;
    case RGN_COPY:
      result = a;
      break;
    default:
      return kRegionError;
  }
  AsRegion(dst)->region = result;
  return RegionKind(result);
}

bool PtInRegion(HRGN rgn, int x, int y) {
  return rgn && AsRegion(rgn)->region.contains(QPoint(x, y));
}

int GetRgnBox(HRGN rgn, RECT* rc) {
  if (!rgn || !rc)
    return kRegionError;
  *rc = FromQt(AsRegion(rgn)->region.boundingRect());
  return RegionKind(AsRegion(rgn)->region);
}

int SetWindowRgn(HWND hwnd, HRGN rgn, bool redraw) {
  WindowRecord* rec = FindRecord(hwnd);
  if (!rec) {
    DeleteObject(rgn);
    return 0;
  }
  if (rgn) {
    rec->region = AsRegion(rgn)->region;
    DeleteObject(rgn);
  } else {
    rec->region.reset();
  }
  if (rec->widget) {
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
      if (rec->region)
        rec->widget->setMask(*rec->region);
      else
        rec->widget->clearMask();
    }
    if (redraw)
      rec->widget->update();
  }
  return 1;
}

int GetWindowRgn(HWND hwnd, HRGN rgn) {
  WindowRecord* rec = FindRecord(hwnd);
  if (!rec || !rgn || !rec->region)
    return kRegionError;
  AsRegion(rgn)->region = *rec->region;
  return RegionKind(*rec->region);
}

}  // namespace DuiLib
