#include "duilib/web_browser.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMenu>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBrowser>
#include <cstdlib>
#include <cstring>
#include <map>

#include "duilib/paint_manager.h"
#include "duilib/qt_convert.h"
#include "duilib/win_api.h"

namespace DuiLib {

void* CoTaskMemAlloc(size_t bytes) {
  return std::malloc(bytes ? bytes : 1);
}

void CoTaskMemFree(void* p) {
  std::free(p);
}

// The content view: a read-only rich-text browser that fetches over HTTP itself.
class HtmlView : public QTextBrowser {
 public:
  HtmlView(QWidget* parent, CWebBrowserUI* owner) : QTextBrowser(parent), owner_(owner) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setReadOnly(true);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    connect(this, &QTextBrowser::anchorClicked, this,
            [this](const QUrl& url) { Navigate(ResolveUrl(url).toString(), true); });
    ApplyHostInfo();
  }

  void Navigate(const QString& target, bool from_link) {
    // The handler may have been installed after the view was created: ask it per document.
    ApplyHostInfo();
    CWebBrowserEventHandler* h = owner_->m_pHandler;
    CDuiString url = FromQt(target);
    if (h) {
      char16_t* translated = nullptr;
      if (h->TranslateUrl(owner_, url, &translated) == S_OK && translated) {
        url = translated;
        CoTaskMemFree(translated);
      }
      bool cancel = false;
      h->BeforeNavigate2(owner_, url, &cancel);
      if (cancel)
        return;
    }
    if (reply_)
      reply_->abort();
    QUrl u(ToQt(url));
    if (u.toString() == QLatin1String("about:blank") || u.isEmpty()) {
      base_ = QUrl();
      setHtml(QString());
      owner_->m_sUrl = url;
      if (h)
        h->NavigateComplete2(owner_, url);
      return;
    }
    if (u.scheme() != QLatin1String("http")) {
      Fail(url, 0);
      return;
    }
    QNetworkRequest req(u);
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                     QNetworkRequest::NoLessSafeRedirectPolicy);
    reply_ = net_.get(req);
    QPointer<QNetworkReply> reply = reply_;
    connect(reply_, &QNetworkReply::downloadProgress, this, [this](qint64 got, qint64 total) {
      if (owner_->m_pHandler)
        owner_->m_pHandler->ProgressChange(owner_, static_cast<LONG>(got),
                                           static_cast<LONG>(total));
    });
    connect(reply_, &QNetworkReply::finished, this, [this, reply, url, from_link]() {
      if (!reply)
        return;
      reply->deleteLater();
      if (reply == reply_)
        reply_ = nullptr;
      if (reply->error() == QNetworkReply::OperationCanceledError)
        return;
      int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
      if (reply->error() != QNetworkReply::NoError) {
        Fail(url, status);
        return;
      }
      QString type = reply->header(QNetworkRequest::ContentTypeHeader).toString();
      bool attachment = reply->rawHeader("Content-Disposition").startsWith("attachment");
      if (attachment || (!type.isEmpty() && !type.startsWith(QLatin1String("text/")))) {
        Download(url, from_link);
        return;
      }
      base_ = reply->url();
      QByteArray body = reply->readAll();
      QString html = QString::fromUtf8(body);
      // Scripts never run here; drop them so their text does not show either.
      html.remove(QRegularExpression(QStringLiteral("<script\\b[^>]*>[\\s\\S]*?</script>"),
                                     QRegularExpression::CaseInsensitiveOption));
      images_.clear();
      setHtml(html);
      owner_->m_sUrl = url;
      if (owner_->m_pHandler)
        owner_->m_pHandler->NavigateComplete2(owner_, url);
    });
  }

 protected:
  QVariant loadResource(int type, const QUrl& name) override {
    if (type != QTextDocument::ImageResource)
      return QTextBrowser::loadResource(type, name);
    QUrl u = ResolveUrl(name);
    auto it = images_.find(u.toString());
    if (it != images_.end())
      return it->second;
    if (u.scheme() == QLatin1String("http")) {
      images_[u.toString()] = QVariant();
      QNetworkReply* r = net_.get(QNetworkRequest(u));
      connect(r, &QNetworkReply::finished, this, [this, r, u]() {
        r->deleteLater();
        QImage img;
        if (r->error() == QNetworkReply::NoError && img.loadFromData(r->readAll())) {
          images_[u.toString()] = img;
          document()->addResource(QTextDocument::ImageResource, u, img);
          document()->markContentsDirty(0, document()->characterCount());
        }
      });
    }
    return QVariant();
  }

  void contextMenuEvent(QContextMenuEvent* e) override {
    POINT pt{e->globalPos().x(), e->globalPos().y()};
    CWebBrowserEventHandler* h = owner_->m_pHandler;
    if (h && h->ShowContextMenu(owner_, 0, &pt) == S_OK)
      return;
    QMenu* menu = createStandardContextMenu(e->pos());
    menu->addAction(QStringLiteral("刷新"), this, [this]() { owner_->Refresh(); });
    menu->exec(e->globalPos());
    delete menu;
  }

  void keyPressEvent(QKeyEvent* e) override {
    bool accelerator = (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) ||
                       (e->key() >= Qt::Key_F1 && e->key() <= Qt::Key_F24);
    if (accelerator && owner_->m_pHandler &&
        owner_->m_pHandler->TranslateAccelerator(owner_, static_cast<UINT>(e->key()),
                                                 static_cast<UINT>(e->modifiers())) == S_OK)
      return;
    if (e->key() == Qt::Key_F5) {
      owner_->Refresh();
      return;
    }
    QTextBrowser::keyPressEvent(e);
  }

  void focusInEvent(QFocusEvent* e) override {
    if (owner_->m_pHandler)
      owner_->m_pHandler->OnDocWindowActivate(owner_, true);
    QTextBrowser::focusInEvent(e);
  }

 private:
  QUrl ResolveUrl(const QUrl& u) const { return base_.isValid() ? base_.resolved(u) : u; }

  void Fail(const CDuiString& url, int status) {
    setHtml(QString());
    if (owner_->m_pHandler) {
      bool cancel = false;
      owner_->m_pHandler->NavigateError(owner_, url, status, &cancel);
    }
  }

  void Download(const CDuiString& url, bool) {
    if (owner_->m_pHandler && owner_->m_pHandler->Download(owner_, url) == S_OK)
      return;
    QDesktopServices::openUrl(QUrl(ToQt(url)));
  }

  void ApplyHostInfo() {
    DOCHOSTUIINFO info;
    info.cbSize = sizeof(info);
    CWebBrowserEventHandler* h = owner_->m_pHandler;
    if (!h || h->GetHostInfo(owner_, &info) != S_OK)
      return;
    if (info.dwFlags & (DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_NO3DOUTERBORDER))
      setFrameShape(QFrame::NoFrame);
    if (info.dwFlags & DOCHOSTUIFLAG_SCROLL_NO) {
      setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    if (info.pchHostCss) {
      QString css = QString::fromUtf16(info.pchHostCss);
      CoTaskMemFree(info.pchHostCss);
      // QTextDocument has no zoom property: honour it as a font scale, pass the rest on.
      QRegularExpressionMatch m = QRegularExpression(QStringLiteral("zoom\\s*:\\s*(\\d+)%"),
                                                     QRegularExpression::CaseInsensitiveOption)
                                      .match(css);
      if (m.hasMatch()) {
        int zoom = m.captured(1).toInt();
        if (zoom > 0 && zoom != 100) {
          QFont f = font();
          f.setPointSizeF(f.pointSizeF() * zoom / 100.0);
          setFont(f);
        }
      }
      document()->setDefaultStyleSheet(css);
    }
    if (info.pchHostNS)
      CoTaskMemFree(info.pchHostNS);
  }

  CWebBrowserUI* owner_;
  QNetworkAccessManager net_;
  QPointer<QNetworkReply> reply_;
  QUrl base_;
  std::map<QString, QVariant> images_;
};

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
