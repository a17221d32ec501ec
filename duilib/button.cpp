#include "duilib/button.h"

#include "duilib/paint_manager.h"
#include "duilib/render_engine.h"

namespace DuiLib {

CButtonUI::CButtonUI() {
  m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
  m_cursor = Qt::PointingHandCursor;
}

LPVOID CButtonUI::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"Button"))
    return this;
  return CLabelUI::GetInterface(name);
}

UINT CButtonUI::GetControlFlags() const {
  return (IsKeyboardEnabled() ? UIFLAG_TABSTOP : 0) | (IsEnabled() ? UIFLAG_SETCURSOR : 0);
}

bool CButtonUI::Activate() {
  if (!CControlUI::Activate())
    return false;
  if (m_pManager)
    m_pManager->SendNotify(this, DUI_MSGTYPE_CLICK);
  return true;
}

void CButtonUI::SetEnabled(bool enabled) {
  CControlUI::SetEnabled(enabled);
  if (!enabled)
    m_uButtonState &= ~(UISTATE_HOT | UISTATE_PUSHED | UISTATE_CAPTURED);
}

void CButtonUI::DoEvent(TEventUI& event) {
  if (!IsMouseEnabled() && event.Type > UIEVENT__MOUSEBEGIN && event.Type < UIEVENT__MOUSEEND) {
    if (m_pParent)
      m_pParent->DoEvent(event);
    else
      CLabelUI::DoEvent(event);
    return;
  }
  switch (event.Type) {
    case UIEVENT_SETFOCUS:
    case UIEVENT_KILLFOCUS:
      CLabelUI::DoEvent(event);
      return;
    case UIEVENT_KEYDOWN:
      if (IsKeyboardEnabled() && (event.chKey == VK_SPACE || event.chKey == VK_RETURN)) {
        Activate();
        return;
      }
      break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      if (CDuiRect(m_rcItem).PtInRect(event.ptMouse) && IsEnabled()) {
        m_uButtonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
        Invalidate();
      }
      return;
    case UIEVENT_MOUSEMOVE:
      if (m_uButtonState & UISTATE_CAPTURED) {
        bool inside = CDuiRect(m_rcItem).PtInRect(event.ptMouse);
        UINT old = m_uButtonState;
        if (inside)
          m_uButtonState |= UISTATE_PUSHED;
        else
          m_uButtonState &= ~UISTATE_PUSHED;
        if (old != m_uButtonState)
          Invalidate();
      }
      return;
    case UIEVENT_BUTTONUP:
      if (m_uButtonState & UISTATE_CAPTURED) {
        bool inside = CDuiRect(m_rcItem).PtInRect(event.ptMouse);
        m_uButtonState &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
        Invalidate();
        if (inside)
          Activate();
      }
      return;
    case UIEVENT_MOUSEENTER:
      if (IsEnabled()) {
        m_uButtonState |= UISTATE_HOT;
        Invalidate();
      }
      return;
    case UIEVENT_MOUSELEAVE:
      if (IsEnabled()) {
        m_uButtonState &= ~UISTATE_HOT;
        Invalidate();
      }
      return;
    case UIEVENT_SETCURSOR:
      if (m_pManager)
        m_pManager->SetCursorFor(this);
      return;
    default:
      break;
  }
  CLabelUI::DoEvent(event);
}

void CButtonUI::SetNormalImage(LPCTSTR image) {
  m_sNormalImage = image;
  Invalidate();
}
void CButtonUI::SetHotImage(LPCTSTR image) {
  m_sHotImage = image;
  Invalidate();
}
void CButtonUI::SetPushedImage(LPCTSTR image) {
  m_sPushedImage = image;
  Invalidate();
}
void CButtonUI::SetFocusedImage(LPCTSTR image) {
  m_sFocusedImage = image;
  Invalidate();
}
void CButtonUI::SetDisabledImage(LPCTSTR image) {
  m_sDisabledImage = image;
  Invalidate();
}

