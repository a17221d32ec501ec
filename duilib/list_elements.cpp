// List items: selection, hot state, activation and painting of text and container rows.
#include <QFontMetrics>

#include "duilib/list.h"
#include "duilib/paint_manager.h"
#include "duilib/render_engine.h"

namespace DuiLib {
namespace {

// Item behaviour shared by text and container items. Returns true when the event was used.
bool ItemEvent(CControlUI* self, IListItemUI* item, UINT& state, TEventUI& event) {
  IListOwnerUI* owner = item->GetOwner();
  switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_RBUTTONDOWN:
      if (self->IsEnabled() && owner) {
        owner->SelectItem(item->GetIndex(), true);
        self->Invalidate();
      }
      return true;
    case UIEVENT_DBLCLICK:
      if (self->IsEnabled())
        self->Activate();
      return true;
    case UIEVENT_BUTTONUP:
      if (self->IsEnabled() && self->GetManager() &&
          CDuiRect(self->GetPos()).PtInRect(event.ptMouse))
        self->GetManager()->SendNotify(self, DUI_MSGTYPE_ITEMCLICK);
      return true;
    case UIEVENT_KEYDOWN:
      if (event.chKey == VK_RETURN && self->IsEnabled()) {
        self->Activate();
        return true;
      }
      return false;
    case UIEVENT_MOUSEENTER:
      if (self->IsEnabled()) {
        state |= UISTATE_HOT;
        self->Invalidate();
      }
      return true;
    case UIEVENT_MOUSELEAVE:
      if (state & UISTATE_HOT) {
        state &= ~UISTATE_HOT;
        self->Invalidate();
      }
      return true;
    case UIEVENT_MOUSEMOVE:
      return true;
    default:
      return false;
  }
}

void PaintItemBk(HDC dc,
                 CControlUI* self,
                 IListOwnerUI* owner,
                 UINT state,
                 bool selected,
                 DWORD own_bk,
                 int index,
                 const RECT& rc) {
  if (!owner)
    return;
  TListInfoUI* info = owner->GetListInfo();
  CPaintManagerUI* pm = self->GetManager();
  DWORD bk = 0;
  const CDuiString* image = nullptr;
  if (!self->IsEnabled()) {
    bk = info->dwDisabledBkColor;
  } else if (selected) {
    bk = info->dwSelectedBkColor;
    image = &info->sSelectedImage;
  } else if (state & UISTATE_HOT) {
    bk = info->dwHotBkColor;
    image = &info->sHotImage;
  } else {
    bk = own_bk ? own_bk : info->dwBkColor;
    if (info->bAlternateBk && (index % 2) == 1 && (bk >> 24))
      bk = (bk & 0xFF000000u) | ((bk & 0x00FEFEFEu) >> 1) | 0x00808080u;
    image = &info->sBkImage;
  }
  CRenderEngine::DrawColor(dc, rc, bk);
  if (image && !image->IsEmpty())
    CRenderEngine::DrawImageString(dc, pm, rc, rc, *image);
  if (info->dwLineColor >> 24)
    CRenderEngine::DrawLine(dc, RECT{rc.left, rc.bottom - 1, rc.right, rc.bottom - 1}, 1,
                            info->dwLineColor);
}

IListOwnerUI* OwnerOf(CControlUI* owner) {
  return owner ? static_cast<IListOwnerUI*>(owner->GetInterface(u"IListOwner")) : nullptr;
}

}  // namespace

LPVOID CListElementUI::GetInterface(LPCTSTR name) {
  std::u16string_view n(name ? name : u"");
  if (EqualsNoCase(n, u"ListItem"))
    return static_cast<IListItemUI*>(this);
  if (EqualsNoCase(n, u"ListElement"))
    return this;
  return CControlUI::GetInterface(name);
}

void CListElementUI::SetOwner(CControlUI* owner) {
  m_pOwner = OwnerOf(owner);
}

bool CListElementUI::Activate() {
  if (!CControlUI::Activate())
    return false;
  if (m_pManager)
    m_pManager->SendNotify(this, DUI_MSGTYPE_ITEMACTIVATE);
  return true;
}

