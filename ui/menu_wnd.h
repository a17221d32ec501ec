// CMenuWnd: one popup-menu window, the root menu or a cascaded sub-menu. A borderless topmost
// tool window filled by a CMenuUI (from a layout for the root, from the owner item's sub-items
// for a sub-menu), with a soft shadow. Open menu windows know each other only through the
// process-wide menu observer; a chosen leaf item is posted to the owner window as
// WM_MENU_ITEM_CLICK.
//
// Usage: `(new CMenuWnd(owner))->Init(nullptr, u"menu.xml", &owner_pm, &checks, 1, cursor);`
// and forget it. The menu closes on a chosen item, a button press outside every menu window
// (the open menus hold the mouse capture for that, and take it back after every release),
// the activation leaving the menu windows (another window or the desktop took the focus),
// Escape or Left (that window only), or when another item of an ancestor menu opens its own
// sub-menu.
//
// Thread affinity: UI thread. Ownership: the object lives on the heap and deletes itself once
// its window is gone (OnFinalMessage); nobody else frees it. The paint manager and the check
// table handed to Init belong to the owner window, which must outlive its menus.
// Failure: a layout that cannot be built or a window that cannot be created shows nothing; the
// object still frees itself. Shadows are set up on first use when start-up did not call
// CWndShadow::Initialize.
#pragma once

#include <memory>

#include "duilib/paint_manager.h"
#include "duilib/window_wnd.h"
#include "ui/menu_ui.h"
#include "ui/observer_impl_base.h"
#include "ui/wnd_shadow.h"

namespace DuiLib {

// Posted to the owner window when a leaf item is chosen. wParam: the item's name, a new
// NUL-terminated char16_t[] that the receiver must delete[] (TakeMenuItemName does); lParam:
// the item's check state after the click (0 or 1).
constexpr UINT WM_MENU_ITEM_CLICK = 1145;

inline std::unique_ptr<char16_t[]> TakeMenuItemName(WPARAM wparam) {
  return std::unique_ptr<char16_t[]>(reinterpret_cast<char16_t*>(wparam));
}

class CMenuWnd : public CWindowWnd,
                 public ReceiverImpl,
                 public INotifyUI,
                 public IDialogBuilderCallback {
 public:
  // Shadow settings of every menu window.
  static constexpr signed char kShadowSize = 3;
  static constexpr BYTE kShadowDarkness = 120;

  explicit CMenuWnd(HWND parent = nullptr);

  // The process-wide observer of every open menu window.
  static ObserverImpl& GetMenuObserver();

  // Opens the menu. A root menu (no `owner`) reads `xml` and opens at `point` (screen
  // coordinates), ending there when `anchor_bottom_right` is set; a sub-menu opens beside its
  // owner item. Non-null `main_manager` and `check_info` become the observer's.
  void Init(CMenuElementUI* owner,
            LPCTSTR xml,
            CPaintManagerUI* main_manager,
            MenuCheckInfo* check_info,
            BYTE anchor_bottom_right,
            POINT point);

  // MENU_CLOSE_ALL closes this window; MENU_CLOSE_SUBMENUS closes it when param.hWnd is one
  // of its ancestors. Closing is posted.
  bool Receive(MenuParam param) override;
  // Hands "click" and "valuechanged" to the observer's paint manager.
  void Notify(TNotifyUI& msg) override;
  // "Menu" and "MenuElement" (any case).
  CControlUI* CreateControl(LPCTSTR class_name) override;

  CPaintManagerUI& GetPaintManager() { return m_pm; }
  CMenuElementUI* GetOwnerItem() const { return m_pOwner; }
  const CWndShadow& GetShadow() const { return m_shadow; }

 protected:
  // Heap only: the window frees its object.
  ~CMenuWnd() override = default;

  LPCTSTR GetWindowClassName() const override { return u"MenuWnd"; }
  LRESULT HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam) override;
  void OnFinalMessage(HWND hwnd) override;

 private:
  friend class CMenuElementUI;

  LRESULT OnCreate();
  bool CreateRootLayout();
  void CreateSubMenuLayout();
  RECT PlaceRoot(SIZE size) const;
  RECT PlaceSubMenu() const;
  void SetRoundRegion();
  // The open menu window whose area holds the screen point, or nullptr.
  CMenuWnd* MenuAt(POINT screen) const;
  // The open menu window with this handle, or nullptr.
  static CMenuWnd* MenuOf(HWND hwnd);
  // Re-homes the owner item's sub-items with the owner (before this window's manager dies).
  void ReturnSubItems();
  // The owner item is going away: forget it and close now.
  void DropOwner();
  // Leaves the observer and frees the object when no window could be made.
  void Discard();

  HWND m_hParent;
  POINT m_BasedPoint{};
  BYTE m_bAnchorBottomRight = 0;
  CDuiString m_xml;
  CPaintManagerUI m_pm;
  CMenuElementUI* m_pOwner = nullptr;
  CMenuUI* m_pLayout = nullptr;
  CWndShadow m_shadow;
};

}  // namespace DuiLib
