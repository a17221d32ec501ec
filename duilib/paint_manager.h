// CPaintManagerUI: one per window. It owns nothing of the control tree's lifetime except the
// attached root (deleted with the manager), keeps the window's fonts, images and default
// attribute lists (or uses a parent manager's), lays out and paints the tree, turns window
// messages into control events, tracks hover/capture/focus and sends notifications.
//
// Thread affinity: UI thread. Resource paths and the archive are process-wide (static).
// Failure: missing fonts fall back to the default font, missing images draw nothing.
#pragma once

#include <QFont>
#include <QIcon>
#include <QImage>
#include <map>
#include <memory>
#include <vector>

#include "duilib/control.h"
#include "duilib/ui_events.h"

namespace DuiLib {

class COptionUI;

struct TFontInfo {
  QFont font;
  CDuiString sFontName;
  int iSize = 12;
  bool bBold = false;
  bool bUnderline = false;
  bool bItalic = false;
};

struct TImageInfo {
  QImage image;  // premultiplied ARGB; its devicePixelRatio says 1x or 2x
  int nX = 0;    // size in layout pixels
  int nY = 0;
};

class CPaintManagerUI {
 public:
  CPaintManagerUI();
  CPaintManagerUI(const CPaintManagerUI&) = delete;
  CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;
  ~CPaintManagerUI();

  // Process-wide: the resource path becomes the executable's directory.
  static void SetInstance(HINSTANCE instance);
  static HINSTANCE GetInstance();
  static CDuiString GetInstancePath();
  static void SetResourcePath(LPCTSTR path);
  static CDuiString GetResourcePath();
  static void SetResourceZip(LPCTSTR zip_name);
  static CDuiString GetResourceZip();
  // Loads the skin archive's icon resource `id` (icon<id>.png and its sized variants).
  static QIcon LoadIconResource(UINT id);

  void Init(HWND wnd);
  HWND GetPaintWindow() const { return m_hWndPaint; }
  // The painter of the paint in progress; nullptr outside WM_PAINT.
  HDC GetPaintDC() const;
  // Pixels per layout pixel of the window's screen (2 on a high-density screen).
  qreal GetDpiScale() const;

  bool AttachDialog(CControlUI* root);
  CControlUI* GetRoot() const { return m_pRoot; }
  // Registers the control's name (and its subtree's) so FindControl can answer.
  bool InitControls(CControlUI* control, CControlUI* parent = nullptr);
  void ReapObjects(CControlUI* control);
  // Queues a control for deletion after the current event (used by containers).
  void AddDelayedCleanup(CControlUI* control);

  CControlUI* FindControl(LPCTSTR name) const;
  CControlUI* FindControl(POINT pt) const;
  CControlUI* FindSubControlByName(CControlUI* parent, LPCTSTR name) const;

  // Window properties from the layout.
  SIZE GetInitSize() const { return m_szInitWindowSize; }
  void SetInitSize(int cx, int cy);
  SIZE GetClientSize() const;
  RECT GetCaptionRect() const { return m_rcCaption; }
  void SetCaptionRect(RECT rc) { m_rcCaption = rc; }
  SIZE GetRoundCorner() const { return m_szRoundCorner; }
  void SetRoundCorner(int cx, int cy) { m_szRoundCorner = SIZE{cx, cy}; }
  SIZE GetMinInfo() const { return m_szMinWindow; }
  void SetMinInfo(int cx, int cy) { m_szMinWindow = SIZE{cx, cy}; }
  SIZE GetMaxInfo() const { return m_szMaxWindow; }
  void SetMaxInfo(int cx, int cy) { m_szMaxWindow = SIZE{cx, cy}; }
  RECT GetSizeBox() const { return m_rcSizeBox; }
  void SetSizeBox(RECT rc) { m_rcSizeBox = rc; }
  bool IsShowShadow() const { return m_bShowShadow; }
  void SetShowShadow(bool show) { m_bShowShadow = show; }

  // Resources, shared with a parent manager when one is used.
  void UseParentResource(CPaintManagerUI* parent);
  CPaintManagerUI* GetParentResource() const { return m_pParentResourcePM; }
  void AddFont(int id,
               LPCTSTR name,
               int size,
               bool bold,
               bool underline,
               bool italic,
               bool is_default = false);
  const TFontInfo* GetFontInfo(int id) const;
  QFont GetFont(int id) const;
  const TFontInfo* GetDefaultFontInfo() const;
  void AddDefaultAttributeList(LPCTSTR name, LPCTSTR list);
  // The list, or nullptr (an empty string counts as present).
  LPCTSTR GetDefaultAttributeList(LPCTSTR name) const;
  // Loads (and caches) a skin image; nullptr when it cannot be read.
  const TImageInfo* GetImageEx(LPCTSTR name);
  void RemoveAllImages();
  DWORD GetDefaultDisabledColor() const { return m_dwDefaultDisabledColor; }
  DWORD GetDefaultFontColor() const { return m_dwDefaultFontColor; }
  void SetDefaultDisabledColor(DWORD c) { m_dwDefaultDisabledColor = c; }
  void SetDefaultFontColor(DWORD c) { m_dwDefaultFontColor = c; }
  DWORD GetDefaultLinkFontColor() const { return m_dwDefaultLinkFontColor; }

