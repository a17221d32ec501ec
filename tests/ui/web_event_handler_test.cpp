// The handler's answers where they differ from the framework's, the web host and page
// addresses, and the pane set-up on layouts that lack a proper pane.
#include <gtest/gtest.h>

#include <cstdlib>

#include "duilib/UIlib.h"
#include "support_qt/qt_input.h"
#include "ui/advert_pane.h"
#include "ui/web_event_handler.h"

namespace ui {
namespace {

using DuiLib::DOCHOSTUIINFO;

TEST(WebEventHandlerTest, HostInfoAddsFlagsAndAFreshStyleSheet) {
  CCustomWebEventHandler handler;
  EXPECT_EQ(handler.GetHostInfo(nullptr, nullptr), S_OK);
  DOCHOSTUIINFO info;
  info.dwFlags = 0x00000001;  // a flag of the browser's own stays
  info.dwDoubleClick = 3;
  char16_t ns[] = u"ns";
  info.pchHostNS = ns;
  EXPECT_EQ(handler.GetHostInfo(nullptr, &info), S_OK);
  EXPECT_EQ(info.cbSize, 20u);
  EXPECT_EQ(info.dwFlags, 0x0020000Du);
  EXPECT_EQ(info.dwDoubleClick, DuiLib::DOCHOSTUIDBLCLK_DEFAULT);
  EXPECT_EQ(info.pchHostNS, ns);
  ASSERT_NE(info.pchHostCss, nullptr);
  EXPECT_EQ(std::u16string(info.pchHostCss), u"BODY{Zoom:100%;}");
  // Each answer is a new copy the caller owns.
  char16_t* first = info.pchHostCss;
  EXPECT_EQ(handler.GetHostInfo(nullptr, &info), S_OK);
  EXPECT_NE(info.pchHostCss, first);
  DuiLib::CoTaskMemFree(first);
  DuiLib::CoTaskMemFree(info.pchHostCss);
}

TEST(WebEventHandlerTest, ShortcutsDownloadsDropsAndScriptObjectsAreRefused) {
  CCustomWebEventHandler handler;
  DuiLib::CWebBrowserEventHandler base;
  // Where the framework lets the browser act, this handler takes the event itself.
  EXPECT_EQ(base.TranslateAccelerator(nullptr, 'R', 0), S_FALSE);
  EXPECT_EQ(handler.TranslateAccelerator(nullptr, 'R', 0), S_OK);
  EXPECT_EQ(base.Download(nullptr, u"http://x/a.exe"), S_FALSE);
  EXPECT_EQ(handler.Download(nullptr, u"http://x/a.exe"), S_OK);
  void* marker = &handler;
  void* out = marker;
  EXPECT_EQ(base.GetDropTarget(nullptr, nullptr, &out), E_NOTIMPL);
  EXPECT_EQ(handler.GetDropTarget(nullptr, nullptr, &out), S_OK);
  EXPECT_EQ(out, nullptr);
  out = marker;
  EXPECT_EQ(base.GetExternal(nullptr, &out), E_NOTIMPL);
  EXPECT_EQ(handler.GetExternal(nullptr, &out), S_OK);
  EXPECT_EQ(out, nullptr);
}

class WebHostTest : public ::testing::Test {
 protected:
  void TearDown() override { unsetenv("TAVLO_WEB_HOST"); }
  std::u16string HostFor(const char* value) {
    setenv("TAVLO_WEB_HOST", value, 1);
    return WebHost();
  }
};

TEST_F(WebHostTest, EnvironmentNamesTheServerWhenItIsOne) {
  unsetenv("TAVLO_WEB_HOST");
  EXPECT_EQ(WebHost(), u"");  // no server: the shipped pages
  EXPECT_EQ(HostFor("127.0.0.1:8080"), u"http://127.0.0.1:8080");
  EXPECT_EQ(HostFor(" https://Example.COM/ "), u"https://example.com");
  EXPECT_EQ(HostFor("http://[::1]:81"), u"http://[::1]:81");
  // Anything that would change the page paths or leave the web names no server.
  for (const char* bad : {"", "ftp://example.com", "file:///srv/www", "http://x/sub",
                          "http://x/?q=1", "http://user:pw@x", "http://", "javascript:alert(1)"})
    EXPECT_EQ(HostFor(bad), u"") << bad;
}

TEST_F(WebHostTest, PageUrlsJoinHostAndPathWithOneSlash) {
  EXPECT_EQ(WebPageUrl(kWebContainerPath, u"http://h:1"),
            u"http://h:1/adv_2015/wifi/webContainer.html");
  EXPECT_EQ(WebPageUrl(u"a.html", u"http://h/"), u"http://h/a.html");
  setenv("TAVLO_WEB_HOST", "10.0.0.2", 1);
  EXPECT_EQ(WebPageUrl(kFriendContainerPath),
            u"http://10.0.0.2/adv_2015/wifi/webContainerFriend.html");
}

TEST(AdvertPaneSetupTest, LayoutsWithoutAWebPaneHaveNoAdvert) {
  DuiLib::CPaintManagerUI pm;
  DuiLib::CDialogBuilder builder;
  pm.AttachDialog(builder.Create(u"<VerticalLayout><Label name='ActiveXAdv'/></VerticalLayout>",
                                 nullptr, nullptr, &pm));
  EXPECT_FALSE(SetupAdvertPane(pm, u"http://h"));  // a label is not a browser
  DuiLib::CPaintManagerUI empty;
  EXPECT_FALSE(SetupAdvertPane(empty, u"http://h"));
  // A pane without a window yet keeps the page and loads it once it can.
  DuiLib::CPaintManagerUI with_pane;
  with_pane.AttachDialog(
      builder.Create(u"<WebBrowser name='ActiveXAdv'/>", nullptr, nullptr, &with_pane));
  EXPECT_TRUE(SetupAdvertPane(with_pane, u"http://h"));
  auto* pane = static_cast<DuiLib::CWebBrowserUI*>(with_pane.FindControl(u"ActiveXAdv"));
  EXPECT_FALSE(pane->IsDelayCreate());
  EXPECT_EQ(pane->GetWebBrowserEventHandler(), GetWebEventHandler());
}

}  // namespace
}  // namespace ui