bool CListElementUI::Select(bool select) {
  if (!IsEnabled())
    return false;
  if (select == m_bSelected)
    return true;
  m_bSelected = select;
  if (select && m_pOwner)
    m_pOwner->SelectItem(m_iIndex);
  Invalidate();
  return true;
}

void CListElementUI::SetVisible(bool visible) {
  CControlUI::SetVisible(visible);
  if (!IsVisible() && m_bSelected) {
    m_bSelected = false;
    if (m_pOwner)
      m_pOwner->SelectItem(-1);
  }
}

void CListElementUI::DoEvent(TEventUI& event) {
  if (!IsMouseEnabled() && event.Type > UIEVENT__MOUSEBEGIN && event.Type < UIEVENT__MOUSEEND) {
    if (m_pOwner)
      m_pOwner->DoEvent(event);
    return;
  }
  if (ItemEvent(this, this, m_uButtonState, event))
    return;
  if (m_pOwner && event.Type != UIEVENT_SETFOCUS && event.Type != UIEVENT_KILLFOCUS &&
      event.Type != UIEVENT_TIMER && event.Type != UIEVENT_SETCURSOR)
    m_pOwner->DoEvent(event);
  else
    CControlUI::DoEvent(event);
}

void CListElementUI::SetAttribute(LPCTSTR name_p, LPCTSTR value_p) {
  std::u16string_view name(name_p ? name_p : u"");
  std::u16string_view value(value_p ? value_p : u"");
  if (name == u"selected") {
    Select(ParseBool(value));
  } else if (name == u"align") {
    m_iAlign = value == u"center"
                   ? static_cast<int>(DT_CENTER)
                   : (value == u"right" ? static_cast<int>(DT_RIGHT) : static_cast<int>(DT_LEFT));
    Invalidate();
  } else {
    CControlUI::SetAttribute(name_p, value_p);
  }
}

DWORD CListElementUI::StateTextColor(const TListInfoUI* info) const {
  DWORD c = info->dwTextColor;
  if (m_uButtonState & UISTATE_HOT)
    c = info->dwHotTextColor;
  if (m_bSelected)
    c = info->dwSelectedTextColor;
  if (!IsEnabled())
    c = info->dwDisabledTextColor;
  return c;
}

UINT CListElementUI::TextStyle(const TListInfoUI* info) const {
  UINT style = info->uTextStyle;
  if (m_iAlign >= 0)
    style = (style & ~(DT_LEFT | DT_CENTER | DT_RIGHT)) | static_cast<UINT>(m_iAlign);
  return style;
}

void CListElementUI::DrawItemBk(HDC dc, const RECT& item) {
  PaintItemBk(dc, this, m_pOwner, m_uButtonState, m_bSelected, m_dwBackColor, m_iIndex, item);
}

void CListElementUI::DoPaint(HDC dc, const RECT& paint) {
  if (!IntersectRect(&m_rcPaint, &paint, &m_rcItem))
    return;
  DrawItemBk(dc, m_rcItem);
  DrawItemText(dc, m_rcItem);
  PaintBorder(dc);
}

LPVOID CListTextElementUI::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"ListTextElement"))
    return this;
  return CListElementUI::GetInterface(name);
}

CDuiString CListTextElementUI::GetText(int column) const {
  if (column < 0)
    column = 0;
  if (column >= static_cast<int>(m_texts.size()))
    return {};
  return m_texts[static_cast<size_t>(column)];
}

void CListTextElementUI::SetText(int column, LPCTSTR text) {
  if (column < 0)
    column = 0;
  if (column >= UILIST_MAX_COLUMNS)
    return;
  if (column >= static_cast<int>(m_texts.size()))
    m_texts.resize(static_cast<size_t>(column) + 1);
  m_texts[static_cast<size_t>(column)] = text;
  if (column == 0)
    m_sText = text;
  Invalidate();
}

