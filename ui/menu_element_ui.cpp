// CMenuElementUI: one menu item: attributes, check state, events, sub-menus and painting.
#include <algorithm>
#include <string>

#include "duilib/paint_manager.h"
#include "duilib/render_engine.h"
#include "ui/menu_wnd.h"

namespace DuiLib {
namespace {

// Reads a decimal integer at `pos` (leading sign allowed), moving `pos` past it; 0 when there
// is none, like the C library's conversions.
int ReadInt(std::u16string_view text, size_t* pos) {
  size_t i = *pos;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
    negative = text[i++] == u'-';
  long value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
    value = std::min(value * 10 + (text[i] - u'0'), 0x7FFFFFFFL);
  *pos = i;
  return static_cast<int>(negative ? -value : value);
}

DWORD ReadHex(std::u16string_view text) {
  DWORD value = 0;
  for (char16_t c : text) {
    int digit = c >= u'0' && c <= u'9'   ? c - u'0'
                : c >= u'a' && c <= u'f' ? c - u'a' + 10
                : c >= u'A' && c <= u'F' ? c - u'A' + 10
                                         : -1;
    if (digit < 0)
      break;
    value = value << 4 | static_cast<DWORD>(digit);
  }
  return value;
}

}  // namespace

CMenuElementUI::CMenuElementUI() {
  m_cxyFixed = SIZE{kDefaultWidth, kDefaultHeight};
}

CMenuElementUI::~CMenuElementUI() {
  if (CMenuWnd* window = m_pWindow) {
    m_pWindow = nullptr;
    window->DropOwner();
  }
}

LPVOID CMenuElementUI::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"MenuElement"))
    return this;
  return CListContainerElementUI::GetInterface(name);
}

HWND CMenuElementUI::PaintWindow() const {
  return m_pManager ? m_pManager->GetPaintWindow() : nullptr;
}

template <class Fn>
auto CMenuElementUI::WithoutSubMenuItems(Fn fn) {
  std::vector<CControlUI*> all = m_items;
  std::erase_if(m_items, [](CControlUI* c) { return AsMenuElement(c) != nullptr; });
  // Puts the list back however `fn` leaves.
  struct Restore {
    std::vector<CControlUI*>& items;
    std::vector<CControlUI*>& all;
    ~Restore() { items = std::move(all); }
  } restore{m_items, all};
  return fn();
}

void CMenuElementUI::SetPos(RECT rc, bool need_invalidate) {
  // Sub-menu items are laid out by their own window.
  WithoutSubMenuItems([&] { CListContainerElementUI::SetPos(rc, need_invalidate); });
}

CControlUI* CMenuElementUI::FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags) {
  if (!(flags & UIFIND_HITTEST))
    return CListContainerElementUI::FindControl(proc, data, flags);
  // Hit-testing happens in window coordinates: sub-menu items live in another window.
  return WithoutSubMenuItems(
      [&] { return CListContainerElementUI::FindControl(proc, data, flags); });
}

SIZE CMenuElementUI::EstimateSize(SIZE available) {
  SIZE size{0, 0};
  for (CControlUI* c : m_items) {
    if (!c->IsVisible() || AsMenuElement(c))
      continue;
    SIZE sz = c->EstimateSize(available);
    size.cy += sz.cy;
    size.cx = std::max(size.cx, sz.cx);
  }
  if (size.cy == 0 && m_pOwner && m_pManager) {
    const TListInfoUI* info = m_pOwner->GetListInfo();
    const DWORD color = StateTextColor(info);
    const RECT& pad = info->rcTextPadding;
    RECT rc{pad.left, 0, std::max(available.cx, m_cxyFixed.cx) - pad.right, 9999};
    const UINT style = info->uTextStyle | DT_CALCRECT;
    if (info->bShowHtml)
      CRenderEngine::DrawHtmlText(nullptr, m_pManager, rc, m_sText, color, nullptr, nullptr,
                                  nullptr, info->nFont, style);
    else
      CRenderEngine::DrawText(nullptr, m_pManager, rc, m_sText, color, info->nFont, style);
    size.cx = rc.right - rc.left + pad.left + pad.right + 20;
    size.cy = rc.bottom - rc.top + pad.top + pad.bottom;
  }
  if (m_cxyFixed.cy != 0)
    size.cy = m_cxyFixed.cy;
  size.cx = std::max(size.cx, m_cxyFixed.cx);
  m_cxyFixed = size;
  return size;
}

