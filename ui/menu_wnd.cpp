// CMenuWnd: opening, messages, broadcasts and the end of a menu window.
#include "ui/menu_wnd.h"

namespace DuiLib {
namespace {

// Built before start-up code runs; every menu window registers here.
ObserverImpl g_menu_observer;

// Posted to a menu window that lost the activation: by the time it arrives the focus has
// landed, and moving between our own menu windows is no loss.
constexpr UINT kCheckFocusMessage = WM_APP + 1;

}  // namespace

CMenuWnd::CMenuWnd(HWND parent) : m_hParent(parent) {}

ObserverImpl& CMenuWnd::GetMenuObserver() {
  return g_menu_observer;
}

void CMenuWnd::Init(CMenuElementUI* owner,
                    LPCTSTR xml,
                    CPaintManagerUI* main_manager,
                    MenuCheckInfo* check_info,
                    BYTE anchor_bottom_right,
                    POINT point) {
  m_BasedPoint = point;
  m_pOwner = owner;
  m_bAnchorBottomRight = anchor_bottom_right;
  m_xml = xml;
  m_pLayout = nullptr;
  ObserverImpl& observer = GetMenuObserver();
  if (main_manager)
    observer.SetManager(main_manager);
  if (check_info)
    observer.SetMenuCheckInfo(check_info);
  observer.AddReceiver(this);

  HWND parent = m_hParent;
  if (m_pOwner)
    parent = m_pOwner->GetManager() ? m_pOwner->GetManager()->GetPaintWindow() : nullptr;
  if (!Create(parent, nullptr, WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, CDuiRect())) {
    Discard();
    return;
  }
  if (!m_pm.GetRoot())
    return;  // no layout: the close posted by the creation step ends the object
  HWND top = m_hWnd;
  while (HWND up = GetParent(top))
    top = up;
  DuiLib::ShowWindow(m_hWnd, SW_SHOW);
  // The owner keeps its active look while its menu has the focus.
  DuiLib::SendMessage(top, WM_NCACTIVATE, 1, 0);
}

void CMenuWnd::Discard() {
  RemoveObserver();
  if (m_pOwner && m_pOwner->m_pWindow == this)
    m_pOwner->m_pWindow = nullptr;
  delete this;
}

bool CMenuWnd::Receive(MenuParam param) {
  switch (param.code) {
    case MENU_CLOSE_ALL:
      Close();
      break;
    case MENU_CLOSE_SUBMENUS:
      for (HWND up = GetParent(m_hWnd); up; up = GetParent(up)) {
        if (up == param.hWnd) {
          Close();
          break;
        }
      }
      break;
    default:
      break;
  }
  return true;
}

void CMenuWnd::Notify(TNotifyUI& msg) {
  CPaintManagerUI* main = GetMenuObserver().GetManager();
  if (main && (msg.sType == DUI_MSGTYPE_CLICK || msg.sType == DUI_MSGTYPE_VALUECHANGED))
    main->SendNotify(msg, false);
}

CControlUI* CMenuWnd::CreateControl(LPCTSTR class_name) {
  std::u16string_view name(class_name ? class_name : u"");
  if (EqualsNoCase(name, u"Menu"))
    return new CMenuUI;
  if (EqualsNoCase(name, u"MenuElement"))
    return new CMenuElementUI;
  return nullptr;
}

CMenuWnd* CMenuWnd::MenuAt(POINT screen) const {
  return MenuOf(WindowFromPoint(screen));
}

CMenuWnd* CMenuWnd::MenuOf(HWND hwnd) {
  if (!hwnd)
    return nullptr;
  ObserverImpl::Iterator it(GetMenuObserver());
  while (ReceiverImplBase* r = it.Next()) {
    auto* menu = dynamic_cast<CMenuWnd*>(r);
    if (menu && menu->m_hWnd == hwnd)
      return menu;
  }
  return nullptr;
}

void CMenuWnd::SetRoundRegion() {
  RECT rc;
  if (!GetWindowRect(m_hWnd, &rc))
    return;
  SIZE corner = m_pm.GetRoundCorner();
  // The window takes the region over: it is not ours to delete afterwards.
  SetWindowRgn(m_hWnd,
               CreateRoundRectRgn(0, 0, rc.right - rc.left + 1, rc.bottom - rc.top + 1, corner.cx,
                                  corner.cy),
               true);
}

LRESULT CMenuWnd::HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  const HWND self = m_hWnd;
  switch (msg) {
    case WM_CREATE:
      result = OnCreate();
      break;
    case WM_SIZE:
      if (wparam != SIZE_MINIMIZED)
        SetRoundRegion();
      break;
    case WM_CLOSE:
      if (m_pOwner) {
        // Closing with the mouse held would leave the menus above deaf to clicks outside.
        if (GetCapture() == m_hWnd && m_pOwner->GetManager())
          SetCapture(m_pOwner->GetManager()->GetPaintWindow());
        // Likewise the keyboard: it goes back to the menu this one came from.
        if (GetForegroundWindow() == m_hWnd && m_pOwner->GetManager())
          SetForegroundWindow(m_pOwner->GetManager()->GetPaintWindow());
        ReturnSubItems();
        m_pOwner->SetPos(m_pOwner->GetPos());
        m_pOwner->SetFocus();
      }
      break;
    case WM_KEYDOWN:
      if (wparam == VK_ESCAPE || wparam == VK_LEFT)
        Close();
      break;
    case WM_MOUSEMOVE: {
      // Mouse messages carry client coordinates even when captured.
      POINT pt{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      ClientToScreen(m_hWnd, &pt);
      if (CMenuWnd* menu = MenuAt(pt); menu && GetCapture() != menu->m_hWnd)
        SetCapture(menu->m_hWnd);
      break;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
      POINT pt{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      ClientToScreen(m_hWnd, &pt);
      if (!MenuAt(pt))
        GetMenuObserver().BroadcastReverse(MenuParam{MENU_CLOSE_ALL, m_hWnd});
      break;
    }
    case WM_CONTEXTMENU:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE)
        DuiLib::PostMessage(m_hWnd, kCheckFocusMessage, 0, 0);
      break;
    case kCheckFocusMessage:
      if (!MenuOf(GetForegroundWindow()) && !MenuOf(GetWindowOwner(GetForegroundWindow())))
        GetMenuObserver().BroadcastReverse(MenuParam{MENU_CLOSE_ALL, m_hWnd});
      return 0;
    default:
      break;
  }
  bool handled = m_pm.MessageHandler(msg, wparam, lparam, result);
  // The paint manager lets the mouse go at every release, also of a press that chose nothing
  // (a separator, the inset): the open menus take it back so that a press outside is seen.
  // The handler may have ended the window, and this object with it.
  if ((msg == WM_LBUTTONUP || msg == WM_MBUTTONUP) && IsWindow(self) && !GetCapture() &&
      IsWindowVisible(self))
    m_pm.SetCapture();
  if (handled)
    return result;
  return CWindowWnd::HandleMessage(msg, wparam, lparam);
}

void CMenuWnd::ReturnSubItems() {
  if (!m_pOwner)
    return;
  // Focus ends here first: an item that moves on still focused would take the focus away
  // from the owner's menu when it is hidden there.
  m_pm.SetFocus(nullptr);
  m_pOwner->SetManager(m_pOwner->GetManager(), m_pOwner->GetParent(), false);
}

void CMenuWnd::DropOwner() {
  ReturnSubItems();
  m_pOwner = nullptr;
  if (IsWindow(m_hWnd))
    DestroyWindow(m_hWnd);
}

void CMenuWnd::OnFinalMessage(HWND) {
  RemoveObserver();
  if (CMenuElementUI* owner = m_pOwner) {
    // Also reached without WM_CLOSE (an ancestor menu destroyed first): the sub-items must not
    // keep this window's paint manager, which dies with the object.
    ReturnSubItems();
    for (int i = 0; i < owner->GetCount(); ++i) {
      if (CMenuElementUI* item = AsMenuElement(owner->GetItemAt(i))) {
        item->SetOwner(owner->GetParent());
        item->SetVisible(false);
        item->SetInternVisible(false);
      }
    }
    if (owner->m_pWindow == this)
      owner->m_pWindow = nullptr;
    owner->SetState(owner->GetState() & ~UISTATE_PUSHED);
    owner->Invalidate();
  }
  delete this;
}

}  // namespace DuiLib
