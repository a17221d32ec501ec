#include "tools/skin-images/catalog.h"

#include <utility>

#include "tools/skin-images/canvas.h"
#include "tools/skin-images/glyphs.h"
#include "tools/skin-images/palette.h"

namespace skin {

namespace {

using palette::kAccent;

// Control sizes shared with the layouts.
constexpr QSize kStatusSize(64, 64);
constexpr QSize kButtonSize(136, 40);
constexpr QSize kSysButtonSize(40, 40);
constexpr QSize kTabSize(104, 40);
constexpr QSize kCheckSize(16, 16);
constexpr QSize kMenuIconSize(16, 16);
constexpr QSize kExpandSize(9, 9);
constexpr QSize kLogoSize(20, 20);

// One corner radius for every control of the window; the check box is too small for it.
constexpr qreal kRadius = 4;
constexpr qreal kSmallRadius = 3;

ImageSpec Drawn(QString name, QSize size, Backdrop backdrop, std::function<void(QPainter&)> draw) {
  ImageSpec spec;
  spec.name = std::move(name);
  spec.backdrop = backdrop;
  spec.render = [size, draw = std::move(draw)](int scale) { return Render(size, scale, draw); };
  return spec;
}

// The status image of the main window. Frames 0-3 share one neutral disc: frame 0 is all
// unlit, frames 1-3 light the signal from the dot outwards (the busy animation, which also
// rests on frame 3 when sharing is off). Frame 4, sharing, turns green and adds a badge.
void DrawStatus(QPainter& p, int frame) {
  const QPointF centre(32, 32);
  const bool sharing = frame == 4;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(sharing ? palette::kSuccessSoft : palette::kIdleSoft));
  p.drawEllipse(centre, 32, 32);

  // Whole-pixel radii and an even stroke keep the arcs' crowns sharp at 1x.
  WifiGeometry g;
  g.dot_radius = 3.5;
  g.stroke = 4;
  g.first_radius = 10;
  g.step = 7;
  const QPointF dot(32, 44);
  if (sharing)
    DrawWifi(p, dot, g, g.arcs, QColor(palette::kSuccess), QColor(palette::kSuccess));
  else
    DrawWifi(p, dot, g, frame, QColor(kAccent), QColor(palette::kIdleTrack));

  if (sharing) {
    const QPointF badge(50, 50);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(palette::kSurface));
    p.drawEllipse(badge, 11, 11);
    p.setBrush(QColor(palette::kSuccess));
    p.drawEllipse(badge, 9, 9);
    DrawCheckMark(p, QRectF(45, 45.5, 10, 9), 2.0, QColor(palette::kOnAccent));
  }
}

void DrawButton(QPainter& p, QColor fill, QColor border) {
  FillRoundedBox(p, QRectF(QPointF(0, 0), kButtonSize), kRadius, fill, border);
}

// Close glyph on the accent caption; hover shows a soft chip rather than a hard square so
// it sits well under the window's rounded corner.
void DrawClose(QPainter& p, int chip_alpha) {
  if (chip_alpha > 0)
    FillRoundedBox(p, QRectF(6, 6, 28, 28), kRadius, QColor(255, 255, 255, chip_alpha));
  DrawCross(p, QRectF(15, 15, 10, 10), 1.5, QColor(palette::kOnAccent));
}

void DrawCheckBox(QPainter& p, bool checked, bool hot) {
  const QRectF box(QPointF(0, 0), kCheckSize);
  if (!checked) {
    FillRoundedBox(p, box, kSmallRadius, QColor(palette::kSurface),
                   QColor(hot ? kAccent : palette::kBorderStrong));
    return;
  }
  FillRoundedBox(p, box, kSmallRadius, QColor(hot ? palette::kAccentHot : kAccent));
  DrawCheckMark(p, QRectF(3.5, 4, 9, 8), 2.0, QColor(palette::kOnAccent));
}

}  // namespace

