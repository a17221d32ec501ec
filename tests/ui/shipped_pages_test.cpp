// The product's pages that ship in the skin: the advert pane shows its page from the skin
// without any network unless a server is named, a shipped page reaches only other skin
// entries, and the links hand the browser a private copy of the shipped page.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QNetworkProxy>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "duilib/resources.h"
#include "duilib/skin_fixture.h"
#include "support/scoped_temp_dir.h"
#include "support_qt/qt_input.h"
#include "tests/ui/advert_window.h"
#include "tests/ui/http_test_server.h"
#include "tests/ui/ui_watchdog.h"
#include "ui/shipped_pages.h"

namespace ui {
namespace {

namespace fs = std::filesystem;
using DuiLib::CDuiString;
using DuiLib::CWebBrowserUI;

QByteArray SkinEntry(const std::u16string& name) {
  QByteArray data;
  DuiLib::Resources::Read(CDuiString(name), &data);
  return data;
}

std::string FileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

mode_t Mode(const fs::path& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

// The real skin archive, with no server named unless a test names one.
class ShippedPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("TAVLO_WEB_HOST");
    DuiLib::CPaintManagerUI::SetResourcePath(CDuiString::FromUtf8(TAVLO_SKIN_DIR "/"));
    DuiLib::CPaintManagerUI::SetResourceZip(u"skin.zip");
    ASSERT_FALSE(runtime_.path().empty());
    saved_runtime_ = getenv("XDG_RUNTIME_DIR") ? getenv("XDG_RUNTIME_DIR") : "";
    setenv("XDG_RUNTIME_DIR", runtime_.path().c_str(), 1);
  }
  void TearDown() override {
    if (hwnd_ && DuiLib::IsWindow(hwnd_))
      DuiLib::DestroyWindow(hwnd_);
    testing_qt::Pump();
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::DefaultProxy));
    if (saved_runtime_.empty())
      unsetenv("XDG_RUNTIME_DIR");
    else
      setenv("XDG_RUNTIME_DIR", saved_runtime_.c_str(), 1);
    unsetenv("TAVLO_WEB_HOST");
  }
  void Open() {
    hwnd_ = wnd_.Create(nullptr, u"Tavlo", WS_POPUP | WS_VISIBLE, 0, 0, 0);
    ASSERT_NE(hwnd_, nullptr);
    wnd_.GetPaintManager().UpdateLayout();
    pane_ = static_cast<CWebBrowserUI*>(wnd_.GetPaintManager().FindControl(kAdvertPaneName));
    ASSERT_NE(pane_, nullptr);
  }
  fs::path Folder() const { return runtime_.path() / "tavlo" / "web"; }

  test::ScopedTempDir runtime_;
  std::string saved_runtime_;
  AdvertWindow wnd_;
  HWND hwnd_ = nullptr;
  CWebBrowserUI* pane_ = nullptr;
};

TEST_F(ShippedPagesTest, PaneShowsTheShippedAdvertAndNothingLeavesTheMachine) {
  // Every request the pane would make, to any host, reaches this server as a proxy.
  testing_qt::HttpTestServer proxy;
  ASSERT_TRUE(proxy.Listen());
  QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy,
                                                   QStringLiteral("127.0.0.1"),
                                                   proxy.HostAndPort().split(':')[1].toUShort()));
  Open();
  QTextDocument shipped;
  shipped.setHtml(QString::fromUtf8(SkinEntry(u"web/advContainer.html")));
  const QString expected = shipped.toPlainText().simplified();
  ASSERT_TRUE(expected.contains(QStringLiteral("Tavlo 热点小贴士")));
  EXPECT_TRUE(testing_qt::WaitUntil([&] {
    return QString::fromStdU16String(pane_->GetPlainText().str()).simplified() == expected;
  }));
  EXPECT_EQ(pane_->GetCurrentUrl().str(), u"skin:/web/advContainer.html");
  EXPECT_FALSE(testing_qt::WaitUntil([&proxy] { return proxy.Connections() > 0; }, 500));
  // The proxy does see what the pane fetches from the web.
  pane_->Navigate2(u"http://pages.example/x.html");
  EXPECT_TRUE(testing_qt::WaitUntil([&proxy] { return proxy.Connections() > 0; }));
}

