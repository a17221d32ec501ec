// The small rich-text markup: runs of styled text laid out line by line.
#include <QFontMetricsF>
#include <QPainter>
#include <vector>

#include "duilib/qt_convert.h"
#include "duilib/render_engine.h"

namespace DuiLib {
namespace {

struct Style {
  QFont font;
  QColor color;
  int link = -1;
};

struct Run {
  QString text;  // empty text with `newline` set is a line break
  Style style;
  bool newline = false;
};

struct Piece {
  QString text;
  Style style;
  qreal x = 0;
  qreal width = 0;
};

struct Line {
  std::vector<Piece> pieces;
  qreal width = 0;
  qreal ascent = 0;
  qreal descent = 0;
};

std::vector<Run> Parse(const QString& src,
                       const QFont& base_font,
                       const QColor& base_color,
                       CPaintManagerUI* pm,
                       std::vector<QString>* links) {
  std::vector<Run> runs;
  std::vector<Style> stack{{base_font, base_color, -1}};
  QString pending;
  auto flush = [&] {
    if (!pending.isEmpty())
      runs.push_back({pending, stack.back(), false});
    pending.clear();
  };
  for (qsizetype i = 0; i < src.size(); ++i) {
    QChar ch = src[i];
    qsizetype close = ch == u'{' ? src.indexOf(u'}', i + 1) : -1;
    if (close < 0) {
      pending += ch;
      continue;
    }
    QString tag = src.mid(i + 1, close - i - 1).trimmed();
    QString name = tag.section(u' ', 0, 0).toLower();
    QString arg = tag.section(u' ', 1).trimmed();
    bool known = true;
    if (name == u"n") {
      flush();
      runs.push_back({QString(), stack.back(), true});
    } else if (name.startsWith(u'/')) {
      flush();
      if (stack.size() > 1)
        stack.pop_back();
    } else if (name == u"b" || name == u"i" || name == u"u" || name == u"s") {
      flush();
      Style s = stack.back();
      if (name == u"b")
        s.font.setBold(true);
      else if (name == u"i")
        s.font.setItalic(true);
      else if (name == u"u")
        s.font.setUnderline(true);
      else
        s.font.setStrikeOut(true);
      stack.push_back(s);
    } else if (name == u"c") {
      flush();
      Style s = stack.back();
      DWORD c;
      if (ParseColor(FromQt(arg).view(), &c))
        s.color = ToQColor(c);
      stack.push_back(s);
    } else if (name == u"f") {
      flush();
      Style s = stack.back();
      bool ok = false;
      int id = arg.toInt(&ok);
      if (ok && pm)
        s.font = pm->GetFont(id);
      stack.push_back(s);
    } else if (name == u"a") {
      flush();
      Style s = stack.back();
      s.link = static_cast<int>(links->size());
      links->push_back(arg);
      if (pm)
        s.color = ToQColor(pm->GetDefaultLinkFontColor());
      s.font.setUnderline(true);
      stack.push_back(s);
    } else {
      known = false;
    }
    if (known)
      i = close;
    else
      pending += ch;
  }
  flush();
  return runs;
}

// Greedy wrapping: a run is split where it overflows, preferably after a space.
std::vector<Line> Layout(const std::vector<Run>& runs, qreal max_width, bool wrap, bool single) {
  std::vector<Line> lines(1);
  auto add_metrics = [](Line& line, const QFont& f) {
    QFontMetricsF fm(f);
    line.ascent = std::max(line.ascent, fm.ascent());
    line.descent = std::max(line.descent, fm.descent());
  };
  for (const Run& run : runs) {
    if (run.newline) {
      if (single)
        continue;
      add_metrics(lines.back(), run.style.font);
      lines.emplace_back();
      continue;
    }
    QFontMetricsF fm(run.style.font);
    QString rest = run.text;
    while (!rest.isEmpty()) {
      Line& line = lines.back();
      qreal room = max_width - line.width;
      qreal w = fm.horizontalAdvance(rest);
      if (!wrap || single || w <= room) {
        line.pieces.push_back({rest, run.style, line.width, w});
        line.width += w;
        add_metrics(line, run.style.font);
        break;
      }
      qsizetype fit = 0;
      while (fit < rest.size() && fm.horizontalAdvance(rest.left(fit + 1)) <= room)
        ++fit;
      qsizetype space = rest.left(fit).lastIndexOf(u' ');
      if (space > 0 && rest[fit] != u' ')
        fit = space + 1;
      if (fit == 0 && line.pieces.empty())
        fit = 1;  // always make progress
      if (fit > 0) {
        QString part = rest.left(fit);
        qreal pw = fm.horizontalAdvance(part);
        line.pieces.push_back({part, run.style, line.width, pw});
        line.width += pw;
        add_metrics(line, run.style.font);
        rest = rest.mid(fit);
      }
      if (!rest.isEmpty())
        lines.emplace_back();
    }
  }
  return lines;
}

}  // namespace

void CRenderEngine::DrawHtmlText(HDC dc,
                                 CPaintManagerUI* pm,
                                 RECT& rc,
                                 LPCTSTR text,
                                 DWORD color,
                                 RECT* links,
                                 CDuiString* link_targets,
                                 int* link_count,
                                 int font_id,
                                 UINT style) {
  int capacity = link_count ? *link_count : 0;
  if (link_count)
    *link_count = 0;
  QFont base = pm ? pm->GetFont(font_id) : QFont();
  if (!(color >> 24))
    color |= 0xFF000000u;
  std::vector<QString> targets;
  std::vector<Run> runs = Parse(ToQt(CDuiString(text)), base, ToQColor(color), pm, &targets);
  bool single = style & DT_SINGLELINE;
  qreal width = std::max<qreal>(rc.right - rc.left, 1);
  std::vector<Line> lines = Layout(runs, width, style & DT_WORDBREAK, single);
  QFontMetricsF base_fm(base);
  qreal total = 0, widest = 0;
  for (Line& l : lines) {
    if (l.ascent == 0 && l.descent == 0) {
      l.ascent = base_fm.ascent();
      l.descent = base_fm.descent();
    }
    total += l.ascent + l.descent;
    widest = std::max(widest, l.width);
  }
  if (style & DT_CALCRECT) {
    rc.right = rc.left + static_cast<LONG>(std::ceil(widest));
    rc.bottom = rc.top + static_cast<LONG>(std::ceil(total));
    return;
  }
  qreal y = rc.top;
  qreal height = rc.bottom - rc.top;
  if (style & DT_VCENTER)
    y += (height - total) / 2;
  else if (style & DT_BOTTOM)
    y += height - total;
  if (dc) {
    dc->save();
    dc->setClipRect(QRectF(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top),
                    Qt::IntersectClip);
  }
  int found = 0;
  for (const Line& l : lines) {
    qreal x = rc.left;
    if (style & DT_CENTER)
      x += (width - l.width) / 2;
    else if (style & DT_RIGHT)
      x += width - l.width;
    qreal baseline = y + l.ascent;
    for (const Piece& p : l.pieces) {
      if (dc) {
        dc->setFont(p.style.font);
        dc->setPen(p.style.color);
        dc->drawText(QPointF(x + p.x, baseline), p.text);
      }
      if (p.style.link >= 0 && found < capacity) {
        if (links)
          links[found] = RECT{static_cast<LONG>(x + p.x), static_cast<LONG>(y),
                              static_cast<LONG>(std::ceil(x + p.x + p.width)),
                              static_cast<LONG>(std::ceil(y + l.ascent + l.descent))};
        if (link_targets)
          link_targets[found] = FromQt(targets[static_cast<size_t>(p.style.link)]);
        ++found;
      }
    }
    y += l.ascent + l.descent;
  }
  if (link_count)
    *link_count = found;
  if (dc)
    dc->restore();
}

}  // namespace DuiLib
