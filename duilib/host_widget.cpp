#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QWindow>

#include "duilib/window_record.h"

namespace DuiLib {
namespace {

WPARAM KeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
  WPARAM w = 0;
  if (buttons & Qt::LeftButton)
    w |= MK_LBUTTON;
  if (buttons & Qt::RightButton)
    w |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton)
    w |= MK_MBUTTON;
  if (mods & Qt::ShiftModifier)
    w |= MK_SHIFT;
  if (mods & Qt::ControlModifier)
    w |= MK_CONTROL;
  return w;
}

UINT VirtualKey(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z)
    return static_cast<UINT>('A' + (key - Qt::Key_A));
  if (key >= Qt::Key_0 && key <= Qt::Key_9)
    return static_cast<UINT>('0' + (key - Qt::Key_0));
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
    return VK_F1 + static_cast<UINT>(key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace:
      return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return VK_RETURN;
    case Qt::Key_Shift:
      return VK_SHIFT;
    case Qt::Key_Control:
      return VK_CONTROL;
    case Qt::Key_Alt:
      return VK_MENU;
    case Qt::Key_Escape:
      return VK_ESCAPE;
    case Qt::Key_Space:
      return VK_SPACE;
    case Qt::Key_PageUp:
      return VK_PRIOR;
    case Qt::Key_PageDown:
      return VK_NEXT;
    case Qt::Key_End:
      return VK_END;
    case Qt::Key_Home:
      return VK_HOME;
    case Qt::Key_Left:
      return VK_LEFT;
    case Qt::Key_Up:
      return VK_UP;
    case Qt::Key_Right:
      return VK_RIGHT;
    case Qt::Key_Down:
      return VK_DOWN;
    case Qt::Key_Delete:
      return VK_DELETE;
    default:
      return 0;
  }
}

LPARAM PointParam(const QPointF& p) {
  return MAKELPARAM(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
}

}  // namespace

HostWidget::HostWidget(HWND hwnd) : hwnd_(hwnd) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  // The framework paints every pixel itself; Qt need not clear first.
  setAttribute(Qt::WA_OpaquePaintEvent, true);
}

LRESULT HostWidget::Send(UINT msg, WPARAM w, LPARAM l) {
  return hwnd_ ? SendMessage(hwnd_, msg, w, l) : 0;
}

bool HostWidget::event(QEvent* e) {
  if (!hwnd_)
    return QWidget::event(e);
  switch (e->type()) {
    case QEvent::MouseMove: {
      auto* me = static_cast<QMouseEvent*>(e);
      Send(WM_MOUSEMOVE, KeyState(me->buttons(), me->modifiers()), PointParam(me->position()));
      return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
      auto* me = static_cast<QMouseEvent*>(e);
      int kind = e->type() == QEvent::MouseButtonPress     ? 0
                 : e->type() == QEvent::MouseButtonRelease ? 1
                                                           : 2;
      UINT msg = 0;
      if (me->button() == Qt::LeftButton)
        msg = WM_LBUTTONDOWN + static_cast<UINT>(kind);
      else if (me->button() == Qt::RightButton)
        msg = WM_RBUTTONDOWN + static_cast<UINT>(kind);
      else if (me->button() == Qt::MiddleButton && kind < 2)
        msg = WM_MBUTTONDOWN + static_cast<UINT>(kind);
      if (msg)
        Send(msg, KeyState(me->buttons(), me->modifiers()), PointParam(me->position()));
      return true;
    }
    case QEvent::Wheel: {
      auto* we = static_cast<QWheelEvent*>(e);
      int delta = we->angleDelta().y();
      WPARAM w = (static_cast<WPARAM>(static_cast<WORD>(static_cast<short>(delta))) << 16) |
                 KeyState(we->buttons(), we->modifiers());
      Send(WM_MOUSEWHEEL, w, PointParam(we->globalPosition()));
      return true;
    }
    case QEvent::Leave:
      Send(WM_MOUSELEAVE, 0, 0);
      return true;
    case QEvent::ContextMenu: {
      auto* ce = static_cast<QContextMenuEvent*>(e);
      Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd_),
           MAKELPARAM(ce->globalPos().x(), ce->globalPos().y()));
      return true;
    }
    case QEvent::KeyPress: {
      auto* ke = static_cast<QKeyEvent*>(e);
      UINT vk = VirtualKey(ke->key());
      if (vk)
        Send(WM_KEYDOWN, vk, 0);
      if (!ke->text().isEmpty() && ke->text().at(0).isPrint())
        Send(WM_CHAR, ke->text().at(0).unicode(), 0);
      return true;
    }
    case QEvent::KeyRelease: {
      UINT vk = VirtualKey(static_cast<QKeyEvent*>(e)->key());
      if (vk)
        Send(WM_KEYUP, vk, 0);
      return true;
    }
    case QEvent::FocusIn:
      Send(WM_SETFOCUS, 0, 0);
      return true;
    case QEvent::FocusOut: {
      // Focus that moves to an editor inside this window is not a loss of focus.
      QWidget* now = QApplication::focusWidget();
      if (!now || !isAncestorOf(now))
        Send(WM_KILLFOCUS, 0, 0);
      return true;
    }
    case QEvent::WindowActivate:
      // A click-through window is never active (some platforms activate every window they
      // show): the activation goes back to its owner.
      if (WindowRecord* rec = FindRecord(hwnd_); rec && (rec->ex_style & WS_EX_TRANSPARENT)) {
        if (HWND owner = GetWindowOwner(hwnd_))
          SetForegroundWindow(owner);
        return true;
      }
      Send(WM_ACTIVATE, WA_ACTIVE, 0);
      Send(WM_NCACTIVATE, 1, 0);
      return true;
    case QEvent::WindowDeactivate:
      Send(WM_ACTIVATE, WA_INACTIVE, 0);
      Send(WM_NCACTIVATE, 0, 0);
      return true;
    case QEvent::Close:
      // Closing is the window procedure's decision: WM_CLOSE, whose default destroys.
      e->ignore();
      Send(WM_CLOSE, 0, 0);
      return true;
    case QEvent::Move:
      if (!quiet)
        Send(WM_MOVE, 0, MAKELPARAM(x(), y()));
      return QWidget::event(e);
    case QEvent::Resize:
      if (!quiet) {
        WPARAM kind =
            isMinimized() ? SIZE_MINIMIZED : (isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED);
        Send(WM_SIZE, kind, MAKELPARAM(width(), height()));
      }
      return QWidget::event(e);
    default:
      return QWidget::event(e);
  }
}

void HostWidget::paintEvent(QPaintEvent*) {
  WindowRecord* rec = FindRecord(hwnd_);
  if (!rec)
    return;
  QPainter painter(this);
  rec->painter = &painter;
  SendMessage(hwnd_, WM_PAINT, 0, 0);
  // The record may be gone if the paint destroyed the window.
  if (WindowRecord* again = FindRecord(hwnd_))
    again->painter = nullptr;
}

void HostWidget::timerEvent(QTimerEvent* e) {
  WindowRecord* rec = FindRecord(hwnd_);
  if (!rec)
    return;
  for (const auto& [id, qt_id] : rec->timers) {
    if (qt_id == e->timerId()) {
      Send(WM_TIMER, id, 0);
      return;
    }
  }
}

}  // namespace DuiLib
