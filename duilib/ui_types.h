// Value types for geometry (CDuiRect, CPoint, CSize) and the attribute-value parsers that
// layouts use ("l,t,r,b", "w,h", "#AARRGGBB", "true"). Plain values; no thread affinity.
#pragma once

#include <algorithm>

#include "duilib/ui_defs.h"
#include "duilib/ui_string.h"

namespace DuiLib {

class CPoint : public POINT {
 public:
  CPoint() = default;
  CPoint(LONG x_, LONG y_) {
    x = x_;
    y = y_;
  }
  CPoint(const POINT& p) : POINT(p) {}  // NOLINT(runtime/explicit)
  // Unpacks the coordinates of a mouse message's lParam.
  explicit CPoint(LPARAM l) : CPoint(GET_X_LPARAM(l), GET_Y_LPARAM(l)) {}
  friend bool operator==(const CPoint& a, const CPoint& b) { return a.x == b.x && a.y == b.y; }
};

class CSize : public SIZE {
 public:
  CSize() = default;
  CSize(LONG cx_, LONG cy_) {
    cx = cx_;
    cy = cy_;
  }
  CSize(const SIZE& s) : SIZE(s) {}  // NOLINT(runtime/explicit)
  friend bool operator==(const CSize& a, const CSize& b) { return a.cx == b.cx && a.cy == b.cy; }
};

class CDuiRect : public RECT {
 public:
  CDuiRect() = default;
  CDuiRect(LONG l, LONG t, LONG r, LONG b) {
    left = l;
    top = t;
    right = r;
    bottom = b;
  }
  CDuiRect(const RECT& r) : RECT(r) {}  // NOLINT(runtime/explicit)

  LONG GetWidth() const { return right - left; }
  LONG GetHeight() const { return bottom - top; }
  bool IsNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  void Empty() { left = top = right = bottom = 0; }
  bool PtInRect(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  void Offset(LONG dx, LONG dy) {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
  }
  void Inflate(LONG dx, LONG dy) {
    left -= dx;
    right += dx;
    top -= dy;
    bottom += dy;
  }
  void Deflate(LONG dx, LONG dy) { Inflate(-dx, -dy); }
  // Shrinks by per-side amounts (an inset or padding).
  void Deflate(const RECT& by) {
    left += by.left;
    top += by.top;
    right -= by.right;
    bottom -= by.bottom;
  }
  // Intersection; false and an empty rectangle when the two do not meet.
  bool Intersect(const RECT& other) {
    CDuiRect r(std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
               std::min(bottom, other.bottom));
    if (r.IsEmpty()) {
      Empty();
      return false;
    }
    *this = r;
    return true;
  }
  void Union(const RECT& other) {
    if (CDuiRect(other).IsEmpty())
      return;
    if (IsEmpty()) {
      *this = other;
      return;
    }
    left = std::min(left, other.left);
    top = std::min(top, other.top);
    right = std::max(right, other.right);
    bottom = std::max(bottom, other.bottom);
  }
  friend bool operator==(const CDuiRect& a, const CDuiRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }
};

inline bool IntersectRect(RECT* out, const RECT* a, const RECT* b) {
  CDuiRect r(*a);
  bool ok = r.Intersect(*b);
  *out = r;
  return ok;
}
inline bool PtInRect(const RECT* r, POINT p) {
  return CDuiRect(*r).PtInRect(p);
}

// Attribute parsers. Each returns false and leaves the output untouched when the text is not
// in the expected form.
bool ParseRect(std::u16string_view text, RECT* out);
bool ParseSize(std::u16string_view text, SIZE* out);
bool ParseInt(std::u16string_view text, int* out);
// "#AARRGGBB", "#RRGGBB" (opaque) or "0xAARRGGBB"; the result is 0xAARRGGBB.
bool ParseColor(std::u16string_view text, DWORD* out);
// "true" (any case) or "1".
bool ParseBool(std::u16string_view text);

}  // namespace DuiLib
