// The main window's flows against the simulated system: readiness, validation, start and
// stop, the busy animation, what a failed start leaves, a network that goes away by itself,
// and the autorun mark over entries of the user and of the machine.
#include <fstream>
#include <string>

#include "app/autorun.h"
#include "hostednet/hosted_network.h"
#include "tavlo_fixture.h"

namespace apptest {
namespace {

using platform::sim::SharingCall;

std::string SsidBytes(const DOT11_SSID& ssid) {
  return std::string(reinterpret_cast<const char*>(ssid.ucSSID), ssid.uSSIDLength);
}

// The stored passphrase carries its terminating zero.
std::string KeyText(const std::vector<BYTE>& bytes) {
  std::string text(bytes.begin(), bytes.end());
  if (!text.empty() && text.back() == '\0')
    text.pop_back();
  return text;
}

std::u16string Repeat(const std::u16string& unit, int times) {
  std::u16string out;
  for (int i = 0; i < times; ++i)
    out += unit;
  return out;
}

TEST_F(TavloTest, StartsShowsSharingAndStops) {
  Open();
  EXPECT_TRUE(Visible(u"Static_init_start"));
  ASSERT_TRUE(WaitReady());
  EXPECT_FALSE(Visible(u"Static_init_start"));
  // The system's own name and generated passphrase are shown.
  EXPECT_FALSE(Find(u"Edit_SSID")->GetText().IsEmpty());
  EXPECT_EQ(Find(u"Edit_PWD")->GetText().GetLength(), 12);

  SetText(u"Edit_SSID", u"Tavlo-热点");
  SetText(u"Edit_PWD", u"secret-password");
  Find(u"Static_wifi")->SetBkImage(u"wifi_ico2.png");
  ClickControl(u"Btn_Run");
  EXPECT_TRUE(boxes_.empty());
  EXPECT_FALSE(Visible(u"Btn_Run"));
  EXPECT_FALSE(Visible(u"Btn_Close"));
  EXPECT_TRUE(Visible(u"Static_init"));
  // The first animation frame is frame 0.
  ASSERT_TRUE(
      testing_qt::WaitUntil([this] { return Image(u"Static_wifi") != u"wifi_ico2.png"; }, 2000));
  EXPECT_EQ(Image(u"Static_wifi"), u"wifi_ico0.png");

  ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Close"); }, 8000));
  EXPECT_FALSE(Visible(u"Btn_Run"));
  EXPECT_FALSE(Visible(u"Static_init"));
  EXPECT_EQ(Image(u"Static_wifi"), u"wifi_ico4.png");
  EXPECT_EQ(tavlo_->window_icon(), app::kSharingIcon);
  EXPECT_EQ(tray_.calls.back().data.hIcon, app::kSharingIcon);
  EXPECT_EQ(tray_.Balloons().back(), u"已开启WiFi热点，尽情享受吧！");
  auto snapshot = sim_->wireless().GetSnapshot();
  EXPECT_EQ(snapshot.state, wlan_hosted_network_active);
  EXPECT_EQ(SsidBytes(snapshot.settings.hostedNetworkSSID), "Tavlo-热点");
  EXPECT_EQ(KeyText(snapshot.key.bytes), "secret-password");

  ClickControl(u"Btn_Close");
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Run"); }, 5000));
  EXPECT_FALSE(Visible(u"Btn_Close"));
  EXPECT_EQ(Image(u"Static_wifi"), u"wifi_ico3.png");
  EXPECT_EQ(tavlo_->window_icon(), app::kStoppedIcon);
  EXPECT_EQ(tray_.Balloons().back(), u"已关闭WiFi共享");
  sim_->WaitUntilSettled();
  EXPECT_EQ(sim_->wireless().GetSnapshot().state, wlan_hosted_network_idle);

  // The next busy phase starts its animation at frame 0 again.
  ClickControl(u"Btn_Run");
  ASSERT_TRUE(
      testing_qt::WaitUntil([this] { return Image(u"Static_wifi") != u"wifi_ico3.png"; }, 2000));
  EXPECT_EQ(Image(u"Static_wifi"), u"wifi_ico0.png");
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Close"); }, 8000));
}

// The connection table is read at start-up, before the hosted network's adapter exists, so
// the first start of a run shares only after one reset and restart; later starts find the
// adapter (it keeps its GUID) and share at once.
TEST_F(TavloTest, OnlyTheFirstStartOfARunRestartsTheNetwork) {
  const std::u16string allow = u"cmd.exe /c netsh wlan set hostednetwork mode=allow";
  const std::u16string start = u"cmd.exe /c netsh wlan start hostednetwork";
  const std::u16string stop = u"cmd.exe /c netsh wlan stop hostednetwork";
  Open();
  ASSERT_TRUE(WaitReady());
  auto lines_of = [this](auto run) {
    const size_t before = sim_->interpreter().ReceivedLines().size();
    run();
    auto lines = sim_->interpreter().ReceivedLines();
    return std::vector<std::u16string>(lines.begin() + static_cast<long>(before), lines.end());
  };
  auto start_sharing = [this] {
    ClickControl(u"Btn_Run");
    ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Close"); }, 8000));
  };
  auto stop_sharing = [this] {
    ClickControl(u"Btn_Close");
    ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Run"); }, 5000));
    sim_->WaitUntilSettled();
  };
  EXPECT_EQ(lines_of(start_sharing), (std::vector<std::u16string>{allow, start, stop, start}));
  EXPECT_EQ(lines_of(stop_sharing), (std::vector<std::u16string>{stop}));
  EXPECT_EQ(lines_of(start_sharing), (std::vector<std::u16string>{allow, start}));
}

TEST_F(TavloTest, ValidationRefusesWithoutQueueing) {
  Open();
  ASSERT_TRUE(WaitReady());
  struct Case {
    std::u16string ssid;
    std::u16string password;
    const char16_t* box;  // null: accepted
  } cases[] = {
      {u"", u"12345678", u"WiFi账号不能为空！"},
      {u"net", u"1234567", u"WiFi密码必须是8至63位字符！"},
      {u"net", Repeat(u"a", 64), u"WiFi密码必须是8至63位字符！"},
      // 11 characters of 3 bytes: 33 bytes in UTF-8, one over the limit.
      {Repeat(u"网", 11), u"12345678", u"WiFi账号不能超过32个字节（一个汉字通常占2到3个字节）！"},
      // Within the limits in characters and bytes, but a radio takes printable ASCII only.
      {u"net", Repeat(u"密", 8), u"WiFi密码必须是8至63位字符！"},
      {u"net", Repeat(u"密", 21), u"WiFi密码必须是8至63位字符！"},
      {u"net", u"tab\tin-password", u"WiFi密码必须是8至63位字符！"},
      // A lone surrogate does not convert.
      {u"net", std::u16string(u"abcdefg") + char16_t(0xD800), u"WiFi密码必须是8至63位字符！"},
  };
  for (const Case& c : cases) {
    boxes_.clear();
    SetText(u"Edit_SSID", c.ssid);
    SetText(u"Edit_PWD", c.password);
    ClickControl(u"Btn_Run");
    ASSERT_EQ(boxes_.size(), 1u) << DuiLib::CDuiString(c.password).ToUtf8();
    EXPECT_EQ(boxes_[0].text, c.box);
    EXPECT_EQ(boxes_[0].caption, u"提示");
    EXPECT_TRUE(Visible(u"Btn_Run"));
    EXPECT_FALSE(Visible(u"Static_init"));
  }

  // The limits themselves are accepted: 8 characters, 63 characters, 32 bytes, the ends of
  // printable ASCII.
  const std::pair<std::u16string, std::u16string> accepted[] = {
      {u"   ", u"12345678"},
      {Repeat(u"网", 10) + u"ab", Repeat(u"a", 63)},
      {u"net", u" pass~word "},
  };
  for (const auto& [ssid, password] : accepted) {
    boxes_.clear();
    SetText(u"Edit_SSID", ssid);
    SetText(u"Edit_PWD", password);
    ClickControl(u"Btn_Run");
    EXPECT_TRUE(boxes_.empty());
    EXPECT_TRUE(Visible(u"Static_init"));
    ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Close"); }, 8000));
    EXPECT_EQ(KeyText(sim_->wireless().GetSnapshot().key.bytes),
              DuiLib::CDuiString(password).ToUtf8());
    ClickControl(u"Btn_Close");
    ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Run"); }, 5000));
  }
}

TEST_F(TavloTest, UnchangedTextsAreNotWritten) {
  Open();
  ASSERT_TRUE(WaitReady());
  const auto before = sim_->wireless().GetSnapshot();
  // A write would use up the one failure and let the later write through.
  sim_->wireless().FailCalls("WlanHostedNetworkSetSecondaryKey", ERROR_ACCESS_DENIED, 1);
  sim_->wireless().FailCalls("WlanHostedNetworkSetProperty", ERROR_ACCESS_DENIED, 1);
  ClickControl(u"Btn_Run");
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Close"); }, 8000));
  ClickControl(u"Btn_Close");
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Run"); }, 5000));

  SetText(u"Edit_SSID", u"another-name");
  SetText(u"Edit_PWD", u"another-password");
  ClickControl(u"Btn_Run");
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return !Visible(u"Static_init"); }, 8000));
  const auto after = sim_->wireless().GetSnapshot();
  EXPECT_EQ(SsidBytes(after.settings.hostedNetworkSSID),
            SsidBytes(before.settings.hostedNetworkSSID));
  EXPECT_EQ(after.key.bytes, before.key.bytes);
}

