// CWndShadow: a soft drop shadow for a borderless window. The shadow is a separate layered,
// input-transparent popup owned by the shadowed ("parent") window. Its pixels come from the
// parent's window region: the region's rows are eroded, then grown again with a blurred round
// kernel, and the part under the parent is cut out. The shadow follows the parent by taking over
// the parent's window procedure (ParentProc), which moves, hides, shows and re-renders the
// shadow before calling the parent's previous procedure.
//
// Thread affinity: UI thread only. The parent map is process-wide and unlocked.
// Ownership: the shadow window is owned by the parent and dies with it. The object should live
// as long as its parent window; if it dies first it takes its shadow window along and the
// parent's messages then pass straight through to the previous procedure.
// Failure: until Initialize has set the layered-window update function, Create does nothing,
// no shadow window exists and the setters never render. A parent without a window region gets
// a fully transparent shadow. A shadow with no pixels (a parent smaller than a negative size)
// is not rendered.
#pragma once

#include "duilib/win_api.h"

namespace DuiLib {

// The platform's layered-window update: sets a layered window's premultiplied pixels and moves
// it (see DuiLib::UpdateLayeredWindow).
using PFNUPDATELAYEREDWINDOW =
    bool (*)(HWND hwnd, const POINT* dst, const SIZE* size, const DWORD* pixels, bool bottom_up);

class CWndShadow {
 public:
  // Status bits.
  static constexpr BYTE SHADOW_ENABLED = 0x01;
  static constexpr BYTE SHADOW_VISIBLE = 0x02;  // the shadow window is shown
  static constexpr BYTE SHADOW_PARENT_VISIBLE = 0x04;

  static constexpr const char16_t* kWindowClassName = u"VoskShadowWnd";

  CWndShadow() = default;
  CWndShadow(const CWndShadow&) = delete;
  CWndShadow& operator=(const CWndShadow&) = delete;
  virtual ~CWndShadow();

  // Process-wide start-up: registers the shadow window class and sets the layered-window update
  // function. Passing a null `update` switches shadows off for windows shadowed afterwards.
  // Returns false when the class cannot be registered.
  static bool Initialize(HINSTANCE instance,
                         PFNUPDATELAYEREDWINDOW update = &DuiLib::UpdateLayeredWindow);
  // Whether Initialize has run (whatever it was given).
  static bool IsInitialized();

  // Attaches the shadow to `parent`: creates the shadow window, shows and renders it when the
  // parent is shown normally, and subclasses the parent. A parent that already has a shadow
  // hands it over to this object (it is never subclassed twice).
  void Create(HWND parent);
  // Re-renders for the parent's current rectangle and region and moves the shadow window.
  void Update(HWND parent);
  // Fills `pixels` (Ws x Hs, bottom-up rows, premultiplied 0xAARRGGBB, cleared by the caller)
  // with the shadow of `parent` placed at `parent_rect`, where Ws and Hs are the rectangle's
  // width and height plus twice the size.
  void MakeShadow(DWORD* pixels, HWND parent, const RECT& parent_rect);

  // Each stores its value and re-renders when the shadow is visible.
  void SetSize(signed char size);
  void SetSharpness(BYTE sharpness);
  void SetDarkness(BYTE darkness);
  void SetPosition(signed char x_offset, signed char y_offset);
  void SetColor(COLORREF color);  // red in the low byte

  HWND GetShadowWindow() const { return m_hWnd; }
  BYTE GetStatus() const { return m_Status; }

 private:
  static LRESULT ParentProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  void OnParentMessage(HWND parent, UINT msg, WPARAM wparam, LPARAM lparam);
  void MoveToParent(HWND parent);
  void Show(bool show);
  void UpdateIfVisible();
  // Gives up the parent: its map entry forgets this object and the shadow window goes away.
  void Detach();

  HWND m_hWnd = nullptr;
  HWND m_hParent = nullptr;
  BYTE m_Status = 0;
  BYTE m_nDarkness = 150;
  BYTE m_nSharpness = 5;
  signed char m_nSize = 0;
  signed char m_nxOffset = 5;
  signed char m_nyOffset = 5;
  DWORD m_WndSize = 0;  // the parent's size from its last WM_SIZE: width low, height high
  bool m_bUpdate = false;
  COLORREF m_Color = 0;
};

}  // namespace DuiLib
