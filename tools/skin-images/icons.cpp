#include <algorithm>
#include <cmath>

#include "tools/skin-images/canvas.h"
#include "tools/skin-images/catalog.h"
#include "tools/skin-images/glyphs.h"
#include "tools/skin-images/palette.h"

namespace skin {

namespace {

WifiGeometry Glyph(qreal dot, qreal stroke, qreal first, qreal step, int arcs) {
  WifiGeometry g;
  g.dot_radius = dot;
  g.stroke = stroke;
  g.first_radius = first;
  g.step = step;
  g.arcs = arcs;
  return g;
}

// The signal for one icon size. Up to 64 px the arcs have whole-pixel radii and strokes so
// that their crowns land on pixel edges; below 24 px three arcs merge into a blur, so the
// smallest icon keeps two.
WifiGeometry IconGlyph(int pixels, qreal tile) {
  if (pixels <= 16)
    return Glyph(1.25, 2, 4, 3, 2);
  if (pixels <= 24)
    return Glyph(1.5, 2, 4, 3, 3);
  if (pixels <= 32)
    return Glyph(2, 2, 5, 4, 3);
  if (pixels <= 48)
    return Glyph(2.5, 3, 7, 5, 3);
  if (pixels <= 64)
    return Glyph(3.5, 4, 9, 7, 3);
  return WifiGeometry::Scaled(tile * 0.064);
}

}  // namespace

QImage RenderIcon(IconKind kind, int pixels) {
  return Render(QSize(pixels, pixels), 1,
                [kind, pixels](QPainter& p) { PaintIcon(p, kind, pixels); });
}

void PaintIcon(QPainter& p, IconKind kind, int pixels) {
  // Small icons fill their square: a margin would only cost legibility.
  const int margin = pixels <= 24 ? 0 : static_cast<int>(std::lround(pixels / 16.0));
  const qreal tile = pixels - 2 * margin;
  const QRectF box(margin, margin, tile, tile);
  const qreal radius = std::max<qreal>(3.0, tile * 0.22);
  if (kind == IconKind::kSharing)
    FillGradientBox(p, box, radius, QColor(0xFF4B94FA), QColor(palette::kAccentDeep));
  else
    FillGradientBox(p, box, radius, QColor(0xFFB4BCC7), QColor(palette::kIdleDeep));

  const WifiGeometry g = IconGlyph(pixels, tile);
  const qreal top_extent = g.OuterRadius() + g.stroke / 2;
  const qreal height = top_extent + g.dot_radius;
  // The dot sits on the centre column, a pixel edge for every even size, so the glyph
  // stays symmetric; its row is snapped so that the arcs' crowns are sharp (an odd stroke
  // needs a half-pixel centre line).
  qreal dot_y = std::round(box.center().y() - height / 2 + top_extent);
  if (static_cast<int>(g.stroke) % 2 == 1)
    dot_y += 0.5;
  const QPointF dot(pixels / 2.0, dot_y);
  const QColor white(palette::kOnAccent);
  DrawWifi(p, dot, g, g.arcs, white, white);
}

}  // namespace skin