TEST_F(TavloTest, FailedStartKeepsIconsAndLeavesNoHotspotBehind) {
  Open();
  ASSERT_TRUE(WaitReady());
  sim_->sharing().FailCall(SharingCall::kEnableSharing, E_FAIL,
                           platform::sim::SimSharingService::kForever);
  ClickControl(u"Btn_Run");
  ASSERT_TRUE(Visible(u"Static_init"));
  // A device joins while the start is still trying.
  const platform::sim::MacAddress mac{0x02, 0, 0, 0, 0, 0x42};
  ASSERT_TRUE(testing_qt::WaitUntil(
      [&] { return Visible(u"Btn_Run") || sim_->wireless().StationJoin(mac) == ERROR_SUCCESS; },
      10000));
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Run"); }, 10000));
  EXPECT_FALSE(Visible(u"Btn_Close"));
  EXPECT_FALSE(Visible(u"Static_init"));
  EXPECT_EQ(Image(u"Static_wifi"), u"wifi_ico3.png");
  EXPECT_EQ(tavlo_->window_icon(), app::kStoppedIcon);
  EXPECT_EQ(tray_.calls.back().data.hIcon, app::kStoppedIcon);
  ASSERT_FALSE(tray_.Balloons().empty());
  EXPECT_EQ(tray_.Balloons().back(), u"开启WiFi共享失败，请再次点击开启共享按钮重试一次");

  // Nothing is left that a device could join or that shares the connection.
  sim_->WaitUntilSettled();
  EXPECT_NE(sim_->wireless().GetSnapshot().state, wlan_hosted_network_active);
  EXPECT_EQ(sim_->wireless().StationJoin(mac), ERROR_INVALID_STATE);
  for (const auto& connection : sim_->sharing().Connections())
    EXPECT_FALSE(sim_->sharing().Role(connection.guid).has_value());
  EXPECT_TRUE(testing_qt::WaitUntil([this] { return Rows().empty(); }, 3000));
  EXPECT_EQ(tavlo_->hotspot().devices().GetCount(), 0u);
  EXPECT_EQ(tray_.Balloons().back(), u"开启WiFi共享失败，请再次点击开启共享按钮重试一次");
}

