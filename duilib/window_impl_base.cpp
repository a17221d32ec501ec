#include "duilib/window_impl_base.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include "duilib/message_box.h"

namespace DuiLib {

void WindowImplBase::OnFinalMessage(HWND) {
  m_PaintManager.RemovePreMessageFilter(this);
  m_PaintManager.RemoveNotifier(this);
}

void WindowImplBase::Notify(TNotifyUI& msg) {
  if (EqualsNoCase(msg.sType.view(), DUI_MSGTYPE_CLICK))
    OnClick(msg);
  NotifyPump(msg);
}

LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LONG WindowImplBase::GetStyle() {
  return static_cast<LONG>((GetWindowLongPtr(m_hWnd, GWL_STYLE) & ~WS_CAPTION) | WS_CLIPSIBLINGS |
                           WS_CLIPCHILDREN);
}

LRESULT WindowImplBase::MessageHandler(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  bool handled = true;
  switch (msg) {
    case WM_CREATE:
      result = OnCreate(msg, wparam, lparam, handled);
      break;
    case WM_CLOSE:
      result = OnClose(msg, wparam, lparam, handled);
      break;
    case WM_DESTROY:
      result = OnDestroy(msg, wparam, lparam, handled);
      break;
    case WM_SIZE:
      result = OnSize(msg, wparam, lparam, handled);
      break;
    case WM_MOUSEMOVE:
      result = OnMouseMove(msg, wparam, lparam, handled);
      break;
    case WM_LBUTTONDOWN:
      result = OnLButtonDown(msg, wparam, lparam, handled);
      break;
    case WM_LBUTTONUP:
      result = OnLButtonUp(msg, wparam, lparam, handled);
      break;
    case WM_KEYDOWN:
      result = OnKeyDown(msg, wparam, lparam, handled);
      break;
    default:
      handled = false;
      break;
  }
  if (handled)
    return result;
  result = HandleCustomMessage(msg, wparam, lparam, handled);
  if (handled)
    return result;
  if (m_PaintManager.MessageHandler(msg, wparam, lparam, result))
    return result;
  return CWindowWnd::HandleMessage(msg, wparam, lparam);
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, bool& handled) {
  handled = true;
  SetWindowLongPtr(m_hWnd, GWL_STYLE, GetStyle());
  m_PaintManager.Init(m_hWnd);
  m_PaintManager.AddPreMessageFilter(this);
  if (CPaintManagerUI::GetResourcePath().IsEmpty())
    CPaintManagerUI::SetResourcePath(CPaintManagerUI::GetInstancePath() + GetSkinFolder());
  CPaintManagerUI::SetResourceZip(GetResourceType() == UILIB_ZIP ? GetZIPFileName().GetData()
                                                                 : u"");
  CDialogBuilder builder;
  CDuiString skin = GetSkinFile();
  CControlUI* root = builder.Create(skin, nullptr, this, &m_PaintManager);
  if (!root) {
    MessageBox(nullptr, (CDuiString(u"加载资源文件失败：") + skin).GetData(), u"Duilib",
               MB_OK | MB_ICONERROR);
    return -1;
  }
  m_PaintManager.AttachDialog(root);
  m_PaintManager.AddNotifier(this);
  SIZE round = m_PaintManager.GetRoundCorner();
  if (round.cx > 0 && round.cy > 0) {
    // Anti-aliased corners need an alpha channel; the region covers systems without one.
    if (QWidget* w = WidgetFromHwnd(m_hWnd)) {
      w->setAttribute(Qt::WA_TranslucentBackground, true);
      w->setAttribute(Qt::WA_OpaquePaintEvent, false);
    }
  }
  InitWindow();
  m_PaintManager.SendNotify(root, DUI_MSGTYPE_WINDOWINIT);
  return 0;
}

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  SIZE round = m_PaintManager.GetRoundCorner();
  if (wparam != SIZE_MINIMIZED && round.cx > 0 && round.cy > 0) {
    int w = LOWORD(static_cast<std::uintptr_t>(lparam));
    int h = HIWORD(static_cast<std::uintptr_t>(lparam));
    SetWindowRgn(m_hWnd, CreateRoundRectRgn(0, 0, w + 1, h + 1, round.cx, round.cy), true);
  }
  return 0;
}

bool WindowImplBase::InCaption(POINT pt) const {
  RECT client;
  if (!GetClientRect(m_hWnd, &client))
    return false;
  RECT cap = m_PaintManager.GetCaptionRect();
  if (!(pt.x >= client.left + cap.left && pt.x < client.right - cap.right && pt.y >= cap.top &&
        pt.y < cap.bottom))
    return false;
  CControlUI* c = m_PaintManager.FindControl(pt);
  if (!c)
    return true;
  return !(c->GetControlFlags() & (UIFLAG_TABSTOP | UIFLAG_SETCURSOR)) &&
         c->GetCursor() == Qt::ArrowCursor && !c->GetInterface(u"ActiveX") &&
         !c->GetInterface(u"ListItem");
}

LRESULT WindowImplBase::OnLButtonDown(UINT, WPARAM, LPARAM lparam, bool& handled) {
  handled = false;
  POINT pt{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  m_PaintManager.UpdateLayout();
  if (!InCaption(pt))
    return 0;
  QWidget* w = WidgetFromHwnd(m_hWnd);
  // Wayland lets only the compositor move windows.
  if (w && w->windowHandle() &&
      QGuiApplication::platformName().startsWith(QLatin1String("wayland")) &&
      w->windowHandle()->startSystemMove())
    return 0;
  RECT rc;
  GetWindowRect(m_hWnd, &rc);
  m_bDragging = true;
  m_ptWindowStart = POINT{rc.left, rc.top};
  m_ptDragStart = POINT{rc.left + pt.x, rc.top + pt.y};
  return 0;
}

LRESULT WindowImplBase::OnMouseMove(UINT, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  if (!m_bDragging)
    return 0;
  if (!(wparam & MK_LBUTTON)) {
    m_bDragging = false;
    SendMessage(WM_EXITSIZEMOVE);
    return 0;
  }
  RECT rc;
  GetWindowRect(m_hWnd, &rc);
  POINT screen{rc.left + GET_X_LPARAM(lparam), rc.top + GET_Y_LPARAM(lparam)};
  SetWindowPos(m_hWnd, nullptr, m_ptWindowStart.x + screen.x - m_ptDragStart.x,
               m_ptWindowStart.y + screen.y - m_ptDragStart.y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  handled = true;
  return 0;
}

LRESULT WindowImplBase::OnLButtonUp(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  if (m_bDragging) {
    m_bDragging = false;
    SendMessage(WM_EXITSIZEMOVE);
  }
  return 0;
}

LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

}  // namespace DuiLib
