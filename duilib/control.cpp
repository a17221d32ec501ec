// CControlUI: place in the tree, state, size limits, invalidation and default event handling.
#include "duilib/control.h"

#include "duilib/paint_manager.h"

namespace DuiLib {

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
  if (m_pManager)
    m_pManager->OnControlRemoved(this);
}

LPVOID CControlUI::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"Control"))
    return this;
  return nullptr;
}

bool CControlUI::Activate() {
  return IsVisible() && IsEnabled();
}

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
  if (m_pManager && m_pManager != manager)
    m_pManager->OnControlRemoved(this);
  m_pManager = manager;
  m_pParent = parent;
  if (init && m_pParent)
    Init();
}

void CControlUI::SetText(LPCTSTR text) {
  if (m_sText == text)
    return;
  m_sText = text;
  Invalidate();
}

void CControlUI::SetToolTip(LPCTSTR text) {
  m_sToolTip = text;
}

void CControlUI::SetBkColor(DWORD color) {
  if (m_dwBackColor == color)
    return;
  m_dwBackColor = color;
  Invalidate();
}

void CControlUI::SetBkColor2(DWORD color) {
  m_dwBackColor2 = color;
  Invalidate();
}

void CControlUI::SetBkImage(LPCTSTR image) {
  if (m_sBkImage == image)
    return;
  m_sBkImage = image;
  Invalidate();
}

void CControlUI::SetBorderColor(DWORD color) {
  m_dwBorderColor = color;
  Invalidate();
}

void CControlUI::SetFocusBorderColor(DWORD color) {
  m_dwFocusBorderColor = color;
  Invalidate();
}

void CControlUI::SetBorderSize(int size) {
  m_nBorderSize = std::max(size, 0);
  Invalidate();
}

void CControlUI::SetBorderRound(SIZE round) {
  m_cxyBorderRound = round;
  Invalidate();
}

void CControlUI::SetPos(RECT rc, bool need_invalidate) {
  if (rc.right < rc.left)
    rc.right = rc.left;
  if (rc.bottom < rc.top)
    rc.bottom = rc.top;
  CDuiRect old(m_rcItem);
  m_rcItem = rc;
  m_bUpdateNeeded = false;
  if (need_invalidate && m_pManager) {
    old.Union(m_rcItem);
    m_pManager->Invalidate(old);
  }
}

void CControlUI::SetPadding(RECT padding) {
  m_rcPadding = padding;
  NeedParentUpdate();
}

void CControlUI::SetFloatPos(RECT pos) {
  m_rcFloat = pos;
  if (pos.right > pos.left)
    m_cxyFixed.cx = pos.right - pos.left;
  if (pos.bottom > pos.top)
    m_cxyFixed.cy = pos.bottom - pos.top;
  NeedParentUpdate();
}

void CControlUI::SetFloat(bool is_float) {
  if (m_bFloat == is_float)
    return;
  m_bFloat = is_float;
  NeedParentUpdate();
}

void CControlUI::SetFixedWidth(int cx) {
  if (cx < 0)
    return;
  m_cxyFixed.cx = cx;
  if (m_bFloat)
    m_rcFloat.right = m_rcFloat.left + cx;
  NeedParentUpdate();
}

void CControlUI::SetFixedHeight(int cy) {
  if (cy < 0)
    return;
  m_cxyFixed.cy = cy;
  if (m_bFloat)
    m_rcFloat.bottom = m_rcFloat.top + cy;
  NeedParentUpdate();
}

void CControlUI::SetMinWidth(int cx) {
  if (cx < 0)
    return;
  m_cxyMin.cx = cx;
  NeedParentUpdate();
}

void CControlUI::SetMaxWidth(int cx) {
  if (cx < 0)
    return;
  m_cxyMax.cx = cx;
  NeedParentUpdate();
}

