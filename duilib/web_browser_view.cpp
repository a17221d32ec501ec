#include "duilib/web_browser_view.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QRegularExpression>
#include <QWheelEvent>
#include <functional>

#include "duilib/qt_convert.h"
#include "duilib/resources.h"

namespace DuiLib {
namespace {

// A page or image larger than this is not a page the pane shows.
constexpr qint64 kMaxBodyBytes = 4 << 20;
constexpr int kTransferTimeoutMs = 15000;
constexpr int kMaxRedirects = 5;
// Set on a reply whose redirect was refused: it ends as a failure, not a silent cancel.
constexpr char kRefusedProperty[] = "tavloRefused";

bool IsWebUrl(const QUrl& u) {
  return u.isValid() && !u.host().isEmpty() &&
         (u.scheme() == QLatin1String("http") || u.scheme() == QLatin1String("https"));
}

// The skin entry a skin address names, or false when it is not one (another scheme, a host,
// a query, dot segments, hidden or odd names).
bool SkinEntry(const QUrl& u, CDuiString* name) {
  if (!u.isValid() || u.scheme() != QString::fromUtf16(kSkinScheme) || !u.host().isEmpty() ||
      u.hasQuery())
    return false;
  QString path = u.path(QUrl::FullyDecoded);
  if (!path.startsWith(u'/'))
    return false;
  path.remove(0, 1);
  static const QRegularExpression kPart(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9._-]*$"));
  for (const QString& part : path.split(u'/')) {
    if (!kPart.match(part).hasMatch())
      return false;
  }
  *name = FromQt(path);
  return true;
}

// Reads a skin entry. From a skin folder only a regular file inside it counts: never a
// device, a pipe or a link that leads elsewhere.
bool ReadSkinEntry(const CDuiString& name, QByteArray* out) {
  if (Resources::GetResourceZip().IsEmpty()) {
    QFileInfo file(ToQt(Resources::GetResourcePath() + name));
    QString root = QFileInfo(ToQt(Resources::GetResourcePath())).canonicalFilePath();
    if (!file.isFile() || file.size() > kMaxBodyBytes || root.isEmpty() ||
        !file.canonicalFilePath().startsWith(root + u'/'))
      return false;
  }
  QByteArray data;
  if (!Resources::Read(name, &data) || data.size() > kMaxBodyBytes)
    return false;
  *out = std::move(data);
  return true;
}

bool IsPageName(const CDuiString& name) {
  QString n = ToQt(name).toLower();
  return n.endsWith(QLatin1String(".html")) || n.endsWith(QLatin1String(".htm"));
}

// Shown for every picture that is not (yet) a decoded one: a non-null answer keeps Qt from
// trying the name as a file.
const QImage& Placeholder() {
  static const QImage kImage = [] {
    QImage img(1, 1, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
  }();
  return kImage;
}

// The view's document: every resource goes through the view and nowhere else. The base
// class would read a file, a qrc: entry or a data: address by itself.
class PaneDocument : public QTextDocument {
 public:
  PaneDocument(QObject* parent, std::function<QVariant(int, const QUrl&)> loader)
      : QTextDocument(parent), loader_(std::move(loader)) {}
  // The view goes first: from then on nothing is loaded.
  void Detach() { loader_ = nullptr; }

 protected:
  QVariant loadResource(int type, const QUrl& name) override {
    return loader_ ? loader_(type, name) : QVariant();
  }

 private:
  std::function<QVariant(int, const QUrl&)> loader_;
};

// Decided on the headers, so that a download's body is never fetched.
bool IsDownload(QNetworkReply* reply) {
  int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (status >= 300 && status < 400)
    return false;  // a redirect on the way to the real answer
  QString type = reply->header(QNetworkRequest::ContentTypeHeader).toString();
  bool attachment =
      reply->rawHeader("Content-Disposition").trimmed().toLower().startsWith("attachment");
  return attachment || (!type.isEmpty() && !type.startsWith(QLatin1String("text/")));
}

}  // namespace

HtmlView::HtmlView(QWidget* parent, CWebBrowserUI* owner) : QTextBrowser(parent), owner_(owner) {
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setReadOnly(true);
  setContextMenuPolicy(Qt::DefaultContextMenu);
  base_font_size_ = font().pointSizeF();
  // An empty or failed page shows the pane's own colour rather than a white box.
  if (owner->GetBkColor() >> 24) {
    QPalette pal = palette();
    pal.setColor(QPalette::Base, ToQColor(owner->GetBkColor()));
    setPalette(pal);
  }
  setDocument(
      new PaneDocument(this, [this](int type, const QUrl& name) { return Resource(type, name); }));
  connect(this, &QTextBrowser::anchorClicked, this,
          [this](const QUrl& url) { Navigate(ResolveUrl(url).toString(), true); });
  ApplyHostInfo();
}

HtmlView::~HtmlView() {
  if (auto* doc = dynamic_cast<PaneDocument*>(document()))
    doc->Detach();
}

void HtmlView::Navigate(const QString& target, bool from_link) {
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
  QUrl u(ToQt(url));
  bool blank = u.toString() == QLatin1String("about:blank") || u.isEmpty();
  CDuiString entry;
  QByteArray shipped;
  bool skin_page = !blank && SkinEntry(u, &entry) && IsPageName(entry);
  if (!blank && !IsWebUrl(u) && !(skin_page && ReadSkinEntry(entry, &shipped))) {
    // Refused, not attempted: the page on show stays.
    if (h) {
      bool cancel = false;
      h->NavigateError(owner_, url, 0, &cancel);
    }
    return;
  }
  if (reply_)
    reply_->abort();
  if (blank || skin_page) {
    Show(blank ? QUrl() : u, QString::fromUtf8(shipped), url);
    return;
  }
  reply_ = Get(u);
  QPointer<QNetworkReply> reply = reply_;
  connect(reply_, &QNetworkReply::metaDataChanged, this, [this, reply, url]() {
    if (reply && reply->error() == QNetworkReply::NoError && IsDownload(reply)) {
      Download(url);
      reply->abort();
    }
  });
  connect(reply_, &QNetworkReply::downloadProgress, this,
          [this, reply, url](qint64 got, qint64 total) {
            if (got > kMaxBodyBytes && reply) {
              reply->abort();
              Fail(url, 0);
              return;
            }
            if (owner_->m_pHandler)
              owner_->m_pHandler->ProgressChange(owner_, static_cast<LONG>(got),
                                                 static_cast<LONG>(total));
          });
  connect(reply_, &QNetworkReply::finished, this, [this, reply, url, from_link]() {
    if (reply)
      OnFinished(reply, url, from_link);
  });
}

QNetworkReply* HtmlView::Get(const QUrl& u) {
  QNetworkRequest req(u);
  req.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                   QNetworkRequest::UserVerifiedRedirectPolicy);
  req.setMaximumRedirectsAllowed(kMaxRedirects);
  req.setTransferTimeout(kTransferTimeoutMs);
  QNetworkReply* r = net_.get(req);
  connect(r, &QNetworkReply::redirected, r, [r](const QUrl& to) {
    bool down =
        r->url().scheme() == QLatin1String("https") && to.scheme() != QLatin1String("https");
    if (IsWebUrl(to) && !down) {
      emit r->redirectAllowed();
      return;
    }
    r->setProperty(kRefusedProperty, true);
    r->abort();
  });
  return r;
}

void HtmlView::OnFinished(QNetworkReply* reply, const CDuiString& url, bool) {
  reply->deleteLater();
  if (reply == reply_)
    reply_ = nullptr;
  if (reply->property(kRefusedProperty).toBool()) {
    Fail(url, 0);
    return;
  }
  if (reply->error() == QNetworkReply::OperationCanceledError)
    return;
  if (reply->error() != QNetworkReply::NoError) {
    Fail(url, reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt());
    return;
  }
  if (IsDownload(reply)) {
    Download(url);
    return;
  }
  Show(reply->url(), QString::fromUtf8(reply->readAll()), url);
}

void HtmlView::Show(const QUrl& base, QString html, const CDuiString& url) {
  // Scripts never run here; drop them so their text does not show either.
  html.remove(QRegularExpression(QStringLiteral("<script\\b[^>]*>[\\s\\S]*?</script>"),
                                 QRegularExpression::CaseInsensitiveOption));
  base_ = base;
  images_.clear();
  document()->setBaseUrl(base);
  setHtml(html);
  owner_->m_sUrl = url;
  if (owner_->m_pHandler)
    owner_->m_pHandler->NavigateComplete2(owner_, url);
}

QVariant HtmlView::loadResource(int type, const QUrl& name) {
  return Resource(type, name);
}

QVariant HtmlView::Resource(int type, const QUrl& name) {
  QUrl u = ResolveUrl(name);
  CDuiString entry;
  QByteArray data;
  bool shipped = SkinEntry(u, &entry);
  if (type == QTextDocument::StyleSheetResource) {
    // Only the skin's own style sheets; a web one would come too late for the page anyway.
    if (shipped && ReadSkinEntry(entry, &data))
      return QString::fromUtf8(data);
    return QString();
  }
  if (type != QTextDocument::ImageResource)
    return QVariant();
  const QString key = u.toString();
  if (auto it = images_.find(key); it != images_.end())
    return it->second;
  QImage img;
  if (shipped && ReadSkinEntry(entry, &data) && img.loadFromData(data)) {
    images_[key] = img;
    return img;
  }
  images_[key] = Placeholder();
  if (!IsWebUrl(u))
    return Placeholder();
  QNetworkReply* r = Get(u);
  connect(r, &QNetworkReply::downloadProgress, r, [r](qint64 got, qint64) {
    if (got > kMaxBodyBytes)
      r->abort();
  });
  connect(r, &QNetworkReply::finished, this, [this, r, u, key]() {
    r->deleteLater();
    QImage img;
    if (r->error() == QNetworkReply::NoError && img.loadFromData(r->readAll())) {
      images_[key] = img;
      document()->addResource(QTextDocument::ImageResource, u, img);
      document()->markContentsDirty(0, document()->characterCount());
    }
  });
  return Placeholder();
}

void HtmlView::contextMenuEvent(QContextMenuEvent* e) {
  POINT pt{e->globalPos().x(), e->globalPos().y()};
  CWebBrowserEventHandler* h = owner_->m_pHandler;
  if (h && h->ShowContextMenu(owner_, 0, &pt) == S_OK)
    return;
  QMenu* menu = createStandardContextMenu(e->pos());
  menu->addAction(QStringLiteral("刷新"), this, [this]() { owner_->Refresh(); });
  menu->exec(e->globalPos());
  delete menu;
}

void HtmlView::keyPressEvent(QKeyEvent* e) {
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
  if (fixed_zoom_ && (e->matches(QKeySequence::ZoomIn) || e->matches(QKeySequence::ZoomOut)))
    return;
  QTextBrowser::keyPressEvent(e);
}

void HtmlView::wheelEvent(QWheelEvent* e) {
  // Ctrl+wheel would zoom a fixed-zoom page; a page without scroll bars does not scroll.
  if ((fixed_zoom_ && (e->modifiers() & Qt::ControlModifier)) || no_scroll_) {
    e->accept();
    return;
  }
  QTextBrowser::wheelEvent(e);
}

void HtmlView::focusInEvent(QFocusEvent* e) {
  if (owner_->m_pHandler)
    owner_->m_pHandler->OnDocWindowActivate(owner_, true);
  QTextBrowser::focusInEvent(e);
}

void HtmlView::Fail(const CDuiString& url, int status) {
  setHtml(QString());
  if (owner_->m_pHandler) {
    bool cancel = false;
    owner_->m_pHandler->NavigateError(owner_, url, status, &cancel);
  }
}

void HtmlView::Download(const CDuiString& url) {
  if (owner_->m_pHandler && owner_->m_pHandler->Download(owner_, url) == S_OK)
    return;
  // Unhandled: the user's own browser may fetch it; nothing is stored from here.
  QDesktopServices::openUrl(QUrl(ToQt(url)));
}

void HtmlView::ApplyHostInfo() {
  CWebBrowserEventHandler* h = owner_->m_pHandler;
  if (!h)
    return;
  DOCHOSTUIINFO info;
  info.cbSize = sizeof(info);
  HRESULT hr = h->GetHostInfo(owner_, &info);
  // The strings are ours to free, whatever the answer.
  QString css = info.pchHostCss ? QString::fromUtf16(info.pchHostCss) : QString();
  CoTaskMemFree(info.pchHostCss);
  CoTaskMemFree(info.pchHostNS);
  if (hr != S_OK)
    return;
  if (info.dwFlags & (DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_NO3DOUTERBORDER))
    setFrameShape(QFrame::NoFrame);
  no_scroll_ = info.dwFlags & DOCHOSTUIFLAG_SCROLL_NO;
  if (no_scroll_) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  }
  if (css.isEmpty())
    return;
  // QTextDocument has no zoom property: honour it as a font scale of the view's own size
  // (asked again per page, so it must not compound), and pass the rest on.
  QRegularExpressionMatch m = QRegularExpression(QStringLiteral("zoom\\s*:\\s*(\\d+)%"),
                                                 QRegularExpression::CaseInsensitiveOption)
                                  .match(css);
  int zoom = m.hasMatch() ? m.captured(1).toInt() : 0;
  fixed_zoom_ = zoom > 0;
  if (fixed_zoom_ && base_font_size_ > 0) {
    QFont f = font();
    f.setPointSizeF(base_font_size_ * zoom / 100.0);
    setFont(f);
  }
  document()->setDefaultStyleSheet(css);
}

}  // namespace DuiLib
