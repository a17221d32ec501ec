#include "duilib/list.h"

#include <QFontMetrics>

#include "duilib/paint_manager.h"
#include "duilib/render_engine.h"

namespace DuiLib {

void CListBodyUI::DoEvent(TEventUI& event) {
  if (event.Type == UIEVENT_SCROLLWHEEL && IsScrollEnabled() && GetScrollRange() > 0) {
    CVerticalLayoutUI::DoEvent(event);
    return;
  }
  if (m_pOwner && (event.Type == UIEVENT_KEYDOWN || event.Type == UIEVENT_SCROLLWHEEL)) {
    m_pOwner->DoEvent(event);
    return;
  }
  CVerticalLayoutUI::DoEvent(event);
}

CListUI::CListUI() {
  m_pHeader = new CListHeaderUI;
  m_pList = new CListBodyUI(this);
  CVerticalLayoutUI::AddAt(m_pHeader, 0);
  CVerticalLayoutUI::AddAt(m_pList, 1);
}

LPVOID CListUI::GetInterface(LPCTSTR name) {
  std::u16string_view n(name ? name : u"");
  if (EqualsNoCase(n, u"List"))
    return this;
  if (EqualsNoCase(n, u"IListOwner"))
    return static_cast<IListOwnerUI*>(this);
  return CVerticalLayoutUI::GetInterface(name);
}

CControlUI* CListUI::GetItemAt(int index) const {
  return m_pList->GetItemAt(index);
}

int CListUI::GetItemIndex(CControlUI* control) const {
  return m_pList->GetItemIndex(control);
}

bool CListUI::SetItemIndex(CControlUI* control, int index) {
  int old = GetItemIndex(control);
  // Taken before the move: afterwards the selected index may name another row.
  CControlUI* selected = m_iCurSel >= 0 ? m_pList->GetItemAt(m_iCurSel) : nullptr;
  if (!m_pList->SetItemIndex(control, index))
    return false;
  Reindex(std::min(old, index));
  if (selected)
    m_iCurSel = GetItemIndex(selected);
  return true;
}

int CListUI::GetCount() const {
  return m_pList->GetCount();
}

bool CListUI::Add(CControlUI* control) {
  return AddAt(control, GetCount());
}

bool CListUI::AddAt(CControlUI* control, int index) {
  if (!control)
    return false;
  if (control->GetInterface(u"ListHeader")) {
    // A header from the layout replaces the built-in one.
    if (m_pHeader == control)
      return true;
    int at = CVerticalLayoutUI::GetItemIndex(m_pHeader);
    CVerticalLayoutUI::RemoveAt(at, false);
    m_pHeader = static_cast<CListHeaderUI*>(control);
    return CVerticalLayoutUI::AddAt(control, at < 0 ? 0 : at);
  }
  if (control->GetInterface(u"ListHeaderItem"))
    return m_pHeader->Add(control);
  if (!m_pList->AddAt(control, index))
    return false;
  if (auto* item = static_cast<IListItemUI*>(control->GetInterface(u"ListItem")))
    item->SetOwner(this);
  if (m_iCurSel >= index)
    ++m_iCurSel;
  Reindex(index);
  return true;
}

bool CListUI::Remove(CControlUI* control, bool do_not_destroy) {
  int index = GetItemIndex(control);
  if (index < 0)
    return false;
  return RemoveAt(index, do_not_destroy);
}

bool CListUI::RemoveAt(int index, bool do_not_destroy) {
  if (!m_pList->RemoveAt(index, do_not_destroy))
    return false;
  if (index == m_iCurSel)
    m_iCurSel = -1;
  else if (index < m_iCurSel)
    --m_iCurSel;
  Reindex(index);
  return true;
}

void CListUI::RemoveAll() {
  m_iCurSel = -1;
  m_pList->RemoveAll();
}

void CListUI::SetAutoDestroy(bool on) {
  m_pList->SetAutoDestroy(on);
}

void CListUI::Reindex(int from) {
  for (int i = std::max(from, 0); i < GetCount(); ++i) {
    if (auto* item = static_cast<IListItemUI*>(GetItemAt(i)->GetInterface(u"ListItem")))
      item->SetIndex(i);
  }
}

bool CListUI::SelectItem(int index, bool take_focus) {
  if (index == m_iCurSel && index >= 0)
    return true;
  if (index >= GetCount())
    return false;
  int old = m_iCurSel;
  if (old >= 0) {
    if (CControlUI* c = GetItemAt(old)) {
      if (auto* item = static_cast<IListItemUI*>(c->GetInterface(u"ListItem")))
        item->Select(false);
    }
    m_iCurSel = -1;
  }
  if (index < 0)
    return true;
  CControlUI* c = GetItemAt(index);
  auto* item = c ? static_cast<IListItemUI*>(c->GetInterface(u"ListItem")) : nullptr;
  if (!item || !c->IsVisible() || !c->IsEnabled() || !item->Select(true))
    return false;
  m_iCurSel = index;
  EnsureVisible(index);
  if (take_focus)
    c->SetFocus();
  if (m_pManager)
    m_pManager->SendNotify(this, DUI_MSGTYPE_ITEMSELECT, static_cast<WPARAM>(index),
                           static_cast<LPARAM>(old));
  return true;
}

void CListUI::EnsureVisible(int index) {
  if (CControlUI* c = GetItemAt(index))
    m_pList->EnsureVisible(c->GetPos());
}

void CListUI::SetPos(RECT rc, bool need_invalidate) {
  CVerticalLayoutUI::SetPos(rc, need_invalidate);
  // Columns come from the header's items, laid out across the list even when it is hidden.
  m_ListInfo.nColumns = std::min(m_pHeader->GetCount(), UILIST_MAX_COLUMNS);
  if (m_pHeader->IsVisible()) {
    for (int i = 0; i < m_ListInfo.nColumns; ++i)
      m_ListInfo.rcColumn[i] = m_pHeader->GetItemAt(i)->GetPos();
  } else {
    // A hidden header is not laid out: fixed widths first, the rest shared.
    CDuiRect area = ContentRect();
    int fixed = 0, flexible = 0;
    for (int i = 0; i < m_ListInfo.nColumns; ++i) {
      int w = m_pHeader->GetItemAt(i)->GetFixedWidth();
      fixed += w;
      flexible += w == 0;
    }
    int share = flexible ? std::max(area.GetWidth() - fixed, 0) / flexible : 0;
    int x = area.left;
    for (int i = 0; i < m_ListInfo.nColumns; ++i) {
      int w = m_pHeader->GetItemAt(i)->GetFixedWidth();
      w = w ? w : share;
      m_ListInfo.rcColumn[i] = RECT{x, area.top, x + w, area.top};
      x += w;
    }
  }
  if (m_ListInfo.nColumns > 0) {
    // Stretch the last column to the body's right edge.
    m_ListInfo.rcColumn[m_ListInfo.nColumns - 1].right =
        std::max(m_ListInfo.rcColumn[m_ListInfo.nColumns - 1].right, m_pList->GetPos().right);
  }
  m_pList->SetPos(m_pList->GetPos(), false);
}

void CListUI::DoEvent(TEventUI& event) {
  if (event.Type == UIEVENT_KEYDOWN && IsEnabled()) {
    auto step = [this](int from, int dir) {
      for (int i = from; i >= 0 && i < GetCount(); i += dir) {
        CControlUI* c = GetItemAt(i);
        if (c->IsVisible() && c->IsEnabled())
          return i;
      }
      return -1;
    };
    int target = -1;
    switch (event.chKey) {
      case VK_UP:
        target = step(m_iCurSel - 1, -1);
        break;
      case VK_DOWN:
        target = step(m_iCurSel + 1, 1);
        break;
      case VK_HOME:
        target = step(0, 1);
        break;
      case VK_END:
        target = step(GetCount() - 1, -1);
        break;
      case VK_RETURN:
        if (CControlUI* c = GetItemAt(m_iCurSel))
          c->Activate();
        return;
      default:
        break;
    }
    if (target >= 0) {
      SelectItem(target, true);
      return;
    }
  }
  if (event.Type == UIEVENT_SCROLLWHEEL && m_pList->IsScrollEnabled()) {
    m_pList->SetScrollPos(m_pList->GetScrollPos() - static_cast<int>(event.lParam) * 40 / 120);
    return;
  }
  CVerticalLayoutUI::DoEvent(event);
}

void CListUI::SetAttribute(LPCTSTR name_p, LPCTSTR value_p) {
  std::u16string_view name(name_p ? name_p : u"");
  std::u16string_view value(value_p ? value_p : u"");
  DWORD c;
  RECT rc;
  int n;
  if (name == u"header") {
    m_pHeader->SetVisible(value != u"hidden");
  } else if (name == u"vscrollbar") {
    m_pList->EnableScrollBar(ParseBool(value));
  } else if (name == u"itemfont") {
    if (ParseInt(value, &n))
      m_ListInfo.nFont = n;
  } else if (name == u"itemalign") {
    m_ListInfo.uTextStyle &= ~(DT_LEFT | DT_CENTER | DT_RIGHT);
    if (value == u"center")
      m_ListInfo.uTextStyle |= DT_CENTER;
    else if (value == u"right")
      m_ListInfo.uTextStyle |= DT_RIGHT;
  } else if (name == u"itemendellipsis") {
    if (ParseBool(value))
      m_ListInfo.uTextStyle |= DT_END_ELLIPSIS;
  } else if (name == u"itemtextpadding") {
    if (ParseRect(value, &rc))
      m_ListInfo.rcTextPadding = rc;
  } else if (name == u"itemtextcolor") {
    if (ParseColor(value, &c))
      m_ListInfo.dwTextColor = c;
  } else if (name == u"itembkcolor") {
    if (ParseColor(value, &c))
      m_ListInfo.dwBkColor = c;
  } else if (name == u"itembkimage") {
    m_ListInfo.sBkImage = value_p;
  } else if (name == u"itemaltbk") {
    m_ListInfo.bAlternateBk = ParseBool(value);
  } else if (name == u"itemselectedtextcolor") {
    if (ParseColor(value, &c))
      m_ListInfo.dwSelectedTextColor = c;
  } else if (name == u"itemselectedbkcolor") {
    if (ParseColor(value, &c))
      m_ListInfo.dwSelectedBkColor = c;
  } else if (name == u"itemselectedimage") {
    m_ListInfo.sSelectedImage = value_p;
  } else if (name == u"itemhottextcolor") {
    if (ParseColor(value, &c))
      m_ListInfo.dwHotTextColor = c;
  } else if (name == u"itemhotbkcolor") {
    if (ParseColor(value, &c))
      m_ListInfo.dwHotBkColor = c;
  } else if (name == u"itemhotimage") {
    m_ListInfo.sHotImage = value_p;
  } else if (name == u"itemdisabledtextcolor") {
    if (ParseColor(value, &c))
      m_ListInfo.dwDisabledTextColor = c;
  } else if (name == u"itemdisabledbkcolor") {
    if (ParseColor(value, &c))
      m_ListInfo.dwDisabledBkColor = c;
  } else if (name == u"itemlinecolor") {
    if (ParseColor(value, &c))
      m_ListInfo.dwLineColor = c;
  } else if (name == u"itemshowhtml") {
    m_ListInfo.bShowHtml = ParseBool(value);
  } else {
    CVerticalLayoutUI::SetAttribute(name_p, value_p);
  }
  Invalidate();
}

LPVOID CListHeaderUI::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"ListHeader"))
    return this;
  return CHorizontalLayoutUI::GetInterface(name);
}

