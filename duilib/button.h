// Buttons and options. CButtonUI sends "click" when activated (mouse release over it, Space or
// Return while focused). COptionUI adds a selected state, groups (one selected per group per
// window) and "selectchanged"; CCheckBoxUI is an option without a group. UI thread only.
#pragma once

#include "duilib/label.h"

namespace DuiLib {

class CButtonUI : public CLabelUI {
 public:
  CButtonUI();
  LPCTSTR GetClass() const override { return u"ButtonUI"; }
  LPVOID GetInterface(LPCTSTR name) override;
  UINT GetControlFlags() const override;
  bool Activate() override;
  void SetEnabled(bool enabled = true) override;
  void DoEvent(TEventUI& event) override;

  void SetNormalImage(LPCTSTR image);
  CDuiString GetNormalImage() const { return m_sNormalImage; }
  void SetHotImage(LPCTSTR image);
  void SetPushedImage(LPCTSTR image);
  void SetFocusedImage(LPCTSTR image);
  void SetDisabledImage(LPCTSTR image);
  void SetHotTextColor(DWORD color) { m_dwHotTextColor = color; }
  void SetPushedTextColor(DWORD color) { m_dwPushedTextColor = color; }
  void SetFocusedTextColor(DWORD color) { m_dwFocusedTextColor = color; }
  void SetHotBkColor(DWORD color) { m_dwHotBkColor = color; }
  void SetPushedBkColor(DWORD color) { m_dwPushedBkColor = color; }

  void SetAttribute(LPCTSTR name, LPCTSTR value) override;
  void PaintBkColor(HDC dc) override;
  void PaintStatusImage(HDC dc) override;

 protected:
  DWORD CurrentTextColor() const override;

  CDuiString m_sNormalImage;
  CDuiString m_sHotImage;
  CDuiString m_sPushedImage;
  CDuiString m_sFocusedImage;
  CDuiString m_sDisabledImage;
  DWORD m_dwHotTextColor = 0;
  DWORD m_dwPushedTextColor = 0;
  DWORD m_dwFocusedTextColor = 0;
  DWORD m_dwHotBkColor = 0;
  DWORD m_dwPushedBkColor = 0;
};

class COptionUI : public CButtonUI {
 public:
  COptionUI() = default;
  ~COptionUI() override;
  LPCTSTR GetClass() const override { return u"OptionUI"; }
  LPVOID GetInterface(LPCTSTR name) override;
  void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
  bool Activate() override;

  CDuiString GetGroup() const { return m_sGroupName; }
  void SetGroup(LPCTSTR group);
  bool IsSelected() const { return m_bSelected; }
  // Selecting a grouped option clears the rest of its group. "selectchanged" goes out when a
  // grouped option becomes selected, and on every change of an ungrouped one.
  virtual void Selected(bool selected, bool send_notify = true);

  void SetSelectedImage(LPCTSTR image);
  void SetSelectedHotImage(LPCTSTR image);
  void SetSelectedTextColor(DWORD color) { m_dwSelectedTextColor = color; }
  void SetSelectedBkColor(DWORD color) { m_dwSelectedBkColor = color; }

  void SetAttribute(LPCTSTR name, LPCTSTR value) override;
  void PaintBkColor(HDC dc) override;
  void PaintStatusImage(HDC dc) override;

 protected:
  DWORD CurrentTextColor() const override;

  bool m_bSelected = false;
  CDuiString m_sGroupName;
  CDuiString m_sSelectedImage;
  CDuiString m_sSelectedHotImage;
  DWORD m_dwSelectedTextColor = 0;
  DWORD m_dwSelectedBkColor = 0;
};

class CCheckBoxUI : public COptionUI {
 public:
  LPCTSTR GetClass() const override { return u"CheckBoxUI"; }
  LPVOID GetInterface(LPCTSTR name) override;
  void SetCheck(bool check, bool send_notify = true) { Selected(check, send_notify); }
  bool GetCheck() const { return IsSelected(); }
  void SetAttribute(LPCTSTR name, LPCTSTR value) override;
};

}  // namespace DuiLib
