// The advert pane in a window built from the real skin, against a local HTTP server: the page
// loads, an unreachable server harms nothing, and the handler's answers take effect in the
// view (no menu, no shortcuts, no downloads, no scroll bars, no local files).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <cstdlib>

#include "duilib/UIlib.h"
#include "support_qt/qt_input.h"
#include "tests/ui/advert_window.h"
#include "tests/ui/http_test_server.h"
#include "tests/ui/url_recorder.h"
#include "ui/advert_pane.h"
#include "ui/web_event_handler.h"

namespace ui {
namespace {

using DuiLib::CDuiString;
using DuiLib::CWebBrowserUI;

const QByteArray kAdvertPath = QByteArray("/adv_2015/wifi/advContainer.html");
const QByteArray kSetupPath = "/files/setup.exe";

class AdvertPaneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(css_dir_.isValid());
    QFile css(css_dir_.filePath(QStringLiteral("red.css")));
    ASSERT_TRUE(css.open(QIODevice::WriteOnly));
    css.write("p { color: #FF0000; }");
    css.close();
    QByteArray page = "<html><head><link rel=\"stylesheet\" type=\"text/css\" href=\"" +
                      QUrl::fromLocalFile(css.fileName()).toEncoded() +
                      "\"></head><body><p>欢迎使用Tavlo热点</p>"
                      "<p><a href=\"/files/setup.exe\">下载客户端</a> "
                      "<a href=\"file:///etc/hostname\">本机文件</a></p>";
    for (int i = 0; i < 40; ++i)
      page += "<p>更多内容 " + QByteArray::number(i) + "</p>";
    page += "</body></html>";
    testing_qt::HttpTestServer::Response advert;
    advert.body = page;
    server_.Serve(kAdvertPath, advert);
    testing_qt::HttpTestServer::Response setup;
    setup.content_type = "application/octet-stream";
    setup.body = QByteArray(4096, 'x');
    setup.declared_length = 50'000'000;
    server_.Serve(kSetupPath, setup);
    ASSERT_TRUE(server_.Listen());
    setenv("TAVLO_WEB_HOST", server_.HostAndPort().constData(), 1);
    DuiLib::CPaintManagerUI::SetResourcePath(CDuiString::FromUtf8(TAVLO_SKIN_DIR "/"));
    DuiLib::SetMessageBoxPresenter([this](HWND, const CDuiString& text, const CDuiString&, UINT) {
      boxes_.push_back(text.str());
      return IDOK;
    });
  }
  void TearDown() override {
    if (hwnd_ && DuiLib::IsWindow(hwnd_))
      DuiLib::DestroyWindow(hwnd_);
    testing_qt::Pump();
    DuiLib::SetMessageBoxPresenter({});
    unsetenv("TAVLO_WEB_HOST");
  }

  void Open() {
    hwnd_ = wnd_.Create(nullptr, u"Tavlo", WS_POPUP | WS_VISIBLE, 0, 0, 0);
    ASSERT_NE(hwnd_, nullptr);
    pm_ = &wnd_.GetPaintManager();
    pm_->UpdateLayout();
    pane_ = static_cast<CWebBrowserUI*>(pm_->FindControl(kAdvertPaneName));
    ASSERT_NE(pane_, nullptr);
    view_ = qobject_cast<QTextBrowser*>(pane_->GetView());
    ASSERT_NE(view_, nullptr);
    // The program's handler, observed: same answers, plus a record.
    pane_->SetWebBrowserEventHandler(&handler_);
  }
  bool Loaded() {
    return testing_qt::WaitUntil([this] { return Shows(u"欢迎使用Tavlo热点"); });
  }
  std::u16string PageText() const { return pane_->GetPlainText().str(); }
  bool Shows(std::u16string_view text) const {
    return PageText().find(text) != std::u16string::npos;
  }
  // Where the given text sits in the view's viewport.
  QPoint PointOf(const QString& text) {
    QTextCursor c = view_->document()->find(text);
    EXPECT_FALSE(c.isNull()) << text.toStdString();
    c.setPosition(c.selectionStart() + 1);
    return view_->cursorRect(c).center();
  }
  // Runs `act` while watching for popup menus; closes any that opens and returns how many did.
  int PopupsDuring(const std::function<void()>& act) {
    int seen = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&seen] {
      if (QWidget* popup = QApplication::activePopupWidget()) {
        ++seen;
        popup->close();
      }
    });
    watch.start(20);
    act();
    testing_qt::WaitUntil([] { return false; }, 200);
    return seen;
  }

  testing_qt::HttpTestServer server_;
  QTemporaryDir css_dir_;
  AdvertWindow wnd_;
  RecordingHandler handler_;
  HWND hwnd_ = nullptr;
  DuiLib::CPaintManagerUI* pm_ = nullptr;
  CWebBrowserUI* pane_ = nullptr;
  QTextBrowser* view_ = nullptr;
  std::vector<std::u16string> boxes_;
};

