// CPaintManagerUI::MessageHandler: window messages become control events.
#include <QGuiApplication>
#include <QWidget>

#include "duilib/paint_manager.h"
#include "duilib/win_api.h"

namespace DuiLib {
namespace {

TEventUI MakeEvent(int type, CControlUI* sender, POINT pt, WPARAM key_state) {
  TEventUI e;
  e.Type = type;
  e.pSender = sender;
  e.ptMouse = pt;
  e.wKeyState = static_cast<WORD>(key_state);
  e.dwTimestamp = EventTimestamp();
  return e;
}

// The first filter that handles the message answers it. Works on a copy: a filter may remove
// itself (or others) while it runs.
bool RunFilters(std::vector<IMessageFilterUI*> filters,
                UINT msg,
                WPARAM wparam,
                LPARAM lparam,
                LRESULT& result) {
  for (IMessageFilterUI* f : filters) {
    bool handled = false;
    LRESULT r = f->MessageHandler(msg, wparam, lparam, handled);
    if (handled) {
      result = r;
      return true;
    }
  }
  return false;
}

// The control at a client point, unless it belongs to another manager (a sub-window's).
CControlUI* OwnControlAt(const CPaintManagerUI* pm, POINT pt) {
  CControlUI* c = pm->FindControl(pt);
  return c && c->GetManager() == pm ? c : nullptr;
}

}  // namespace

bool CPaintManagerUI::PreMessageHandler(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  return RunFilters(m_aPreMessageFilters, msg, wparam, lparam, result);
}

void CPaintManagerUI::UpdateHover(POINT pt) {
  CControlUI* now = OwnControlAt(this, pt);
  if (now == m_pEventHover) {
    // A control's tooltip may change under the pointer (a list row whose text grew).
    RefreshToolTip();
    return;
  }
  CControlUI* old = m_pEventHover;
  m_pEventHover = now;
  if (old) {
    TEventUI e = MakeEvent(UIEVENT_MOUSELEAVE, old, pt, 0);
    old->Event(e);
  }
  if (now && m_pEventHover == now) {
    TEventUI e = MakeEvent(UIEVENT_MOUSEENTER, now, pt, 0);
    now->Event(e);
  }
  RefreshToolTip();
  SetCursorFor(m_pEventHover);
}

void CPaintManagerUI::RefreshToolTip() {
  if (QWidget* w = WidgetFromHwnd(m_hWndPaint)) {
    QString tip =
        m_pEventHover ? QString::fromUtf16(m_pEventHover->GetToolTip().GetData()) : QString();
    if (w->toolTip() != tip)
      w->setToolTip(tip);
  }
}

bool CPaintManagerUI::MessageHandler(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  if (!m_hWndPaint)
    return false;
  // Message filters see everything first and may swallow it.
  if (RunFilters(m_aMessageFilters, msg, wparam, lparam, result))
    return true;
  switch (msg) {
    case WM_PAINT: {
      HDC dc = GetPaintDC();
      if (!m_pRoot || !dc)
        return false;
      Paint(dc);
      result = 0;
      return true;
    }
    case WM_SIZE:
      if (m_pFocus) {
        TEventUI e = MakeEvent(UIEVENT_WINDOWSIZE, m_pFocus, m_ptLastMousePos, 0);
        m_pFocus->Event(e);
      }
      NeedUpdate();
      return false;
    case WM_TIMER:
      for (const TimerInfo& t : m_aTimers) {
        if (t.window_id == wparam) {
          TEventUI e = MakeEvent(UIEVENT_TIMER, t.control, m_ptLastMousePos, 0);
          e.wParam = t.local_id;
          t.control->Event(e);
          result = 0;
          return true;
        }
      }
      return false;
    case WM_MOUSEMOVE: {
      UpdateLayout();
      POINT pt{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      m_ptLastMousePos = pt;
      UpdateHover(pt);
      CControlUI* target = m_pEventClick ? m_pEventClick : m_pEventHover;
      if (target) {
        TEventUI e = MakeEvent(UIEVENT_MOUSEMOVE, target, pt, wparam);
        target->Event(e);
      }
      return false;
    }
    case WM_MOUSELEAVE: {
      if (m_pEventHover && !m_pEventClick) {
        CControlUI* old = m_pEventHover;
        m_pEventHover = nullptr;
        TEventUI e = MakeEvent(UIEVENT_MOUSELEAVE, old, m_ptLastMousePos, 0);
        old->Event(e);
      }
      return false;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      UpdateLayout();
      POINT pt{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      m_ptLastMousePos = pt;
      CControlUI* c = OwnControlAt(this, pt);
      if (!c)
        return false;
      m_pEventClick = c;
      c->SetFocus();
      if (m_pEventClick != c)
        return false;  // the focus change removed it
      SetCapture();
      TEventUI e =
          MakeEvent(msg == WM_LBUTTONDOWN ? UIEVENT_BUTTONDOWN : UIEVENT_DBLCLICK, c, pt, wparam);
      c->Event(e);
      return false;
    }
    case WM_LBUTTONUP: {
      POINT pt{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      m_ptLastMousePos = pt;
      CControlUI* c = m_pEventClick;
      m_pEventClick = nullptr;
      ReleaseCapture();
      if (!c)
        return false;
      TEventUI e = MakeEvent(UIEVENT_BUTTONUP, c, pt, wparam);
      c->Event(e);
      return false;
    }
    case WM_RBUTTONDOWN: {
      UpdateLayout();
      POINT pt{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      m_ptLastMousePos = pt;
      CControlUI* c = OwnControlAt(this, pt);
      if (!c)
        return false;
      c->SetFocus();
      TEventUI e = MakeEvent(UIEVENT_RBUTTONDOWN, c, pt, wparam);
      c->Event(e);
      return false;
    }
    case WM_CONTEXTMENU: {
      POINT pt{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      ScreenToClient(m_hWndPaint, &pt);
      CControlUI* c = OwnControlAt(this, pt);
      if (!c)
        return false;
      TEventUI e = MakeEvent(UIEVENT_CONTEXTMENU, c, pt, 0);
      e.lParam = reinterpret_cast<LPARAM>(c);
      c->Event(e);
      return false;
    }
    case WM_MOUSEWHEEL: {
      POINT pt{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      ScreenToClient(m_hWndPaint, &pt);
      CControlUI* c = OwnControlAt(this, pt);
      if (!c)
        return false;
      TEventUI e = MakeEvent(UIEVENT_SCROLLWHEEL, c, pt, LOWORD(wparam));
      int delta = static_cast<short>(HIWORD(wparam));
      e.wParam = delta > 0 ? 0 : 1;  // line up / line down
      e.lParam = delta;
      c->Event(e);
      return false;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR: {
      if (msg == WM_KEYDOWN && wparam == VK_TAB) {
        SetNextTabControl(!(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier));
        return true;
      }
      if (!m_pFocus)
        return false;
      TEventUI e = MakeEvent(
          msg == WM_KEYDOWN ? UIEVENT_KEYDOWN : (msg == WM_KEYUP ? UIEVENT_KEYUP : UIEVENT_CHAR),
          m_pFocus, m_ptLastMousePos, 0);
      e.chKey = static_cast<TCHAR>(wparam);
      e.wParam = wparam;
      e.lParam = lparam;
      m_pFocus->Event(e);
      return false;
    }
    case WM_KILLFOCUS:
      if (m_pEventClick) {
        TEventUI e = MakeEvent(UIEVENT_BUTTONUP, m_pEventClick, POINT{-1, -1}, 0);
        CControlUI* c = m_pEventClick;
        m_pEventClick = nullptr;
        c->Event(e);
      }
      return false;
    case WM_CLOSE:
      SetFocus(nullptr);
      if (m_pEventHover) {
        CControlUI* old = m_pEventHover;
        m_pEventHover = nullptr;
        TEventUI e = MakeEvent(UIEVENT_MOUSELEAVE, old, m_ptLastMousePos, 0);
        old->Event(e);
      }
      return false;
    default:
      return false;
  }
}

}  // namespace DuiLib
