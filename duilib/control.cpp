#include "duilib/control.h"

#include <QPainter>
#include <QPainterPath>

#include "duilib/paint_manager.h"
#include "duilib/qt_convert.h"
#include "duilib/render_engine.h"

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

bool CControlUI::DrawImage(HDC dc, LPCTSTR image, LPCTSTR modify) {
  return CRenderEngine::DrawImageString(dc, m_pManager, m_rcItem, m_rcPaint, image, modify);
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

void CControlUI::SetAttribute(LPCTSTR name_p, LPCTSTR value_p) {
  std::u16string_view name(name_p ? name_p : u"");
  CDuiString value(value_p);
  RECT rc;
  SIZE sz;
  int n;
  DWORD c;
  if (name == u"name") {
    SetName(value);
  } else if (name == u"text") {
    SetText(value);
  } else if (name == u"tooltip") {
    SetToolTip(value);
  } else if (name == u"userdata") {
    SetUserData(value);
  } else if (name == u"pos") {
    if (ParseRect(value.view(), &rc))
      SetFloatPos(rc);
  } else if (name == u"float") {
    SetFloat(ParseBool(value.view()));
  } else if (name == u"padding") {
    if (ParseRect(value.view(), &rc))
      SetPadding(rc);
  } else if (name == u"width") {
    if (ParseInt(value.view(), &n))
      SetFixedWidth(n);
  } else if (name == u"height") {
    if (ParseInt(value.view(), &n))
      SetFixedHeight(n);
  } else if (name == u"minwidth") {
    if (ParseInt(value.view(), &n))
      SetMinWidth(n);
  } else if (name == u"maxwidth") {
    if (ParseInt(value.view(), &n))
      SetMaxWidth(n);
  } else if (name == u"minheight") {
    if (ParseInt(value.view(), &n))
      SetMinHeight(n);
  } else if (name == u"maxheight") {
    if (ParseInt(value.view(), &n))
      SetMaxHeight(n);
  } else if (name == u"bkcolor" || name == u"bkcolor1") {
    if (ParseColor(value.view(), &c))
      SetBkColor(c);
  } else if (name == u"bkcolor2") {
    if (ParseColor(value.view(), &c))
      SetBkColor2(c);
  } else if (name == u"bordercolor") {
    if (ParseColor(value.view(), &c))
      SetBorderColor(c);
  } else if (name == u"focusbordercolor") {
    if (ParseColor(value.view(), &c))
      SetFocusBorderColor(c);
  } else if (name == u"bordersize") {
    if (ParseInt(value.view(), &n))
      SetBorderSize(n);
  } else if (name == u"borderround") {
    if (ParseSize(value.view(), &sz))
      SetBorderRound(sz);
  } else if (name == u"bkimage") {
    SetBkImage(value);
  } else if (name == u"visible") {
    SetVisible(ParseBool(value.view()));
  } else if (name == u"enabled") {
    SetEnabled(ParseBool(value.view()));
  } else if (name == u"mouse") {
    SetMouseEnabled(ParseBool(value.view()));
  } else if (name == u"keyboard") {
    SetKeyboardEnabled(ParseBool(value.view()));
  } else if (name == u"cursor") {
    if (EqualsNoCase(value.view(), u"hand"))
      m_cursor = Qt::PointingHandCursor;
    else if (EqualsNoCase(value.view(), u"ibeam"))
      m_cursor = Qt::IBeamCursor;
    else
      m_cursor = Qt::ArrowCursor;
  }
}

void CControlUI::ApplyAttributeList(LPCTSTR list_p) {
  std::u16string_view list(list_p ? list_p : u"");
  size_t i = 0;
  auto skip_space = [&] {
    while (i < list.size() &&
           (list[i] == u' ' || list[i] == u'\t' || list[i] == u'\r' || list[i] == u'\n'))
      ++i;
  };
  while (true) {
    skip_space();
    if (i >= list.size())
      return;
    size_t name_start = i;
    while (i < list.size() && list[i] != u'=' && list[i] != u' ')
      ++i;
    std::u16string name(list.substr(name_start, i - name_start));
    skip_space();
    if (i >= list.size() || list[i] != u'=')
      return;
    ++i;
    skip_space();
    if (i >= list.size() || (list[i] != u'"' && list[i] != u'\''))
      return;
    char16_t quote = list[i++];
    size_t value_end = list.find(quote, i);
    if (value_end == std::u16string_view::npos)
      return;
    std::u16string value(list.substr(i, value_end - i));
    i = value_end + 1;
    SetAttribute(name.c_str(), value.c_str());
  }
}

void CControlUI::DoPaint(HDC dc, const RECT& paint) {
  if (!IntersectRect(&m_rcPaint, &paint, &m_rcItem))
    return;
  if (m_cxyBorderRound.cx > 0 || m_cxyBorderRound.cy > 0) {
    dc->save();
    QPainterPath path;
    QRectF r(m_rcItem.left, m_rcItem.top, GetWidth(), GetHeight());
    path.addRoundedRect(r, m_cxyBorderRound.cx / 2.0, m_cxyBorderRound.cy / 2.0);
    dc->setClipPath(path, Qt::IntersectClip);
    PaintBkColor(dc);
    PaintBkImage(dc);
    PaintStatusImage(dc);
    PaintText(dc);
    dc->restore();
    PaintBorder(dc);
    return;
  }
  PaintBkColor(dc);
  PaintBkImage(dc);
  PaintStatusImage(dc);
  PaintText(dc);
  PaintBorder(dc);
}

void CControlUI::PaintBkColor(HDC dc) {
  if (!(m_dwBackColor >> 24))
    return;
  if (m_dwBackColor2 && m_dwBackColor2 != m_dwBackColor) {
    CRenderEngine::DrawGradient(dc, m_rcItem, m_dwBackColor, m_dwBackColor2, true);
  } else if (m_cxyBorderRound.cx > 0 || m_cxyBorderRound.cy > 0) {
    CRenderEngine::DrawRoundColor(dc, m_rcItem, m_cxyBorderRound.cx, m_cxyBorderRound.cy,
                                  m_dwBackColor);
  } else {
    CRenderEngine::DrawColor(dc, m_rcItem, m_dwBackColor);
  }
}

void CControlUI::PaintBkImage(HDC dc) {
  if (!m_sBkImage.IsEmpty())
    DrawImage(dc, m_sBkImage);
}

void CControlUI::PaintStatusImage(HDC) {}

void CControlUI::PaintText(HDC) {}

void CControlUI::PaintBorder(HDC dc) {
  if (m_nBorderSize <= 0)
    return;
  DWORD color = (m_bFocused && m_dwFocusBorderColor) ? m_dwFocusBorderColor : m_dwBorderColor;
  if (!(color >> 24))
    return;
  if (m_cxyBorderRound.cx > 0 || m_cxyBorderRound.cy > 0)
    CRenderEngine::DrawRoundRect(dc, m_rcItem, m_nBorderSize, m_cxyBorderRound.cx,
                                 m_cxyBorderRound.cy, color);
  else
    CRenderEngine::DrawRect(dc, m_rcItem, m_nBorderSize, color);
}

}  // namespace DuiLib
