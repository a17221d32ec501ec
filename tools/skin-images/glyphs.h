// The product's pictograms: the WiFi signal, the check mark, the cross and the chevron.
// Each is drawn in logical pixels into a painter prepared by skin::Render.
#pragma once

#include <QColor>
#include <QPainter>
#include <QPointF>
#include <QRectF>

namespace skin {

// Shape of the WiFi signal: a dot and concentric arcs opening upwards around it.
struct WifiGeometry {
  qreal dot_radius = 0;
  qreal stroke = 0;        // arc thickness
  qreal first_radius = 0;  // centre line of the innermost arc
  qreal step = 0;          // distance between arc centre lines
  int arcs = 3;
  qreal half_angle = 45;  // degrees either side of straight up

  // The proportions used at every size where three arcs fit.
  static WifiGeometry Scaled(qreal unit);
  // Centre line radius of the outermost arc.
  qreal OuterRadius() const { return first_radius + step * (arcs - 1); }
};

// Draws the signal with its dot at |dot|. |level| 0 paints everything in |track|; level k
// lights the dot and the k innermost arcs in |lit|.
void DrawWifi(QPainter& p, QPointF dot, const WifiGeometry& g, int level, QColor lit, QColor track);

// A check mark fitted into |box|.
void DrawCheckMark(QPainter& p, const QRectF& box, qreal stroke, QColor color);

// A diagonal cross fitted into |box|.
void DrawCross(QPainter& p, const QRectF& box, qreal stroke, QColor color);

// A right-pointing chevron fitted into |box|.
void DrawChevronRight(QPainter& p, const QRectF& box, qreal stroke, QColor color);

}  // namespace skin
