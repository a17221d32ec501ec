#include "tools/skin-images/sheet.h"

#include <algorithm>

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRect>

#include "tools/skin-images/palette.h"

namespace skin {

namespace {

constexpr int kSheetWidth = 1280;
constexpr int kMargin = 24;
constexpr int kGap = 16;    // between cells
constexpr int kInner = 10;  // between an image and its frame, and between 1x and 2x
constexpr int kLabel = 22;  // label line height

struct Cell {
  QString label;
  QImage x1, x2;
  Backdrop backdrop;
  QSize size;
};

QSize CellSize(const QImage& x1, const QImage& x2, int label_width) {
  int width = kInner + x1.width() + kInner;
  int height = x1.height();
  if (!x2.isNull()) {
    width += x2.width() + kInner;
    height = std::max(height, x2.height());
  }
  return QSize(std::max(width, label_width), kLabel + kInner + height + kInner);
}

}  // namespace

QImage RenderContactSheet(const std::vector<ImageSpec>& specs) {
  QFont font("WenQuanYi Micro Hei");
  font.setPixelSize(12);
  const QFontMetrics metrics(font);

  std::vector<Cell> cells;
  for (const ImageSpec& spec : specs) {
    Cell cell;
    cell.label = spec.hidpi ? spec.name + QStringLiteral(" (1x, 2x)") : spec.name;
    cell.x1 = spec.render(1);
    if (spec.hidpi)
      cell.x2 = spec.render(2);
    cell.backdrop = spec.backdrop;
    cell.size = CellSize(cell.x1, cell.x2, metrics.horizontalAdvance(cell.label) + 4);
    cells.push_back(std::move(cell));
  }

  // Row packing: first pass places, second paints onto an image of the final height.
  std::vector<QPoint> origins;
  int x = kMargin, y = kMargin, row_height = 0;
  for (const Cell& cell : cells) {
    if (x > kMargin && x + cell.size.width() > kSheetWidth - kMargin) {
      x = kMargin;
      y += row_height + kGap;
      row_height = 0;
    }
    origins.emplace_back(x, y);
    x += cell.size.width() + kGap;
    row_height = std::max(row_height, cell.size.height());
  }
  const int height = y + row_height + kMargin;

  QImage sheet(kSheetWidth, height, QImage::Format_ARGB32_Premultiplied);
  sheet.fill(QColor(palette::kCanvas));
  QPainter p(&sheet);
  p.setFont(font);
  for (size_t i = 0; i < cells.size(); ++i) {
    const Cell& cell = cells[i];
    const QPoint origin = origins[i];
    p.setPen(QColor(palette::kTextSecondary));
    p.drawText(QRect(origin, QSize(cell.size.width(), kLabel)), Qt::AlignLeft | Qt::AlignVCenter,
               cell.label);
    const QRect ground(origin + QPoint(0, kLabel), cell.size - QSize(0, kLabel));
    p.fillRect(ground,
               QColor(cell.backdrop == Backdrop::kAccent ? palette::kAccent : palette::kSurface));
    p.setPen(QColor(palette::kDivider));
    p.drawRect(ground.adjusted(0, 0, -1, -1));
    const QPoint at = ground.topLeft() + QPoint(kInner, kInner);
    p.drawImage(at, cell.x1);
    if (!cell.x2.isNull())
      p.drawImage(at + QPoint(cell.x1.width() + kInner, 0), cell.x2);
  }
  p.end();
  return sheet;
}

}  // namespace skin
