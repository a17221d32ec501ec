// CCustomWebEventHandler: how the advert pane's browser behaves. The pane shows a fixed page:
// no borders, no scroll bars, 100 % zoom, no context menu, no browser shortcuts, no downloads,
// no drop target and no object for page scripts. Navigation events are left to the base (they
// do nothing). The handler holds no data, so one object serves every pane.
//
// Thread affinity: UI thread (the browser asks on it). Ownership: GetWebEventHandler's object
// lives until the process exits; nobody deletes it. Failure: GetHostInfo raises
// base::HResultException(E_OUTOFMEMORY) when the style sheet cannot be allocated.
#pragma once

#include "duilib/web_browser.h"

namespace ui {

// The style sheet the browser applies under every page.
inline constexpr char16_t kHostStyleSheet[] = u"BODY{Zoom:100%;}";
// What GetHostInfo writes into the record's size field.
inline constexpr ULONG kHostInfoSize = 20;

class CCustomWebEventHandler : public DuiLib::CWebBrowserEventHandler {
 public:
  // S_OK: handled, so the browser shows no menu.
  HRESULT ShowContextMenu(DuiLib::CWebBrowserUI*, DWORD id, POINT* pt) override;
  // Adds NO3DBORDER | SCROLL_NO | NO3DOUTERBORDER to the flags (keeping the others), sets the
  // default double-click, and hands over a new copy of kHostStyleSheet (allocated with
  // CoTaskMemAlloc; the browser frees it). The namespace field is left alone. Without a record
  // it does nothing. Always S_OK.
  HRESULT GetHostInfo(DuiLib::CWebBrowserUI*, DuiLib::DOCHOSTUIINFO* info) override;
  HRESULT ShowUI(DuiLib::CWebBrowserUI*) override;  // S_FALSE: the browser's own UI
  HRESULT HideUI(DuiLib::CWebBrowserUI*) override;
  HRESULT UpdateUI(DuiLib::CWebBrowserUI*) override;
  HRESULT EnableModeless(DuiLib::CWebBrowserUI*, bool enable) override;
  HRESULT OnDocWindowActivate(DuiLib::CWebBrowserUI*, bool activate) override;
  HRESULT OnFrameWindowActivate(DuiLib::CWebBrowserUI*, bool activate) override;
  HRESULT ResizeBorder(DuiLib::CWebBrowserUI*, const RECT* border, bool frame) override;
  // S_OK: every shortcut counts as handled, so the browser acts on none.
  HRESULT TranslateAccelerator(DuiLib::CWebBrowserUI*, UINT vk, UINT modifiers) override;
  // The "nothing supplied" answers: S_OK with the output (when given) set to null.
  HRESULT GetOptionKeyPath(DuiLib::CWebBrowserUI*, char16_t** key) override;
  HRESULT GetDropTarget(DuiLib::CWebBrowserUI*, void* in, void** out) override;
  HRESULT GetExternal(DuiLib::CWebBrowserUI*, void** out) override;
  HRESULT TranslateUrl(DuiLib::CWebBrowserUI*,
                       const DuiLib::CDuiString& in,
                       char16_t** out) override;
  HRESULT FilterDataObject(DuiLib::CWebBrowserUI*, void* in, void** out) override;
  // S_OK: the download counts as handled and none takes place.
  HRESULT Download(DuiLib::CWebBrowserUI*, const DuiLib::CDuiString& url) override;
};

// The process-wide handler, created on first use.
CCustomWebEventHandler* GetWebEventHandler();

}  // namespace ui
