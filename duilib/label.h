// Text controls: CLabelUI (one line by default) and CTextUI (wrapping, with {a} links).
// UI thread only.
#pragma once

#include <vector>

#include "duilib/control.h"

namespace DuiLib {

class CLabelUI : public CControlUI {
 public:
  CLabelUI();
  LPCTSTR GetClass() const override { return u"LabelUI"; }
  LPVOID GetInterface(LPCTSTR name) override;

  void SetTextStyle(UINT style);
  UINT GetTextStyle() const { return m_uTextStyle; }
  void SetTextColor(DWORD color);
  DWORD GetTextColor() const { return m_dwTextColor; }
  void SetDisabledTextColor(DWORD color);
  DWORD GetDisabledTextColor() const { return m_dwDisabledTextColor; }
  void SetFont(int index);
  int GetFont() const { return m_iFont; }
  RECT GetTextPadding() const { return m_rcTextPadding; }
  void SetTextPadding(RECT rc);
  bool IsShowHtml() const { return m_bShowHtml; }
  void SetShowHtml(bool show = true);

  // Without a fixed height a label is one text line tall (plus padding).
  SIZE EstimateSize(SIZE available) override;
  void SetAttribute(LPCTSTR name, LPCTSTR value) override;
  void PaintText(HDC dc) override;

 protected:
  // The colour for the current state; subclasses add their own states.
  virtual DWORD CurrentTextColor() const;

  DWORD m_dwTextColor = 0;
  DWORD m_dwDisabledTextColor = 0;
  int m_iFont = -1;
  UINT m_uTextStyle = DT_VCENTER | DT_SINGLELINE;
  RECT m_rcTextPadding{};
  bool m_bShowHtml = false;
};

class CTextUI : public CLabelUI {
 public:
  CTextUI();
  LPCTSTR GetClass() const override { return u"TextUI"; }
  LPVOID GetInterface(LPCTSTR name) override;
  UINT GetControlFlags() const override;

  // Link targets of {a} runs as last painted.
  int GetLinkCount() const { return static_cast<int>(m_links.size()); }
  CDuiString GetLinkContent(int index) const;

  SIZE EstimateSize(SIZE available) override;
  void DoEvent(TEventUI& event) override;
  void PaintText(HDC dc) override;

 private:
  std::vector<RECT> m_linkRects;
  std::vector<CDuiString> m_links;
  int m_hotLink = -1;
};

}  // namespace DuiLib