void CMenuElementUI::DoPaint(HDC dc, const RECT& paint) {
  if (!IntersectRect(&m_rcPaint, &paint, &m_rcItem))
    return;
  if (m_bDrawLine) {
    RECT line{m_rcItem.left + 5, m_rcItem.bottom - 5, m_rcItem.right - 5, m_rcItem.bottom - 5};
    CRenderEngine::DrawLine(dc, line, 1, m_dwLineColor);
    return;
  }
  DrawItemBk(dc, m_rcItem);
  DrawItemText(dc, m_rcItem);
  if (!m_strIcon.IsEmpty())
    DrawItemIcon(dc, m_rcItem);
  if (m_bShowExplandIcon)
    DrawItemExpand(dc, m_rcItem);
  for (CControlUI* c : m_items) {
    CDuiRect child_paint;
    if (c->IsVisible() && !AsMenuElement(c) &&
        IntersectRect(&child_paint, &m_rcPaint, &c->GetPos()))
      c->DoPaint(dc, child_paint);
  }
}

void CMenuElementUI::DrawItemText(HDC dc, const RECT& item) {
  if (m_sText.IsEmpty() || !m_pOwner)
    return;
  const TListInfoUI* info = m_pOwner->GetListInfo();
  const DWORD color = StateTextColor(info);
  CDuiRect rc(item);
  rc.Deflate(info->rcTextPadding);
  const UINT style = info->uTextStyle | DT_SINGLELINE;
  if (info->bShowHtml)
    CRenderEngine::DrawHtmlText(dc, m_pManager, rc, m_sText, color, nullptr, nullptr, nullptr,
                                info->nFont, style);
  else
    CRenderEngine::DrawText(dc, m_pManager, rc, m_sText, color, info->nFont, style);
}

void CMenuElementUI::DrawItemIcon(HDC dc, const RECT& item) {
  // A check item's icon is its check mark.
  if (m_bCheckItem && !GetChecked())
    return;
  const int x0 = (35 - m_szIconSize.cx) / 2;
  const int y0 = (m_cxyFixed.cy - m_szIconSize.cy) / 2;
  CDuiString image = CDuiString::Printf(u"file='%s' dest='%d,%d,%d,%d'", m_strIcon.GetData(), x0,
                                        y0, x0 + m_szIconSize.cx, y0 + m_szIconSize.cy);
  CRenderEngine::DrawImageString(dc, m_pManager, item, m_rcPaint, image);
}

void CMenuElementUI::DrawItemExpand(HDC dc, const RECT& item) {
  LPCTSTR arrow = m_pManager ? m_pManager->GetDefaultAttributeList(u"ExplandIcon") : nullptr;
  if (!arrow || !*arrow)
    return;
  // A sub-menu's manager has no initial size: its items span the window instead.
  int width = m_pManager->GetInitSize().cx;
  if (width <= 0)
    width = GetWidth();
  const int y0 = (m_cxyFixed.cy - 9) / 2;
  CDuiString image = CDuiString::Printf(u"file='%s' dest='%d,%d,%d,%d'", arrow, width - 20, y0,
                                        width - 11, y0 + 9);
  CRenderEngine::DrawImageString(dc, m_pManager, item, m_rcPaint, image);
}

bool CMenuElementUI::ShowSubItems() {
  bool any = false;
  for (CControlUI* c : m_items) {
    if (AsMenuElement(c)) {
      c->SetVisible(true);
      c->SetInternVisible(true);
      any = true;
    }
  }
  return any;
}

void CMenuElementUI::SelectSelf() {
  if (m_pOwner)
    m_pOwner->SelectItem(GetIndex(), true);
}

void CMenuElementUI::Highlight() {
  if (m_pWindow)
    return;
  if (ShowSubItems()) {
    SelectSelf();
    CreateMenuWnd();
  } else {
    CMenuWnd::GetMenuObserver().BroadcastReverse(MenuParam{MENU_CLOSE_SUBMENUS, PaintWindow()});
    SelectSelf();
  }
}

