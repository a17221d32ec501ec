// Handle table, creation and destruction, message delivery and timers.
#include <QApplication>
#include <QEventLoop>
#include <QPainter>
#include <QThread>
#include <QWindow>
#include <atomic>
#include <mutex>
#include <unordered_map>

#include "duilib/message_box.h"
#include "duilib/qt_convert.h"
#include "duilib/ui_thread.h"
#include "duilib/window_record.h"

namespace DuiLib {
namespace {

struct Table {
  std::mutex lock;  // guards `live` for lookups from other threads
  std::unordered_map<std::uintptr_t, WindowRecord*> live;
  std::uintptr_t next = 0x1000;
  std::map<std::u16string, WNDPROC> classes;
  std::map<std::u16string, UINT> messages;
  UINT next_message = 0xC000;
};

Table& table() {
  static Table* t = new Table;  // lives for the process: windows may be posted to at exit
  return *t;
}

std::uintptr_t Key(HWND h) {
  return reinterpret_cast<std::uintptr_t>(h);
}

Qt::WindowFlags FlagsFor(DWORD style, DWORD ex_style) {
  Qt::WindowFlags f = (ex_style & WS_EX_TOOLWINDOW) ? Qt::Tool : Qt::Window;
  if ((style & WS_POPUP) || (style & WS_CAPTION) != WS_CAPTION)
    f |= Qt::FramelessWindowHint;
  if (ex_style & WS_EX_TOPMOST)
    f |= Qt::WindowStaysOnTopHint;
  if (ex_style & WS_EX_TRANSPARENT)
    f |= Qt::WindowTransparentForInput;
  return f;
}

void ApplyStyles(WindowRecord* rec) {
  HostWidget* w = rec->widget;
  if (!w)
    return;
  Qt::WindowFlags want = FlagsFor(rec->style, rec->ex_style);
  if (w->windowFlags() != want) {
    bool visible = w->isVisible();
    w->quiet = true;
    w->setWindowFlags(want);  // hides the widget
    if (visible)
      w->show();
    w->quiet = false;
  }
  bool layered = rec->ex_style & WS_EX_LAYERED;
  w->setAttribute(Qt::WA_TranslucentBackground, layered);
  w->setAttribute(Qt::WA_NoSystemBackground, layered);
  w->setAttribute(Qt::WA_OpaquePaintEvent, !layered);
}

}  // namespace

WindowRecord* FindRecord(HWND hwnd) {
  if (!hwnd)
    return nullptr;
  Table& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.live.find(Key(hwnd));
  return it == t.live.end() ? nullptr : it->second;
}

bool IsUiThread() {
  return QCoreApplication::instance() &&
         QThread::currentThread() == QCoreApplication::instance()->thread();
}

bool RunOnUiThread(std::function<void()> closure) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || !closure)
    return false;
  // One queue for posts and closures: Qt keeps events posted to one receiver in order.
  return QMetaObject::invokeMethod(
      app, [c = std::move(closure)]() { c(); }, Qt::QueuedConnection);
}

bool RunForWindow(HWND window, std::function<void()> closure) {
  if (!IsWindow(window) || !closure)
    return false;
  return RunOnUiThread([window, c = std::move(closure)]() {
    if (IsWindow(window))
      c();
  });
}

bool RegisterWindowClass(LPCTSTR class_name, WNDPROC proc) {
  if (!class_name || !proc)
    return false;
  table().classes[class_name] = proc;
  return true;
}

bool IsWindowClassRegistered(LPCTSTR class_name) {
  return class_name && table().classes.count(class_name) > 0;
}

UINT RegisterWindowMessage(LPCTSTR name) {
  if (!name || !*name)
    return 0;
  Table& t = table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto [it, added] = t.messages.emplace(name, t.next_message);
  if (added)
    ++t.next_message;
  return it->second;
}