TEST_F(AdvertPaneTest, AdvertPageLoadsIntoThePaneWithoutBordersScrollBarsOrZoom) {
  qreal app_font = QApplication::font().pointSizeF();
  Open();
  EXPECT_TRUE(wnd_.pane_found);
  ASSERT_TRUE(Loaded());
  EXPECT_EQ(server_.Requests(kAdvertPath), 1);
  EXPECT_EQ(pane_->GetCurrentUrl().str(), WebPageUrl(kAdvertContainerPath));
  EXPECT_EQ(view_->frameShape(), QFrame::NoFrame);
  EXPECT_EQ(view_->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_FALSE(view_->verticalScrollBar()->isVisible());
  EXPECT_TRUE(view_->document()->defaultStyleSheet().contains(QStringLiteral("Zoom:100%")));
  EXPECT_DOUBLE_EQ(view_->font().pointSizeF(), app_font);
  // Forty paragraphs overflow 80 pixels, yet neither the wheel nor Ctrl+wheel moves or zooms.
  QPoint mid = view_->viewport()->rect().center();
  for (Qt::KeyboardModifiers mods : {Qt::NoModifier, Qt::ControlModifier}) {
    QWheelEvent wheel(mid, view_->viewport()->mapToGlobal(mid), QPoint(), QPoint(0, -480),
                      Qt::NoButton, mods, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view_->viewport(), &wheel);
  }
  EXPECT_EQ(view_->verticalScrollBar()->value(), 0);
  EXPECT_DOUBLE_EQ(view_->font().pointSizeF(), app_font);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(AdvertPaneTest, UnreachableServerLeavesTheWindowWorking) {
  server_.Close();
  QElapsedTimer clock;
  clock.start();
  Open();
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return !handler_.errors.empty(); }));
  EXPECT_LT(clock.elapsed(), 2000);
  EXPECT_EQ(handler_.errors[0], WebPageUrl(kAdvertContainerPath));
  EXPECT_TRUE(PageText().empty());
  EXPECT_TRUE(boxes_.empty());  // no modal error
  // The pane shows its own colour, not an error page or a white box.
  QWidget* window = DuiLib::WidgetFromHwnd(hwnd_);
  RECT rc = pane_->GetPos();
  QImage shot = window->grab().toImage();
  EXPECT_EQ(shot.pixel((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2), 0xFFF5F7FAu);
  // The rest of the window still answers the mouse.
  auto* users = static_cast<DuiLib::COptionUI*>(pm_->FindControl(u"optionUsers"));
  RECT users_rc = users->GetPos();
  testing_qt::Click(window, QPoint((users_rc.left + users_rc.right) / 2, users_rc.top + 5));
  EXPECT_TRUE(users->IsSelected());
}

TEST_F(AdvertPaneTest, RightClickShowsNoMenu) {
  Open();
  ASSERT_TRUE(Loaded());
  QPoint at = PointOf(QStringLiteral("欢迎"));
  auto right_click = [this, at] {
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, view_->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view_->viewport(), &menu);
  };
  EXPECT_EQ(PopupsDuring(right_click), 0);
  // Without the handler the view's own menu appears: the watch above does see menus.
  pane_->SetWebBrowserEventHandler(nullptr);
  EXPECT_EQ(PopupsDuring(right_click), 1);
}