std::vector<ImageSpec> SkinImages() {
  std::vector<ImageSpec> images;
  const Backdrop surface = Backdrop::kSurface;
  const Backdrop accent = Backdrop::kAccent;

  for (int frame = 0; frame <= 4; ++frame) {
    images.push_back(Drawn(QStringLiteral("wifi_ico%1").arg(frame), kStatusSize, surface,
                           [frame](QPainter& p) { DrawStatus(p, frame); }));
  }

  images.push_back(Drawn("btn_primary_normal", kButtonSize, surface,
                         [](QPainter& p) { DrawButton(p, QColor(kAccent), Qt::transparent); }));
  images.push_back(Drawn("btn_primary_hot", kButtonSize, surface, [](QPainter& p) {
    DrawButton(p, QColor(palette::kAccentHot), Qt::transparent);
  }));
  images.push_back(Drawn("btn_primary_pushed", kButtonSize, surface, [](QPainter& p) {
    DrawButton(p, QColor(palette::kAccentPressed), Qt::transparent);
  }));
  images.push_back(Drawn("btn_secondary_normal", kButtonSize, surface, [](QPainter& p) {
    DrawButton(p, QColor(palette::kSurface), QColor(palette::kBorderStrong));
  }));
  images.push_back(Drawn("btn_secondary_hot", kButtonSize, surface, [](QPainter& p) {
    DrawButton(p, QColor(palette::kAccentSoft), QColor(kAccent));
  }));
  images.push_back(Drawn("btn_secondary_pushed", kButtonSize, surface, [](QPainter& p) {
    DrawButton(p, QColor(palette::kAccentTint), QColor(palette::kAccentPressed));
  }));

  images.push_back(
      Drawn("sysbtn_close_normal", kSysButtonSize, accent, [](QPainter& p) { DrawClose(p, 0); }));
  images.push_back(
      Drawn("sysbtn_close_hot", kSysButtonSize, accent, [](QPainter& p) { DrawClose(p, 46); }));
  images.push_back(
      Drawn("sysbtn_close_pushed", kSysButtonSize, accent, [](QPainter& p) { DrawClose(p, 80); }));

  images.push_back(
      Drawn("check_off", kCheckSize, surface, [](QPainter& p) { DrawCheckBox(p, false, false); }));
  images.push_back(Drawn("check_off_hot", kCheckSize, surface,
                         [](QPainter& p) { DrawCheckBox(p, false, true); }));
  images.push_back(
      Drawn("check_on", kCheckSize, surface, [](QPainter& p) { DrawCheckBox(p, true, false); }));
  images.push_back(
      Drawn("check_on_hot", kCheckSize, surface, [](QPainter& p) { DrawCheckBox(p, true, true); }));

  // Tabs: no image at rest; a soft chip on hover; a short accent bar under the selected one.
  images.push_back(Drawn("tab_hot", kTabSize, surface, [](QPainter& p) {
    FillRoundedBox(p, QRectF(4, 6, 96, 28), kRadius, QColor(palette::kHover));
  }));
  images.push_back(Drawn("tab_selected", kTabSize, surface, [](QPainter& p) {
    FillRoundedBox(p, QRectF(38, 37, 28, 3), 1.5, QColor(kAccent));
  }));

  images.push_back(Drawn("menu_check", kMenuIconSize, surface, [](QPainter& p) {
    DrawCheckMark(p, QRectF(2.5, 3.5, 11, 9), 1.8, QColor(kAccent));
  }));
  images.push_back(Drawn("menu_expand", kExpandSize, surface, [](QPainter& p) {
    DrawChevronRight(p, QRectF(1.5, 1, 6, 7), 1.4, QColor(palette::kTextSecondary));
  }));

  images.push_back(Drawn("logo_white", kLogoSize, accent, [](QPainter& p) {
    WifiGeometry g;
    g.dot_radius = 1.5;
    g.stroke = 2;
    g.first_radius = 4;
    g.step = 3;
    DrawWifi(p, QPointF(10, 15), g, g.arcs, QColor(palette::kOnAccent), QColor(palette::kOnAccent));
  }));

  // Resources 130 and 131 at the small-icon size, with their @2x twins, then every size of
  // the family and the application icon.
  const std::pair<IconKind, QString> icons[] = {{IconKind::kSharing, "icon130"},
                                                {IconKind::kStopped, "icon131"}};
  for (const auto& [kind, name] : icons) {
    ImageSpec small;
    small.name = name;
    small.render = [kind = kind](int scale) { return RenderIcon(kind, 16 * scale); };
    images.push_back(small);
  }
  for (const auto& [kind, name] : icons) {
    for (int size : kIconSizes) {
      ImageSpec sized;
      sized.name = QStringLiteral("%1_%2").arg(name).arg(size);
      sized.hidpi = false;
      sized.render = [kind = kind, size](int) { return RenderIcon(kind, size); };
      images.push_back(sized);
    }
  }
  ImageSpec app;
  app.name = "app_icon";
  app.hidpi = false;
  app.render = [](int) { return RenderIcon(IconKind::kSharing, 256); };
  images.push_back(app);
  return images;
}

}  // namespace skin
