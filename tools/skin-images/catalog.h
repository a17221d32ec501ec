// The list of every image in the skin, with how to draw each one.
//
// Sizes here are the sizes the layouts in skin/ give the controls that show the images: an
// image drawn at its control's exact size is never stretched, so it stays crisp. Change a
// control's size in the layout and here together.
#pragma once

#include <functional>
#include <vector>

#include <QImage>
#include <QPainter>
#include <QString>

namespace skin {

// What an image sits on in the window; the contact sheet shows it on the same ground.
enum class Backdrop { kSurface, kAccent };

struct ImageSpec {
  QString name;  // file name without ".png"
  Backdrop backdrop = Backdrop::kSurface;
  // True: written as name.png (scale 1) and name@2x.png (scale 2). False: one file at its
  // own pixel size (the icon sizes).
  bool hidpi = true;
  std::function<QImage(int scale)> render;
};

std::vector<ImageSpec> SkinImages();

// The product icons: resource 130 (sharing) and 131 (stopped), and the application icon,
// drawn for an exact pixel size; small sizes get a simplified glyph.
enum class IconKind { kSharing, kStopped };
QImage RenderIcon(IconKind kind, int pixels);
// The same artwork on any painter (an SVG generator, say), in a |pixels|-square of logical
// units; the painter should be anti-aliased.
void PaintIcon(QPainter& p, IconKind kind, int pixels);

// Pixel sizes of the icon130_<n>.png / icon131_<n>.png family.
inline constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

}  // namespace skin