TEST_F(AdvertPaneTest, DownloadLinkStartsNothing) {
  testing_qt::UrlRecorder opened;
  Open();
  ASSERT_TRUE(Loaded());
  testing_qt::Click(view_->viewport(), PointOf(QStringLiteral("下载客户端")));
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return !handler_.downloads.empty(); }));
  EXPECT_EQ(handler_.downloads[0], WebPageUrl(u"/files/setup.exe"));
  // Decided on the headers: the transfer is dropped at once, not read to its end.
  EXPECT_TRUE(testing_qt::WaitUntil([this] { return server_.Abandoned(kSetupPath) == 1; }));
  EXPECT_TRUE(opened.urls.empty());  // and nothing was handed on to another program
  EXPECT_TRUE(Shows(u"欢迎使用Tavlo热点"));
  // Without the handler the link is handed on: the recorder above does see it.
  pane_->SetWebBrowserEventHandler(nullptr);
  testing_qt::Click(view_->viewport(), PointOf(QStringLiteral("下载客户端")));
  EXPECT_TRUE(testing_qt::WaitUntil([&opened] { return opened.urls.size() == 1; }));
}

TEST_F(AdvertPaneTest, AcceleratorsAreSwallowed) {
  Open();
  ASSERT_TRUE(Loaded());
  view_->setFocus();
  testing_qt::Key(view_, Qt::Key_F5);  // the browser's reload
  testing_qt::Key(view_, Qt::Key_A, Qt::ControlModifier);
  testing_qt::WaitUntil([] { return false; }, 300);
  EXPECT_EQ(server_.Requests(kAdvertPath), 1);
  EXPECT_FALSE(view_->textCursor().hasSelection());
  // The same keys act once the handler no longer takes them.
  pane_->SetWebBrowserEventHandler(nullptr);
  testing_qt::Key(view_, Qt::Key_A, Qt::ControlModifier);
  EXPECT_TRUE(view_->textCursor().hasSelection());
  testing_qt::Key(view_, Qt::Key_F5);
  EXPECT_TRUE(testing_qt::WaitUntil([this] { return server_.Requests(kAdvertPath) == 2; }));
}

TEST_F(AdvertPaneTest, LocalFilesAndOtherSchemesAreNeverOpened) {
  Open();
  ASSERT_TRUE(Loaded());
  // The page's local style sheet was not read: the text keeps its colour.
  QTextCursor c = view_->document()->find(QStringLiteral("欢迎"));
  EXPECT_NE(c.charFormat().foreground().color(), QColor(Qt::red));
  // A link to a local file is refused and the page stays.
  size_t done = handler_.completed.size();
  testing_qt::Click(view_->viewport(), PointOf(QStringLiteral("本机文件")));
  testing_qt::Pump();
  ASSERT_EQ(handler_.errors.size(), 1u);
  EXPECT_EQ(handler_.errors[0], u"file:///etc/hostname");
  EXPECT_EQ(handler_.completed.size(), done);
  EXPECT_TRUE(Shows(u"欢迎使用Tavlo热点"));
}

// Zoom other than 100 % scales the text once, however often the page is loaded.
class ZoomHandler : public CCustomWebEventHandler {
 public:
  HRESULT GetHostInfo(CWebBrowserUI* b, DuiLib::DOCHOSTUIINFO* info) override {
    CCustomWebEventHandler::GetHostInfo(b, info);
    DuiLib::CoTaskMemFree(info->pchHostCss);
    static const char16_t kCss[] = u"BODY{Zoom:150%;}";
    info->pchHostCss = static_cast<char16_t*>(DuiLib::CoTaskMemAlloc(sizeof(kCss)));
    std::copy(std::begin(kCss), std::end(kCss), info->pchHostCss);
    return S_OK;
  }
};

TEST_F(AdvertPaneTest, HostZoomScalesTheTextOnce) {
  Open();
  qreal base = view_->font().pointSizeF();
  ZoomHandler zoom;
  pane_->SetWebBrowserEventHandler(&zoom);
  for (int i = 0; i < 3; ++i)
    pane_->Navigate2(u"about:blank");
  EXPECT_DOUBLE_EQ(view_->font().pointSizeF(), base * 1.5);
  pane_->SetWebBrowserEventHandler(&handler_);
}

}  // namespace
}  // namespace ui