void CControlUI::SetMinHeight(int cy) {
  if (cy < 0)
    return;
  m_cxyMin.cy = cy;
  NeedParentUpdate();
}

void CControlUI::SetMaxHeight(int cy) {
  if (cy < 0)
    return;
  m_cxyMax.cy = cy;
  NeedParentUpdate();
}

SIZE CControlUI::EstimateSize(SIZE) {
  return m_cxyFixed;
}

void CControlUI::SetVisible(bool visible) {
  if (m_bVisible == visible)
    return;
  bool was = IsVisible();
  m_bVisible = visible;
  if (m_bFocused && !visible && m_pManager)
    m_pManager->SetFocus(nullptr);
  if (IsVisible() != was)
    NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool visible) {
  m_bInternVisible = visible;
  if (!visible && m_bFocused && m_pManager)
    m_pManager->SetFocus(nullptr);
}

void CControlUI::SetEnabled(bool enabled) {
  if (m_bEnabled == enabled)
    return;
  m_bEnabled = enabled;
  if (enabled)
    m_uButtonState &= ~UISTATE_DISABLED;
  else
    m_uButtonState = (m_uButtonState & UISTATE_SELECTED) | UISTATE_DISABLED;
  Invalidate();
}

void CControlUI::SetMouseEnabled(bool enabled) {
  m_bMouseEnabled = enabled;
}

void CControlUI::SetKeyboardEnabled(bool enabled) {
  m_bKeyboardEnabled = enabled;
}

void CControlUI::SetFocus() {
  if (m_pManager)
    m_pManager->SetFocus(this);
}

CControlUI* CControlUI::FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags) {
  if ((flags & UIFIND_VISIBLE) && !IsVisible())
    return nullptr;
  if ((flags & UIFIND_ENABLED) && !IsEnabled())
    return nullptr;
  if ((flags & UIFIND_HITTEST) &&
      (!m_bMouseEnabled || !CDuiRect(m_rcItem).PtInRect(*static_cast<POINT*>(data))))
    return nullptr;
  if ((flags & UIFIND_UPDATETEST) && !m_bUpdateNeeded)
    return nullptr;
  return proc(this, data);
}

void CControlUI::Invalidate() {
  if (!IsVisible() || !m_pManager)
    return;
  CDuiRect rc(m_rcItem);
  // Clip to the visible part of every ancestor.
  for (CControlUI* p = m_pParent; p; p = p->GetParent()) {
    if (!rc.Intersect(p->GetPos()))
      return;
  }
  m_pManager->Invalidate(rc);
}

void CControlUI::NeedUpdate() {
  if (!IsVisible())
    return;
  m_bUpdateNeeded = true;
  Invalidate();
  if (m_pManager)
    m_pManager->NeedUpdate();
}

void CControlUI::NeedParentUpdate() {
  if (m_pParent) {
    m_pParent->NeedUpdate();
    m_pParent->Invalidate();
  } else {
    NeedUpdate();
  }
  if (m_pManager)
    m_pManager->NeedUpdate();
}

void CControlUI::Init() {
  DoInit();
}

void CControlUI::Event(TEventUI& event) {
  DoEvent(event);
}

void CControlUI::DoEvent(TEventUI& event) {
  if (event.Type == UIEVENT_SETCURSOR) {
    if (m_pManager)
      m_pManager->SetCursorFor(this);
    return;
  }
  if (event.Type == UIEVENT_SETFOCUS) {
    m_bFocused = true;
    Invalidate();
    return;
  }
  if (event.Type == UIEVENT_KILLFOCUS) {
    m_bFocused = false;
    Invalidate();
    return;
  }
  if (event.Type == UIEVENT_TIMER) {
    if (m_pManager)
      m_pManager->SendNotify(this, DUI_MSGTYPE_TIMER, event.wParam, event.lParam);
    return;
  }
  if (m_pParent)
    m_pParent->DoEvent(event);
}

}  // namespace DuiLib
