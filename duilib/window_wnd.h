// CWindowWnd: the object side of a framework window. A subclass names its window class and
// handles messages in HandleMessage; unhandled messages go to the class's previous procedure.
//
// Thread affinity: UI thread. Ownership: the object is not owned by its window; OnFinalMessage
// runs after the window is gone (WM_NCDESTROY), and a subclass that lives on the heap may delete
// itself there. The object must outlive its window otherwise.
#pragma once

#include "duilib/ui_types.h"
#include "duilib/win_api.h"

namespace DuiLib {

class CWindowWnd {
 public:
  CWindowWnd() = default;
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;
  virtual ~CWindowWnd() = default;

  HWND GetHWND() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }  // NOLINT(runtime/explicit)

  bool RegisterWindowClass();
  // Creates the window (nullptr on failure). `parent` becomes the owner.
  HWND Create(HWND parent, LPCTSTR name, DWORD style, DWORD ex_style, const RECT& rc);
  HWND Create(HWND parent,
              LPCTSTR name,
              DWORD style,
              DWORD ex_style,
              int x = CW_USEDEFAULT,
              int y = CW_USEDEFAULT,
              int cx = CW_USEDEFAULT,
              int cy = CW_USEDEFAULT);
  // Takes over an existing window's procedure (and gives it back in Unsubclass).
  HWND Subclass(HWND hwnd);
  void Unsubclass();

  void ShowWindow(bool show = true, bool take_focus = true);
  // Runs a nested loop until the window is destroyed; the owner is disabled meanwhile.
  // Returns the value passed to Close.
  UINT ShowModal();
  // Posts WM_CLOSE with `ret` in wParam; the default answer destroys the window.
  void Close(UINT ret = IDOK);
  // Centres on the owner, or on the primary work area without one.
  void CenterWindow();
  // Sets the window icon from the skin archive's icon resource `res` (icon<res>.png and the
  // sized icon<res>_<n>.png files). Does nothing when none exists.
  void SetIcon(UINT res);
  void ResizeClient(int cx = -1, int cy = -1);

  LRESULT SendMessage(UINT msg, WPARAM wparam = 0, LPARAM lparam = 0);
  LRESULT PostMessage(UINT msg, WPARAM wparam = 0, LPARAM lparam = 0);

 protected:
  virtual LPCTSTR GetWindowClassName() const = 0;
  virtual LPCTSTR GetSuperClassName() const { return nullptr; }
  virtual UINT GetClassStyle() const { return 0; }
  virtual LRESULT HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam);
  virtual void OnFinalMessage(HWND hwnd);

  static LRESULT StaticWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

  HWND m_hWnd = nullptr;
  WNDPROC m_OldWndProc = DefWindowProc;
  bool m_bSubclassed = false;
};

}  // namespace DuiLib
