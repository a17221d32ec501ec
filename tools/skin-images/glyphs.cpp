#include "tools/skin-images/glyphs.h"

#include <QPainterPath>
#include <QPen>

#include "tools/skin-images/canvas.h"

namespace skin {

WifiGeometry WifiGeometry::Scaled(qreal unit) {
  WifiGeometry g;
  g.dot_radius = 0.9 * unit;
  g.stroke = 1.15 * unit;
  g.first_radius = 2.6 * unit;
  g.step = 1.95 * unit;
  g.arcs = 3;
  return g;
}

void DrawWifi(QPainter& p,
              QPointF dot,
              const WifiGeometry& g,
              int level,
              QColor lit,
              QColor track) {
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(level > 0 ? lit : track);
  p.drawEllipse(dot, g.dot_radius, g.dot_radius);
  p.setBrush(Qt::NoBrush);
  for (int i = 0; i < g.arcs; ++i) {
    const qreal r = g.first_radius + g.step * i;
    const QRectF bounds(dot.x() - r, dot.y() - r, 2 * r, 2 * r);
    QPainterPath arc;
    arc.arcMoveTo(bounds, 90 - g.half_angle);
    arc.arcTo(bounds, 90 - g.half_angle, 2 * g.half_angle);
    p.setPen(QPen(i < level ? lit : track, g.stroke, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(arc);
  }
  p.restore();
}

void DrawCheckMark(QPainter& p, const QRectF& box, qreal stroke, QColor color) {
  auto at = [&box](qreal x, qreal y) {
    return QPointF(box.left() + x * box.width(), box.top() + y * box.height());
  };
  StrokePolyline(p, {at(0.14, 0.53), at(0.40, 0.78), at(0.86, 0.24)}, stroke, color);
}

void DrawCross(QPainter& p, const QRectF& box, qreal stroke, QColor color) {
  StrokePolyline(p, {box.topLeft(), box.bottomRight()}, stroke, color);
  StrokePolyline(p, {box.topRight(), box.bottomLeft()}, stroke, color);
}

void DrawChevronRight(QPainter& p, const QRectF& box, qreal stroke, QColor color) {
  const QPointF top(box.left() + box.width() * 0.3, box.top());
  const QPointF tip(box.right() - box.width() * 0.3, box.center().y());
  const QPointF bottom(box.left() + box.width() * 0.3, box.bottom());
  StrokePolyline(p, {top, tip, bottom}, stroke, color);
}

}  // namespace skin
