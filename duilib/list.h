// Lists: CListUI (an optional header over a scrolling body of items), its header and header
// items, and the two item kinds: CListTextElementUI (text per column) and
// CListContainerElementUI (any controls). Items are addressed by index; selection is single.
// Items ask their owner (the list, or any IListOwnerUI) for the shared look: TListInfoUI.
//
// Thread affinity: UI thread. Ownership: the list's body owns its items unless automatic
// destruction is switched off (SetAutoDestroy(false)).
#pragma once

#include "duilib/container.h"
#include "duilib/label.h"

namespace DuiLib {

constexpr int UILIST_MAX_COLUMNS = 32;

struct TListInfoUI {
  int nColumns = 0;
  RECT rcColumn[UILIST_MAX_COLUMNS]{};
  int nFont = -1;
  UINT uTextStyle = DT_VCENTER | DT_SINGLELINE;
  RECT rcTextPadding{};
  DWORD dwTextColor = 0xFF000000;
  DWORD dwBkColor = 0;
  CDuiString sBkImage;
  bool bAlternateBk = false;
  DWORD dwSelectedTextColor = 0xFF000000;
  DWORD dwSelectedBkColor = 0xFFC1E3FF;
  CDuiString sSelectedImage;
  DWORD dwHotTextColor = 0xFF000000;
  DWORD dwHotBkColor = 0xFFE9F5FF;
  CDuiString sHotImage;
  DWORD dwDisabledTextColor = 0xFFCCCCCC;
  DWORD dwDisabledBkColor = 0xFFFFFFFF;
  DWORD dwLineColor = 0;
  bool bShowHtml = false;
  bool bMultiExpandable = false;
};

class IListOwnerUI {
 public:
  virtual TListInfoUI* GetListInfo() = 0;
  virtual int GetCurSel() const = 0;
  virtual bool SelectItem(int index, bool take_focus = false) = 0;
  virtual void DoEvent(TEventUI& event) = 0;

 protected:
  virtual ~IListOwnerUI() = default;
};

class IListItemUI {
 public:
  virtual int GetIndex() const = 0;
  virtual void SetIndex(int index) = 0;
  virtual IListOwnerUI* GetOwner() = 0;
  virtual void SetOwner(CControlUI* owner) = 0;
  virtual bool IsSelected() const = 0;
  virtual bool Select(bool select = true) = 0;
  virtual void DrawItemText(HDC dc, const RECT& item) = 0;

 protected:
  virtual ~IListItemUI() = default;
};

class CListHeaderUI;

// The scrolling area that holds a list's items.
class CListBodyUI : public CVerticalLayoutUI {
 public:
  explicit CListBodyUI(CControlUI* owner) : m_pOwner(owner) {}
  LPCTSTR GetClass() const override { return u"ListBodyUI"; }
  void DoEvent(TEventUI& event) override;

 private:
  CControlUI* m_pOwner;
};

class CListUI : public CVerticalLayoutUI, public IListOwnerUI {
 public:
  CListUI();
  LPCTSTR GetClass() const override { return u"ListUI"; }
  LPVOID GetInterface(LPCTSTR name) override;
  UINT GetControlFlags() const override { return UIFLAG_TABSTOP; }

  CListHeaderUI* GetHeader() const { return m_pHeader; }
  CContainerUI* GetList() const { return m_pList; }

  // Items (header items go to the header, a header replaces the header).
  CControlUI* GetItemAt(int index) const override;
  int GetItemIndex(CControlUI* control) const override;
  bool SetItemIndex(CControlUI* control, int index) override;
  int GetCount() const override;
  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control, bool do_not_destroy = false) override;
  bool RemoveAt(int index, bool do_not_destroy = false) override;
  void RemoveAll() override;
  void SetAutoDestroy(bool on);

  TListInfoUI* GetListInfo() override { return &m_ListInfo; }
  int GetCurSel() const override { return m_iCurSel; }
  // Selects item `index` (-1 clears); sends "itemselect". False for an index out of range or
  // an item that refuses.
  bool SelectItem(int index, bool take_focus = false) override;
  void EnsureVisible(int index);

  void SetPos(RECT rc, bool need_invalidate = true) override;
  void DoEvent(TEventUI& event) override;
  void SetAttribute(LPCTSTR name, LPCTSTR value) override;

 protected:
  void Reindex(int from);