DWORD CButtonUI::CurrentTextColor() const {
  if (IsEnabled()) {
    if ((m_uButtonState & UISTATE_PUSHED) && m_dwPushedTextColor)
      return m_dwPushedTextColor;
    if ((m_uButtonState & UISTATE_HOT) && m_dwHotTextColor)
      return m_dwHotTextColor;
    if (IsFocused() && m_dwFocusedTextColor)
      return m_dwFocusedTextColor;
  }
  return CLabelUI::CurrentTextColor();
}

void CButtonUI::PaintBkColor(HDC dc) {
  DWORD saved = m_dwBackColor;
  if (IsEnabled()) {
    if ((m_uButtonState & UISTATE_PUSHED) && m_dwPushedBkColor)
      m_dwBackColor = m_dwPushedBkColor;
    else if ((m_uButtonState & UISTATE_HOT) && m_dwHotBkColor)
      m_dwBackColor = m_dwHotBkColor;
  }
  CLabelUI::PaintBkColor(dc);
  m_dwBackColor = saved;
}

void CButtonUI::PaintStatusImage(HDC dc) {
  if (!IsEnabled()) {
    if (!m_sDisabledImage.IsEmpty() && DrawImage(dc, m_sDisabledImage))
      return;
  } else if (m_uButtonState & UISTATE_PUSHED) {
    if (!m_sPushedImage.IsEmpty() && DrawImage(dc, m_sPushedImage))
      return;
  } else if (m_uButtonState & UISTATE_HOT) {
    if (!m_sHotImage.IsEmpty() && DrawImage(dc, m_sHotImage))
      return;
  } else if (IsFocused()) {
    if (!m_sFocusedImage.IsEmpty() && DrawImage(dc, m_sFocusedImage))
      return;
  }
  if (!m_sNormalImage.IsEmpty())
    DrawImage(dc, m_sNormalImage);
}

void CButtonUI::SetAttribute(LPCTSTR name_p, LPCTSTR value_p) {
  std::u16string_view name(name_p ? name_p : u"");
  std::u16string_view value(value_p ? value_p : u"");
  DWORD c = 0;
  if (name == u"normalimage")
    SetNormalImage(value_p);
  else if (name == u"hotimage")
    SetHotImage(value_p);
  else if (name == u"pushedimage")
    SetPushedImage(value_p);
  else if (name == u"focusedimage")
    SetFocusedImage(value_p);
  else if (name == u"disabledimage")
    SetDisabledImage(value_p);
  else if (name == u"hottextcolor" && ParseColor(value, &c))
    SetHotTextColor(c);
  else if (name == u"pushedtextcolor" && ParseColor(value, &c))
    SetPushedTextColor(c);
  else if (name == u"focusedtextcolor" && ParseColor(value, &c))
    SetFocusedTextColor(c);
  else if (name == u"hotbkcolor" && ParseColor(value, &c))
    SetHotBkColor(c);
  else if (name == u"pushedbkcolor" && ParseColor(value, &c))
    SetPushedBkColor(c);
  else
    CLabelUI::SetAttribute(name_p, value_p);
}

COptionUI::~COptionUI() {
  if (m_pManager && !m_sGroupName.IsEmpty())
    m_pManager->RemoveOptionGroup(m_sGroupName, this);
}

LPVOID COptionUI::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"Option"))
    return this;
  return CButtonUI::GetInterface(name);
}

void COptionUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
  if (m_pManager && m_pManager != manager && !m_sGroupName.IsEmpty())
    m_pManager->RemoveOptionGroup(m_sGroupName, this);
  CButtonUI::SetManager(manager, parent, init);
  if (m_pManager && !m_sGroupName.IsEmpty())
    m_pManager->AddOptionGroup(m_sGroupName, this);
}