SIZE CListTextElementUI::EstimateSize(SIZE) {
  if (m_cxyFixed.cy > 0 || !m_pManager)
    return m_cxyFixed;
  int font = m_pOwner ? m_pOwner->GetListInfo()->nFont : -1;
  const TListInfoUI* info = m_pOwner ? m_pOwner->GetListInfo() : nullptr;
  int pad = info ? info->rcTextPadding.top + info->rcTextPadding.bottom : 0;
  return SIZE{m_cxyFixed.cx, QFontMetrics(m_pManager->GetFont(font)).height() + 8 + pad};
}

void CListTextElementUI::DrawItemText(HDC dc, const RECT& item) {
  if (!m_pOwner)
    return;
  TListInfoUI* info = m_pOwner->GetListInfo();
  DWORD color = StateTextColor(info);
  UINT style = TextStyle(info) | DT_SINGLELINE;
  int columns = std::max(info->nColumns, 1);
  for (int i = 0; i < columns && i < static_cast<int>(m_texts.size()); ++i) {
    CDuiRect rc(item);
    if (info->nColumns > 0) {
      rc.left = info->rcColumn[i].left;
      rc.right = info->rcColumn[i].right;
    }
    rc.Deflate(info->rcTextPadding);
    if (info->bShowHtml)
      CRenderEngine::DrawHtmlText(dc, m_pManager, rc, m_texts[static_cast<size_t>(i)], color,
                                  nullptr, nullptr, nullptr, info->nFont, style);
    else
      CRenderEngine::DrawText(dc, m_pManager, rc, m_texts[static_cast<size_t>(i)], color,
                              info->nFont, style);
  }
}

LPVOID CListContainerElementUI::GetInterface(LPCTSTR name) {
  std::u16string_view n(name ? name : u"");
  if (EqualsNoCase(n, u"ListItem"))
    return static_cast<IListItemUI*>(this);
  if (EqualsNoCase(n, u"ListContainerElement"))
    return this;
  return CContainerUI::GetInterface(name);
}

void CListContainerElementUI::SetOwner(CControlUI* owner) {
  m_pOwner = OwnerOf(owner);
}

bool CListContainerElementUI::Activate() {
  if (!CContainerUI::Activate())
    return false;
  if (m_pManager)
    m_pManager->SendNotify(this, DUI_MSGTYPE_ITEMACTIVATE);
  return true;
}

bool CListContainerElementUI::Select(bool select) {
  if (!IsEnabled())
    return false;
  if (select == m_bSelected)
    return true;
  m_bSelected = select;
  if (select && m_pOwner)
    m_pOwner->SelectItem(m_iIndex);
  Invalidate();
  return true;
}

void CListContainerElementUI::SetVisible(bool visible) {
  CContainerUI::SetVisible(visible);
  if (!IsVisible() && m_bSelected) {
    m_bSelected = false;
    if (m_pOwner)
      m_pOwner->SelectItem(-1);
  }
}

void CListContainerElementUI::DoEvent(TEventUI& event) {
  if (!IsMouseEnabled() && event.Type > UIEVENT__MOUSEBEGIN && event.Type < UIEVENT__MOUSEEND) {
    if (m_pOwner)
      m_pOwner->DoEvent(event);
    return;
  }
  if (ItemEvent(this, this, m_uButtonState, event))
    return;
  if (m_pOwner && event.Type != UIEVENT_SETFOCUS && event.Type != UIEVENT_KILLFOCUS &&
      event.Type != UIEVENT_TIMER && event.Type != UIEVENT_SETCURSOR)
    m_pOwner->DoEvent(event);
  else
    CContainerUI::DoEvent(event);
}

void CListContainerElementUI::DrawItemBk(HDC dc, const RECT& item) {
  PaintItemBk(dc, this, m_pOwner, m_uButtonState, m_bSelected, m_dwBackColor, m_iIndex, item);
}

void CListContainerElementUI::DoPaint(HDC dc, const RECT& paint) {
  if (!IntersectRect(&m_rcPaint, &paint, &m_rcItem))
    return;
  DrawItemBk(dc, m_rcItem);
  DrawItemText(dc, m_rcItem);
  CContainerUI::DoPaint(dc, paint);
}

}  // namespace DuiLib