TEST_F(ShippedPagesTest, NamedServerStillServesThePane) {
  testing_qt::HttpTestServer server;
  testing_qt::HttpTestServer::Response page;
  page.body = "<html><body><p>服务器上的页面</p></body></html>";
  server.Serve("/adv_2015/wifi/advContainer.html", page);
  ASSERT_TRUE(server.Listen());
  setenv("TAVLO_WEB_HOST", server.HostAndPort().constData(), 1);
  Open();
  EXPECT_TRUE(testing_qt::WaitUntil([this] {
    return pane_->GetPlainText().str().find(u"服务器上的页面") != std::u16string::npos;
  }));
  EXPECT_EQ(pane_->GetCurrentUrl().str(), WebPageUrl(kAdvertContainerPath));
}

TEST_F(ShippedPagesTest, ShippedPagesAreChineseAndLinkOnlyToEachOther) {
  static const QRegularExpression kReference(
      QString::fromLatin1(R"re((?:href|src)\s*=\s*"([^"]*)"|url\(|@import)re"));
  for (const char16_t* page : kShippedPages) {
    const std::u16string entry = std::u16string(kShippedPagesFolder) + page;
    const QString html = QString::fromUtf8(SkinEntry(entry));
    SCOPED_TRACE(html.left(80).toStdString());
    ASSERT_FALSE(html.isEmpty());
    EXPECT_TRUE(html.contains(QStringLiteral("<html lang=\"zh-CN\">")));
    EXPECT_TRUE(html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    EXPECT_TRUE(html.contains(QStringLiteral("<title>")));
    for (auto it = kReference.globalMatch(html); it.hasNext();) {
      const QString target = it.next().captured(1);
      // A fragment of the page itself, or another shipped page by its plain name.
      EXPECT_TRUE(target.startsWith(u'#') || (!target.contains(u'/') && !target.contains(u':') &&
                                              !ShippedPageEntry(target.toStdU16String()).empty()))
          << target.toStdString();
    }
  }
}

TEST_F(ShippedPagesTest, BrowserGetsAPrivateCopyOfTheShippedPage) {
  const std::u16string url = BrowserPageUrl(kWebContainerPath, u"");
  const fs::path copy = Folder() / "webContainer.html";
  EXPECT_EQ(url,
            QUrl::fromLocalFile(QString::fromStdString(copy.string())).toString().toStdU16String());
  EXPECT_EQ(FileText(copy), SkinEntry(u"web/webContainer.html").toStdString());
  // The page it links to is there too.
  EXPECT_EQ(FileText(Folder() / "webContainerFriend.html"),
            SkinEntry(u"web/webContainerFriend.html").toStdString());
  EXPECT_EQ(Mode(Folder().parent_path()) & 07777, 0700u);
  EXPECT_EQ(Mode(Folder()) & 07777, 0700u);
  EXPECT_EQ(Mode(copy) & 07777, 0600u);
  // A named server is used as it is, and a path that names no shipped page gives nothing.
  EXPECT_EQ(BrowserPageUrl(kFriendContainerPath, u"http://h:1"),
            u"http://h:1/adv_2015/wifi/webContainerFriend.html");
  EXPECT_EQ(BrowserPageUrl(u"/adv_2015/wifi/other.html", u""), u"");
}

TEST_F(ShippedPagesTest, CopyingNeverWritesThroughALinkOrIntoAFolderNotOurOwn) {
  test::ScopedTempDir elsewhere;
  const fs::path victim = elsewhere.path() / "victim.html";
  std::ofstream(victim) << "untouched";
  // A link planted where a page goes is replaced, not followed; a loose folder is tightened.
  fs::create_directories(Folder());
  fs::permissions(Folder(), fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
  fs::create_symlink(victim, Folder() / "webContainerFriend.html");
  EXPECT_FALSE(BrowserPageUrl(kFriendContainerPath, u"").empty());
  EXPECT_EQ(FileText(victim), "untouched");
  EXPECT_TRUE(S_ISREG(Mode(Folder() / "webContainerFriend.html")));
  EXPECT_EQ(Mode(Folder()) & 07777, 0700u);
  // A folder that is a link somewhere else is not used at all.
  fs::remove_all(runtime_.path() / "tavlo");
  fs::create_directory_symlink(elsewhere.path(), runtime_.path() / "tavlo");
  EXPECT_EQ(BrowserPageUrl(kWebContainerPath, u""), u"");
  EXPECT_FALSE(fs::exists(elsewhere.path() / "web"));
}

class PlainWnd : public DuiLib::CWindowWnd {
 protected:
  LPCTSTR GetWindowClassName() const override { return u"ShippedPane"; }
};

// A skin of its own, as an archive or a folder: a page that reaches for files outside the skin
// (by file: address, absolute path, dot segments, a link or a pipe inside a skin folder) shows
// only what the skin holds.
class ShippedResourceTest : public ::testing::Test {
 protected:
  static QByteArray Picture(QRgb colour) {
    QImage img(30, 30, QImage::Format_RGB32);
    img.fill(colour);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    return png;
  }
  void SetUp() override {
    ASSERT_FALSE(outside_.path().empty());
    outside_picture_ = outside_.path() / "outside.png";
    QFile f(QString::fromStdString(outside_picture_.string()));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Picture(kOutside));
    f.close();
    const std::string outside = outside_picture_.string();
    page_ =
        "<html><head><link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\"></head><body>"
        "<p>正文</p><img src=\"inside.png\"><img src=\"file://" +
        outside +
        "\">"
        "<img src=\"" +
        outside + "\"><img src=\"../../../../../../.." + outside +
        "\">"
        "<img src=\"link.png\"><img src=\"pipe.png\"></body></html>";
  }
  void Show(const char16_t* address) {
    owner_hwnd_ = owner_.Create(nullptr, u"pane", WS_POPUP | WS_VISIBLE, 0, 0, 0, 400, 300);
    pm_.Init(owner_hwnd_);
    DuiLib::CDialogBuilder builder;
    pm_.AttachDialog(
        builder.Create(u"<WebBrowser name='pane' bkcolor='#FFFFFFFF'/>", nullptr, nullptr, &pm_));
    pm_.UpdateLayout();
    pane_ = static_cast<CWebBrowserUI*>(pm_.FindControl(u"pane"));
    pane_->SetWebBrowserEventHandler(&handler_);
    pane_->SetDelayCreate(false);
    pane_->Navigate2(address);
    view_ = qobject_cast<QTextBrowser*>(pane_->GetView());
    ASSERT_NE(view_, nullptr);
    ASSERT_TRUE(testing_qt::WaitUntil(
        [this] { return pane_->GetPlainText().str().find(u"正文") != std::u16string::npos; }));
  }
  void TearDown() override {
    if (owner_hwnd_)
      DuiLib::DestroyWindow(owner_hwnd_);
    testing_qt::Pump();
  }
  bool ShowsColour(QRgb colour) const {
    QImage shot = view_->grab().toImage();
    for (int y = 0; y < shot.height(); ++y) {
      for (int x = 0; x < shot.width(); ++x) {
        if ((shot.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF))
          return true;
      }
    }
    return false;
  }
  void ExpectOnlyTheSkinShows() {
    EXPECT_TRUE(ShowsColour(kInside));
    EXPECT_FALSE(ShowsColour(kOutside));
    QTextCursor c = view_->document()->find(QStringLiteral("正文"));
    EXPECT_EQ(c.charFormat().foreground().color().name(), QStringLiteral("#00aa00"));
    EXPECT_TRUE(handler_.errors.empty());
  }

  static constexpr QRgb kInside = 0xFF1030C0;
  static constexpr QRgb kOutside = 0xFFE0115F;
  testing_qt::UiWatchdog watchdog_;
  test::ScopedTempDir outside_;
  fs::path outside_picture_;
  std::string page_;
  PlainWnd owner_;
  HWND owner_hwnd_ = nullptr;
  DuiLib::CPaintManagerUI pm_;
  RecordingHandler handler_;
  CWebBrowserUI* pane_ = nullptr;
  QTextBrowser* view_ = nullptr;
};

TEST_F(ShippedResourceTest, FromTheArchive) {
  DuiLib::SkinFixture skin({{"web/page.html", page_},
                            {"web/inside.png", Picture(kInside).toStdString()},
                            {"web/style.css", "p { color: #00AA00; }"}});
  Show(u"skin:/web/page.html");
  ExpectOnlyTheSkinShows();
}

TEST_F(ShippedResourceTest, FromAFolder) {
  test::ScopedTempDir skin;
  const fs::path web = skin.path() / "web";
  fs::create_directories(web);
  std::ofstream(web / "page.html") << page_;
  std::ofstream(web / "inside.png", std::ios::binary) << Picture(kInside).toStdString();
  std::ofstream(web / "style.css") << "p { color: #00AA00; }";
  fs::create_symlink(outside_picture_, web / "link.png");
  ASSERT_EQ(mkfifo((web / "pipe.png").c_str(), 0600), 0);
  DuiLib::CPaintManagerUI::SetResourcePath(CDuiString::FromUtf8(skin.path().string() + "/"));
  DuiLib::CPaintManagerUI::SetResourceZip(u"");
  Show(u"skin:/web/page.html");
  ExpectOnlyTheSkinShows();
}

}  // namespace
}  // namespace ui