HWND CreateWindowEx(DWORD ex_style,
                    LPCTSTR class_name,
                    LPCTSTR title,
                    DWORD style,
                    int x,
                    int y,
                    int cx,
                    int cy,
                    HWND owner,
                    LPVOID create_param) {
  if (!IsUiThread() || !class_name)
    return nullptr;
  Table& t = table();
  auto cls = t.classes.find(class_name);
  if (cls == t.classes.end())
    return nullptr;
  if (owner && !FindRecord(owner))
    owner = nullptr;

  auto* rec = new WindowRecord;
  {
    std::lock_guard<std::mutex> guard(t.lock);
    rec->handle = reinterpret_cast<HWND>(t.next);
    t.next += 4;
    t.live[Key(rec->handle)] = rec;
  }
  rec->proc = cls->second;
  rec->style = style & ~WS_VISIBLE;
  rec->ex_style = ex_style;
  rec->owner = owner;
  rec->class_name = class_name;

  auto* w = new HostWidget(rec->handle);
  rec->widget = w;
  w->quiet = true;
  w->setWindowFlags(FlagsFor(rec->style, ex_style));
  ApplyStyles(rec);
  if (title)
    w->setWindowTitle(ToQt(CDuiString(title)));
  int px = x == CW_USEDEFAULT ? 100 : x;
  int py = y == CW_USEDEFAULT ? 100 : y;
  int pw = cx == CW_USEDEFAULT ? 400 : std::max(cx, 0);
  int ph = cy == CW_USEDEFAULT ? 300 : std::max(cy, 0);
  w->setGeometry(px, py, pw, ph);
  w->quiet = false;

  CREATESTRUCT cs;
  cs.lpCreateParams = create_param;
  cs.hwndParent = owner;
  cs.x = px;
  cs.y = py;
  cs.cx = pw;
  cs.cy = ph;
  cs.style = style;
  cs.dwExStyle = ex_style;
  cs.lpszName = title;
  cs.lpszClass = class_name;
  HWND h = rec->handle;
  if (!SendMessage(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) ||
      SendMessage(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(h);
    return nullptr;
  }
  if (!FindRecord(h))
    return nullptr;
  if (style & WS_VISIBLE)
    ShowWindow(h, SW_SHOWNORMAL);
  return h;
}

bool IsWindow(HWND hwnd) {
  return FindRecord(hwnd) != nullptr;
}

bool DestroyWindow(HWND hwnd) {
  WindowRecord* rec = FindRecord(hwnd);
  if (!rec || rec->destroying)
    return false;
  rec->destroying = true;
  Table& t = table();
  // Owned windows go first.
  std::vector<HWND> owned;
  {
    std::lock_guard<std::mutex> guard(t.lock);
    for (auto& [key, r] : t.live) {
      if (r->owner == hwnd)
        owned.push_back(r->handle);
    }
  }
  for (HWND o : owned)
    DestroyWindow(o);
  if (GetCapture() == hwnd)
    ReleaseCapture();
  if (rec->widget && rec->widget->isVisible()) {
    rec->widget->quiet = true;
    rec->widget->hide();
  }
  SendMessage(hwnd, WM_DESTROY, 0, 0);
  for (auto& [id, qt_id] : rec->timers) {
    if (rec->widget)
      rec->widget->killTimer(qt_id);
  }
  rec->timers.clear();
  SendMessage(hwnd, WM_NCDESTROY, 0, 0);
  {
    std::lock_guard<std::mutex> guard(t.lock);
    t.live.erase(Key(hwnd));
  }
  if (HostWidget* w = rec->widget) {
    w->Detach();
    w->hide();
    w->deleteLater();
  }
  // Callers further up the stack may still hold the record pointer; free it later.
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [rec]() { delete rec; }, Qt::QueuedConnection);
  return true;
}

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_NCCREATE:
      return 1;
    case WM_CLOSE:
      // A box's loop may be running below us with this window's widget on the stack:
      // dismiss the box and close once its loop has returned.
      if (HasOpenMessageBox(hwnd)) {
        CloseMessageBoxes(hwnd);
        PostMessage(hwnd, WM_CLOSE, wparam, lparam);
        return 0;
      }
      DestroyWindow(hwnd);
      return 0;
    case WM_PAINT:
      if (WindowRecord* rec = FindRecord(hwnd); rec && rec->painter && !rec->layered.isNull()) {
        rec->painter->setCompositionMode(QPainter::CompositionMode_Source);
        rec->painter->drawImage(0, 0, rec->layered);
      }
      return 0;
    default:
      return 0;
  }
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  return proc ? proc(hwnd, msg, wparam, lparam) : DefWindowProc(hwnd, msg, wparam, lparam);
}

