#include "duilib/render_engine.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "duilib/qt_convert.h"

namespace DuiLib {
namespace {

QRectF ToF(const RECT& r) {
  return QRectF(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// Text colours written without alpha are meant opaque.
QColor TextColor(DWORD c) {
  if (!(c >> 24))
    c |= 0xFF000000u;
  return ToQColor(c);
}

struct ImageAttrs {
  CDuiString file;
  RECT dest{};
  bool has_dest = false;
  RECT source{};
  bool has_source = false;
  RECT corner{};
  int fade = 255;
  bool hole = false;
  bool xtiled = false;
  bool ytiled = false;
};

// Applies `key='value'` pairs; a string without '=' is a bare file name.
void ParseImageAttrs(std::u16string_view s, ImageAttrs* a) {
  if (s.find(u'=') == std::u16string_view::npos) {
    CDuiString f(s);
    f = f.Trimmed();
    if (!f.IsEmpty())
      a->file = f;
    return;
  }
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && s[i] == u' ')
      ++i;
    size_t eq = s.find(u'=', i);
    if (eq == std::u16string_view::npos)
      break;
    CDuiString key = CDuiString(s.substr(i, eq - i)).Trimmed();
    i = eq + 1;
    while (i < s.size() && s[i] == u' ')
      ++i;
    if (i >= s.size())
      break;
    char16_t quote = s[i];
    std::u16string_view value;
    if (quote == u'\'' || quote == u'"') {
      size_t end = s.find(quote, i + 1);
      if (end == std::u16string_view::npos)
        break;
      value = s.substr(i + 1, end - i - 1);
      i = end + 1;
    } else {
      size_t end = s.find(u' ', i);
      if (end == std::u16string_view::npos)
        end = s.size();
      value = s.substr(i, end - i);
      i = end;
    }
    if (key == u"file" || key == u"res") {
      a->file = CDuiString(value);
    } else if (key == u"dest") {
      a->has_dest = ParseRect(value, &a->dest);
    } else if (key == u"source") {
      a->has_source = ParseRect(value, &a->source);
    } else if (key == u"corner") {
      ParseRect(value, &a->corner);
    } else if (key == u"fade") {
      int f;
      if (ParseInt(value, &f))
        a->fade = std::clamp(f, 0, 255);
    } else if (key == u"hole") {
      a->hole = ParseBool(value);
    } else if (key == u"xtiled") {
      a->xtiled = ParseBool(value);
    } else if (key == u"ytiled") {
      a->ytiled = ParseBool(value);
    }
  }
}

void DrawPart(QPainter* p,
              const QImage& img,
              qreal dpr,
              const QRectF& dst,
              const QRectF& src,
              bool xtiled,
              bool ytiled) {
  if (dst.width() <= 0 || dst.height() <= 0 || src.width() <= 0 || src.height() <= 0)
    return;
  QRectF s(src.x() * dpr, src.y() * dpr, src.width() * dpr, src.height() * dpr);
  if (!xtiled && !ytiled) {
    p->drawImage(dst, img, s);
    return;
  }
  qreal step_x = xtiled ? src.width() : dst.width();
  qreal step_y = ytiled ? src.height() : dst.height();
  p->save();
  p->setClipRect(dst, Qt::IntersectClip);
  for (qreal y = dst.top(); y < dst.bottom(); y += step_y) {
    for (qreal x = dst.left(); x < dst.right(); x += step_x)
      p->drawImage(QRectF(x, y, step_x, step_y), img, s);
  }
  p->restore();
}

}  // namespace

void CRenderEngine::DrawColor(HDC dc, const RECT& rc, DWORD color) {
  if (!dc || !(color >> 24))
    return;
  dc->fillRect(ToF(rc), ToQColor(color));
}

void CRenderEngine::DrawGradient(HDC dc, const RECT& rc, DWORD c1, DWORD c2, bool vertical) {
  if (!dc)
    return;
  QRectF r = ToF(rc);
  QLinearGradient g(r.topLeft(), vertical ? r.bottomLeft() : r.topRight());
  g.setColorAt(0, ToQColor(c1));
  g.setColorAt(1, ToQColor(c2));
  dc->fillRect(r, g);
}

void CRenderEngine::DrawRoundColor(HDC dc, const RECT& rc, int width, int height, DWORD color) {
  if (!dc || !(color >> 24))
    return;
  dc->save();
  dc->setRenderHint(QPainter::Antialiasing, true);
  dc->setPen(Qt::NoPen);
  dc->setBrush(ToQColor(color));
  dc->drawRoundedRect(ToF(rc), width / 2.0, height / 2.0);
  dc->restore();
}

void CRenderEngine::DrawLine(HDC dc, const RECT& rc, int size, DWORD color, int style) {
  if (!dc || !(color >> 24) || size <= 0)
    return;
  // Axis-aligned lines are filled rectangles so that they stay crisp.
  if (rc.top == rc.bottom && style == 0) {
    dc->fillRect(QRectF(std::min(rc.left, rc.right), rc.top, std::abs(rc.right - rc.left), size),
                 ToQColor(color));
    return;
  }
  if (rc.left == rc.right && style == 0) {
    dc->fillRect(QRectF(rc.left, std::min(rc.top, rc.bottom), size, std::abs(rc.bottom - rc.top)),
                 ToQColor(color));
    return;
  }
  dc->save();
  dc->setRenderHint(QPainter::Antialiasing, true);
  QPen pen(ToQColor(color), size);
  pen.setStyle(style == 1 ? Qt::DashLine : (style == 2 ? Qt::DotLine : Qt::SolidLine));
  dc->setPen(pen);
  dc->drawLine(QPointF(rc.left + 0.5, rc.top + 0.5), QPointF(rc.right + 0.5, rc.bottom + 0.5));
  dc->restore();
}

void CRenderEngine::DrawRect(HDC dc, const RECT& rc, int size, DWORD color) {
  if (!dc || !(color >> 24) || size <= 0)
    return;
  QColor c = ToQColor(color);
  QRectF r = ToF(rc);
  dc->fillRect(QRectF(r.left(), r.top(), r.width(), size), c);
  dc->fillRect(QRectF(r.left(), r.bottom() - size, r.width(), size), c);
  dc->fillRect(QRectF(r.left(), r.top() + size, size, r.height() - 2 * size), c);
  dc->fillRect(QRectF(r.right() - size, r.top() + size, size, r.height() - 2 * size), c);
}

void CRenderEngine::DrawRoundRect(HDC dc,
                                  const RECT& rc,
                                  int size,
                                  int width,
                                  int height,
                                  DWORD color) {
  if (!dc || !(color >> 24) || size <= 0)
    return;
  dc->save();
  dc->setRenderHint(QPainter::Antialiasing, true);
  dc->setPen(QPen(ToQColor(color), size));
  dc->setBrush(Qt::NoBrush);
  qreal h = size / 2.0;
  dc->drawRoundedRect(ToF(rc).adjusted(h, h, -h, -h), std::max(width / 2.0 - h, 0.0),
                      std::max(height / 2.0 - h, 0.0));
  dc->restore();
}

bool CRenderEngine::DrawImage(HDC dc,
                              const TImageInfo* info,
                              const RECT& dest,
                              const RECT& paint,
                              const RECT& source,
                              const RECT& corner,
                              BYTE fade,
                              bool hole,
                              bool xtiled,
                              bool ytiled) {
  if (!dc || !info || info->image.isNull())
    return false;
  CDuiRect visible;
  if (!IntersectRect(&visible, &dest, &paint))
    return true;
  const QImage& img = info->image;
  qreal dpr = img.devicePixelRatio();
  dc->save();
  dc->setClipRect(ToF(visible), Qt::IntersectClip);
  dc->setOpacity(dc->opacity() * fade / 255.0);
  dc->setRenderHint(QPainter::SmoothPixmapTransform, true);
  QRectF d = ToF(dest);
  QRectF s = ToF(source);
  qreal l = corner.left, t = corner.top, r = corner.right, b = corner.bottom;
  if (l + r > d.width())
    l = r = 0;
  if (t + b > d.height())
    t = b = 0;
  if (l == 0 && t == 0 && r == 0 && b == 0) {
    DrawPart(dc, img, dpr, d, s, xtiled, ytiled);
  } else {
    qreal dx[4] = {d.left(), d.left() + l, d.right() - r, d.right()};
    qreal dy[4] = {d.top(), d.top() + t, d.bottom() - b, d.bottom()};
    qreal sx[4] = {s.left(), s.left() + l, s.right() - r, s.right()};
    qreal sy[4] = {s.top(), s.top() + t, s.bottom() - b, s.bottom()};
    for (int row = 0; row < 3; ++row) {
      for (int col = 0; col < 3; ++col) {
        if (hole && row == 1 && col == 1)
          continue;
        QRectF dp(QPointF(dx[col], dy[row]), QPointF(dx[col + 1], dy[row + 1]));
        QRectF sp(QPointF(sx[col], sy[row]), QPointF(sx[col + 1], sy[row + 1]));
        bool center = row == 1 && col == 1;
        DrawPart(dc, img, dpr, dp, sp, center && xtiled, center && ytiled);
      }
    }
  }
  dc->restore();
  return true;
}

bool CRenderEngine::DrawImageString(HDC dc,
                                    CPaintManagerUI* pm,
                                    const RECT& item,
                                    const RECT& paint,
                                    LPCTSTR image,
                                    LPCTSTR modify) {
  if (!pm || !image || !*image)
    return false;
  ImageAttrs a;
  ParseImageAttrs(image, &a);
  if (modify)
    ParseImageAttrs(modify, &a);
  if (a.file.IsEmpty())
    return false;
  const TImageInfo* info = pm->GetImageEx(a.file);
  if (!info)
    return false;
  CDuiRect dest(item);
  if (a.has_dest) {
    dest = CDuiRect(item.left + a.dest.left, item.top + a.dest.top, item.left + a.dest.right,
                    item.top + a.dest.bottom);
    dest.right = std::min(dest.right, item.right);
    dest.bottom = std::min(dest.bottom, item.bottom);
  }
  RECT source = a.has_source ? a.source : RECT{0, 0, info->nX, info->nY};
  if (!dc)
    return true;
  return DrawImage(dc, info, dest, paint, source, a.corner, static_cast<BYTE>(a.fade), a.hole,
                   a.xtiled, a.ytiled);
}

void CRenderEngine::DrawText(HDC dc,
                             CPaintManagerUI* pm,
                             RECT& rc,
                             LPCTSTR text_p,
                             DWORD color,
                             int font_id,
                             UINT style) {
  QString text = ToQt(CDuiString(text_p));
  QFont font = pm ? pm->GetFont(font_id) : QFont();
  QFontMetricsF fm(font);
  int flags = 0;
  if (style & DT_CENTER)
    flags |= Qt::AlignHCenter;
  else if (style & DT_RIGHT)
    flags |= Qt::AlignRight;
  else
    flags |= Qt::AlignLeft;
  if (style & DT_VCENTER)
    flags |= Qt::AlignVCenter;
  else if (style & DT_BOTTOM)
    flags |= Qt::AlignBottom;
  else
    flags |= Qt::AlignTop;
  bool single = (style & DT_SINGLELINE) || !(style & DT_WORDBREAK);
  if (style & DT_SINGLELINE) {
    text.replace(QLatin1Char('\r'), QString()).replace(QLatin1Char('\n'), QLatin1Char(' '));
    flags |= Qt::TextSingleLine;
  } else if (style & DT_WORDBREAK) {
    flags |= Qt::TextWordWrap;
  }
  QRectF r = ToF(rc);
  if (style & DT_CALCRECT) {
    QRectF bound = fm.boundingRect(
        single ? QRectF(r.left(), r.top(), 1e6, 1e6)
               : QRectF(r.left(), r.top(), std::max(r.width(), 1.0), 1e6),
        flags & ~(Qt::AlignHCenter | Qt::AlignRight | Qt::AlignVCenter | Qt::AlignBottom), text);
    rc.right = rc.left + static_cast<LONG>(std::ceil(bound.width()));
    rc.bottom = rc.top + static_cast<LONG>(std::ceil(std::max(bound.height(), fm.height())));
    return;
  }
  if (!dc || text.isEmpty())
    return;
  if ((style & DT_END_ELLIPSIS) && single)
    text = fm.elidedText(text, Qt::ElideRight, r.width());
  dc->save();
  dc->setFont(font);
  dc->setPen(TextColor(color));
  dc->setClipRect(r, Qt::IntersectClip);
  dc->drawText(r, flags, text);
  dc->restore();
}

SIZE CRenderEngine::GetTextSize(HDC, CPaintManagerUI* pm, LPCTSTR text, int font, UINT style) {
  RECT rc{0, 0, 9999, 9999};
  DrawText(nullptr, pm, rc, text, 0, font, style | DT_CALCRECT);
  return SIZE{rc.right, rc.bottom};
}

}  // namespace DuiLib
