// CControlUI: the base of every control. A control has a name, text, geometry (absolute
// rectangle in window coordinates), layout hints (fixed/min/max size, padding, float position),
// looks (colours, border, background image) and state; it paints itself and reacts to events.
//
// Thread affinity: UI thread. Ownership: a control belongs to its parent container (or, for the
// root, to the paint manager that attached it); the paint manager only refers to controls.
// Failure: setters accept any value; unknown attributes are ignored.
#pragma once

#include <QCursor>

#include "duilib/ui_events.h"

namespace DuiLib {

class CPaintManagerUI;

class CControlUI {
 public:
  CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;
  virtual ~CControlUI();

  virtual CDuiString GetName() const { return m_sName; }
  virtual void SetName(LPCTSTR name) { m_sName = name; }
  virtual LPCTSTR GetClass() const { return u"ControlUI"; }
  // The control itself when it answers `name` (compared without regard to case), else nullptr.
  virtual LPVOID GetInterface(LPCTSTR name);
  virtual UINT GetControlFlags() const { return 0; }
  // Carries out the control's action (click); false when disabled or invisible.
  virtual bool Activate();

  virtual CPaintManagerUI* GetManager() const { return m_pManager; }
  // Moves the control (and, for containers, its children) to a manager and parent; with
  // `init` the control registers its name with the manager and receives DoInit.
  virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true);
  virtual CControlUI* GetParent() const { return m_pParent; }

  virtual CDuiString GetText() const { return m_sText; }
  virtual void SetText(LPCTSTR text);
  // What the pointer resting on the control shows; controls may work it out as they go.
  virtual CDuiString GetToolTip() const { return m_sToolTip; }
  void SetToolTip(LPCTSTR text);

  // Looks.
  DWORD GetBkColor() const { return m_dwBackColor; }
  void SetBkColor(DWORD color);
  DWORD GetBkColor2() const { return m_dwBackColor2; }
  void SetBkColor2(DWORD color);
  CDuiString GetBkImage() const { return m_sBkImage; }
  void SetBkImage(LPCTSTR image);
  DWORD GetBorderColor() const { return m_dwBorderColor; }
  void SetBorderColor(DWORD color);
  DWORD GetFocusBorderColor() const { return m_dwFocusBorderColor; }
  void SetFocusBorderColor(DWORD color);
  int GetBorderSize() const { return m_nBorderSize; }
  void SetBorderSize(int size);
  SIZE GetBorderRound() const { return m_cxyBorderRound; }
  void SetBorderRound(SIZE round);
  bool DrawImage(HDC dc, LPCTSTR image, LPCTSTR modify = nullptr);

  // Geometry.
  virtual const RECT& GetPos() const { return m_rcItem; }
  // Places the control; containers lay out their children here.
  virtual void SetPos(RECT rc, bool need_invalidate = true);
  int GetWidth() const { return m_rcItem.right - m_rcItem.left; }
  int GetHeight() const { return m_rcItem.bottom - m_rcItem.top; }
  virtual RECT GetPadding() const { return m_rcPadding; }
  virtual void SetPadding(RECT padding);
  // Float position, relative to the parent's top-left corner.
  RECT GetFloatPos() const { return m_rcFloat; }
  void SetFloatPos(RECT pos);
  virtual bool IsFloat() const { return m_bFloat; }
  virtual void SetFloat(bool is_float = true);
  virtual int GetFixedWidth() const { return m_cxyFixed.cx; }
  virtual void SetFixedWidth(int cx);
  virtual int GetFixedHeight() const { return m_cxyFixed.cy; }
  virtual void SetFixedHeight(int cy);
  int GetMinWidth() const { return m_cxyMin.cx; }
  void SetMinWidth(int cx);
  int GetMaxWidth() const { return m_cxyMax.cx; }
  void SetMaxWidth(int cx);
  int GetMinHeight() const { return m_cxyMin.cy; }
  void SetMinHeight(int cy);
  int GetMaxHeight() const { return m_cxyMax.cy; }
  void SetMaxHeight(int cy);
  // The size the control wants within `available`; 0 in a dimension means "stretch".
  virtual SIZE EstimateSize(SIZE available);

