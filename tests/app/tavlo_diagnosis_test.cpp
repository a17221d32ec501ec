// The main window with a backend that can say why a start failed and whether a start would cut
// the Internet: the failure balloon carries the reason, and a start on the only card that
// carries the Internet waits for the user's yes.
#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "platform/hotspot_diagnosis.h"
#include "tavlo_fixture.h"

namespace apptest {
namespace {

using platform::sim::SharingCall;

// Any thread: the worker asks after a failed start, the UI thread before a start.
class FakeDiagnosis final : public platform::HotspotDiagnosis {
 public:
  platform::StartDiagnosis DiagnoseStart() const override {
    std::lock_guard<std::mutex> guard(mutex_);
    return diagnosis_;
  }
  bool StartWouldDropInternet() const override {
    std::lock_guard<std::mutex> guard(mutex_);
    return would_drop_;
  }
  void Set(platform::StartDiagnosis diagnosis, bool would_drop) {
    std::lock_guard<std::mutex> guard(mutex_);
    diagnosis_ = diagnosis;
    would_drop_ = would_drop;
  }

 private:
  mutable std::mutex mutex_;
  platform::StartDiagnosis diagnosis_;
  bool would_drop_ = false;
};

class TavloDiagnosisTest : public TavloTest {
 protected:
  void SetUp() override {
    TavloTest::SetUp();
    diagnosis_ = &fake_;
  }
  FakeDiagnosis fake_;
};

TEST_F(TavloDiagnosisTest, AFailedStartsBalloonSaysWhy) {
  fake_.Set({platform::StartProblem::kServiceFailed, 18}, false);
  Open();
  ASSERT_TRUE(WaitReady());
  sim_->sharing().FailCall(SharingCall::kEnableSharing, E_FAIL,
                           platform::sim::SimSharingService::kForever);
  ClickControl(u"Btn_Run");
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Run"); }, 15000));
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return !tray_.Balloons().empty(); }, 3000));
  // The headline as ever, the reason whole on a line of its own.
  EXPECT_EQ(tray_.Balloons().back(),
            u"开启WiFi共享失败，请再次点击开启共享按钮重试一次\n"
            u"原因：共享服务无法启动（可能缺少dnsmasq）（NetworkManager原因代码18）。");
}

TEST_F(TavloDiagnosisTest, TheOnlyCardOnTheInternetStartsOnlyOnYes) {
  const std::u16string start = u"cmd.exe /c netsh wlan start hostednetwork";
  fake_.Set({}, true);
  std::vector<UINT> types;
  int answer = IDNO;
  DuiLib::SetMessageBoxPresenter(
      [&](HWND, const DuiLib::CDuiString& text, const DuiLib::CDuiString& caption, UINT type) {
        boxes_.push_back({text.str(), caption.str()});
        types.push_back(type);
        return answer;
      });
  Open();
  ASSERT_TRUE(WaitReady());
  auto starts = [this, &start] {
    const auto lines = sim_->interpreter().ReceivedLines();
    return std::count(lines.begin(), lines.end(), start);
  };
  const auto before = starts();

  ClickControl(u"Btn_Run");
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].caption, u"提示");
  EXPECT_NE(boxes_[0].text.find(u"唯一能开启热点的无线网卡"), std::u16string::npos);
  EXPECT_NE(boxes_[0].text.find(u"网线"), std::u16string::npos);
  EXPECT_EQ(types[0] & 0xF, MB_YESNO);
  // The window is as it was and nothing was queued.
  EXPECT_TRUE(Visible(u"Btn_Run"));
  EXPECT_FALSE(Visible(u"Static_init"));
  sim_->WaitUntilSettled();
  EXPECT_EQ(starts(), before);

  answer = IDYES;
  ClickControl(u"Btn_Run");
  ASSERT_EQ(boxes_.size(), 2u);
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Close"); }, 8000));
  EXPECT_GT(starts(), before);
}

TEST_F(TavloDiagnosisTest, NobodyIsAskedWhenTheInternetStays) {
  Open();
  ASSERT_TRUE(WaitReady());
  ClickControl(u"Btn_Run");
  ASSERT_TRUE(testing_qt::WaitUntil([this] { return Visible(u"Btn_Close"); }, 8000));
  EXPECT_TRUE(boxes_.empty());
}

}  // namespace
}  // namespace apptest
