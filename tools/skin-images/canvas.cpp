#include "tools/skin-images/canvas.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>

namespace skin {

QImage Render(QSize logical, int scale, const std::function<void(QPainter&)>& draw) {
  QImage image(logical * scale, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(scale, scale);
  draw(p);
  p.end();
  return image;
}

namespace {

QPainterPath RoundedPath(const QRectF& rect, qreal radius) {
  QPainterPath path;
  path.addRoundedRect(rect, radius, radius);
  return path;
}

}  // namespace

void FillRoundedBox(QPainter& p,
                    const QRectF& rect,
                    qreal radius,
                    QColor fill,
                    QColor border,
                    qreal border_width) {
  p.save();
  p.setPen(Qt::NoPen);
  if (border.alpha() == 0) {
    p.fillPath(RoundedPath(rect, radius), fill);
    p.restore();
    return;
  }
  const QRectF inner = rect.adjusted(border_width, border_width, -border_width, -border_width);
  const qreal inner_radius = std::max<qreal>(0.0, radius - border_width);
  if (fill.alpha() == 255) {
    // Painting the fill over a full border shape avoids the faint seam two abutting
    // anti-aliased edges leave.
    p.fillPath(RoundedPath(rect, radius), border);
    p.fillPath(RoundedPath(inner, inner_radius), fill);
  } else {
    QPainterPath ring = RoundedPath(rect, radius);
    ring.addPath(RoundedPath(inner, inner_radius));
    ring.setFillRule(Qt::OddEvenFill);
    p.fillPath(ring, border);
    if (fill.alpha() > 0)
      p.fillPath(RoundedPath(inner, inner_radius), fill);
  }
  p.restore();
}

void FillGradientBox(QPainter& p, const QRectF& rect, qreal radius, QColor top, QColor bottom) {
  QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
  gradient.setColorAt(0.0, top);
  gradient.setColorAt(1.0, bottom);
  p.save();
  p.setPen(Qt::NoPen);
  p.fillPath(RoundedPath(rect, radius), gradient);
  p.restore();
}

void StrokePolyline(QPainter& p, std::initializer_list<QPointF> points, qreal width, QColor color) {
  p.save();
  p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(QPolygonF(QList<QPointF>(points)));
  p.restore();
}

}  // namespace skin
