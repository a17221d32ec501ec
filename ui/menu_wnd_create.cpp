// CMenuWnd's creation step: the content of the window and where it opens.
#include "duilib/dialog_builder.h"
#include "ui/menu_wnd.h"

namespace DuiLib {
namespace {

// Content sizes are estimated against the whole work area.
SIZE WorkSize(const RECT& work) {
  return SIZE{work.right - work.left, work.bottom - work.top};
}

RECT WorkArea() {
  RECT work{};
  GetPrimaryWorkArea(&work);
  return work;
}

}  // namespace

LRESULT CMenuWnd::OnCreate() {
  if (m_pOwner) {
    CreateSubMenuLayout();
    RECT rc = PlaceSubMenu();
    MoveWindow(m_hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, false);
  } else {
    if (!CreateRootLayout()) {
      Close();
      return 0;
    }
    RECT work = WorkArea();
    SIZE size = m_pm.GetRoot()->EstimateSize(WorkSize(work));
    m_pm.SetInitSize(size.cx, size.cy);
    size = m_pm.GetInitSize();
    RECT rc = PlaceRoot(size);
    SetForegroundWindow(m_hWnd);
    MoveWindow(m_hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, false);
    SetWindowPos(m_hWnd, HWND_TOPMOST, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top + 8,
                 SWP_SHOWWINDOW);
    m_pm.SetCapture();
  }
  // Arrow keys work at once.
  m_pm.SetFocus(m_pm.GetRoot());
  // Menus always have their shadow, even when start-up did not set shadows up.
  if (!CWndShadow::IsInitialized())
    CWndShadow::Initialize(CPaintManagerUI::GetInstance());
  m_shadow.Create(m_hWnd);
  m_shadow.SetSize(kShadowSize);
  m_shadow.SetDarkness(kShadowDarkness);
  m_shadow.SetPosition(0, 0);
  return 0;
}

bool CMenuWnd::CreateRootLayout() {
  m_pm.Init(m_hWnd);
  CDialogBuilder builder;
  CControlUI* root = builder.Create(m_xml, nullptr, this, &m_pm);
  if (!root)
    return false;
  m_pm.AttachDialog(root);
  m_pm.AddNotifier(this);
  return true;
}

void CMenuWnd::CreateSubMenuLayout() {
  auto style = static_cast<DWORD>(GetWindowLongPtr(m_hWnd, GWL_STYLE));
  style = (style & ~WS_CAPTION) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  SetWindowLongPtr(m_hWnd, GWL_STYLE, static_cast<LPARAM>(style));
  RECT client{};
  GetClientRect(m_hWnd, &client);
  SetWindowPos(m_hWnd, nullptr, client.left, client.top, client.right - client.left,
               client.bottom - client.top, SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOACTIVATE);

  m_pm.Init(m_hWnd);
  CPaintManagerUI* owner_pm = m_pOwner->GetManager();
  m_pLayout = new CMenuUI;
  m_pm.UseParentResource(owner_pm);
  m_pLayout->SetManager(&m_pm, nullptr, true);
  if (LPCTSTR defaults = owner_pm ? owner_pm->GetDefaultAttributeList(u"Menu") : nullptr)
    m_pLayout->ApplyAttributeList(defaults);
  // The items stay the owner's: this list only shows them.
  m_pLayout->SetAutoDestroy(false);
  for (int i = 0; i < m_pOwner->GetCount(); ++i) {
    if (CMenuElementUI* item = AsMenuElement(m_pOwner->GetItemAt(i))) {
      item->SetOwner(m_pLayout);
      m_pLayout->Add(item);
    }
  }
  m_pm.AttachDialog(m_pLayout);
  m_pm.AddNotifier(this);
}

RECT CMenuWnd::PlaceRoot(SIZE size) const {
  const LONG x = m_BasedPoint.x, y = m_BasedPoint.y, cx = size.cx, cy = size.cy;
  CDuiRect rc =
      m_bAnchorBottomRight ? CDuiRect(x - cx, y - cy, x, y) : CDuiRect(x, y, x + cx, y + cy);
  // A menu that would open off the work area (a panel at the top or left with the bottom-right
  // anchor, or a point near the right or bottom edge without it) opens on the point's other side.
  const RECT work = WorkArea();
  if (m_bAnchorBottomRight) {
    if (rc.top < work.top)
      rc = CDuiRect(rc.left, y, rc.right, y + cy);
    if (rc.left < work.left)
      rc = CDuiRect(x, rc.top, x + cx, rc.bottom);
  } else {
    if (rc.right > work.right && x - cx >= work.left)
      rc = CDuiRect(x - cx, rc.top, x, rc.bottom);
    if (rc.bottom > work.bottom && y - cy >= work.top)
      rc = CDuiRect(rc.left, y - cy, rc.right, y);
  }
  return rc;
}

RECT CMenuWnd::PlaceSubMenu() const {
  const RECT work = WorkArea();
  const SIZE available = WorkSize(work);
  int cx_fixed = 0, cy_fixed = 0;
  for (int i = 0; i < m_pOwner->GetCount(); ++i) {
    if (CMenuElementUI* item = AsMenuElement(m_pOwner->GetItemAt(i))) {
      SIZE sz = item->EstimateSize(available);
      cy_fixed += sz.cy;
      cx_fixed = std::max<int>(cx_fixed, sz.cx);
    }
  }
  cx_fixed += 4;
  cy_fixed += 4;

  const HWND owner_wnd = m_pOwner->GetManager()->GetPaintWindow();
  RECT parent{};
  GetWindowRect(owner_wnd, &parent);
  CDuiRect rc;
  rc.top = m_pOwner->GetPos().top;
  rc.bottom = rc.top + cy_fixed;
  POINT origin{0, 0};
  ClientToScreen(owner_wnd, &origin);
  rc.Offset(0, origin.y);
  rc.left = parent.right;
  rc.right = rc.left + cx_fixed + 2;
  const CDuiRect start = rc;

  // Menus that opened towards the left or the top make the cascade keep going that way.
  bool reach_right = false, reach_bottom = false;
  ObserverImpl::Iterator it(GetMenuObserver());
  while (ReceiverImplBase* r = it.Next()) {
    auto* menu = dynamic_cast<CMenuWnd*>(r);
    if (!menu)
      continue;
    RECT p{};
    GetWindowRect(menu->m_hWnd, &p);
    reach_right = p.left >= parent.right;
    reach_bottom = p.top >= parent.bottom;
    if (menu->m_hWnd == owner_wnd || reach_right || reach_bottom)
      break;
  }
  if (reach_bottom) {
    rc.bottom = parent.top;
    rc.top = rc.bottom - cy_fixed;
  }
  if (reach_right) {
    rc.right = parent.left;
    rc.left = rc.right - cx_fixed;
  }

  if (rc.bottom > work.bottom) {
    rc.bottom = rc.top;
    rc.top = rc.bottom - cy_fixed;
  }
  if (rc.right > work.right) {
    rc.right = parent.left;
    rc.left = rc.right - cx_fixed;
  }
  if (rc.top < work.top) {
    rc.top = start.top;
    rc.bottom = start.bottom;
  }
  if (rc.left < work.left) {
    rc.left = parent.right;
    rc.right = rc.left + cx_fixed;
  }
  return rc;
}

}  // namespace DuiLib
