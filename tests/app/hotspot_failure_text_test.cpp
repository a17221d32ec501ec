// The line that tells the user why the hotspot did not start.
#include "app/hotspot_failure_text.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using platform::StartDiagnosis;
using platform::StartProblem;

bool Contains(const std::u16string& text, const std::u16string& part) {
  return text.find(part) != std::u16string::npos;
}

TEST(HotspotFailureTextTest, EachProblemHasALineOfItsOwn) {
  EXPECT_EQ(app::HotspotFailureText({}), u"");
  std::set<std::u16string> seen;
  for (StartProblem problem :
       {StartProblem::kNoAdapter, StartProblem::kNoAccessPointMode, StartProblem::kRadioOff,
        StartProblem::kServiceMissing, StartProblem::kNotPermitted, StartProblem::kServiceFailed,
        StartProblem::kNoInternet}) {
    const std::u16string text = app::HotspotFailureText({problem});
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find(u'\n'), std::u16string::npos);  // one line
    EXPECT_TRUE(seen.insert(text).second) << static_cast<int>(problem);
  }
  EXPECT_EQ(app::HotspotFailureText({StartProblem::kRadioOff}),
            u"原因：WiFi已关闭，请先打开WiFi开关。");
}

TEST(HotspotFailureTextTest, NetworkManagerReasonsAreNamedOrNumbered) {
  // A known device reason is named, with its number.
  const std::u16string shared = app::HotspotFailureText({StartProblem::kServiceFailed, 18});
  EXPECT_EQ(shared, u"原因：共享服务无法启动（可能缺少dnsmasq）（NetworkManager原因代码18）。");
  // One nobody translated still says which it was.
  const std::u16string unknown = app::HotspotFailureText({StartProblem::kServiceFailed, 57});
  EXPECT_TRUE(Contains(unknown, u"代码57")) << std::string(unknown.begin(), unknown.end());
  EXPECT_NE(unknown, app::HotspotFailureText({StartProblem::kServiceFailed, 58}));
  // The same number means something else as the active connection's reason.
  EXPECT_TRUE(
      Contains(app::HotspotFailureText({StartProblem::kServiceFailed, 9, true}), u"缺少WiFi密码"));
  EXPECT_FALSE(Contains(app::HotspotFailureText({StartProblem::kServiceFailed, 9}), u"密码"));
}

TEST(HotspotFailureTextTest, EveryLineFitsTheBalloonAfterItsHeadline) {
  for (uint32_t reason = 0; reason < 100; ++reason) {
    for (bool connection : {false, true}) {
      EXPECT_LE(app::HotspotFailureText({StartProblem::kServiceFailed, reason, connection}).size(),
                app::kHotspotFailureTextMaxChars)
          << reason;
    }
  }
  EXPECT_LE(app::HotspotFailureText({StartProblem::kServiceFailed, 4294967295u}).size(),
            app::kHotspotFailureTextMaxChars);
}

}  // namespace