TEST_F(TavloTest, NetworkGoingAwayShowsStoppedUntilTheNextStart) {
  Open();
  ASSERT_TRUE(WaitReady());
  ClickControl(u"Btn_Run");
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Close"); }, 8000));
  ASSERT_EQ(sim_->wireless().StationJoin({0x02, 0, 0, 0, 0, 0x01}), ERROR_SUCCESS);
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return Rows().size() == 1; }, 3000));

  sim_->wireless().SetRadio(false);
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Run"); }, 3000));
  EXPECT_FALSE(Visible(u"Btn_Close"));
  EXPECT_FALSE(Visible(u"Static_init"));
  EXPECT_TRUE(Rows().empty());
  EXPECT_EQ(Image(u"Static_wifi"), u"wifi_ico3.png");
  EXPECT_EQ(tavlo_->window_icon(), app::kStoppedIcon);
  EXPECT_EQ(tray_.calls.back().data.hIcon, app::kStoppedIcon);
  EXPECT_EQ(tray_.Balloons().back(), u"已关闭WiFi共享");

  // With the radio back the user starts again, and a stop of their own says so once.
  sim_->wireless().SetRadio(true);
  sim_->WaitUntilSettled();
  ClickControl(u"Btn_Run");
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Close"); }, 8000));
  EXPECT_EQ(Image(u"Static_wifi"), u"wifi_ico4.png");
  EXPECT_EQ(tray_.calls.back().data.hIcon, app::kSharingIcon);
  EXPECT_EQ(sim_->wireless().GetSnapshot().state, wlan_hosted_network_active);
  const size_t balloons = tray_.Balloons().size();
  ClickControl(u"Btn_Close");
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Run"); }, 5000));
  sim_->WaitUntilSettled();
  testing_qt::Pump();
  EXPECT_EQ(tray_.Balloons().size(), balloons + 1);
  EXPECT_EQ(sim_->wireless().GetSnapshot().state, wlan_hosted_network_idle);
}

