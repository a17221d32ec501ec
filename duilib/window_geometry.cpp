// Showing, geometry, owners, the cursor, capture and layered windows.
#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QWindow>

#include "duilib/qt_convert.h"
#include "duilib/window_record.h"

namespace DuiLib {
namespace {

HWND g_capture = nullptr;

// The offscreen platform has no stacking and says so on every call.
void RaiseWidget(QWidget* w) {
  if (QGuiApplication::platformName() != QLatin1String("offscreen"))
    w->raise();
}

// Moves/resizes without WM_MOVE/WM_SIZE when `quiet`.
void Place(HostWidget* w, const QRect& g, bool quiet) {
  bool was = w->quiet;
  w->quiet = quiet;
  w->setGeometry(g);
  w->quiet = was;
}

}  // namespace

bool ShowWindow(HWND hwnd, int cmd) {
  WindowRecord* rec = FindRecord(hwnd);
  if (!rec || !rec->widget)
    return false;
  HostWidget* w = rec->widget;
  bool was_visible = w->isVisible();
  if (cmd == SW_HIDE) {
    if (was_visible) {
      SendMessage(hwnd, WM_SHOWWINDOW, 0, 0);
      if (!FindRecord(hwnd))
        return true;
      w->hide();
    }
    return was_visible;
  }
  if (!was_visible) {
    SendMessage(hwnd, WM_SHOWWINDOW, 1, 0);
    if (!FindRecord(hwnd))
      return false;
  }
  bool activate = cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE && cmd != SW_MINIMIZE &&
                  !(rec->ex_style & WS_EX_TRANSPARENT);
  w->setAttribute(Qt::WA_ShowWithoutActivating, !activate);
  switch (cmd) {
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
      w->showMinimized();
      break;
    case SW_SHOWMAXIMIZED:
      w->showMaximized();
      break;
    case SW_RESTORE:
      w->showNormal();
      break;
    case SW_SHOWNORMAL:
      // Showing "normal" brings a minimized window back, as on the system this stands for.
      if (w->isMinimized())
        w->showNormal();
      else
        w->show();
      break;
    default:
      w->show();
      break;
  }
  if (activate) {
    RaiseWidget(w);
    w->activateWindow();
  }
  return was_visible;
}

bool IsWindowVisible(HWND hwnd) {
  QWidget* w = WidgetFromHwnd(hwnd);
  return w && w->isVisible();
}

bool IsIconic(HWND hwnd) {
  QWidget* w = WidgetFromHwnd(hwnd);
  return w && w->isMinimized();
}

bool IsZoomed(HWND hwnd) {
  QWidget* w = WidgetFromHwnd(hwnd);
  return w && w->isMaximized();
}

bool EnableWindow(HWND hwnd, bool enable) {
  QWidget* w = WidgetFromHwnd(hwnd);
  if (!w)
    return false;
  bool was_disabled = !w->isEnabled();
  w->setEnabled(enable);
  return was_disabled;
}

bool IsWindowEnabled(HWND hwnd) {
  QWidget* w = WidgetFromHwnd(hwnd);
  return w && w->isEnabled();
}

bool SetWindowText(HWND hwnd, LPCTSTR text) {
  QWidget* w = WidgetFromHwnd(hwnd);
  if (!w)
    return false;
  w->setWindowTitle(ToQt(CDuiString(text)));
  return true;
}

bool SetForegroundWindow(HWND hwnd) {
  QWidget* w = WidgetFromHwnd(hwnd);
  if (!w)
    return false;
  RaiseWidget(w);
  w->activateWindow();
  return true;
}

HWND GetForegroundWindow() {
  return HwndFromWidget(QApplication::activeWindow());
}

bool SetFocus(HWND hwnd) {
  QWidget* w = WidgetFromHwnd(hwnd);
  if (!w)
    return false;
  w->setFocus(Qt::OtherFocusReason);
  return true;
}

bool GetWindowRect(HWND hwnd, RECT* rc) {
  QWidget* w = WidgetFromHwnd(hwnd);
  if (!w || !rc)
    return false;
  *rc = FromQt(w->geometry());
  return true;
}

bool GetClientRect(HWND hwnd, RECT* rc) {
  QWidget* w = WidgetFromHwnd(hwnd);
  if (!w || !rc)
    return false;
  *rc = RECT{0, 0, w->width(), w->height()};
  return true;
}

bool MoveWindow(HWND hwnd, int x, int y, int cx, int cy, bool repaint) {
  WindowRecord* rec = FindRecord(hwnd);
  if (!rec || !rec->widget)
    return false;
  Place(rec->widget, QRect(x, y, std::max(cx, 0), std::max(cy, 0)), false);
  if (repaint)
    rec->widget->update();
  return true;
}

bool SetWindowPos(HWND hwnd, HWND insert_after, int x, int y, int cx, int cy, UINT flags) {
  WindowRecord* rec = FindRecord(hwnd);
  if (!rec || !rec->widget)
    return false;
  HostWidget* w = rec->widget;
  if (!(flags & SWP_NOZORDER)) {
    if (insert_after == HWND_TOPMOST || insert_after == HWND_NOTOPMOST) {
      DWORD ex = insert_after == HWND_TOPMOST ? (rec->ex_style | WS_EX_TOPMOST)
                                              : (rec->ex_style & ~WS_EX_TOPMOST);
      if (ex != rec->ex_style)
        SetWindowLongPtr(hwnd, GWL_EXSTYLE, static_cast<LPARAM>(ex));
    }
    if (insert_after == HWND_TOP || insert_after == HWND_TOPMOST)
      RaiseWidget(w);
  }
  QRect g = w->geometry();
  if (!(flags & SWP_NOMOVE))
    g.moveTo(x, y);
  if (!(flags & SWP_NOSIZE))
    g.setSize(QSize(std::max(cx, 0), std::max(cy, 0)));
  if (g != w->geometry())
    Place(w, g, false);
  if (flags & SWP_SHOWWINDOW)
    ShowWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  else if (flags & SWP_HIDEWINDOW)
    ShowWindow(hwnd, SW_HIDE);
  if (!(flags & SWP_NOREDRAW))
    w->update();
  return true;
}

bool ClientToScreen(HWND hwnd, POINT* pt) {
  QWidget* w = WidgetFromHwnd(hwnd);
  if (!w || !pt)
    return false;
  pt->x += w->x();
  pt->y += w->y();
  return true;
}

bool ScreenToClient(HWND hwnd, POINT* pt) {
  QWidget* w = WidgetFromHwnd(hwnd);
  if (!w || !pt)
    return false;
  pt->x -= w->x();
  pt->y -= w->y();
  return true;
}

bool InvalidateRect(HWND hwnd, const RECT* rc, bool) {
  QWidget* w = WidgetFromHwnd(hwnd);
  if (!w)
    return false;
  if (rc)
    w->update(ToQt(*rc));
  else
    w->update();
  return true;
}

bool UpdateWindow(HWND hwnd) {
  QWidget* w = WidgetFromHwnd(hwnd);
  if (!w)
    return false;
  w->repaint();
  return true;
}

HWND GetParent(HWND hwnd) {
  return GetWindowOwner(hwnd);
}

HWND GetWindowOwner(HWND hwnd) {
  WindowRecord* rec = FindRecord(hwnd);
  return rec && FindRecord(rec->owner) ? rec->owner : nullptr;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  if (!FindRecord(hwnd))
    return nullptr;
  if (flags == GA_PARENT)
    return GetWindowOwner(hwnd);
  HWND h = hwnd;
  while (HWND o = GetWindowOwner(h))
    h = o;
  return h;
}

bool GetPrimaryWorkArea(RECT* rc) {
  QScreen* s = QGuiApplication::primaryScreen();
  if (!s || !rc)
    return false;
  *rc = FromQt(s->availableGeometry());
  return true;
}

bool GetCursorPos(POINT* pt) {
  if (!pt)
    return false;
  QPoint p = QCursor::pos();
  *pt = POINT{p.x(), p.y()};
  return true;
}

bool SetCursorPos(int x, int y) {
  QCursor::setPos(x, y);
  return true;
}

HWND WindowFromPoint(POINT pt) {
  QPoint p(pt.x, pt.y);
  if (HWND h = HwndFromWidget(QApplication::topLevelAt(p))) {
    WindowRecord* rec = FindRecord(h);
    if (rec && !(rec->ex_style & WS_EX_TRANSPARENT) &&
        (!rec->region || rec->region->contains(p - rec->widget->pos())))
      return h;
  }
  // Qt also skips input-transparent windows; walk the rest newest first.
  const QWidgetList all = QApplication::topLevelWidgets();
  for (auto it = all.rbegin(); it != all.rend(); ++it) {
    HWND h = HwndFromWidget(*it);
    WindowRecord* rec = FindRecord(h);
    if (!rec || !(*it)->isVisible() || (rec->ex_style & WS_EX_TRANSPARENT) ||
        !(*it)->geometry().contains(p))
      continue;
    if (rec->region && !rec->region->contains(p - (*it)->pos()))
      continue;
    return h;
  }
  return nullptr;
}

HWND SetCapture(HWND hwnd) {
  HWND old = g_capture;
  QWidget* w = WidgetFromHwnd(hwnd);
  if (!w)
    return old;
  if (QWidget* prev = WidgetFromHwnd(g_capture); prev && prev != w)
    prev->releaseMouse();
  g_capture = hwnd;
  if (w->isVisible())
    w->grabMouse();
  return FindRecord(old) ? old : nullptr;
}

bool ReleaseCapture() {
  if (QWidget* w = WidgetFromHwnd(g_capture))
    w->releaseMouse();
  g_capture = nullptr;
  return true;
}

HWND GetCapture() {
  return FindRecord(g_capture) ? g_capture : nullptr;
}

bool UpdateLayeredWindow(HWND hwnd,
                         const POINT* dst,
                         const SIZE* size,
                         const DWORD* pixels,
                         bool bottom_up) {
  WindowRecord* rec = FindRecord(hwnd);
  if (!rec || !rec->widget || !(rec->ex_style & WS_EX_LAYERED) || !size || !pixels ||
      size->cx <= 0 || size->cy <= 0)
    return false;
  QImage img(size->cx, size->cy, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < size->cy; ++y) {
    int src_row = bottom_up ? size->cy - 1 - y : y;
    std::memcpy(img.scanLine(y), pixels + static_cast<size_t>(src_row) * size->cx,
                static_cast<size_t>(size->cx) * 4);
  }
  rec->layered = std::move(img);
  QRect g = rec->widget->geometry();
  if (dst)
    g.moveTo(dst->x, dst->y);
  g.setSize(QSize(size->cx, size->cy));
  Place(rec->widget, g, false);
  rec->widget->update();
  return true;
}

}  // namespace DuiLib
