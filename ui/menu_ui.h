// The controls of a popup menu: CMenuUI, the list that fills a menu window, and
// CMenuElementUI, one item. An item may hold further items: they form its sub-menu, are never
// laid out, painted or hit inside the item, and are listed (not owned) by the sub-menu's window
// while it is open. Check marks live in the menu observer's check-state table under the item's
// name.
//
// Layout attributes of "MenuElement": icon, iconsize ("w,h"), checkitem, ischeck (after
// checkitem: the table wins over the layout), type ("line": a separator), expland (draws the
// sub-menu arrow, the default attribute list "ExplandIcon" names its image), linecolor, height.
//
// Thread affinity: UI thread. Ownership: as for every control, items belong to their parent
// container; an item's open sub-menu window deletes itself when it closes.
#pragma once

#include "duilib/list.h"

namespace DuiLib {

class CMenuWnd;

class CMenuUI : public CListUI {
 public:
  CMenuUI();

  LPCTSTR GetClass() const override { return u"MenuUI"; }
  LPVOID GetInterface(LPCTSTR name) override;

  // Only "MenuElement" controls can be added; their own sub-items are hidden first.
  bool AddAt(CControlUI* control, int index) override;
  int GetItemIndex(CControlUI* control) const override;
  bool SetItemIndex(CControlUI* control, int index) override;
  bool Remove(CControlUI* control, bool do_not_destroy = false) override;
  // The widest item's width and the visible items' heights added up.
  SIZE EstimateSize(SIZE available) override;
};

class CMenuElementUI : public CListContainerElementUI {
 public:
  static constexpr DWORD kDefaultLineColor = 0xFFB5B5B5;
  static constexpr int kDefaultWidth = 134;
  static constexpr int kDefaultHeight = 24;
  static constexpr int kLineHeight = 10;

  CMenuElementUI();
  // An item that dies with its sub-menu open takes the sub-menu window along.
  ~CMenuElementUI() override;

  LPCTSTR GetClass() const override { return u"MenuElementUI"; }
  LPVOID GetInterface(LPCTSTR name) override;

  void DoPaint(HDC dc, const RECT& paint) override;
  void DrawItemText(HDC dc, const RECT& item) override;
  void DrawItemIcon(HDC dc, const RECT& item);
  void DrawItemExpand(HDC dc, const RECT& item);
  // Measures the item (its own children, else its text) and stores the result as its fixed
  // size. Sub-menu items do not count.
  SIZE EstimateSize(SIZE available) override;
  void SetPos(RECT rc, bool need_invalidate = true) override;
  CControlUI* FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags) override;

  // Opens the sub-menu or chooses the item, when selected.
  bool Activate() override;
  void DoEvent(TEventUI& event) override;
  void SetAttribute(LPCTSTR name, LPCTSTR value) override;

  // Check items only, and only while the observer has a check-state table.
  void SetChecked(bool checked);
  bool GetChecked() const;
  bool IsCheckItem() const { return m_bCheckItem; }
  // Opens this item's sub-menu window unless one is open.
  void CreateMenuWnd();
  CMenuWnd* GetSubMenuWnd() const { return m_pWindow; }
  // Makes the item a separator: 10 pixels high, a line, no input, disabled.
  void SetLineType();
  bool IsLine() const { return m_bDrawLine; }

 private:
  friend class CMenuWnd;

  // Makes the sub-menu items visible; false when there are none.
  bool ShowSubItems();
  void SelectSelf();
  // The pointer rests on the item, or the right arrow key reached it: selects it and opens its
  // sub-menu, or closes the sub-menus of its siblings when it has none.
  void Highlight();
  // Runs `fn` with the sub-menu items taken out of the item list, and puts them back.
  template <class Fn>
  auto WithoutSubMenuItems(Fn fn);
  // A leaf item is chosen: toggles the check mark, tells the owner window, closes every menu.
  void Choose();
  HWND PaintWindow() const;

  CMenuWnd* m_pWindow = nullptr;
  bool m_bDrawLine = false;
  DWORD m_dwLineColor = kDefaultLineColor;
  SIZE m_szIconSize{16, 16};
  CDuiString m_strIcon;
  bool m_bCheckItem = false;
  bool m_bShowExplandIcon = false;
};

// The control when it is a menu item, else nullptr.
CMenuElementUI* AsMenuElement(CControlUI* control);

}  // namespace DuiLib
