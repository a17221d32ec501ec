// CWndShadow: start-up, attaching to the parent, following it and rendering.
#include "ui/wnd_shadow.h"

#include <map>
#include <vector>

namespace DuiLib {
namespace {

PFNUPDATELAYEREDWINDOW g_update_layered = nullptr;
bool g_initialized = false;

struct ShadowEntry {
  CWndShadow* shadow;  // null once the object has gone
  WNDPROC previous;    // kept here so the parent still works without the object
};

// Parents and their shadows; an entry lives from Create until the parent's WM_NCDESTROY.
std::map<HWND, ShadowEntry>& Shadows() {
  static std::map<HWND, ShadowEntry> shadows;
  return shadows;
}

LRESULT ShadowWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  // The default procedure paints the layered buffer; the window takes no input.
  return DefWindowProc(hwnd, msg, wparam, lparam);
}

}  // namespace

CWndShadow::~CWndShadow() {
  Detach();
}

bool CWndShadow::Initialize(HINSTANCE, PFNUPDATELAYEREDWINDOW update) {
  if (!RegisterWindowClass(kWindowClassName, &ShadowWindowProc))
    return false;
  g_update_layered = update;
  g_initialized = true;
  return true;
}

bool CWndShadow::IsInitialized() {
  return g_initialized;
}

void CWndShadow::Detach() {
  if (m_hParent) {
    auto it = Shadows().find(m_hParent);
    if (it != Shadows().end() && it->second.shadow == this)
      it->second.shadow = nullptr;
    m_hParent = nullptr;
  }
  if (IsWindow(m_hWnd))
    DestroyWindow(m_hWnd);
  m_hWnd = nullptr;
  m_Status = 0;
  m_bUpdate = false;
}

void CWndShadow::Create(HWND parent) {
  if (!g_update_layered || !IsWindow(parent))
    return;
  Detach();
  // WS_EX_TOOLWINDOW keeps the shadow out of taskbars and window switchers.
  m_hWnd = CreateWindowEx(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW, kWindowClassName,
                          nullptr, WS_POPUPWINDOW, CW_USEDEFAULT, 0, 0, 0, parent, nullptr);
  if (!m_hWnd)
    return;
  m_hParent = parent;

  auto& shadows = Shadows();
  auto it = shadows.find(parent);
  if (it != shadows.end()) {
    // Subclassing again would make ParentProc its own previous procedure.
    if (it->second.shadow)
      it->second.shadow->Detach();
    it->second.shadow = this;
  } else {
    shadows[parent] = ShadowEntry{this, nullptr};
  }

  const auto style = static_cast<DWORD>(GetWindowLongPtr(parent, GWL_STYLE));
  if (!(style & WS_VISIBLE)) {
    m_Status = SHADOW_ENABLED;
  } else if (style & (WS_MAXIMIZE | WS_MINIMIZE)) {
    m_Status = SHADOW_ENABLED | SHADOW_PARENT_VISIBLE;
  } else {
    m_Status = SHADOW_ENABLED | SHADOW_VISIBLE | SHADOW_PARENT_VISIBLE;
    ShowWindow(m_hWnd, SW_SHOWNA);
    Update(parent);
  }

  it = shadows.find(parent);
  if (it != shadows.end() && !it->second.previous) {
    it->second.previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtr(parent, GWLP_WNDPROC, reinterpret_cast<LPARAM>(&CWndShadow::ParentProc)));
  }
}

LRESULT CWndShadow::ParentProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  auto& shadows = Shadows();
  auto it = shadows.find(hwnd);
  if (it == shadows.end())
    return DefWindowProc(hwnd, msg, wparam, lparam);
  // Copied first: the previous procedure may delete the object (a window that frees itself).
  const WNDPROC previous = it->second.previous;
  if (CWndShadow* self = it->second.shadow)
    self->OnParentMessage(hwnd, msg, wparam, lparam);
  if (msg == WM_NCDESTROY)
    shadows.erase(hwnd);
  return CallWindowProc(previous, hwnd, msg, wparam, lparam);
}

