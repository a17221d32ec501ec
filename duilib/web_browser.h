// Hosted content: CActiveXUI (a native view created on demand or delayed) and CWebBrowserUI, a
// light HTML view over Qt Network: HTTP(S) GET only, no scripts, no local files, rendered by
// QTextDocument (web_browser_view.h). Pages shipped in the skin are addressed as
// "skin:/NAME.html" (kSkinScheme) and read from the skin in-process; what they name resolves to
// other skin entries or to http(s). It is never a full browser engine. Every browser decision
// goes through the event handler in the order below: navigation events, then the document-host
// questions (context menu, host information, accelerators, ...), then downloads.
//
// Thread affinity: UI thread. Ownership: the handler is not owned and must outlive the control.
// Failure: navigation errors go to NavigateError and leave an empty page in the control's
// background colour; a refused address (not http, https or a skin page) goes there too and
// keeps the page.
#pragma once

#include <QPointer>

#include "base/result.h"
#include "duilib/control.h"

#include <QWidget>

namespace DuiLib {

class CWebBrowserUI;

// Skin entries: "skin:/web/page.html" is the entry "web/page.html" of the skin archive (or
// folder). Names are plain relative paths: letters, digits, '.', '_' and '-', no dot segments.
inline constexpr char16_t kSkinScheme[] = u"skin";

constexpr DWORD DOCHOSTUIFLAG_NO3DBORDER = 0x00000004;
constexpr DWORD DOCHOSTUIFLAG_SCROLL_NO = 0x00000008;
constexpr DWORD DOCHOSTUIFLAG_NO3DOUTERBORDER = 0x00200000;
constexpr DWORD DOCHOSTUIDBLCLK_DEFAULT = 0;

// Host information the handler may fill. pchHostCss is allocated with CoTaskMemAlloc by the
// handler and freed by the browser.
struct DOCHOSTUIINFO {
  ULONG cbSize = 0;
  DWORD dwFlags = 0;
  DWORD dwDoubleClick = 0;
  char16_t* pchHostCss = nullptr;
  char16_t* pchHostNS = nullptr;
};

void* CoTaskMemAlloc(size_t bytes);
void CoTaskMemFree(void* p);

class CWebBrowserEventHandler {
 public:
  virtual ~CWebBrowserEventHandler() = default;
  // Navigation events.
  virtual void BeforeNavigate2(CWebBrowserUI*, const CDuiString& /*url*/, bool* /*cancel*/) {}
  virtual void NavigateError(CWebBrowserUI*,
                             const CDuiString& /*url*/,
                             int /*status*/,
                             bool* /*cancel*/) {}
  virtual void NavigateComplete2(CWebBrowserUI*, const CDuiString& /*url*/) {}
  virtual void ProgressChange(CWebBrowserUI*, LONG /*progress*/, LONG /*max*/) {}
  virtual void NewWindow3(CWebBrowserUI*, const CDuiString& /*url*/, bool* /*cancel*/) {}
  virtual void CommandStateChange(CWebBrowserUI*, LONG /*command*/, bool /*enable*/) {}
  // Document host. S_OK from ShowContextMenu means "handled": no menu appears.
  virtual HRESULT ShowContextMenu(CWebBrowserUI*, DWORD /*id*/, POINT* /*pt*/) { return S_OK; }
  virtual HRESULT GetHostInfo(CWebBrowserUI*, DOCHOSTUIINFO* /*info*/) { return S_OK; }
  virtual HRESULT ShowUI(CWebBrowserUI*) { return S_FALSE; }
  virtual HRESULT HideUI(CWebBrowserUI*) { return S_OK; }
  virtual HRESULT UpdateUI(CWebBrowserUI*) { return S_OK; }
  virtual HRESULT EnableModeless(CWebBrowserUI*, bool /*enable*/) { return S_OK; }
  virtual HRESULT OnDocWindowActivate(CWebBrowserUI*, bool /*activate*/) { return S_OK; }
  virtual HRESULT OnFrameWindowActivate(CWebBrowserUI*, bool /*activate*/) { return S_OK; }
  virtual HRESULT ResizeBorder(CWebBrowserUI*, const RECT* /*border*/, bool /*frame*/) {
    return S_OK;
  }
  // S_OK means the handler took the key: the browser does not act on it.
  virtual HRESULT TranslateAccelerator(CWebBrowserUI*, UINT /*vk*/, UINT /*modifiers*/) {
    return S_FALSE;
  }
  virtual HRESULT GetOptionKeyPath(CWebBrowserUI*, char16_t** key) {
    if (key)
      *key = nullptr;
    return S_OK;
  }
  virtual HRESULT GetDropTarget(CWebBrowserUI*, void* /*in*/, void** /*out*/) { return E_NOTIMPL; }
  virtual HRESULT GetExternal(CWebBrowserUI*, void** /*out*/) { return E_NOTIMPL; }
  virtual HRESULT TranslateUrl(CWebBrowserUI*, const CDuiString& /*in*/, char16_t** out) {
    if (out)
      *out = nullptr;
    return S_OK;
  }
  virtual HRESULT FilterDataObject(CWebBrowserUI*, void* /*in*/, void** out) {
    if (out)
      *out = nullptr;
    return S_OK;
  }
  // S_OK means the download was handled (and none takes place here).
  virtual HRESULT Download(CWebBrowserUI*, const CDuiString& /*url*/) { return S_FALSE; }
};

class CActiveXUI : public CControlUI {
 public:
  CActiveXUI() = default;
  ~CActiveXUI() override;
  LPCTSTR GetClass() const override { return u"ActiveXUI"; }
  LPVOID GetInterface(LPCTSTR name) override;

