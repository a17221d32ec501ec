// Events, notifications and the small interfaces between controls, windows and builders.
// UI thread only.
#pragma once

#include <map>

#include "duilib/ui_types.h"

namespace DuiLib {

class CControlUI;

// Events a paint manager delivers to controls through DoEvent.
enum EVENTTYPE_UI {
  UIEVENT__FIRST = 1,
  UIEVENT__KEYBEGIN,
  UIEVENT_KEYDOWN,
  UIEVENT_KEYUP,
  UIEVENT_CHAR,
  UIEVENT_SYSKEY,
  UIEVENT__KEYEND,
  UIEVENT__MOUSEBEGIN,
  UIEVENT_MOUSEMOVE,
  UIEVENT_MOUSELEAVE,
  UIEVENT_MOUSEENTER,
  UIEVENT_MOUSEHOVER,
  UIEVENT_BUTTONDOWN,
  UIEVENT_BUTTONUP,
  UIEVENT_RBUTTONDOWN,
  UIEVENT_DBLCLICK,
  UIEVENT_CONTEXTMENU,
  UIEVENT_SCROLLWHEEL,
  UIEVENT__MOUSEEND,
  UIEVENT_KILLFOCUS,
  UIEVENT_SETFOCUS,
  UIEVENT_WINDOWSIZE,
  UIEVENT_SETCURSOR,
  UIEVENT_TIMER,
  UIEVENT_NOTIFY,
  UIEVENT_COMMAND,
  UIEVENT__LAST,
};

// Control state bits.
constexpr UINT UISTATE_FOCUSED = 0x00000001;
constexpr UINT UISTATE_SELECTED = 0x00000002;
constexpr UINT UISTATE_DISABLED = 0x00000004;
constexpr UINT UISTATE_HOT = 0x00000008;
constexpr UINT UISTATE_PUSHED = 0x00000010;
constexpr UINT UISTATE_READONLY = 0x00000020;
constexpr UINT UISTATE_CAPTURED = 0x00000040;

// Control flags (GetControlFlags).
constexpr UINT UIFLAG_TABSTOP = 0x00000001;
constexpr UINT UIFLAG_SETCURSOR = 0x00000002;
constexpr UINT UIFLAG_WANTRETURN = 0x00000004;

// FindControl flags.
constexpr UINT UIFIND_ALL = 0x00000000;
constexpr UINT UIFIND_VISIBLE = 0x00000001;
constexpr UINT UIFIND_ENABLED = 0x00000002;
constexpr UINT UIFIND_HITTEST = 0x00000004;
constexpr UINT UIFIND_UPDATETEST = 0x00000008;
constexpr UINT UIFIND_TOP_FIRST = 0x00000010;
constexpr UINT UIFIND_ME_FIRST = 0x80000000;

// Text styles.
constexpr UINT DT_TOP = 0x00000000;
constexpr UINT DT_LEFT = 0x00000000;
constexpr UINT DT_CENTER = 0x00000001;
constexpr UINT DT_RIGHT = 0x00000002;
constexpr UINT DT_VCENTER = 0x00000004;
constexpr UINT DT_BOTTOM = 0x00000008;
constexpr UINT DT_WORDBREAK = 0x00000010;
constexpr UINT DT_SINGLELINE = 0x00000020;
constexpr UINT DT_CALCRECT = 0x00000400;
constexpr UINT DT_NOPREFIX = 0x00000800;
constexpr UINT DT_END_ELLIPSIS = 0x00008000;

// Notification types the framework sends.
inline constexpr const char16_t* DUI_MSGTYPE_CLICK = u"click";
inline constexpr const char16_t* DUI_MSGTYPE_SELECTCHANGED = u"selectchanged";
inline constexpr const char16_t* DUI_MSGTYPE_VALUECHANGED = u"valuechanged";
inline constexpr const char16_t* DUI_MSGTYPE_TEXTCHANGED = u"textchanged";
inline constexpr const char16_t* DUI_MSGTYPE_WINDOWINIT = u"windowinit";
inline constexpr const char16_t* DUI_MSGTYPE_ITEMSELECT = u"itemselect";
inline constexpr const char16_t* DUI_MSGTYPE_ITEMCLICK = u"itemclick";
inline constexpr const char16_t* DUI_MSGTYPE_ITEMACTIVATE = u"itemactivate";
inline constexpr const char16_t* DUI_MSGTYPE_SETFOCUS = u"setfocus";
inline constexpr const char16_t* DUI_MSGTYPE_KILLFOCUS = u"killfocus";
inline constexpr const char16_t* DUI_MSGTYPE_RETURN = u"return";
inline constexpr const char16_t* DUI_MSGTYPE_LINK = u"link";
inline constexpr const char16_t* DUI_MSGTYPE_MENU = u"menu";
inline constexpr const char16_t* DUI_MSGTYPE_TIMER = u"timer";
inline constexpr const char16_t* DUI_MSGTYPE_TABSELECT = u"tabselect";
inline constexpr const char16_t* DUI_MSGTYPE_HEADERCLICK = u"headerclick";

struct TEventUI {
  int Type = 0;
  CControlUI* pSender = nullptr;
  DWORD dwTimestamp = 0;
  POINT ptMouse{};
  TCHAR chKey = 0;
  WORD wKeyState = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

struct TNotifyUI {
  CDuiString sType;
  CDuiString sVirtualWnd;
  CControlUI* pSender = nullptr;
  DWORD dwTimestamp = 0;
  POINT ptMouse{};
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// The dwTimestamp of new events and notifications: wall-clock milliseconds, cut to 32 bits.
DWORD EventTimestamp();

class INotifyUI {
 public:
  virtual void Notify(TNotifyUI& msg) = 0;

 protected:
  virtual ~INotifyUI() = default;
};

class IMessageFilterUI {
 public:
  virtual LRESULT MessageHandler(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) = 0;

 protected:
  virtual ~IMessageFilterUI() = default;
};

class IDialogBuilderCallback {
 public:
  // Returns a new control for a class name the framework does not know, or nullptr.
  virtual CControlUI* CreateControl(LPCTSTR class_name) = 0;

 protected:
  virtual ~IDialogBuilderCallback() = default;
};

// Routes notifications to named virtual windows; a window's own handling goes in
// LoopDispatch. Not owning: registered pumps must outlive this one.
class CNotifyPump {
 public:
  virtual ~CNotifyPump() = default;
  bool AddVirtualWnd(const CDuiString& name, CNotifyPump* pump);
  bool RemoveVirtualWnd(const CDuiString& name);
  void NotifyPump(TNotifyUI& msg);

 protected:
  // Returns true when the notification was handled.
  virtual bool LoopDispatch(TNotifyUI&) { return false; }

 private:
  std::map<CDuiString, CNotifyPump*> virtual_wnds_;
};

}  // namespace DuiLib