  // State.
  virtual bool IsVisible() const { return m_bVisible && m_bInternVisible; }
  bool IsOwnVisible() const { return m_bVisible; }
  virtual void SetVisible(bool visible = true);
  // Visibility imposed by the parent (hidden tab pages, items moved elsewhere).
  virtual void SetInternVisible(bool visible = true);
  virtual bool IsEnabled() const { return m_bEnabled; }
  virtual void SetEnabled(bool enabled = true);
  virtual bool IsMouseEnabled() const { return m_bMouseEnabled; }
  virtual void SetMouseEnabled(bool enabled = true);
  virtual bool IsKeyboardEnabled() const { return m_bKeyboardEnabled; }
  virtual void SetKeyboardEnabled(bool enabled = true);
  virtual bool IsFocused() const { return m_bFocused; }
  virtual void SetFocus();
  UINT GetState() const { return m_uButtonState; }
  void SetState(UINT state) { m_uButtonState = state; }
  Qt::CursorShape GetCursor() const { return m_cursor; }

  // Data.
  UINT_PTR GetTag() const { return m_pTag; }
  void SetTag(UINT_PTR tag) { m_pTag = tag; }
  CDuiString GetUserData() const { return m_sUserData; }
  void SetUserData(LPCTSTR data) { m_sUserData = data; }

  // Finds a control in this subtree (this control for leaves) with a predicate.
  using FINDCONTROLPROC = CControlUI* (*)(CControlUI*, LPVOID);
  virtual CControlUI* FindControl(FINDCONTROLPROC proc, LPVOID data, UINT flags);

  void Invalidate();
  bool IsUpdateNeeded() const { return m_bUpdateNeeded; }
  void NeedUpdate();
  void NeedParentUpdate();

  virtual void Init();
  virtual void DoInit() {}
  virtual void Event(TEventUI& event);
  virtual void DoEvent(TEventUI& event);

  // Attributes as written in layouts; unknown names are ignored.
  virtual void SetAttribute(LPCTSTR name, LPCTSTR value);
  // A list `name="value" name2='value'` as in default attribute lists.
  void ApplyAttributeList(LPCTSTR list);

  virtual void DoPaint(HDC dc, const RECT& paint);
  virtual void PaintBkColor(HDC dc);
  virtual void PaintBkImage(HDC dc);
  virtual void PaintStatusImage(HDC dc);
  virtual void PaintText(HDC dc);
  virtual void PaintBorder(HDC dc);

 protected:
  CPaintManagerUI* m_pManager = nullptr;
  CControlUI* m_pParent = nullptr;
  CDuiString m_sName;
  CDuiString m_sText;
  CDuiString m_sToolTip;
  CDuiString m_sUserData;
  UINT_PTR m_pTag = 0;
  bool m_bUpdateNeeded = true;
  bool m_bVisible = true;
  bool m_bInternVisible = true;
  bool m_bEnabled = true;
  bool m_bMouseEnabled = true;
  bool m_bKeyboardEnabled = true;
  bool m_bFocused = false;
  bool m_bFloat = false;
  RECT m_rcItem{};
  RECT m_rcPadding{};
  RECT m_rcFloat{};
  SIZE m_cxyFixed{};
  SIZE m_cxyMin{};
  SIZE m_cxyMax{9999, 9999};
  RECT m_rcPaint{};
  DWORD m_dwBackColor = 0;
  DWORD m_dwBackColor2 = 0;
  DWORD m_dwBorderColor = 0;
  DWORD m_dwFocusBorderColor = 0;
  int m_nBorderSize = 0;
  SIZE m_cxyBorderRound{};
  CDuiString m_sBkImage;
  UINT m_uButtonState = 0;
  Qt::CursorShape m_cursor = Qt::ArrowCursor;
};

}  // namespace DuiLib