LPARAM GetWindowLongPtr(HWND hwnd, int index) {
  WindowRecord* rec = FindRecord(hwnd);
  if (!rec)
    return 0;
  switch (index) {
    case GWLP_WNDPROC:
      return reinterpret_cast<LPARAM>(rec->proc);
    case GWL_STYLE: {
      DWORD s = rec->style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE | WS_DISABLED);
      if (rec->widget) {
        if (rec->widget->isVisible())
          s |= WS_VISIBLE;
        if (rec->widget->isMinimized())
          s |= WS_MINIMIZE;
        if (rec->widget->isMaximized())
          s |= WS_MAXIMIZE;
        if (!rec->widget->isEnabled())
          s |= WS_DISABLED;
      }
      return static_cast<LPARAM>(s);
    }
    case GWL_EXSTYLE:
      return static_cast<LPARAM>(rec->ex_style);
    case GWLP_USERDATA:
      return rec->user_data;
    default:
      return 0;
  }
}

LPARAM SetWindowLongPtr(HWND hwnd, int index, LPARAM value) {
  WindowRecord* rec = FindRecord(hwnd);
  if (!rec)
    return 0;
  LPARAM old = GetWindowLongPtr(hwnd, index);
  switch (index) {
    case GWLP_WNDPROC:
      if (value)
        rec->proc = reinterpret_cast<WNDPROC>(value);
      break;
    case GWL_STYLE:
      rec->style = static_cast<DWORD>(value) & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
      ApplyStyles(rec);
      break;
    case GWL_EXSTYLE:
      rec->ex_style = static_cast<DWORD>(value);
      ApplyStyles(rec);
      break;
    case GWLP_USERDATA:
      rec->user_data = value;
      break;
    default:
      return 0;
  }
  return old;
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  WindowRecord* rec = FindRecord(hwnd);
  if (!rec || !IsUiThread())
    return 0;
  return CallWindowProc(rec->proc, hwnd, msg, wparam, lparam);
}

bool PostMessage(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  return RunForWindow(hwnd,
                      [hwnd, msg, wparam, lparam]() { SendMessage(hwnd, msg, wparam, lparam); });
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse_ms) {
  WindowRecord* rec = FindRecord(hwnd);
  if (!rec || !rec->widget || rec->destroying)
    return 0;
  if (auto it = rec->timers.find(id); it != rec->timers.end())
    rec->widget->killTimer(it->second);
  int qt_id =
      rec->widget->startTimer(static_cast<int>(std::max<UINT>(elapse_ms, 1)), Qt::PreciseTimer);
  if (!qt_id) {
    rec->timers.erase(id);
    return 0;
  }
  rec->timers[id] = qt_id;
  return id ? id : 1;
}

bool KillTimer(HWND hwnd, UINT_PTR id) {
  WindowRecord* rec = FindRecord(hwnd);
  if (!rec)
    return false;
  auto it = rec->timers.find(id);
  if (it == rec->timers.end())
    return false;
  if (rec->widget)
    rec->widget->killTimer(it->second);
  rec->timers.erase(it);
  return true;
}

QWidget* WidgetFromHwnd(HWND hwnd) {
  WindowRecord* rec = FindRecord(hwnd);
  return rec ? rec->widget.data() : nullptr;
}

HWND HwndFromWidget(const QWidget* widget) {
  if (!widget)
    return nullptr;
  auto* host = dynamic_cast<const HostWidget*>(widget->window());
  return host ? host->hwnd() : nullptr;
}

HDC GetPaintPainter(HWND hwnd) {
  WindowRecord* rec = FindRecord(hwnd);
  return rec ? rec->painter : nullptr;
}

}  // namespace DuiLib
