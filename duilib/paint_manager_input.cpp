// CPaintManagerUI's input state: keyboard focus and tab order, mouse capture, the cursor, and
// control timers carried by window timers.
#include <QWidget>
#include <algorithm>

#include "duilib/paint_manager.h"
#include "duilib/win_api.h"

namespace DuiLib {

void CPaintManagerUI::SetFocus(CControlUI* control) {
  if (control == m_pFocus)
    return;
  CControlUI* old = m_pFocus;
  m_pFocus = nullptr;
  if (old) {
    TEventUI e;
    e.Type = UIEVENT_KILLFOCUS;
    e.pSender = control;
    e.dwTimestamp = EventTimestamp();
    old->Event(e);
    SendNotify(old, DUI_MSGTYPE_KILLFOCUS);
  }
  if (control && control->GetManager() == this && control->IsVisible() && control->IsEnabled()) {
    m_pFocus = control;
    TEventUI e;
    e.Type = UIEVENT_SETFOCUS;
    e.pSender = control;
    e.dwTimestamp = EventTimestamp();
    control->Event(e);
    SendNotify(control, DUI_MSGTYPE_SETFOCUS);
  }
}

bool CPaintManagerUI::SetNextTabControl(bool forward) {
  if (!m_pRoot)
    return false;
  std::vector<CControlUI*> stops;
  auto collect = [](CControlUI* c, LPVOID data) -> CControlUI* {
    if ((c->GetControlFlags() & UIFLAG_TABSTOP) && c->IsVisible() && c->IsEnabled() &&
        c->IsKeyboardEnabled())
      static_cast<std::vector<CControlUI*>*>(data)->push_back(c);
    return nullptr;
  };
  m_pRoot->FindControl(collect, &stops, UIFIND_VISIBLE | UIFIND_ENABLED);
  if (stops.empty())
    return false;
  auto it = std::find(stops.begin(), stops.end(), m_pFocus);
  size_t index;
  if (it == stops.end())
    index = forward ? 0 : stops.size() - 1;
  else
    index =
        (static_cast<size_t>(it - stops.begin()) + (forward ? 1 : stops.size() - 1)) % stops.size();
  SetFocus(stops[index]);
  return true;
}

void CPaintManagerUI::SetCapture() {
  DuiLib::SetCapture(m_hWndPaint);
  m_bMouseCapture = true;
}

void CPaintManagerUI::ReleaseCapture() {
  if (GetCapture() == m_hWndPaint)
    DuiLib::ReleaseCapture();
  m_bMouseCapture = false;
}

bool CPaintManagerUI::SetTimer(CControlUI* control, UINT id, UINT elapse_ms) {
  if (!control || !m_hWndPaint)
    return false;
  for (TimerInfo& t : m_aTimers) {
    if (t.control == control && t.local_id == id)
      return DuiLib::SetTimer(m_hWndPaint, t.window_id, elapse_ms) != 0;
  }
  UINT_PTR window_id = ++m_uNextTimerId;
  if (!DuiLib::SetTimer(m_hWndPaint, window_id, elapse_ms))
    return false;
  m_aTimers.push_back({control, id, window_id});
  return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* control, UINT id) {
  for (auto it = m_aTimers.begin(); it != m_aTimers.end(); ++it) {
    if (it->control == control && it->local_id == id) {
      DuiLib::KillTimer(m_hWndPaint, it->window_id);
      m_aTimers.erase(it);
      return true;
    }
  }
  return false;
}

void CPaintManagerUI::KillTimer(CControlUI* control) {
  for (auto it = m_aTimers.begin(); it != m_aTimers.end();) {
    if (it->control == control) {
      DuiLib::KillTimer(m_hWndPaint, it->window_id);
      it = m_aTimers.erase(it);
    } else {
      ++it;
    }
  }
}

void CPaintManagerUI::SetCursorFor(CControlUI* control) {
  QWidget* w = WidgetFromHwnd(m_hWndPaint);
  if (!w)
    return;
  Qt::CursorShape shape = control && control->IsEnabled() ? control->GetCursor() : Qt::ArrowCursor;
  if (w->cursor().shape() != shape)
    w->setCursor(shape);
}

}  // namespace DuiLib