void CMenuElementUI::Choose() {
  SetChecked(!GetChecked());
  ObserverImpl& observer = CMenuWnd::GetMenuObserver();
  if (CPaintManagerUI* main = observer.GetManager()) {
    const CDuiString name = GetName();
    auto* text = new char16_t[static_cast<size_t>(name.GetLength()) + 1];
    std::copy_n(name.GetData(), name.GetLength() + 1, text);
    // A message that cannot be delivered must not take the name with it.
    if (!PostMessage(main->GetPaintWindow(), WM_MENU_ITEM_CLICK, reinterpret_cast<WPARAM>(text),
                     GetChecked() ? 1 : 0))
      delete[] text;
  }
  observer.BroadcastReverse(MenuParam{MENU_CLOSE_ALL, PaintWindow()});
}

void CMenuElementUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UIEVENT_MOUSEENTER:
      CListContainerElementUI::DoEvent(event);
      Highlight();
      return;
    case UIEVENT_BUTTONUP:
      if (!IsEnabled())
        return;
      CListContainerElementUI::DoEvent(event);
      // A press dragged off the item, or one cut short by a focus change, chooses nothing.
      if (m_pWindow || !CDuiRect(m_rcItem).PtInRect(event.ptMouse))
        return;
      if (ShowSubItems())
        CreateMenuWnd();
      else
        Choose();
      return;
    case UIEVENT_KEYDOWN:
      if (event.chKey != VK_RIGHT)
        break;
      Highlight();
      return;
    default:
      break;
  }
  CListContainerElementUI::DoEvent(event);
}

bool CMenuElementUI::Activate() {
  if (!CListContainerElementUI::Activate() || !IsSelected())
    return false;
  if (m_pWindow)
    return true;
  if (ShowSubItems())
    CreateMenuWnd();
  else
    Choose();
  return true;
}

void CMenuElementUI::CreateMenuWnd() {
  if (m_pWindow || !m_pManager)
    return;
  const HWND parent = PaintWindow();
  m_pWindow = new CMenuWnd(parent);
  CMenuWnd::GetMenuObserver().BroadcastReverse(MenuParam{MENU_CLOSE_SUBMENUS, parent});
  m_pWindow->Init(this, u"", nullptr, nullptr, 0, POINT{0, 0});
}

void CMenuElementUI::SetChecked(bool checked) {
  MenuCheckInfo* info = CMenuWnd::GetMenuObserver().GetMenuCheckInfo();
  if (!m_bCheckItem || !info)
    return;
  (*info)[GetName()] = checked;
}

bool CMenuElementUI::GetChecked() const {
  const MenuCheckInfo* info = CMenuWnd::GetMenuObserver().GetMenuCheckInfo();
  if (!m_bCheckItem || !info || info->empty())
    return false;
  auto it = info->find(GetName());
  return it != info->end() && it->second;
}

void CMenuElementUI::SetLineType() {
  m_bDrawLine = true;
  SetFixedHeight(kLineHeight);
  SetMouseChildEnabled(false);
  SetMouseEnabled(false);
  SetEnabled(false);
}

void CMenuElementUI::SetAttribute(LPCTSTR name_p, LPCTSTR value_p) {
  const std::u16string_view name(name_p ? name_p : u"");
  const std::u16string_view value(value_p ? value_p : u"");
  if (name == u"icon") {
    m_strIcon = value;
  } else if (name == u"iconsize") {
    size_t pos = 0;
    const int cx = ReadInt(value, &pos);
    pos = std::min(pos + 1, value.size());
    m_szIconSize = SIZE{cx, ReadInt(value, &pos)};
  } else if (name == u"ischeck") {
    MenuCheckInfo* info = CMenuWnd::GetMenuObserver().GetMenuCheckInfo();
    if (info && info->find(GetName()) == info->end())
      SetChecked(value == u"true");
  } else if (name == u"checkitem") {
    m_bCheckItem = value == u"true";
  } else if (name == u"type") {
    if (value == u"line")
      SetLineType();
  } else if (name == u"expland") {
    m_bShowExplandIcon = value == u"true";
  } else if (name == u"linecolor") {
    m_dwLineColor = ReadHex(value.starts_with(u'#') ? value.substr(1) : value);
  } else if (name == u"height") {
    size_t pos = 0;
    SetFixedHeight(ReadInt(value, &pos));
  } else {
    CListContainerElementUI::SetAttribute(name_p, value_p);
  }
}

}  // namespace DuiLib
