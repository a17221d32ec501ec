#include "tools/skin-images/app_icons.h"

#include <cstdio>

#include <QDir>
#include <QImage>
#include <QPainter>

#include "tools/skin-images/catalog.h"

#ifdef TAVLO_HAVE_QT_SVG
#include <QSvgGenerator>
#endif

namespace skin {

namespace {

// The vector icon is the largest raster icon's drawing: the small sizes are hinted to pixels.
constexpr int kScalableDesignSize = 256;

bool MakeFolder(const QString& path) {
  if (QDir().mkpath(path))
    return true;
  std::fprintf(stderr, "tavlo-skin-images: cannot create %s\n", qPrintable(path));
  return false;
}

bool WritePng(const QImage& image, const QString& path) {
  if (image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG"))
    return true;
  std::fprintf(stderr, "tavlo-skin-images: cannot write %s\n", qPrintable(path));
  return false;
}

#ifdef TAVLO_HAVE_QT_SVG
bool WriteSvg(const QString& path) {
  QSvgGenerator svg;
  svg.setFileName(path);
  svg.setSize(QSize(kScalableDesignSize, kScalableDesignSize));
  svg.setViewBox(QRect(0, 0, kScalableDesignSize, kScalableDesignSize));
  svg.setTitle("Tavlo");
  QPainter p;
  if (!p.begin(&svg)) {
    std::fprintf(stderr, "tavlo-skin-images: cannot write %s\n", qPrintable(path));
    return false;
  }
  p.setRenderHint(QPainter::Antialiasing);
  PaintIcon(p, IconKind::kSharing, kScalableDesignSize);
  return p.end();
}
#endif

}  // namespace

bool CanWriteScalableIcon() {
#ifdef TAVLO_HAVE_QT_SVG
  return true;
#else
  return false;
#endif
}

bool WriteAppIcons(const QString& theme_dir, const QString& name) {
  bool ok = true;
  for (int size : kAppIconSizes) {
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(theme_dir).arg(size);
    ok = MakeFolder(folder) &&
         WritePng(RenderIcon(IconKind::kSharing, size), folder + "/" + name + ".png") && ok;
  }
#ifdef TAVLO_HAVE_QT_SVG
  const QString folder = theme_dir + "/scalable/apps";
  ok = MakeFolder(folder) && WriteSvg(folder + "/" + name + ".svg") && ok;
#endif
  return ok;
}

}  // namespace skin
