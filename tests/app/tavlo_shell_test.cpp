// The main window's shell: device rows, the tray callback and a notification area that is
// missing or goes away, the tray menu's items, the exit sequence and the second instance.
#include <QUrl>
#include <filesystem>

#include "duilib/web_browser.h"
#include "hostednet/notification_sink.h"
#include "platform/linux/linux_instance_channel.h"
#include "tavlo_fixture.h"
#include "tests/ui/http_test_server.h"

namespace apptest {
namespace {

platform::sim::MacAddress Mac(BYTE last) {
  return {0x00, 0x1A, 0x2B, 0x3C, 0x4D, last};
}

class TavloSharingTest : public TavloTest {
 protected:
  void StartSharing() {
    Open();
    ASSERT_TRUE(WaitReady());
    ClickControl(u"Btn_Run");
    ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Close"); }, 8000));
  }
  bool WaitRows(size_t count) {
    return testing_qt::WaitUntil([this, count] { return Rows().size() == count; }, 3000);
  }
};

TEST_F(TavloSharingTest, RowsStayNumberedInOrderWhenOneLeaves) {
  StartSharing();
  for (BYTE b : {0x01, 0x02, 0x03, 0x04, 0x05})
    ASSERT_EQ(sim_->wireless().StationJoin(Mac(b)), 0u);
  ASSERT_TRUE(WaitRows(5));
  EXPECT_EQ(Rows(), (std::vector<std::string>{"0 00-1A-2B-3C-4D-01", "1 00-1A-2B-3C-4D-02",
                                              "2 00-1A-2B-3C-4D-03", "3 00-1A-2B-3C-4D-04",
                                              "4 00-1A-2B-3C-4D-05"}));
  ASSERT_EQ(sim_->wireless().StationLeave(Mac(0x02)), 0u);
  ASSERT_TRUE(WaitRows(4));
  EXPECT_EQ(Rows(), (std::vector<std::string>{"0 00-1A-2B-3C-4D-01", "1 00-1A-2B-3C-4D-03",
                                              "2 00-1A-2B-3C-4D-04", "3 00-1A-2B-3C-4D-05"}));
  auto* list = dynamic_cast<DuiLib::CListUI*>(Find(u"ListDeviceInfo"));
  ASSERT_NE(list, nullptr);
  for (int i = 0; i < list->GetCount(); ++i)
    EXPECT_EQ(list->GetItemAt(i)->GetTag(), static_cast<UINT_PTR>(i));
  ASSERT_EQ(sim_->wireless().StationJoin(Mac(0x06)), 0u);
  ASSERT_TRUE(WaitRows(5));
  EXPECT_EQ(Rows().back(), "4 00-1A-2B-3C-4D-06");
  EXPECT_EQ(tavlo_->hotspot().devices().GetCount(), 5u);

  // Stopping makes every station leave; the buttons follow only the stop itself.
  ClickControl(u"Btn_Close");
  ASSERT_TRUE(WaitRows(0));
  EXPECT_EQ(tavlo_->hotspot().devices().GetCount(), 0u);
}

TEST_F(TavloSharingTest, SameMacTwiceGivesTwoRowsAndOneLeaveRemovesTheFirst) {
  StartSharing();
  const BYTE mac[6] = {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x01};
  CNotificationSink* sink = tavlo_->hotspot().sink();
  ASSERT_NE(sink, nullptr);
  auto device = base::RefPtr<CWlanDevice>::Adopt(new CWlanDevice(mac));
  // Both queued before one drain: one posted message shows both.
  sink->Post(new CHostedNetworkNotification(HostedNetworkEvent::DeviceJoined, device.get()));
  sink->Post(new CHostedNetworkNotification(HostedNetworkEvent::DeviceJoined, device.get()));
  ASSERT_TRUE(WaitRows(2));
  EXPECT_EQ(Rows(), (std::vector<std::string>{"0 AA-BB-CC-DD-EE-01", "1 AA-BB-CC-DD-EE-01"}));

  // Unknown departures and bare state events change nothing.
  const BYTE other[6] = {1, 2, 3, 4, 5, 6};
  auto stranger = base::RefPtr<CWlanDevice>::Adopt(new CWlanDevice(other));
  sink->Post(new CHostedNetworkNotification(HostedNetworkEvent::DeviceLeft, stranger.get()));
  sink->Post(new CHostedNetworkNotification(HostedNetworkEvent::Idle));
  sink->Post(new CHostedNetworkNotification(HostedNetworkEvent::DeviceLeft, device.get()));
  ASSERT_TRUE(WaitRows(1));
  EXPECT_EQ(Rows(), (std::vector<std::string>{"0 AA-BB-CC-DD-EE-01"}));
  EXPECT_EQ(tavlo_->hotspot().devices().GetCount(), 1u);
  EXPECT_TRUE(Visible(u"Btn_Close"));

  // An update replaces the record in place and leaves the rows.
  auto updated = base::RefPtr<CWlanDevice>::Adopt(new CWlanDevice(mac));
  sink->Post(new CHostedNetworkNotification(HostedNetworkEvent::DeviceUpdated, updated.get()));
  ASSERT_TRUE(testing_qt::WaitUntil(
      [&] { return tavlo_->hotspot().devices().GetAt(0) == updated.get(); }, 3000));
  EXPECT_EQ(Rows().size(), 1u);
}

TEST_F(TavloTest, TrayCallbackCodes) {
  Open();
  ClickControl(u"sysbtn_close");
  EXPECT_FALSE(DuiLib::IsWindowVisible(hwnd_));
  EXPECT_EQ(DuiLib::SendMessage(hwnd_, app::WM_TRAY_CALLBACK, 0, 0x0200), 0);
  EXPECT_EQ(DuiLib::SendMessage(hwnd_, app::WM_TRAY_CALLBACK, 0, 0x0204), 0);
  EXPECT_FALSE(DuiLib::IsWindowVisible(hwnd_));
  // The menu opens without showing the window.
  EXPECT_EQ(DuiLib::SendMessage(hwnd_, app::WM_TRAY_CALLBACK, 0, 0x0205), 0);
  EXPECT_EQ(menus_opened_, 1);
  EXPECT_FALSE(DuiLib::IsWindowVisible(hwnd_));
  for (LPARAM code : {0x0202, 0x0203}) {
    DuiLib::ShowWindow(hwnd_, SW_HIDE);
    EXPECT_EQ(DuiLib::SendMessage(hwnd_, app::WM_TRAY_CALLBACK, 0, code), 0);
    EXPECT_TRUE(DuiLib::IsWindowVisible(hwnd_)) << code;
  }
  // The icon was added once with the stopped icon and the fixed tooltip.
  ASSERT_FALSE(tray_.calls.empty());
  EXPECT_EQ(tray_.calls[0].message, app::NIM_ADD);
  EXPECT_EQ(tray_.calls[0].data.hIcon, app::kStoppedIcon);
  EXPECT_EQ(tray_.calls[0].data.szTip, u"Tavlo\r\n");
  EXPECT_EQ(tray_.calls[0].data.uCallbackMessage, app::WM_TRAY_CALLBACK);
}

TEST_F(TavloTest, WithoutANotificationAreaCloseMinimizesAndTheWindowSaysSo) {
  tray_.available = false;
  Open();
  ASSERT_NE(Find(u"Static_tray_hint"), nullptr);
  EXPECT_EQ(Find(u"Static_tray_hint")->GetText().str(), u"关闭窗口将最小化，程序继续运行");
  EXPECT_EQ(Find(u"sysbtn_close")->GetToolTip().str(), u"最小化");
  ClickControl(u"sysbtn_close");
  EXPECT_TRUE(DuiLib::IsWindowVisible(hwnd_));
  EXPECT_TRUE(DuiLib::IsIconic(hwnd_));
  // A second start of the program brings the window back, not just "shown" and minimized.
  DuiLib::SendMessage(hwnd_, 0xC123, 0, 0);
  EXPECT_TRUE(DuiLib::IsWindowVisible(hwnd_));
  EXPECT_FALSE(DuiLib::IsIconic(hwnd_));
}

TEST_F(TavloTest, ANotificationAreaThatGoesAwayGivesTheHiddenWindowBack) {
  Open();
  const std::u16string promise = Find(u"Static_tray_hint")->GetText().str();
  const std::u16string tip = Find(u"sysbtn_close")->GetToolTip().str();
  EXPECT_NE(promise.find(u"通知区域"), std::u16string::npos);
  ClickControl(u"sysbtn_close");
  ASSERT_FALSE(DuiLib::IsWindowVisible(hwnd_));

  tray_.SetAvailable(false);
  EXPECT_TRUE(DuiLib::IsWindowVisible(hwnd_));
  EXPECT_TRUE(DuiLib::IsIconic(hwnd_));
  EXPECT_EQ(Find(u"Static_tray_hint")->GetText().str().find(u"通知区域"), std::u16string::npos);
  DuiLib::ShowWindow(hwnd_, SW_RESTORE);
  ClickControl(u"sysbtn_close");
  EXPECT_TRUE(DuiLib::IsIconic(hwnd_));

  // Back again: the close button hides once more and the window says so.
  tray_.SetAvailable(true);
  EXPECT_EQ(Find(u"Static_tray_hint")->GetText().str(), promise);
  EXPECT_EQ(Find(u"sysbtn_close")->GetToolTip().str(), tip);
  DuiLib::ShowWindow(hwnd_, SW_RESTORE);
  ClickControl(u"sysbtn_close");
  EXPECT_FALSE(DuiLib::IsWindowVisible(hwnd_));

  // Gone again, and the click comes before the desktop has told anyone.
  DuiLib::ShowWindow(hwnd_, SW_RESTORE);
  tray_.available = false;
  ClickControl(u"sysbtn_close");
  EXPECT_TRUE(DuiLib::IsIconic(hwnd_));
  EXPECT_EQ(Find(u"sysbtn_close")->GetToolTip().str(), u"最小化");
}

TEST_F(TavloTest, MenuItemsSwitchAutorunAndOpenThePage) {
  Open();
  const std::filesystem::path entry = dir_.path() / "autostart" / "Tavlo.desktop";
  EXPECT_FALSE(tavlo_->check_states().at(u"menu_Autorun"));
  SendMenuClick(u"menu_Autorun");
  EXPECT_TRUE(std::filesystem::exists(entry));
  EXPECT_TRUE(tavlo_->check_states().at(u"menu_Autorun"));
  SendMenuClick(u"menu_Autorun");
  EXPECT_FALSE(std::filesystem::exists(entry));
  EXPECT_FALSE(tavlo_->check_states().at(u"menu_Autorun"));
  EXPECT_EQ(tavlo_->check_states().size(), 1u);

  SendMenuClick(u"menu_Web");
  SendMenuClick(u"menu_Sub");  // not an item of ours: ignored
  ClickControl(u"linkWebUrl");
  ASSERT_EQ(opened_urls_.size(), 2u);
  EXPECT_EQ(opened_urls_[0], u"http://127.0.0.1:9/adv_2015/wifi/webContainer.html");
  EXPECT_EQ(opened_urls_[1], opened_urls_[0]);
  EXPECT_TRUE(DuiLib::IsWindow(hwnd_));
}

TEST_F(TavloTest, AdvertPaneShowsTheServersPageAndLinksUseTheSameServer) {
  testing_qt::HttpTestServer server;
  ASSERT_TRUE(server.Listen());
  testing_qt::HttpTestServer::Response page;
  page.body = "<html><body><b>Tavlo</b> advert</body></html>";
  server.Serve("/adv_2015/wifi/advContainer.html", page);
  web_host_ = u"http://" + QString::fromLatin1(server.HostAndPort()).toStdU16String();
  Open();
  auto* pane = dynamic_cast<DuiLib::CWebBrowserUI*>(Find(u"ActiveXAdv"));
  ASSERT_NE(pane, nullptr);
  ASSERT_TRUE(testing_qt::WaitUntil(
      [pane] { return pane->GetPlainText().str().find(u"advert") != std::u16string::npos; }, 5000));
  EXPECT_EQ(pane->GetCurrentUrl().str(), web_host_ + u"/adv_2015/wifi/advContainer.html");
  EXPECT_EQ(server.Requests("/adv_2015/wifi/advContainer.html"), 1);
  ClickControl(u"linkWebFriend");
  ASSERT_EQ(opened_urls_.size(), 1u);
  EXPECT_EQ(opened_urls_[0], web_host_ + u"/adv_2015/wifi/webContainerFriend.html");
}

TEST_F(TavloTest, WithNoServerNamedTheLinksOpenTheShippedPages) {
  const std::filesystem::path runtime = dir_.path() / "runtime";
  std::filesystem::create_directory(runtime);
  std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
  const char* saved = getenv("XDG_RUNTIME_DIR");
  const std::string saved_value = saved ? saved : "";
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  web_host_.clear();
  Open();
  auto* pane = dynamic_cast<DuiLib::CWebBrowserUI*>(Find(u"ActiveXAdv"));
  ASSERT_NE(pane, nullptr);
  EXPECT_EQ(pane->GetCurrentUrl().str(), u"skin:/web/advContainer.html");
  SendMenuClick(u"menu_Web");
  ClickControl(u"linkWebUrl");
  ClickControl(u"linkWebFriend");
  if (saved)
    setenv("XDG_RUNTIME_DIR", saved_value.c_str(), 1);
  else
    unsetenv("XDG_RUNTIME_DIR");
  const auto file_url = [&runtime](const char* name) {
    return QUrl::fromLocalFile(QString::fromStdString((runtime / "tavlo" / "web" / name).string()))
        .toString()
        .toStdU16String();
  };
  ASSERT_EQ(opened_urls_.size(), 3u);
  EXPECT_EQ(opened_urls_[0], file_url("webContainer.html"));
  EXPECT_EQ(opened_urls_[1], opened_urls_[0]);
  EXPECT_EQ(opened_urls_[2], file_url("webContainerFriend.html"));
  EXPECT_TRUE(std::filesystem::is_regular_file(runtime / "tavlo" / "web" / "webContainer.html"));
}

TEST_F(TavloTest, ExitDuringStartFinishesTheStartThenShutsDown) {
  Open();
  ASSERT_TRUE(WaitReady());
  ClickControl(u"Btn_Run");
  SendMenuClick(u"menu_Exit");
  SendMenuClick(u"menu_Exit");  // a second request is absorbed
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return !DuiLib::IsWindowVisible(hwnd_); }, 500));
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return !DuiLib::IsWindow(hwnd_); }, 15000));
  // The start's changes landed on the hidden window before the icon went, once.
  auto balloons = tray_.Balloons();
  ASSERT_FALSE(balloons.empty());
  EXPECT_EQ(balloons.back(), u"已开启WiFi热点，尽情享受吧！");
  EXPECT_EQ(tray_.calls.back().message, app::NIM_DELETE);
  int deletes = 0;
  for (const TrayCall& call : tray_.calls)
    deletes += call.message == app::NIM_DELETE;
  EXPECT_EQ(deletes, 1);
  // The shutdown left no sharing and the hosted network disabled.
  EXPECT_FALSE(sim_->wireless().GetSnapshot().enabled);
  for (const auto& connection : sim_->sharing().Connections())
    EXPECT_FALSE(sim_->sharing().Role(connection.guid).has_value());
}

TEST_F(TavloTest, SecondInstanceWakesTheFirst) {
  Open();
  platform::LinuxInstanceChannel listener(app::kActivationMessageName);
  const HWND hwnd = hwnd_;
  ASSERT_TRUE(listener.Listen([hwnd] { DuiLib::PostMessage(hwnd, 0xC123, 0, 0); }));
  ClickControl(u"sysbtn_close");
  ASSERT_FALSE(DuiLib::IsWindowVisible(hwnd_));

  app::TavloServices none;
  app::CTavlo second(none, 0xC123);
  EXPECT_FALSE(second.AcquireSingleInstance());
  platform::LinuxInstanceChannel sender(app::kActivationMessageName);
  EXPECT_TRUE(sender.Broadcast());
  EXPECT_TRUE(testing_qt::WaitUntil([this] { return DuiLib::IsWindowVisible(hwnd_); }, 3000));
  listener.Stop();
}

}  // namespace
}  // namespace apptest
