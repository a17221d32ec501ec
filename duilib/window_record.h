// Framework-internal: the record behind a window handle and the Qt widget that carries it.
// UI thread only, except the handle table's lookups used by PostMessage/IsWindow.
#pragma once

#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <map>
#include <memory>
#include <optional>

#include "duilib/ui_string.h"
#include "duilib/win_api.h"

class QEventLoop;

namespace DuiLib {

class HostWidget;

struct WindowRecord {
  HWND handle = nullptr;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD ex_style = 0;
  HWND owner = nullptr;
  LPARAM user_data = 0;
  CDuiString class_name;
  QPointer<HostWidget> widget;
  std::map<UINT_PTR, int> timers;  // user id -> Qt timer id
  std::optional<QRegion> region;
  QImage layered;
  QPainter* painter = nullptr;
  bool destroying = false;
  bool moving = false;  // between a move and the end of the move (WM_EXITSIZEMOVE)
};

// Live records by handle; nullptr for anything else (including destroyed windows).
WindowRecord* FindRecord(HWND hwnd);

// The top-level widget of a window: turns Qt's events into messages to the window procedure.
class HostWidget : public QWidget {
 public:
  explicit HostWidget(HWND hwnd);
  HWND hwnd() const { return hwnd_; }
  void Detach() { hwnd_ = nullptr; }
  // Suppresses WM_MOVE/WM_SIZE while the framework itself moves the window without notifying.
  bool quiet = false;

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void timerEvent(QTimerEvent* e) override;

 private:
  LRESULT Send(UINT msg, WPARAM w, LPARAM l);
  HWND hwnd_;
};

}  // namespace DuiLib
