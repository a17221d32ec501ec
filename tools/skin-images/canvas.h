// Painting helpers shared by every image of the skin.
//
// Everything here runs on the thread that owns the QGuiApplication; nothing is shared.
#pragma once

#include <functional>
#include <initializer_list>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <QSize>

namespace skin {

// Paints |logical|-sized artwork at integer |scale| into a transparent image. The painter is
// pre-scaled and anti-aliased, so |draw| works in logical pixels and integer logical
// coordinates fall on device-pixel edges at every scale.
QImage Render(QSize logical, int scale, const std::function<void(QPainter&)>& draw);

// Fills a rounded box. A border of |border_width| lies wholly inside |rect| and the inner
// radius shrinks with it, so straight sides stay sharp and the ring keeps an even width
// around the corners.
void FillRoundedBox(QPainter& p,
                    const QRectF& rect,
                    qreal radius,
                    QColor fill,
                    QColor border = Qt::transparent,
                    qreal border_width = 1.0);

// A vertical two-stop gradient box, for icon tiles.
void FillGradientBox(QPainter& p, const QRectF& rect, qreal radius, QColor top, QColor bottom);

// A round-capped, round-joined open polyline.
void StrokePolyline(QPainter& p, std::initializer_list<QPointF> points, qreal width, QColor color);

}  // namespace skin