void CWndShadow::OnParentMessage(HWND parent, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_DESTROY:
      if (IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
      break;
    case WM_MOVE:
      if (m_Status & SHADOW_VISIBLE)
        MoveToParent(parent);
      break;
    case WM_SIZE:
      if (!(m_Status & SHADOW_ENABLED))
        break;
      if (wparam == SIZE_MAXIMIZED || wparam == SIZE_MINIMIZED) {
        Show(false);
      } else if (m_Status & SHADOW_PARENT_VISIBLE) {
        // Growing windows get many size messages in a row: render once, at the next paint.
        if (LOWORD(static_cast<WPARAM>(lparam)) > LOWORD(m_WndSize) ||
            HIWORD(static_cast<WPARAM>(lparam)) > HIWORD(m_WndSize))
          m_bUpdate = true;
        else
          Update(parent);
        if (!(m_Status & SHADOW_VISIBLE))
          Show(true);
      }
      m_WndSize = static_cast<DWORD>(lparam);
      break;
    case WM_PAINT:
      if (m_bUpdate) {
        Update(parent);
        m_bUpdate = false;
      }
      break;
    case WM_SHOWWINDOW:
      if (!(m_Status & SHADOW_ENABLED))
        break;
      if (!wparam) {
        Show(false);
        m_Status &= static_cast<BYTE>(~SHADOW_PARENT_VISIBLE);
      } else if (!(m_Status & SHADOW_PARENT_VISIBLE)) {
        m_bUpdate = true;
        Show(true);
        m_Status |= SHADOW_PARENT_VISIBLE;
      }
      break;
    case WM_EXITSIZEMOVE:
      if (m_Status & SHADOW_VISIBLE)
        Update(parent);
      break;
    default:
      break;
  }
}

void CWndShadow::Show(bool show) {
  ShowWindow(m_hWnd, show ? SW_SHOWNA : SW_HIDE);
  if (show)
    m_Status |= SHADOW_VISIBLE;
  else
    m_Status &= static_cast<BYTE>(~SHADOW_VISIBLE);
}

void CWndShadow::MoveToParent(HWND parent) {
  RECT rc;
  if (!GetWindowRect(parent, &rc))
    return;
  SetWindowPos(m_hWnd, HWND_TOP, rc.left + m_nxOffset - m_nSize, rc.top + m_nyOffset - m_nSize, 0,
               0, SWP_NOSIZE | SWP_NOACTIVATE);
}

void CWndShadow::Update(HWND parent) {
  RECT rc;
  if (!g_update_layered || !IsWindow(m_hWnd) || !GetWindowRect(parent, &rc))
    return;
  const int width = rc.right - rc.left + 2 * m_nSize;
  const int height = rc.bottom - rc.top + 2 * m_nSize;
  if (width <= 0 || height <= 0)
    return;
  std::vector<DWORD> pixels(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  MakeShadow(pixels.data(), parent, rc);
  POINT dst{rc.left + m_nxOffset - m_nSize, rc.top + m_nyOffset - m_nSize};
  SIZE size{width, height};
  MoveWindow(m_hWnd, dst.x, dst.y, width, height, false);
  g_update_layered(m_hWnd, &dst, &size, pixels.data(), true);
}

void CWndShadow::UpdateIfVisible() {
  if (m_Status & SHADOW_VISIBLE)
    Update(GetParent(m_hWnd));
}

void CWndShadow::SetSize(signed char size) {
  m_nSize = size;
  UpdateIfVisible();
}

void CWndShadow::SetSharpness(BYTE sharpness) {
  m_nSharpness = sharpness;
  UpdateIfVisible();
}

void CWndShadow::SetDarkness(BYTE darkness) {
  m_nDarkness = darkness;
  UpdateIfVisible();
}

void CWndShadow::SetPosition(signed char x_offset, signed char y_offset) {
  m_nxOffset = x_offset;
  m_nyOffset = y_offset;
  UpdateIfVisible();
}

void CWndShadow::SetColor(COLORREF color) {
  m_Color = color;
  UpdateIfVisible();
}

}  // namespace DuiLib
