// Containers: CContainerUI (children stacked in its inset area), the vertical and horizontal
// layouts and the tab layout. A container owns its children unless automatic destruction is
// switched off. Containers can scroll vertically (`vscrollbar="true"`): the wheel and a slim
// draggable thumb move the content.
//
// Thread affinity: UI thread.
#pragma once

#include <vector>

#include "duilib/control.h"

namespace DuiLib {

class CContainerUI : public CControlUI {
 public:
  CContainerUI() = default;
  ~CContainerUI() override;

  LPCTSTR GetClass() const override { return u"ContainerUI"; }
  LPVOID GetInterface(LPCTSTR name) override;

  virtual CControlUI* GetItemAt(int index) const;
  virtual int GetItemIndex(CControlUI* control) const;
  virtual bool SetItemIndex(CControlUI* control, int index);
  virtual int GetCount() const { return static_cast<int>(m_items.size()); }
  virtual bool Add(CControlUI* control);
  virtual bool AddAt(CControlUI* control, int index);
  // Deletes the control unless `do_not_destroy` or automatic destruction is off.
  virtual bool Remove(CControlUI* control, bool do_not_destroy = false);
  virtual bool RemoveAt(int index, bool do_not_destroy = false);
  virtual void RemoveAll();

  void SetAutoDestroy(bool on) { m_bAutoDestroy = on; }
  bool IsAutoDestroy() const { return m_bAutoDestroy; }
  void SetDelayedDestroy(bool on) { m_bDelayedDestroy = on; }
  bool IsDelayedDestroy() const { return m_bDelayedDestroy; }
  virtual RECT GetInset() const { return m_rcInset; }
  virtual void SetInset(RECT inset);
  virtual int GetChildPadding() const { return m_iChildPadding; }
  virtual void SetChildPadding(int padding);
  UINT GetChildAlign() const { return m_iChildAlign; }
  void SetChildAlign(UINT align);
  UINT GetChildVAlign() const { return m_iChildVAlign; }
  void SetChildVAlign(UINT align);
  virtual bool IsMouseChildEnabled() const { return m_bMouseChildEnabled; }
  virtual void SetMouseChildEnabled(bool enabled = true);

  // Vertical scrolling.
  void EnableScrollBar(bool vertical = true);
  bool IsScrollEnabled() const { return m_bScrollEnabled; }
  int GetScrollPos() const { return m_nScrollPos; }
  int GetScrollRange() const { return std::max(m_nContentHeight - m_nViewHeight, 0); }
  void SetScrollPos(int pos);
  // Scrolls so that rc (window coordinates) is inside the view.
  void EnsureVisible(const RECT& rc);

  void SetVisible(bool visible = true) override;
  void SetInternVisible(bool visible = true) override;
  void SetEnabled(bool enabled = true) override;
  void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
  void SetPos(RECT rc, bool need_invalidate = true) override;
  void DoEvent(TEventUI& event) override;
  void DoPaint(HDC dc, const RECT& paint) override;
  void SetAttribute(LPCTSTR name, LPCTSTR value) override;
  CControlUI* FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags) override;

 protected:
  void PlaceFloat(CControlUI* control);
  // The area children share: the item rectangle less the inset.
  CDuiRect ContentRect() const;
  // Records the content height for scrolling; returns the offset to apply to children.
  int UpdateScroll(int content_height, int view_height);
  CDuiRect ThumbRect() const;

  std::vector<CControlUI*> m_items;
  RECT m_rcInset{};
  int m_iChildPadding = 0;
  UINT m_iChildAlign = DT_LEFT;
  UINT m_iChildVAlign = DT_TOP;
  bool m_bAutoDestroy = true;
  bool m_bDelayedDestroy = true;
  bool m_bMouseChildEnabled = true;
  bool m_bScrollEnabled = false;
  int m_nScrollPos = 0;
  int m_nContentHeight = 0;
  int m_nViewHeight = 0;
  bool m_bThumbDrag = false;
  int m_nThumbDragStart = 0;
  int m_nThumbDragPos = 0;
};

class CVerticalLayoutUI : public CContainerUI {
 public:
  LPCTSTR GetClass() const override { return u"VerticalLayoutUI"; }
  LPVOID GetInterface(LPCTSTR name) override;
  void SetPos(RECT rc, bool need_invalidate = true) override;
};

class CHorizontalLayoutUI : public CContainerUI {
 public:
  LPCTSTR GetClass() const override { return u"HorizontalLayoutUI"; }
  LPVOID GetInterface(LPCTSTR name) override;
  void SetPos(RECT rc, bool need_invalidate = true) override;
};

// Shows one child at a time.
class CTabLayoutUI : public CContainerUI {
 public:
  LPCTSTR GetClass() const override { return u"TabLayoutUI"; }
  LPVOID GetInterface(LPCTSTR name) override;
  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control, bool do_not_destroy = false) override;
  bool RemoveAt(int index, bool do_not_destroy = false) override;
  void RemoveAll() override;
  int GetCurSel() const { return m_iCurSel; }
  // Shows page `index`; false when out of range. Sends "tabselect".
  virtual bool SelectItem(int index);
  bool SelectItem(CControlUI* control);
  // Showing the tab shows the selected page only, never the others.
  void SetVisible(bool visible = true) override;
  void SetInternVisible(bool visible = true) override;
  void SetPos(RECT rc, bool need_invalidate = true) override;
  void SetAttribute(LPCTSTR name, LPCTSTR value) override;

 private:
  void ShowSelectedPage();

  int m_iCurSel = -1;
};

}  // namespace DuiLib
