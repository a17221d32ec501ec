#include "duilib/web_browser.h"

#include <cstdlib>

#include "duilib/paint_manager.h"
#include "duilib/qt_convert.h"
#include "duilib/web_browser_view.h"
#include "duilib/win_api.h"

namespace DuiLib {

void* CoTaskMemAlloc(size_t bytes) {
  return std::malloc(bytes ? bytes : 1);
}

void CoTaskMemFree(void* p) {
  std::free(p);
}

CActiveXUI::~CActiveXUI() {
  if (m_view)
    m_view->deleteLater();
}

LPVOID CActiveXUI::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"ActiveX"))
    return this;
  return CControlUI::GetInterface(name);
}

void CActiveXUI::SetDelayCreate(bool delay) {
  m_bDelayCreate = delay;
  if (!delay)
    CreateView();
}

bool CActiveXUI::CreateView() {
  if (m_view)
    return true;
  if (!m_pManager)
    return false;
  QWidget* host = WidgetFromHwnd(m_pManager->GetPaintWindow());
  if (!host)
    return false;
  m_view = MakeView(host);
  if (!m_view)
    return false;
  SyncView();
  return true;
}

QWidget* CActiveXUI::MakeView(QWidget* host) {
  auto* w = new QWidget(host);
  w->setAttribute(Qt::WA_NoSystemBackground);
  return w;
}

void CActiveXUI::SyncView() {
  if (!m_view)
    return;
  m_view->setGeometry(ToQt(m_rcItem));
  m_view->setVisible(IsVisible() && GetWidth() > 0 && GetHeight() > 0);
}

void CActiveXUI::SetVisible(bool visible) {
  CControlUI::SetVisible(visible);
  SyncView();
}

void CActiveXUI::SetInternVisible(bool visible) {
  CControlUI::SetInternVisible(visible);
  SyncView();
}

void CActiveXUI::SetPos(RECT rc, bool need_invalidate) {
  CControlUI::SetPos(rc, need_invalidate);
  if (!m_view && !m_bDelayCreate)
    CreateView();
  SyncView();
}

void CActiveXUI::DoInit() {
  if (!m_bDelayCreate)
    CreateView();
}

void CActiveXUI::SetAttribute(LPCTSTR name, LPCTSTR value) {
  std::u16string_view n(name ? name : u"");
  if (n == u"clsid")
    m_sClsid = value;
  else if (n == u"delaycreate")
    m_bDelayCreate = ParseBool(value ? value : u"");
  else
    CControlUI::SetAttribute(name, value);
}

void CActiveXUI::DoPaint(HDC dc, const RECT& paint) {
  // The view is a child widget and paints itself; the control only draws what lies behind.
  CControlUI::DoPaint(dc, paint);
}

CWebBrowserUI::CWebBrowserUI() = default;

CWebBrowserUI::~CWebBrowserUI() {
  if (m_view) {
    delete m_view.data();  // the view calls back into this object; it must not outlive it
  }
}

LPVOID CWebBrowserUI::GetInterface(LPCTSTR name) {
  if (EqualsNoCase(name ? name : u"", u"WebBrowser"))
    return this;
  return CActiveXUI::GetInterface(name);
}

QWidget* CWebBrowserUI::MakeView(QWidget* host) {
  auto* view = new HtmlView(host, this);
  if (!m_sPending.IsEmpty()) {
    CDuiString pending = m_sPending;
    m_sPending.Empty();
    view->Navigate(ToQt(pending), false);
  }
  return view;
}

void CWebBrowserUI::Navigate2(LPCTSTR url) {
  CDuiString u(url);
  if (!m_view && !CreateView()) {
    m_sPending = u;  // navigated once the view exists
    return;
  }
  static_cast<HtmlView*>(m_view.data())->Navigate(ToQt(u), false);
}

void CWebBrowserUI::NavigateHomePage() {
  if (!m_sHomePage.IsEmpty())
    Navigate2(m_sHomePage);
}

void CWebBrowserUI::Refresh() {
  if (!m_sUrl.IsEmpty())
    Navigate2(m_sUrl);
}

CDuiString CWebBrowserUI::GetPlainText() const {
  auto* view = static_cast<HtmlView*>(m_view.data());
  return view ? FromQt(view->toPlainText()) : CDuiString();
}

void CWebBrowserUI::SetAttribute(LPCTSTR name, LPCTSTR value) {
  if (std::u16string_view(name ? name : u"") == u"homepage")
    SetHomePage(value);
  else
    CActiveXUI::SetAttribute(name, value);
}

}  // namespace DuiLib