SIZE CListHeaderUI::EstimateSize(SIZE) {
  if (m_cxyFixed.cy > 0 || !m_pManager)
    return m_cxyFixed;
  return SIZE{m_cxyFixed.cx, QFontMetrics(m_pManager->GetFont(-1)).height() + 10};
}

CListHeaderItemUI::CListHeaderItemUI() {
  m_uTextStyle = DT_VCENTER | DT_CENTER | DT_SINGLELINE;
}

LPVOID CListHeaderItemUI::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"ListHeaderItem"))
    return this;
  return CLabelUI::GetInterface(name);
}

void CListHeaderItemUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
      m_uButtonState |= UISTATE_PUSHED;
      Invalidate();
      return;
    case UIEVENT_BUTTONUP:
      if (m_uButtonState & UISTATE_PUSHED) {
        m_uButtonState &= ~UISTATE_PUSHED;
        Invalidate();
        if (m_pManager && CDuiRect(m_rcItem).PtInRect(event.ptMouse))
          m_pManager->SendNotify(this, DUI_MSGTYPE_HEADERCLICK);
      }
      return;
    case UIEVENT_MOUSEENTER:
      m_uButtonState |= UISTATE_HOT;
      Invalidate();
      return;
    case UIEVENT_MOUSELEAVE:
      m_uButtonState &= ~UISTATE_HOT;
      Invalidate();
      return;
    default:
      CLabelUI::DoEvent(event);
  }
}