void COptionUI::SetGroup(LPCTSTR group) {
  CDuiString g(group);
  if (g == m_sGroupName)
    return;
  if (m_pManager && !m_sGroupName.IsEmpty())
    m_pManager->RemoveOptionGroup(m_sGroupName, this);
  m_sGroupName = g;
  if (m_pManager && !m_sGroupName.IsEmpty())
    m_pManager->AddOptionGroup(m_sGroupName, this);
  Selected(m_bSelected, false);
}

void COptionUI::Selected(bool selected, bool send_notify) {
  bool changed = m_bSelected != selected;
  m_bSelected = selected;
  if (selected)
    m_uButtonState |= UISTATE_SELECTED;
  else
    m_uButtonState &= ~UISTATE_SELECTED;
  if (m_pManager && !m_sGroupName.IsEmpty() && selected) {
    for (COptionUI* peer : m_pManager->GetOptionGroup(m_sGroupName)) {
      if (peer != this && peer->IsSelected())
        peer->Selected(false, send_notify);
    }
  }
  if (changed && send_notify && m_pManager && (m_sGroupName.IsEmpty() || selected))
    m_pManager->SendNotify(this, DUI_MSGTYPE_SELECTCHANGED, selected ? 1 : 0);
  if (changed)
    Invalidate();
}

bool COptionUI::Activate() {
  if (!CButtonUI::Activate())
    return false;
  if (!m_sGroupName.IsEmpty())
    Selected(true);
  else
    Selected(!m_bSelected);
  return true;
}

void COptionUI::SetSelectedImage(LPCTSTR image) {
  m_sSelectedImage = image;
  Invalidate();
}

void COptionUI::SetSelectedHotImage(LPCTSTR image) {
  m_sSelectedHotImage = image;
  Invalidate();
}

DWORD COptionUI::CurrentTextColor() const {
  if (m_bSelected && IsEnabled() && m_dwSelectedTextColor)
    return m_dwSelectedTextColor;
  return CButtonUI::CurrentTextColor();
}

void COptionUI::PaintBkColor(HDC dc) {
  if (m_bSelected && m_dwSelectedBkColor) {
    DWORD saved = m_dwBackColor;
    m_dwBackColor = m_dwSelectedBkColor;
    CLabelUI::PaintBkColor(dc);
    m_dwBackColor = saved;
    return;
  }
  CButtonUI::PaintBkColor(dc);
}

void COptionUI::PaintStatusImage(HDC dc) {
  if (m_bSelected) {
    if ((m_uButtonState & UISTATE_HOT) && !m_sSelectedHotImage.IsEmpty() &&
        DrawImage(dc, m_sSelectedHotImage))
      return;
    if (!m_sSelectedImage.IsEmpty() && DrawImage(dc, m_sSelectedImage))
      return;
  }
  CButtonUI::PaintStatusImage(dc);
}

void COptionUI::SetAttribute(LPCTSTR name_p, LPCTSTR value_p) {
  std::u16string_view name(name_p ? name_p : u"");
  std::u16string_view value(value_p ? value_p : u"");
  DWORD c = 0;
  if (name == u"group")
    SetGroup(value_p);
  else if (name == u"selected")
    Selected(ParseBool(value));
  else if (name == u"selectedimage")
    SetSelectedImage(value_p);
  else if (name == u"selectedhotimage")
    SetSelectedHotImage(value_p);
  else if (name == u"selectedtextcolor" && ParseColor(value, &c))
    SetSelectedTextColor(c);
  else if (name == u"selectedbkcolor" && ParseColor(value, &c))
    SetSelectedBkColor(c);
  else
    CButtonUI::SetAttribute(name_p, value_p);
}

LPVOID CCheckBoxUI::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"CheckBox"))
    return this;
  return COptionUI::GetInterface(name);
}

void CCheckBoxUI::SetAttribute(LPCTSTR name, LPCTSTR value) {
  // A check box never joins a group.
  if (std::u16string_view(name ? name : u"") == u"group")
    return;
  COptionUI::SetAttribute(name, value);
}

}  // namespace DuiLib