  CListHeaderUI* m_pHeader;
  CListBodyUI* m_pList;
  TListInfoUI m_ListInfo;
  int m_iCurSel = -1;
};

class CListHeaderUI : public CHorizontalLayoutUI {
 public:
  LPCTSTR GetClass() const override { return u"ListHeaderUI"; }
  LPVOID GetInterface(LPCTSTR name) override;
  SIZE EstimateSize(SIZE available) override;
};

class CListHeaderItemUI : public CLabelUI {
 public:
  CListHeaderItemUI();
  LPCTSTR GetClass() const override { return u"ListHeaderItemUI"; }
  LPVOID GetInterface(LPCTSTR name) override;
  int GetSepWidth() const { return m_iSepWidth; }
  void DoEvent(TEventUI& event) override;
  void SetAttribute(LPCTSTR name, LPCTSTR value) override;
  void PaintStatusImage(HDC dc) override;

 private:
  int m_iSepWidth = 0;
  CDuiString m_sNormalImage;
  CDuiString m_sHotImage;
  CDuiString m_sPushedImage;
  CDuiString m_sSepImage;
};

// What both item kinds do, over a plain control or a container: index and owner, selection,
// hot state, activation ("itemactivate") and the background for the item's state. Instantiated
// for CControlUI and CContainerUI only (list_elements.cpp).
template <class Base>
class CListItemImpl : public Base, public IListItemUI {
 public:
  LPVOID GetInterface(LPCTSTR name) override;
  UINT GetControlFlags() const override { return UIFLAG_WANTRETURN; }
  bool Activate() override;

  int GetIndex() const override { return m_iIndex; }
  void SetIndex(int index) override { m_iIndex = index; }
  IListOwnerUI* GetOwner() override { return m_pOwner; }
  void SetOwner(CControlUI* owner) override;
  bool IsSelected() const override { return m_bSelected; }
  bool Select(bool select = true) override;
  void SetVisible(bool visible = true) override;
  void DoEvent(TEventUI& event) override;
  void DrawItemBk(HDC dc, const RECT& item);
  void DrawItemText(HDC, const RECT&) override {}

 protected:
  // The colour for the item's state from the owner's list information.
  DWORD StateTextColor(const TListInfoUI* info) const;

  int m_iIndex = -1;
  bool m_bSelected = false;
  IListOwnerUI* m_pOwner = nullptr;
};

extern template class CListItemImpl<CControlUI>;
extern template class CListItemImpl<CContainerUI>;

class CListElementUI : public CListItemImpl<CControlUI> {
 public:
  LPCTSTR GetClass() const override { return u"ListElementUI"; }
  LPVOID GetInterface(LPCTSTR name) override;
  void SetAttribute(LPCTSTR name, LPCTSTR value) override;
  void DoPaint(HDC dc, const RECT& paint) override;

 protected:
  UINT TextStyle(const TListInfoUI* info) const;

  int m_iAlign = -1;  // own horizontal alignment, or -1 for the list's
};

class CListTextElementUI : public CListElementUI {
 public:
  LPCTSTR GetClass() const override { return u"ListTextElementUI"; }
  LPVOID GetInterface(LPCTSTR name) override;
  // Column texts; column -1 (or 0) is also the control's text.
  CDuiString GetText(int column) const;
  void SetText(int column, LPCTSTR text);
  CDuiString GetText() const override { return GetText(0); }
  void SetText(LPCTSTR text) override { SetText(0, text); }
  SIZE EstimateSize(SIZE available) override;
  void DrawItemText(HDC dc, const RECT& item) override;
  // Whether the column's text is wider than its column, so that it is drawn cut (with an
  // ellipsis when the list asks for one: "itemendellipsis").
  bool IsTextCut(int column) const;
  // The tooltip that was set; without one, the whole texts of the columns that are cut, one
  // a line.
  CDuiString GetToolTip() const override;

 private:
  // The column's text area, as DrawItemText uses it.
  RECT ColumnRect(const TListInfoUI* info, int column, const RECT& item) const;

  std::vector<CDuiString> m_texts;
};

class CListContainerElementUI : public CListItemImpl<CContainerUI> {
 public:
  LPCTSTR GetClass() const override { return u"ListContainerElementUI"; }
  LPVOID GetInterface(LPCTSTR name) override;
  void DoPaint(HDC dc, const RECT& paint) override;
};

}  // namespace DuiLib
