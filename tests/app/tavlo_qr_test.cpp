// The join code on the settings page, read back from the window's picture by a real QR
// reader: it says the running network's name and password, and goes when the network does.
#include <QProcess>
#include <QStandardPaths>
#include <optional>
#include <string>

#include "tavlo_fixture.h"

namespace apptest {
namespace {

class TavloQrTest : public TavloTest {
 protected:
  void SetUp() override {
    if (QStandardPaths::findExecutable("zbarimg").isEmpty())
      GTEST_SKIP() << "zbarimg is not installed (zbar-tools)";
    TavloTest::SetUp();
  }

  // What a QR reader finds in the window as it is painted now; nullopt when it finds none.
  std::optional<std::string> ReadWindow() {
    testing_qt::Pump();
    const std::string path = (dir_ / ("window-" + std::to_string(++grabs_) + ".png")).string();
    EXPECT_TRUE(widget()->grab().save(QString::fromStdString(path), "PNG"));
    QProcess zbar;
    zbar.start("zbarimg", {"--raw", "-q", QString::fromStdString(path)});
    EXPECT_TRUE(zbar.waitForFinished(20000));
    const QByteArray out = zbar.readAllStandardOutput();
    if (zbar.exitStatus() != QProcess::NormalExit || zbar.exitCode() != 0 || out.isEmpty())
      return std::nullopt;
    std::string text = out.toStdString();
    if (text.back() == '\n')
      text.pop_back();
    return text;
  }

  DuiLib::CQrCodeUI* Code() {
    return static_cast<DuiLib::CQrCodeUI*>(Find(u"Qr_join")->GetInterface(u"QrCode"));
  }

  void Start(const std::u16string& ssid, const std::u16string& password) {
    SetText(u"Edit_SSID", ssid);
    SetText(u"Edit_PWD", password);
    ClickControl(u"Btn_Run");
    ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Close"); }, 8000));
  }
  void Stop() {
    ClickControl(u"Btn_Close");
    ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Run"); }, 5000));
  }

  int grabs_ = 0;
};

TEST_F(TavloQrTest, CodeJoinsTheRunningNetworkAndGoesWhenItStops) {
  Open();
  ASSERT_NE(Find(u"Qr_join"), nullptr);
  ASSERT_NE(Code(), nullptr);
  ASSERT_TRUE(WaitReady());
  EXPECT_FALSE(Visible(u"Qr_join"));
  EXPECT_EQ(ReadWindow(), std::nullopt);

  struct Case {
    std::u16string ssid;
    std::u16string password;
    std::string expected;
  };
  const Case cases[] = {
      {u"Tavlo-Home", u"plain-password", "WIFI:T:WPA;S:Tavlo-Home;P:plain-password;;"},
      {u"a;b:c", u"pass;word:1", "WIFI:T:WPA;S:a\\;b\\:c;P:pass\\;word\\:1;;"},
      {u"我的热点", u"12345678", "WIFI:T:WPA;S:我的热点;P:12345678;;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    Start(c.ssid, c.password);
    EXPECT_TRUE(Visible(u"Qr_join"));
    EXPECT_EQ(ReadWindow(), c.expected);
    // Large enough for a phone to read off the screen.
    EXPECT_GE(Code()->GetModulePixels(), 4);

    Stop();
    EXPECT_FALSE(Visible(u"Qr_join"));
    EXPECT_EQ(Code()->GetPayload(), "");
    EXPECT_EQ(ReadWindow(), std::nullopt);
  }
}

TEST_F(TavloQrTest, CodeSaysWhatTheSystemKeptWhenAChangeIsRefused) {
  Open();
  ASSERT_TRUE(WaitReady());
  Start(u"first-name", u"first-password");
  Stop();
  // The system refuses the new name; the network runs with the old one, and so must the code.
  sim_->wireless().FailCalls("WlanHostedNetworkSetProperty", ERROR_ACCESS_DENIED, 1);
  Start(u"refused-name", u"second-password");
  EXPECT_EQ(ReadWindow(), "WIFI:T:WPA;S:first-name;P:second-password;;");
}

TEST_F(TavloQrTest, CodeGoesWhenTheNetworkStopsByItself) {
  Open();
  ASSERT_TRUE(WaitReady());
  Start(u"radio-net", u"radio-password");
  ASSERT_EQ(ReadWindow(), "WIFI:T:WPA;S:radio-net;P:radio-password;;");
  sim_->wireless().SetRadio(false);
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Run"); }, 3000));
  EXPECT_FALSE(Visible(u"Qr_join"));
  EXPECT_EQ(ReadWindow(), std::nullopt);
}

TEST_F(TavloQrTest, FailedStartShowsNoCode) {
  Open();
  ASSERT_TRUE(WaitReady());
  sim_->sharing().FailCall(platform::sim::SharingCall::kEnableSharing, E_FAIL,
                           platform::sim::SimSharingService::kForever);
  SetText(u"Edit_SSID", u"never-up");
  ClickControl(u"Btn_Run");
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Run"); }, 20000));
  EXPECT_FALSE(Visible(u"Qr_join"));
  EXPECT_EQ(Code()->GetPayload(), "");
  EXPECT_EQ(ReadWindow(), std::nullopt);
}

}  // namespace
}  // namespace apptest
