// tavlo-skin-images: draws every image of the skin into a folder.
//
//   tavlo-skin-images OUTPUT_DIR [--sheet SHEET.png]
//   tavlo-skin-images --app-icons THEME_DIR NAME
//
// Writes name.png and name@2x.png for each image (single files for the fixed icon sizes),
// and with --sheet a contact sheet of all of them. With --app-icons it writes the application
// icon NAME into a hicolor theme tree instead. Exits non-zero when a file cannot be written.
// Needs no display: it forces Qt's offscreen platform.
#include <cstdio>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <QStringList>

#include "tools/skin-images/app_icons.h"
#include "tools/skin-images/catalog.h"
#include "tools/skin-images/sheet.h"

namespace {

bool Save(const QImage& image, const QString& path) {
  // Straight alpha is what PNG stores; converting here keeps the files identical run to run.
  if (image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG"))
    return true;
  std::fprintf(stderr, "tavlo-skin-images: cannot write %s\n", qPrintable(path));
  return false;
}

int Usage() {
  std::fprintf(stderr,
               "usage: tavlo-skin-images OUTPUT_DIR [--sheet SHEET.png]\n"
               "       tavlo-skin-images --app-icons THEME_DIR NAME\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);

  QStringList args = QGuiApplication::arguments().mid(1);
  if (!args.isEmpty() && args[0] == "--app-icons") {
    if (args.size() != 3 || args[2].isEmpty() || args[2].contains('/'))
      return Usage();
    return skin::WriteAppIcons(args[1], args[2]) ? 0 : 1;
  }
  QString sheet_path;
  const qsizetype sheet_flag = args.indexOf("--sheet");
  if (sheet_flag >= 0) {
    if (sheet_flag + 1 >= args.size())
      return Usage();
    sheet_path = args[sheet_flag + 1];
    args.remove(sheet_flag, 2);
  }
  if (args.size() != 1)
    return Usage();

  QDir out(args[0]);
  if (!out.mkpath(".")) {
    std::fprintf(stderr, "tavlo-skin-images: cannot create %s\n", qPrintable(args[0]));
    return 1;
  }

  const std::vector<skin::ImageSpec> specs = skin::SkinImages();
  bool ok = true;
  for (const skin::ImageSpec& spec : specs) {
    ok = Save(spec.render(1), out.filePath(spec.name + ".png")) && ok;
    if (spec.hidpi)
      ok = Save(spec.render(2), out.filePath(spec.name + "@2x.png")) && ok;
  }
  if (!sheet_path.isEmpty())
    ok = Save(skin::RenderContactSheet(specs), sheet_path) && ok;
  return ok ? 0 : 1;
}
