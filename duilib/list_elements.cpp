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

template <class Base>
LPVOID CListItemImpl<Base>::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"ListItem"))
    return static_cast<IListItemUI*>(this);
  return Base::GetInterface(name);
}

template <class Base>
void CListItemImpl<Base>::SetOwner(CControlUI* owner) {
  m_pOwner = OwnerOf(owner);
}

template <class Base>
bool CListItemImpl<Base>::Activate() {
  if (!Base::Activate())
    return false;
  if (this->m_pManager)
    this->m_pManager->SendNotify(this, DUI_MSGTYPE_ITEMACTIVATE);
  return true;
}

template <class Base>
bool CListItemImpl<Base>::Select(bool select) {
  if (!this->IsEnabled())
    return false;
  if (select == m_bSelected)
    return true;
  m_bSelected = select;
  if (select && m_pOwner)
    m_pOwner->SelectItem(m_iIndex);
  this->Invalidate();
  return true;
}

template <class Base>
void CListItemImpl<Base>::SetVisible(bool visible) {
  Base::SetVisible(visible);
  if (!this->IsVisible() && m_bSelected) {
    m_bSelected = false;
    if (m_pOwner)
      m_pOwner->SelectItem(-1);
  }
}

template <class Base>
void CListItemImpl<Base>::DoEvent(TEventUI& event) {
  if (!this->IsMouseEnabled() && event.Type > UIEVENT__MOUSEBEGIN &&
      event.Type < UIEVENT__MOUSEEND) {
    if (m_pOwner)
      m_pOwner->DoEvent(event);
    return;
  }
  if (ItemEvent(this, this, this->m_uButtonState, event))
    return;
  if (m_pOwner && event.Type != UIEVENT_SETFOCUS && event.Type != UIEVENT_KILLFOCUS &&
      event.Type != UIEVENT_TIMER && event.Type != UIEVENT_SETCURSOR)
    m_pOwner->DoEvent(event);
  else
    Base::DoEvent(event);
}

template <class Base>
DWORD CListItemImpl<Base>::StateTextColor(const TListInfoUI* info) const {
  DWORD c = info->dwTextColor;
  if (this->m_uButtonState & UISTATE_HOT)
    c = info->dwHotTextColor;
  if (m_bSelected)
    c = info->dwSelectedTextColor;
  if (!this->IsEnabled())
    c = info->dwDisabledTextColor;
  return c;
}

template <class Base>
void CListItemImpl<Base>::DrawItemBk(HDC dc, const RECT& item) {
  PaintItemBk(dc, this, m_pOwner, this->m_uButtonState, m_bSelected, this->m_dwBackColor, m_iIndex,
              item);
}

template class CListItemImpl<CControlUI>;
template class CListItemImpl<CContainerUI>;

LPVOID CListElementUI::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"ListElement"))
    return this;
  return CListItemImpl::GetInterface(name);
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

UINT CListElementUI::TextStyle(const TListInfoUI* info) const {
  UINT style = info->uTextStyle;
  if (m_iAlign >= 0)
    style = (style & ~(DT_LEFT | DT_CENTER | DT_RIGHT)) | static_cast<UINT>(m_iAlign);
  return style;
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

RECT CListTextElementUI::ColumnRect(const TListInfoUI* info, int column, const RECT& item) const {
  CDuiRect rc(item);
  if (info->nColumns > 0) {
    rc.left = info->rcColumn[column].left;
    rc.right = info->rcColumn[column].right;
  }
  rc.Deflate(info->rcTextPadding);
  return rc;
}

bool CListTextElementUI::IsTextCut(int column) const {
  if (!m_pOwner || !m_pManager || column < 0 || column >= static_cast<int>(m_texts.size()))
    return false;
  TListInfoUI* info = m_pOwner->GetListInfo();
  if (column >= std::max(info->nColumns, 1))
    return false;
  const CDuiString& text = m_texts[static_cast<size_t>(column)];
  if (text.IsEmpty())
    return false;
  const RECT rc = ColumnRect(info, column, m_rcItem);
  const SIZE size =
      CRenderEngine::GetTextSize(nullptr, m_pManager, text, info->nFont, DT_SINGLELINE);
  return size.cx > rc.right - rc.left;
}

CDuiString CListTextElementUI::GetToolTip() const {
  if (!m_sToolTip.IsEmpty())
    return m_sToolTip;
  std::u16string tip;
  for (int i = 0; i < static_cast<int>(m_texts.size()); ++i) {
    if (!IsTextCut(i))
      continue;
    if (!tip.empty())
      tip += u'\n';
    tip += m_texts[static_cast<size_t>(i)].str();
  }
  return CDuiString(tip);
}

void CListTextElementUI::DrawItemText(HDC dc, const RECT& item) {
  if (!m_pOwner)
    return;
  TListInfoUI* info = m_pOwner->GetListInfo();
  DWORD color = StateTextColor(info);
  UINT style = TextStyle(info) | DT_SINGLELINE;
  int columns = std::max(info->nColumns, 1);
  for (int i = 0; i < columns && i < static_cast<int>(m_texts.size()); ++i) {
    CDuiRect rc(ColumnRect(info, i, item));
    if (info->bShowHtml)
      CRenderEngine::DrawHtmlText(dc, m_pManager, rc, m_texts[static_cast<size_t>(i)], color,
                                  nullptr, nullptr, nullptr, info->nFont, style);
    else
      CRenderEngine::DrawText(dc, m_pManager, rc, m_texts[static_cast<size_t>(i)], color,
                              info->nFont, style);
  }
}

LPVOID CListContainerElementUI::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"ListContainerElement"))
    return this;
  return CListItemImpl::GetInterface(name);
}

void CListContainerElementUI::DoPaint(HDC dc, const RECT& paint) {
  if (!IntersectRect(&m_rcPaint, &paint, &m_rcItem))
    return;
  DrawItemBk(dc, m_rcItem);
  DrawItemText(dc, m_rcItem);
  CContainerUI::DoPaint(dc, paint);
}

}  // namespace DuiLib