void CListHeaderItemUI::SetAttribute(LPCTSTR name_p, LPCTSTR value_p) {
  std::u16string_view name(name_p ? name_p : u"");
  int n;
  if (name == u"sepwidth") {
    if (ParseInt(value_p ? value_p : u"", &n))
      m_iSepWidth = n;
  } else if (name == u"normalimage") {
    m_sNormalImage = value_p;
  } else if (name == u"hotimage") {
    m_sHotImage = value_p;
  } else if (name == u"pushedimage") {
    m_sPushedImage = value_p;
  } else if (name == u"sepimage") {
    m_sSepImage = value_p;
  } else {
    CLabelUI::SetAttribute(name_p, value_p);
  }
}

void CListHeaderItemUI::PaintStatusImage(HDC dc) {
  const CDuiString* img = &m_sNormalImage;
  if ((m_uButtonState & UISTATE_PUSHED) && !m_sPushedImage.IsEmpty())
    img = &m_sPushedImage;
  else if ((m_uButtonState & UISTATE_HOT) && !m_sHotImage.IsEmpty())
    img = &m_sHotImage;
  if (!img->IsEmpty())
    DrawImage(dc, *img);
  if (m_iSepWidth > 0 && !m_sSepImage.IsEmpty()) {
    RECT sep{m_rcItem.right - m_iSepWidth, m_rcItem.top, m_rcItem.right, m_rcItem.bottom};
    CRenderEngine::DrawImageString(dc, m_pManager, sep, m_rcPaint, m_sSepImage);
  }
}

}  // namespace DuiLib
