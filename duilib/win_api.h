// The window layer: top-level windows with a replaceable message procedure, posted and sent
// messages, timers, geometry, capture, regions and layered windows, over Qt top-level widgets.
//
// Thread affinity: everything here runs on the UI thread (the thread of the QApplication),
// except PostMessage, IsWindow and RunOnUiThread (ui_thread.h), which any thread may call.
// Ownership: a window lives from CreateWindowEx until DestroyWindow (or the destruction of its
// owner); its handle is never reused afterwards, so a stale handle simply fails.
// Failure: calls on a handle that is not (or no longer) a window return 0/false/nullptr.
#pragma once

#include "duilib/ui_types.h"

class QWidget;

namespace DuiLib {

// The creation record handed to WM_NCCREATE and WM_CREATE in lParam.
struct CREATESTRUCT {
  LPVOID lpCreateParams = nullptr;
  HWND hwndParent = nullptr;
  int cy = 0;
  int cx = 0;
  int y = 0;
  int x = 0;
  DWORD style = 0;
  LPCTSTR lpszName = nullptr;
  LPCTSTR lpszClass = nullptr;
  DWORD dwExStyle = 0;
};

// Window classes: a name and the procedure windows of that class start with. Registering a
// name again replaces its procedure for windows created afterwards.
bool RegisterWindowClass(LPCTSTR class_name, WNDPROC proc);
bool IsWindowClassRegistered(LPCTSTR class_name);

// Creates a top-level window (owned by `owner` when given). WM_NCCREATE and WM_CREATE are sent
// before it returns; a WM_CREATE answer of -1 destroys it again and returns nullptr. With
// WS_VISIBLE the window is shown afterwards. CW_USEDEFAULT positions/sizes pick a default.
// Style mapping: WS_POPUP or a missing WS_CAPTION make a frameless window; WS_EX_TOOLWINDOW a
// tool window; WS_EX_TOPMOST stays on top; WS_EX_LAYERED a translucent one; WS_EX_TRANSPARENT
// lets the mouse through.
HWND CreateWindowEx(DWORD ex_style,
                    LPCTSTR class_name,
                    LPCTSTR title,
                    DWORD style,
                    int x,
                    int y,
                    int cx,
                    int cy,
                    HWND owner,
                    LPVOID create_param);
// Destroys owned windows first, then hides the window and sends WM_DESTROY and WM_NCDESTROY.
bool DestroyWindow(HWND hwnd);
bool IsWindow(HWND hwnd);  // any thread

// Default answers: WM_CLOSE destroys the window (after dismissing the message boxes it owns,
// and once their loops have returned: the close is posted again meanwhile), WM_PAINT draws a
// layered window's buffer, WM_NCCREATE accepts; everything else answers 0.
LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
// GWLP_WNDPROC (returns the previous procedure: this is how a window is subclassed),
// GWL_STYLE, GWL_EXSTYLE, GWLP_USERDATA.
LPARAM GetWindowLongPtr(HWND hwnd, int index);
LPARAM SetWindowLongPtr(HWND hwnd, int index, LPARAM value);

// Calls the window's procedure now, on the calling (UI) thread.
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wparam = 0, LPARAM lparam = 0);
// Queues the message for the UI thread; messages posted from one thread arrive in order, and
// posts and RunOnUiThread closures share one queue. False when hwnd is not a window (a window
// destroyed before delivery drops the message).
bool PostMessage(HWND hwnd, UINT msg, WPARAM wparam = 0, LPARAM lparam = 0);
// WM_REGISTERED-style ids from 0xC000 up, one per distinct name, process-wide.
UINT RegisterWindowMessage(LPCTSTR name);

// Timers deliver WM_TIMER with wParam = id. Setting an existing id restarts it.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse_ms);
bool KillTimer(HWND hwnd, UINT_PTR id);

// SW_SHOWNORMAL and SW_RESTORE bring a minimized window back; SW_MINIMIZE does not activate.
// Returns whether the window was visible before.
bool ShowWindow(HWND hwnd, int cmd);
bool IsWindowVisible(HWND hwnd);
bool IsIconic(HWND hwnd);
bool IsZoomed(HWND hwnd);
bool EnableWindow(HWND hwnd, bool enable);
bool IsWindowEnabled(HWND hwnd);
bool SetWindowText(HWND hwnd, LPCTSTR text);
bool SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();
bool SetFocus(HWND hwnd);

// Geometry, in screen coordinates (client = window: windows here have no frame of their own
// unless created with a caption, and then the rectangle is the client area).
bool GetWindowRect(HWND hwnd, RECT* rc);
bool GetClientRect(HWND hwnd, RECT* rc);
bool MoveWindow(HWND hwnd, int x, int y, int cx, int cy, bool repaint);
bool SetWindowPos(HWND hwnd, HWND insert_after, int x, int y, int cx, int cy, UINT flags);
bool ClientToScreen(HWND hwnd, POINT* pt);
bool ScreenToClient(HWND hwnd, POINT* pt);
bool InvalidateRect(HWND hwnd, const RECT* rc, bool erase);
bool UpdateWindow(HWND hwnd);

// The owner (popup windows have owners, not parents).
HWND GetParent(HWND hwnd);
HWND GetWindowOwner(HWND hwnd);
HWND GetAncestor(HWND hwnd, UINT flags);

// Work area of the primary screen (screen minus panels).
bool GetPrimaryWorkArea(RECT* rc);
bool GetCursorPos(POINT* pt);
bool SetCursorPos(int x, int y);
// The framework window under a screen point, or nullptr.
HWND WindowFromPoint(POINT pt);

// Mouse capture: the captured window receives all mouse input, including outside its area.
HWND SetCapture(HWND hwnd);
bool ReleaseCapture();
HWND GetCapture();

// Regions. Region handles are owned by the caller until handed to SetWindowRgn, which takes
// them over (and frees a previous one).
constexpr int kRegionError = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;
HRGN CreateRectRgn(int l, int t, int r, int b);
// A rectangle with elliptic corners of width w and height h; as on the classic system the
// right and bottom edges are exclusive.
HRGN CreateRoundRectRgn(int l, int t, int r, int b, int w, int h);
bool DeleteObject(HRGN rgn);
// dst = src1 combined with src2 (src2 is unused for RGN_COPY); dst may be one of the sources.
// Returns the kind of the result, or kRegionError for a null handle or an unknown mode.
constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;
int CombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode);
bool PtInRegion(HRGN rgn, int x, int y);
int GetRgnBox(HRGN rgn, RECT* rc);
int SetWindowRgn(HWND hwnd, HRGN rgn, bool redraw);
// Copies the window's region into rgn; kRegionError when the window has none.
int GetWindowRgn(HWND hwnd, HRGN rgn);

// Layered windows: sets the window's pixels from a premultiplied 0xAARRGGBB buffer of
// size->cx * size->cy, moves it to *dst and resizes it. `bottom_up` buffers store the lowest
// line first (device-independent bitmap order). The window must have WS_EX_LAYERED.
bool UpdateLayeredWindow(HWND hwnd,
                         const POINT* dst,
                         const SIZE* size,
                         const DWORD* pixels,
                         bool bottom_up);

// Framework-internal bridges between handles and Qt widgets.
QWidget* WidgetFromHwnd(HWND hwnd);
HWND HwndFromWidget(const QWidget* widget);
// The painter of the WM_PAINT in progress for this window, else nullptr.
HDC GetPaintPainter(HWND hwnd);

}  // namespace DuiLib
