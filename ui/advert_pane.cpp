#include "ui/advert_pane.h"

#include <QUrl>
#include <cstdlib>

#include "duilib/web_browser.h"
#include "ui/shipped_pages.h"
#include "ui/web_event_handler.h"

namespace ui {
namespace {

// The origin of an http(s) server, or an empty string when `text` is anything else (a path,
// a query, credentials or another scheme would all end up in every page address).
QString WebOrigin(QString text) {
  text = text.trimmed();
  if (text.isEmpty())
    return {};
  if (!text.contains(QLatin1String("://")))
    text.prepend(QLatin1String("http://"));
  QUrl url(text, QUrl::StrictMode);
  if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() || url.hasQuery() ||
      url.hasFragment() || (url.path() != QLatin1String("/") && !url.path().isEmpty()))
    return {};
  QString scheme = url.scheme().toLower();
  if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
    return {};
  return url.adjusted(QUrl::RemovePath).toString(QUrl::FullyEncoded);
}

std::u16string ToU16(const QString& s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()),
                        static_cast<size_t>(s.size()));
}

}  // namespace

std::u16string WebHost() {
  const char* env = std::getenv("TAVLO_WEB_HOST");
  return env ? ToU16(WebOrigin(QString::fromUtf8(env))) : std::u16string();
}

std::u16string WebPageUrl(std::u16string_view path, std::u16string_view host) {
  std::u16string url(host);
  while (!url.empty() && url.back() == u'/')
    url.pop_back();
  if (path.empty() || path.front() != u'/')
    url += u'/';
  url += path;
  return url;
}

std::u16string WebPageUrl(std::u16string_view path) {
  return WebPageUrl(path, WebHost());
}

std::u16string BrowserPageUrl(std::u16string_view path, std::u16string_view host) {
  if (!host.empty())
    return WebPageUrl(path, host);
  return ExtractShippedPage(path, ShippedPagesFolder());
}

bool SetupAdvertPane(DuiLib::CPaintManagerUI& pm, std::u16string_view host) {
  DuiLib::CControlUI* control = pm.FindControl(kAdvertPaneName);
  // Checked rather than assumed: a layout that declares the name as another kind of control
  // has no advert pane, instead of a crash.
  auto* pane =
      control ? static_cast<DuiLib::CWebBrowserUI*>(control->GetInterface(u"WebBrowser")) : nullptr;
  if (!pane)
    return false;
  pane->SetDelayCreate(false);
  pane->SetWebBrowserEventHandler(GetWebEventHandler());
  pane->Navigate2(u"about:blank");
  pane->Navigate2(DuiLib::CDuiString(host.empty() ? ShippedPageAddress(kAdvertContainerPath)
                                                  : WebPageUrl(kAdvertContainerPath, host)));
  return true;
}

bool SetupAdvertPane(DuiLib::CPaintManagerUI& pm) {
  return SetupAdvertPane(pm, WebHost());
}

}  // namespace ui
