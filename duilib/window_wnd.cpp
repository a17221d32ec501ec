#include "duilib/window_wnd.h"

#include <QEventLoop>
#include <QWidget>
#include <map>
#include <set>

#include "duilib/resources.h"

namespace DuiLib {
namespace {

// wParam of the last WM_CLOSE per window, read by ShowModal after the window is gone.
std::map<HWND, UINT>& CloseResults() {
  static std::map<HWND, UINT> results;
  return results;
}

// Windows inside ShowModal; others drop their close value when they die.
std::set<HWND>& ModalWindows() {
  static std::set<HWND> windows;
  return windows;
}

}  // namespace

bool CWindowWnd::RegisterWindowClass() {
  return DuiLib::RegisterWindowClass(GetWindowClassName(), &CWindowWnd::StaticWindowProc);
}

HWND CWindowWnd::Create(HWND parent, LPCTSTR name, DWORD style, DWORD ex_style, const RECT& rc) {
  return Create(parent, name, style, ex_style, rc.left, rc.top, rc.right - rc.left,
                rc.bottom - rc.top);
}

HWND CWindowWnd::Create(HWND parent,
                        LPCTSTR name,
                        DWORD style,
                        DWORD ex_style,
                        int x,
                        int y,
                        int cx,
                        int cy) {
  if (!RegisterWindowClass())
    return nullptr;
  m_hWnd = CreateWindowEx(ex_style, GetWindowClassName(), name, style, x, y, cx, cy, parent, this);
  return m_hWnd;
}

HWND CWindowWnd::Subclass(HWND hwnd) {
  if (!IsWindow(hwnd))
    return nullptr;
  m_OldWndProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LPARAM>(&StaticWindowProc)));
  SetWindowLongPtr(hwnd, GWLP_USERDATA, reinterpret_cast<LPARAM>(this));
  m_bSubclassed = true;
  m_hWnd = hwnd;
  return m_hWnd;
}

void CWindowWnd::Unsubclass() {
  if (!m_bSubclassed || !IsWindow(m_hWnd))
    return;
  SetWindowLongPtr(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LPARAM>(m_OldWndProc));
  SetWindowLongPtr(m_hWnd, GWLP_USERDATA, 0);
  m_OldWndProc = DefWindowProc;
  m_bSubclassed = false;
}

void CWindowWnd::ShowWindow(bool show, bool take_focus) {
  if (!IsWindow(m_hWnd))
    return;
  DuiLib::ShowWindow(m_hWnd, show ? (take_focus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

UINT CWindowWnd::ShowModal() {
  HWND hwnd = m_hWnd;
  if (!IsWindow(hwnd))
    return static_cast<UINT>(-1);
  HWND owner = GetWindowOwner(hwnd);
  if (owner)
    EnableWindow(owner, false);
  if (!IsWindowVisible(hwnd))
    DuiLib::ShowWindow(hwnd, SW_SHOWNORMAL);
  // The window object may be deleted in OnFinalMessage: the result is kept by handle.
  ModalWindows().insert(hwnd);
  QEventLoop loop;
  while (IsWindow(hwnd))
    loop.processEvents(QEventLoop::WaitForMoreEvents);
  ModalWindows().erase(hwnd);
  UINT result = 0;
  if (auto it = CloseResults().find(hwnd); it != CloseResults().end()) {
    result = it->second;
    CloseResults().erase(it);
  }
  if (owner && IsWindow(owner)) {
    EnableWindow(owner, true);
    SetForegroundWindow(owner);
  }
  return result;
}

void CWindowWnd::Close(UINT ret) {
  if (IsWindow(m_hWnd))
    DuiLib::PostMessage(m_hWnd, WM_CLOSE, ret, 0);
}

void CWindowWnd::CenterWindow() {
  RECT rc, area;
  if (!GetWindowRect(m_hWnd, &rc))
    return;
  HWND owner = GetWindowOwner(m_hWnd);
  if (!(owner && IsWindowVisible(owner) && GetWindowRect(owner, &area)))
    GetPrimaryWorkArea(&area);
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  int x = (area.left + area.right - w) / 2;
  int y = (area.top + area.bottom - h) / 2;
  RECT work;
  if (GetPrimaryWorkArea(&work)) {
    x = std::clamp(x, static_cast<int>(work.left), std::max<int>(work.left, work.right - w));
    y = std::clamp(y, static_cast<int>(work.top), std::max<int>(work.top, work.bottom - h));
  }
  SetWindowPos(m_hWnd, nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::SetIcon(UINT res) {
  QWidget* w = WidgetFromHwnd(m_hWnd);
  QIcon icon = Resources::LoadIcon(res);
  if (w && !icon.isNull())
    w->setWindowIcon(icon);
}

void CWindowWnd::ResizeClient(int cx, int cy) {
  RECT rc;
  if (!GetClientRect(m_hWnd, &rc))
    return;
  if (cx >= 0)
    rc.right = cx;
  if (cy >= 0)
    rc.bottom = cy;
  SetWindowPos(m_hWnd, nullptr, 0, 0, rc.right, rc.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CWindowWnd::SendMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  return DuiLib::SendMessage(m_hWnd, msg, wparam, lparam);
}

LRESULT CWindowWnd::PostMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  return DuiLib::PostMessage(m_hWnd, msg, wparam, lparam);
}

LRESULT CWindowWnd::HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  return CallWindowProc(m_OldWndProc, m_hWnd, msg, wparam, lparam);
}

void CWindowWnd::OnFinalMessage(HWND) {}

LRESULT CWindowWnd::StaticWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  CWindowWnd* self = nullptr;
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCT*>(lparam);
    self = static_cast<CWindowWnd*>(cs->lpCreateParams);
    if (self) {
      self->m_hWnd = hwnd;
      SetWindowLongPtr(hwnd, GWLP_USERDATA, reinterpret_cast<LPARAM>(self));
    }
  } else {
    self = reinterpret_cast<CWindowWnd*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  }
  if (!self)
    return DefWindowProc(hwnd, msg, wparam, lparam);
  if (msg == WM_CLOSE)
    CloseResults()[hwnd] = static_cast<UINT>(wparam);
  if (msg == WM_NCDESTROY) {
    if (!ModalWindows().count(hwnd))
      CloseResults().erase(hwnd);
    LRESULT r = self->HandleMessage(msg, wparam, lparam);
    SetWindowLongPtr(hwnd, GWLP_USERDATA, 0);
    if (self->m_bSubclassed)
      self->Unsubclass();
    self->m_hWnd = nullptr;
    self->OnFinalMessage(hwnd);
    return r;
  }
  return self->HandleMessage(msg, wparam, lparam);
}

}  // namespace DuiLib