// The machine-wide entry of this program, as an administrator would have left it.
void PutMachineEntry(const std::filesystem::path& machine) {
  platform::XdgAutostart store(machine.string());
  platform::LinuxSystem system;
  ASSERT_TRUE(store.Open());
  ASSERT_TRUE(store.Write(app::kAutorunValueName,
                          app::Autorun(store, system.ExecutablePath()).CommandLine()));
}

TEST_F(TavloTest, AutorunThatCannotBeSavedShowsTheTruthAndSaysWhy) {
  // A file where the user's folder would have to be: no user, root included, can write there.
  std::ofstream(dir_.path() / "blocker") << "x";
  const std::string folder = (dir_.path() / "blocker" / "autostart").string();
  const std::filesystem::path machine = dir_.path() / "xdg" / "autostart";
  autostart_ = std::make_unique<platform::LayeredAutostart>(
      platform::LayeredAutostart::Folders{folder, {machine.string()}});
  Open();
  EXPECT_FALSE(tavlo_->check_states().at(u"menu_Autorun"));
  SendMenuClick(u"menu_Autorun");
  EXPECT_FALSE(tavlo_->check_states().at(u"menu_Autorun"));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].caption, u"提示");
  EXPECT_EQ(boxes_[0].text, u"开机自动启动设置未能保存：无法创建文件夹“" +
                                DuiLib::CDuiString::FromUtf8(folder).str() + u"”。");

  // The machine-wide entry starts whatever the user's folder: the mark says so and stays.
  PutMachineEntry(machine);
  SendMenuClick(u"menu_Autorun");
  EXPECT_TRUE(tavlo_->check_states().at(u"menu_Autorun"));
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[1].text, boxes_[0].text);
}

TEST_F(TavloTest, AutorunMarkFollowsAMachineWideEntryAndTheUsersHidingOne) {
  const std::filesystem::path machine = dir_.path() / "xdg" / "autostart";
  const std::filesystem::path user_entry = dir_.path() / "autostart" / "Tavlo.desktop";
  PutMachineEntry(machine);
  Open();
  EXPECT_TRUE(tavlo_->check_states().at(u"menu_Autorun")) << "starts at the next logon";

  SendMenuClick(u"menu_Autorun");
  EXPECT_FALSE(tavlo_->check_states().at(u"menu_Autorun"));
  std::ostringstream hiding;
  hiding << std::ifstream(user_entry).rdbuf();
  EXPECT_NE(hiding.str().find("\nHidden=true\n"), std::string::npos) << hiding.str();
  EXPECT_TRUE(std::filesystem::exists(machine / "Tavlo.desktop"));

  SendMenuClick(u"menu_Autorun");
  EXPECT_TRUE(tavlo_->check_states().at(u"menu_Autorun"));
  EXPECT_FALSE(std::filesystem::exists(user_entry)) << "the machine-wide entry starts again";
  EXPECT_TRUE(boxes_.empty());

  // A hiding entry made some other way counts at the next click: it was off, so on it goes.
  std::ofstream(user_entry) << "[Desktop Entry]\nHidden=true\n";
  SendMenuClick(u"menu_Autorun");
  EXPECT_TRUE(tavlo_->check_states().at(u"menu_Autorun"));
  EXPECT_FALSE(std::filesystem::exists(user_entry));
}

TEST_F(TavloTest, StopWhenNotActiveStillShowsStopped) {
  Open();
  ASSERT_TRUE(WaitReady());
  tavlo_->OnCloseClicked();
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return !tray_.Balloons().empty(); }, 3000));
  EXPECT_EQ(tray_.Balloons().back(), u"已关闭WiFi共享");
  EXPECT_EQ(tray_.calls.back().data.hIcon, app::kStoppedIcon);
  EXPECT_TRUE(Visible(u"Btn_Run"));
  sim_->WaitUntilSettled();
  EXPECT_NE(sim_->wireless().GetSnapshot().state, wlan_hosted_network_active);
}

TEST_F(TavloTest, NoWorkerOnVersion51) {
  Open(platform::OsVersion{5, 1});
  EXPECT_FALSE(tavlo_->has_worker());
  testing_qt::WaitUntil([] { return false; }, 1200);
  EXPECT_FALSE(Visible(u"Btn_Run"));
  EXPECT_TRUE(Visible(u"Static_init_start"));
  SendMenuClick(u"menu_Exit");
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return !DuiLib::IsWindow(hwnd_); }, 2000));
  EXPECT_EQ(tray_.calls.back().message, app::NIM_DELETE);
}

}  // namespace
}  // namespace apptest