  CDuiString GetClsid() const { return m_sClsid; }
  bool IsDelayCreate() const { return m_bDelayCreate; }
  // With delayed creation off, the view is created as soon as the control has a window.
  void SetDelayCreate(bool delay = true);
  bool IsCreated() const { return m_view != nullptr; }
  QWidget* GetView() const { return m_view.data(); }

  void SetVisible(bool visible = true) override;
  void SetInternVisible(bool visible = true) override;
  void SetPos(RECT rc, bool need_invalidate = true) override;
  void DoInit() override;
  void SetAttribute(LPCTSTR name, LPCTSTR value) override;
  void DoPaint(HDC dc, const RECT& paint) override;

 protected:
  // Creates the native view inside the window; false when it cannot be created yet.
  bool CreateView();
  virtual QWidget* MakeView(QWidget* host);
  void SyncView();

  CDuiString m_sClsid;
  bool m_bDelayCreate = true;
  QPointer<QWidget> m_view;
};

class HtmlView;

class CWebBrowserUI : public CActiveXUI {
 public:
  CWebBrowserUI();
  ~CWebBrowserUI() override;
  LPCTSTR GetClass() const override { return u"WebBrowserUI"; }
  LPVOID GetInterface(LPCTSTR name) override;

  void SetWebBrowserEventHandler(CWebBrowserEventHandler* handler) { m_pHandler = handler; }
  CWebBrowserEventHandler* GetWebBrowserEventHandler() const { return m_pHandler; }
  void SetHomePage(LPCTSTR url) { m_sHomePage = url; }
  CDuiString GetHomePage() const { return m_sHomePage; }
  // Loads a page ("about:blank" clears). Asynchronous: completion goes to the handler.
  void Navigate2(LPCTSTR url);
  void NavigateHomePage();
  void Refresh();
  CDuiString GetCurrentUrl() const { return m_sUrl; }
  // The rendered page as plain text (for tests and accessibility).
  CDuiString GetPlainText() const;

  void SetAttribute(LPCTSTR name, LPCTSTR value) override;

 protected:
  QWidget* MakeView(QWidget* host) override;

 private:
  friend class HtmlView;
  CWebBrowserEventHandler* m_pHandler = nullptr;
  CDuiString m_sHomePage;
  CDuiString m_sUrl;
  CDuiString m_sPending;
};

}  // namespace DuiLib