  // Invalidation and layout.
  void Invalidate();
  void Invalidate(const RECT& rc);
  void NeedUpdate();
  // Lays out pending changes now (paint and hit-testing do this themselves).
  void UpdateLayout();

  // Focus, hover and capture.
  CControlUI* GetFocus() const { return m_pFocus; }
  void SetFocus(CControlUI* control);
  void SetFocusNeeded(CControlUI* control) { SetFocus(control); }
  bool SetNextTabControl(bool forward = true);
  void SetCapture();
  void ReleaseCapture();
  bool IsCaptured() const { return m_bMouseCapture; }
  POINT GetMousePos() const { return m_ptLastMousePos; }
  CControlUI* GetHoverControl() const { return m_pEventHover; }

  // Per-control timers, delivered as UIEVENT_TIMER with wParam = id.
  bool SetTimer(CControlUI* control, UINT id, UINT elapse_ms);
  bool KillTimer(CControlUI* control, UINT id);
  void KillTimer(CControlUI* control);

  // Notifications go to every notifier synchronously (or, with `async`, on a later turn of
  // the loop, skipped if the window is gone by then).
  bool AddNotifier(INotifyUI* notifier);
  bool RemoveNotifier(INotifyUI* notifier);
  void SendNotify(TNotifyUI& msg, bool async = false);
  void SendNotify(CControlUI* control,
                  LPCTSTR type,
                  WPARAM wparam = 0,
                  LPARAM lparam = 0,
                  bool async = false);

  bool AddPreMessageFilter(IMessageFilterUI* filter);
  bool RemovePreMessageFilter(IMessageFilterUI* filter);
  bool AddMessageFilter(IMessageFilterUI* filter);
  bool RemoveMessageFilter(IMessageFilterUI* filter);
  bool PreMessageHandler(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result);
  // Handles the window's messages for the control tree; true when handled (result set).
  bool MessageHandler(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result);

  // Option groups (one selected option per group within the window).
  void AddOptionGroup(const CDuiString& group, COptionUI* option);
  void RemoveOptionGroup(const CDuiString& group, COptionUI* option);
  std::vector<COptionUI*> GetOptionGroup(const CDuiString& group) const;

  // Removes a control's registration (name, hover, focus, timers) before it is deleted.
  void OnControlRemoved(CControlUI* control);
  void SetCursorFor(CControlUI* control);

 private:
  struct TimerInfo {
    CControlUI* control;
    UINT local_id;
    UINT_PTR window_id;
  };
  CPaintManagerUI* ResourceRoot();
  const CPaintManagerUI* ResourceRoot() const;
  void Paint(HDC dc);
  void DispatchMouse(int type, POINT pt, WPARAM key_state, WPARAM wparam = 0);
  void UpdateHover(POINT pt);
  // Hands the hovered control's tooltip to the window when it changed.
  void RefreshToolTip();

  HWND m_hWndPaint = nullptr;
  CControlUI* m_pRoot = nullptr;
  CControlUI* m_pFocus = nullptr;
  CControlUI* m_pEventHover = nullptr;
  CControlUI* m_pEventClick = nullptr;
  bool m_bUpdateNeeded = false;
  bool m_bMouseCapture = false;
  bool m_bMouseTracking = false;
  bool m_bShowShadow = false;
  POINT m_ptLastMousePos{-1, -1};
  SIZE m_szInitWindowSize{};
  SIZE m_szMinWindow{};
  SIZE m_szMaxWindow{};
  SIZE m_szRoundCorner{};
  RECT m_rcCaption{};
  RECT m_rcSizeBox{};
  DWORD m_dwDefaultDisabledColor = 0xFFA7A6AA;
  DWORD m_dwDefaultFontColor = 0xFF000000;
  DWORD m_dwDefaultLinkFontColor = 0xFF0000FF;
  CPaintManagerUI* m_pParentResourcePM = nullptr;
  std::map<CDuiString, CControlUI*> m_mNameHash;
  std::map<int, TFontInfo> m_aCustomFonts;
  int m_iDefaultFont = -1;
  std::map<CDuiString, CDuiString> m_DefaultAttrHash;
  std::map<CDuiString, std::unique_ptr<TImageInfo>> m_mImageHash;
  std::vector<INotifyUI*> m_aNotifiers;
  std::vector<IMessageFilterUI*> m_aPreMessageFilters;
  std::vector<IMessageFilterUI*> m_aMessageFilters;
  std::vector<CControlUI*> m_aDelayedCleanup;
  std::vector<TimerInfo> m_aTimers;
  std::map<CDuiString, std::vector<COptionUI*>> m_mOptionGroups;
  UINT_PTR m_uNextTimerId = 0x7F000000;
  std::shared_ptr<bool> m_alive;
};

}  // namespace DuiLib
