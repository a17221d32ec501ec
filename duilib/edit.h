// CEditUI: a one-line text box. The framework paints it; while it has the focus a real
// QLineEdit sits on top of it, so input methods, selection and the clipboard work as usual.
// Sends "textchanged" as the user types and "return" on Enter. UI thread only.
#pragma once

#include <QPointer>

#include "duilib/label.h"

#include <QLineEdit>

namespace DuiLib {

class CEditUI : public CLabelUI {
 public:
  CEditUI();
  ~CEditUI() override;
  LPCTSTR GetClass() const override { return u"EditUI"; }
  LPVOID GetInterface(LPCTSTR name) override;
  UINT GetControlFlags() const override;

  void SetText(LPCTSTR text) override;
  void SetMaxChar(UINT max);
  UINT GetMaxChar() const { return m_uMaxChar; }
  void SetReadOnly(bool read_only);
  bool IsReadOnly() const { return m_bReadOnly; }
  void SetPasswordMode(bool password);
  bool IsPasswordMode() const { return m_bPasswordMode; }
  void SetPasswordChar(TCHAR ch);
  void SetNativeEditBkColor(DWORD color) { m_dwEditbkColor = color; }
  void SetTipValue(LPCTSTR tip);
  CDuiString GetTipValue() const { return m_sTipValue; }
  void SetTipValueColor(DWORD color) { m_dwTipValueColor = color; }
  // The live editor while editing, else nullptr (for tests and input-method plumbing).
  QLineEdit* GetNativeEdit() const { return m_editor.data(); }

  void SetEnabled(bool enabled = true) override;
  void SetVisible(bool visible = true) override;
  void SetInternVisible(bool visible = true) override;
  void SetPos(RECT rc, bool need_invalidate = true) override;
  void DoEvent(TEventUI& event) override;
  void SetAttribute(LPCTSTR name, LPCTSTR value) override;
  void PaintStatusImage(HDC dc) override;
  void PaintText(HDC dc) override;

 private:
  void OpenEditor();
  void CloseEditor();
  static void RetireEditor(QLineEdit* e);
  CDuiRect EditorRect() const;

  QPointer<QLineEdit> m_editor;
  UINT m_uMaxChar = 255;
  bool m_bReadOnly = false;
  bool m_bPasswordMode = false;
  TCHAR m_cPasswordChar = u'\u25CF';
  DWORD m_dwEditbkColor = 0xFFFFFFFF;
  CDuiString m_sTipValue;
  DWORD m_dwTipValueColor = 0xFFBAC0C5;
  CDuiString m_sNormalImage;
  CDuiString m_sHotImage;
  CDuiString m_sFocusedImage;
  CDuiString m_sDisabledImage;
};

}  // namespace DuiLib
