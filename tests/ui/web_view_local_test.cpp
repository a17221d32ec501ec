// Pages served to the advert pane that name things on this machine: an endless device, a named
// pipe, a picture, a style sheet, redirects to local files and addresses of other schemes. The
// pane must stay responsive and show or read none of it. A page that freezes the view ends the
// program through the watchdog rather than hanging the run.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTextBrowser>
#include <QTextCursor>
#include <cerrno>
#include <cstdlib>

#include "support/scoped_temp_dir.h"
#include "support_qt/qt_input.h"
#include "tests/ui/advert_window.h"
#include "tests/ui/http_test_server.h"
#include "tests/ui/ui_watchdog.h"

namespace ui {
namespace {

using DuiLib::CWebBrowserUI;

const QByteArray kAdvertPath = "/adv_2015/wifi/advContainer.html";
const QRgb kPictureColour = qRgb(0xE0, 0x11, 0x5F);
const QColor kStyleColour(0xFF, 0x00, 0x00);

QByteArray PictureBytes() {
  QImage img(40, 40, QImage::Format_RGB32);
  img.fill(kPictureColour);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  img.save(&buffer, "PNG");
  return png;
}

class LocalContentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    picture_ = dir_.path() / "picture.png";
    style_ = dir_.path() / "red.css";
    pipe_ = dir_.path() / "pipe";
    ASSERT_TRUE(Write(picture_, PictureBytes()));
    ASSERT_TRUE(Write(style_, "p { color: #FF0000; }"));
    ASSERT_EQ(mkfifo(pipe_.c_str(), 0600), 0);
    testing_qt::HttpTestServer::Response picture;
    picture.content_type = "image/png";
    picture.body = PictureBytes();
    server_.Serve("/picture.png", picture);
    server_.Serve("/away.html", Redirect(Url(picture_)));
    server_.Serve("/away.png", Redirect(Url(picture_)));
    ASSERT_TRUE(server_.Listen());
    setenv("TAVLO_WEB_HOST", server_.HostAndPort().constData(), 1);
    DuiLib::CPaintManagerUI::SetResourcePath(DuiLib::CDuiString::FromUtf8(TAVLO_SKIN_DIR "/"));
  }
  void TearDown() override {
    if (hwnd_ && DuiLib::IsWindow(hwnd_))
      DuiLib::DestroyWindow(hwnd_);
    testing_qt::Pump();
    unsetenv("TAVLO_WEB_HOST");
  }

  static bool Write(const std::filesystem::path& path, const QByteArray& data) {
    QFile f(QString::fromStdString(path.string()));
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
  }
  static QByteArray Url(const std::filesystem::path& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path.string())).toEncoded();
  }
  static QByteArray Path(const std::filesystem::path& path) {
    return QByteArray::fromStdString(path.string());
  }
  static testing_qt::HttpTestServer::Response Redirect(const QByteArray& to) {
    testing_qt::HttpTestServer::Response r;
    r.status = "302 Found";
    r.extra_headers = "Location: " + to + "\r\n";
    return r;
  }
  // Serves the advert page with `head` and `body`, opens the window and waits for the page.
  void ShowAdvert(const QByteArray& head, const QByteArray& body) {
    testing_qt::HttpTestServer::Response page;
    page.body = "<html><head>" + head + "</head><body><p>页面已载入</p>" + body + "</body></html>";
    server_.Serve(kAdvertPath, page);
    hwnd_ = wnd_.Create(nullptr, u"Tavlo", WS_POPUP | WS_VISIBLE, 0, 0, 0);
    ASSERT_NE(hwnd_, nullptr);
    wnd_.GetPaintManager().UpdateLayout();
    pane_ = static_cast<CWebBrowserUI*>(wnd_.GetPaintManager().FindControl(kAdvertPaneName));
    ASSERT_NE(pane_, nullptr);
    pane_->SetWebBrowserEventHandler(&handler_);
    view_ = qobject_cast<QTextBrowser*>(pane_->GetView());
    ASSERT_NE(view_, nullptr);
    ASSERT_TRUE(testing_qt::WaitUntil([this] { return Shows(u"页面已载入"); }, 5000));
    // Laying the page out and painting it is where pictures are looked up.
    view_->grab();
    EXPECT_TRUE(Responsive());
  }
  bool Shows(std::u16string_view text) const {
    return pane_->GetPlainText().str().find(text) != std::u16string::npos;
  }
  bool ShowsPicture() const {
    QImage shot = view_->grab().toImage();
    for (int y = 0; y < shot.height(); ++y) {
      for (int x = 0; x < shot.width(); ++x) {
        if ((shot.pixel(x, y) & 0xFFFFFF) == (kPictureColour & 0xFFFFFF))
          return true;
      }
    }
    return false;
  }
  // A timer queued now fires soon: the UI thread is free.
  static bool Responsive() {
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    return testing_qt::WaitUntil([&fired] { return fired; }, 1000);
  }
  QColor TextColour(const QString& text) const {
    QTextCursor c = view_->document()->find(text);
    return c.isNull() ? QColor() : c.charFormat().foreground().color();
  }

  testing_qt::UiWatchdog watchdog_;
  test::ScopedTempDir dir_;
  std::filesystem::path picture_, style_, pipe_;
  testing_qt::HttpTestServer server_;
  AdvertWindow wnd_;
  RecordingHandler handler_;
  HWND hwnd_ = nullptr;
  CWebBrowserUI* pane_ = nullptr;
  QTextBrowser* view_ = nullptr;
};

