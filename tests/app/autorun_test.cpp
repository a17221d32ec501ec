#include "app/autorun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/result.h"
#include "platform/linux/layered_autostart.h"
#include "platform/linux/xdg_autostart.h"
#include "support/scoped_temp_dir.h"

namespace app {
namespace {

constexpr char16_t kPath[] = u"/opt/Tavlo/tavlo";

// Counts writes, so "enabling again writes nothing" can be seen.
class CountingStore : public platform::XdgAutostart {
 public:
  using XdgAutostart::XdgAutostart;
  bool Write(std::u16string_view name, std::u16string_view line) override {
    ++writes;
    return XdgAutostart::Write(name, line);
  }
  int writes = 0;
};

class AutorunTest : public testing::Test {
 protected:
  std::string EntryFile() const { return dir_.path().string() + "/autostart/Tavlo.desktop"; }

  test::ScopedTempDir dir_;
  CountingStore store_{dir_.path().string() + "/autostart"};
  Autorun autorun_{store_, kPath};
};

TEST_F(AutorunTest, SwitchesTheEntryOnAndOff) {
  EXPECT_EQ(autorun_.CommandLine(), u"\"/opt/Tavlo/tavlo\" /start");
  EXPECT_FALSE(autorun_.IsAutorunEnabled());
  EXPECT_TRUE(autorun_.SetAutorun(true));
  EXPECT_TRUE(autorun_.IsAutorunEnabled());
  EXPECT_TRUE(std::filesystem::exists(EntryFile()));
  EXPECT_EQ(store_.Read(u"Tavlo"), autorun_.CommandLine());

  EXPECT_TRUE(autorun_.SetAutorun(true));
  EXPECT_EQ(store_.writes, 1) << "already enabled: nothing written";

  EXPECT_TRUE(autorun_.SetAutorun(false));
  EXPECT_FALSE(autorun_.IsAutorunEnabled());
  EXPECT_FALSE(std::filesystem::exists(EntryFile()));
  EXPECT_TRUE(autorun_.SetAutorun(false)) << "disabling an absent entry";
}

TEST_F(AutorunTest, ComparesWithoutRegardToCase) {
  ASSERT_TRUE(store_.Open());
  ASSERT_TRUE(store_.Write(u"Tavlo", u"\"/OPT/TAVLO/TAVLO\" /START"));
  EXPECT_TRUE(autorun_.IsAutorunEnabled());
  EXPECT_TRUE(autorun_.SetAutorun(true));
  EXPECT_EQ(store_.Read(u"Tavlo"), u"\"/OPT/TAVLO/TAVLO\" /START") << "left as it was";
  EXPECT_FALSE(EqualsIgnoreCase(u"abc", u"abd"));
  EXPECT_FALSE(EqualsIgnoreCase(u"abc", u"abcd"));
}

TEST_F(AutorunTest, AnotherCommandLineIsAbsentAndGetsReplacedOrRemoved) {
  ASSERT_TRUE(store_.Open());
  for (const char16_t* other :
       {u"\"/old/place/tavlo\" /start", u"\"/opt/Tavlo/tavlo\"", u"/opt/Tavlo/tavlo /start"}) {
    ASSERT_TRUE(store_.Write(u"Tavlo", other));
    EXPECT_FALSE(autorun_.IsAutorunEnabled()) << std::string(other, other + 5);
  }
  EXPECT_TRUE(autorun_.SetAutorun(true));
  EXPECT_EQ(store_.Read(u"Tavlo"), autorun_.CommandLine());

  ASSERT_TRUE(store_.Write(u"Tavlo", u"something else"));
  EXPECT_TRUE(autorun_.SetAutorun(false));
  EXPECT_FALSE(std::filesystem::exists(EntryFile()));
}

TEST_F(AutorunTest, WithoutAPlaceForTheEntryNothingChangesAndTheReasonIsKept) {
  std::ofstream(dir_.path().string() + "/blocker") << "x";
  platform::XdgAutostart store(dir_.path().string() + "/blocker/autostart");
  Autorun autorun(store, kPath);
  EXPECT_FALSE(autorun.SetAutorun(true));
  EXPECT_FALSE(autorun.IsAutorunEnabled());
  EXPECT_EQ(AutorunFailureText(autorun.last_failure()),
            u"开机自动启动设置未能保存：无法创建文件夹“" +
                std::u16string(store.directory().begin(), store.directory().end()) + u"”。");
  EXPECT_FALSE(autorun.SetAutorun(false));
  EXPECT_EQ(autorun.last_failure().code, 3u);
}

TEST_F(AutorunTest, AsAUserAMachineWideEntryCountsUntilTheUserHidesIt) {
  const std::string machine = dir_.path().string() + "/xdg/autostart";
  ASSERT_TRUE(platform::XdgAutostart(machine).Open());
  ASSERT_TRUE(platform::XdgAutostart(machine).Write(u"Tavlo", u"\"/OPT/TAVLO/TAVLO\" /START"));
  platform::LayeredAutostart user({dir_.path().string() + "/user/autostart", {machine}});
  Autorun autorun(user, kPath);
  EXPECT_TRUE(autorun.IsAutorunEnabled());

  EXPECT_TRUE(autorun.SetAutorun(false));
  EXPECT_FALSE(autorun.IsAutorunEnabled());
  EXPECT_TRUE(std::filesystem::exists(machine + "/Tavlo.desktop"));
  EXPECT_TRUE(autorun.SetAutorun(true));
  EXPECT_TRUE(autorun.IsAutorunEnabled());
  EXPECT_EQ(user.Read(u"Tavlo"), autorun.CommandLine()) << "written in this program's own case";

  // The user's folder cannot be made: the machine-wide entry still starts, and says so.
  std::ofstream(dir_.path().string() + "/home") << "x";
  platform::LayeredAutostart blocked({dir_.path().string() + "/home/autostart", {machine}});
  Autorun stuck(blocked, kPath);
  EXPECT_TRUE(stuck.IsAutorunEnabled());
  EXPECT_FALSE(stuck.SetAutorun(false));
  EXPECT_EQ(stuck.last_failure().code, 3u);
  EXPECT_TRUE(stuck.IsAutorunEnabled());
}

// A store that says yes to everything and keeps nothing, or refuses to let go of the entry.
class UnreliableStore : public platform::XdgAutostart {
 public:
  using XdgAutostart::XdgAutostart;
  bool Write(std::u16string_view, std::u16string_view) override { return true; }
  bool Remove(std::u16string_view) override { return false; }
  platform::AutostartFailure LastFailure() const override {
    return {ERROR_ACCESS_DENIED, u"/etc/xdg/autostart/Tavlo.desktop"};
  }
};

TEST_F(AutorunTest, AWriteThatDidNotTakeOrARemoveThatFailedIsReported) {
  UnreliableStore store(dir_.path().string() + "/autostart");
  Autorun autorun(store, kPath);
  EXPECT_FALSE(autorun.SetAutorun(true)) << "claimed written, reads absent";
  EXPECT_EQ(autorun.last_failure().code, 0u);
  EXPECT_EQ(AutorunFailureText(autorun.last_failure()),
            u"开机自动启动设置未能保存：保存后读回的启动项与设置不符。");

  ASSERT_TRUE(store.XdgAutostart::Write(u"Tavlo", autorun.CommandLine()));
  EXPECT_FALSE(autorun.SetAutorun(false));
  EXPECT_TRUE(autorun.IsAutorunEnabled());
  EXPECT_EQ(AutorunFailureText(autorun.last_failure()),
            u"开机自动启动设置未能保存：没有写入“/etc/xdg/autostart/Tavlo.desktop”的权限。");
  EXPECT_TRUE(autorun.SetAutorun(true)) << "already there";
  EXPECT_EQ(autorun.last_failure().code, 0u);

  EXPECT_EQ(AutorunFailureText({112, u"/x"}), u"开机自动启动设置未能保存：“/x”所在的磁盘已满。");
  EXPECT_EQ(AutorunFailureText({31, u"/x"}),
            u"开机自动启动设置未能保存：写入“/x”时出错（错误代码 31）。");
}

}  // namespace
}  // namespace app
