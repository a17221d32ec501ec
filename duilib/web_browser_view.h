// HtmlView: the content view of CWebBrowserUI. A read-only rich-text browser that fetches
// pages and images over HTTP(S) itself, shows pages shipped in the skin from memory, and asks
// the owner's event handler before each decision. It never runs scripts and never stores a
// download. Whatever a page names (pictures, style sheets, links, redirects), the view reaches
// only http(s) addresses and skin entries: never a local file, device or pipe, nor data: or
// qrc: content, because the process may run with privileges and pages come from the network.
// Its document resolves every resource through the view, so Qt's own fallbacks that would read
// a file by name never run.
//
// Thread affinity: UI thread. Ownership: a child widget of the window; its owner control
// deletes it and must outlive it. Failure: a failed or refused navigation goes to the
// handler's NavigateError; a failed one leaves an empty page in the pane's colour.
#pragma once

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTextBrowser>
#include <map>

#include "duilib/web_browser.h"

namespace DuiLib {

class HtmlView : public QTextBrowser {
 public:
  HtmlView(QWidget* parent, CWebBrowserUI* owner);
  ~HtmlView() override;

  // "about:blank" (or nothing) empties the page; http(s) loads asynchronously; a skin page
  // (kSkinScheme) shows at once; anything else is refused. `from_link` says a link in the page
  // asked for it.
  void Navigate(const QString& target, bool from_link);

  // What the document gets for a resource it names: a picture (a transparent placeholder
  // until a web picture arrives, and for anything refused), a shipped style sheet, or nothing.
  QVariant Resource(int type, const QUrl& name);

 protected:
  QVariant loadResource(int type, const QUrl& name) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;

 private:
  QUrl ResolveUrl(const QUrl& u) const { return base_.isValid() ? base_.resolved(u) : u; }
  // A GET that follows redirects only to other http(s) addresses, never down to http.
  QNetworkReply* Get(const QUrl& u);
  void OnFinished(QNetworkReply* reply, const CDuiString& url, bool from_link);
  void Show(const QUrl& base, QString html, const CDuiString& url);
  void Fail(const CDuiString& url, int status);
  void Download(const CDuiString& url);
  // Asks the handler for borders, scroll bars and the host style sheet (per document: the
  // handler may come after the view).
  void ApplyHostInfo();

  CWebBrowserUI* owner_;
  QNetworkAccessManager net_;
  QPointer<QNetworkReply> reply_;
  QUrl base_;
  std::map<QString, QVariant> images_;
  qreal base_font_size_ = 0;
  bool fixed_zoom_ = false;
  bool no_scroll_ = false;
};

}  // namespace DuiLib