TEST_F(LocalContentTest, EndlessDeviceIsNeverRead) {
  ShowAdvert("<link rel=\"stylesheet\" type=\"text/css\" href=\"file:///dev/zero\">",
             "<img src=\"file:///dev/zero\" width=\"20\" height=\"20\">"
             "<img src=\"/dev/zero\" width=\"20\" height=\"20\">");
  EXPECT_TRUE(Shows(u"页面已载入"));
}

TEST_F(LocalContentTest, NamedPipeIsNeverOpened) {
  ShowAdvert("<link rel=\"stylesheet\" type=\"text/css\" href=\"" + Url(pipe_) + "\">",
             "<img src=\"" + Url(pipe_) + "\"><img src=\"" + Path(pipe_) + "\">");
  // Nobody holds the pipe open for reading: a writer that will not wait finds no reader.
  int fd = open(pipe_.c_str(), O_WRONLY | O_NONBLOCK);
  int error = errno;
  if (fd >= 0)
    close(fd);
  EXPECT_EQ(fd, -1);
  EXPECT_EQ(error, ENXIO);
}

TEST_F(LocalContentTest, LocalPictureIsNotShownWhateverTheAddress) {
  const QByteArray data_url = "data:image/png;base64," + PictureBytes().toBase64();
  ShowAdvert("", "<table><tr><td background=\"" + Url(picture_) +
                     "\" width=\"40\" height=\"40\">"
                     "</td></tr></table>"
                     "<img src=\"" +
                     Url(picture_) + "\"><img src=\"" + Path(picture_) + "\">" + "<img src=\"" +
                     data_url + "\"><img src=\"/away.png\">");
  EXPECT_TRUE(testing_qt::WaitUntil([this] { return server_.Requests("/away.png") == 1; }));
  EXPECT_TRUE(Responsive());
  EXPECT_FALSE(ShowsPicture());
  // The same picture from the web does show: the check above can see it.
  testing_qt::HttpTestServer::Response page;
  page.body = "<html><body><p>网上的图片</p><img src=\"picture.png\"></body></html>";
  server_.Serve("/with-picture.html", page);
  pane_->Navigate2(DuiLib::CDuiString(WebPageUrl(u"/with-picture.html")));
  EXPECT_TRUE(testing_qt::WaitUntil([this] { return Shows(u"网上的图片") && ShowsPicture(); }));
}

TEST_F(LocalContentTest, LocalStyleSheetIsNotApplied) {
  ShowAdvert("<link rel=\"stylesheet\" type=\"text/css\" href=\"" + Url(style_) +
                 "\">"
                 "<link rel=\"stylesheet\" type=\"text/css\" href=\"" +
                 Path(style_) +
                 "\">"
                 "<style>@import url(\"" +
                 Url(style_) + "\");</style>",
             "<p>正文</p>");
  QColor colour = TextColour(QStringLiteral("正文"));
  ASSERT_TRUE(colour.isValid());
  EXPECT_NE(colour.name(), kStyleColour.name());
}

TEST_F(LocalContentTest, RedirectToALocalFileIsRefused) {
  ShowAdvert("", "");
  const std::u16string away = WebPageUrl(u"/away.html");
  pane_->Navigate2(DuiLib::CDuiString(away));
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return !handler_.errors.empty(); }));
  EXPECT_EQ(handler_.errors[0], away);
  EXPECT_EQ(server_.Requests("/away.html"), 1);
  EXPECT_FALSE(ShowsPicture());
}

TEST_F(LocalContentTest, PagesOfOtherSchemesAreRefusedAndThePageStays) {
  ShowAdvert("", "");
  const std::vector<std::u16string> refused = {
      u"file:///etc/hostname",
      u"qrc:/qt-project.org/styles/commonstyle/images/file-16.png",
      u"data:text/html,<p>data</p>",
      u"skin:/../../../etc/hostname",
      u"skin:/web/%2E%2E/%2E%2E/etc/hostname",
      u"skin:/tavlo.xml",
      u"//etc/hostname",
      u"/etc/hostname",
  };
  for (const std::u16string& url : refused)
    pane_->Navigate2(DuiLib::CDuiString(url));
  ASSERT_TRUE(testing_qt::WaitUntil([&] { return handler_.errors.size() == refused.size(); }));
  EXPECT_EQ(handler_.errors, refused);
  EXPECT_TRUE(Shows(u"页面已载入"));
}

}  // namespace
}  // namespace ui
