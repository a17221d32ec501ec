#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace app {
namespace {

TEST(CommandLineTailTest, FollowsTheQuoteAndBlankRules) {
  EXPECT_EQ(CommandLineTail(u"\"C:\\Program Files\\Tavlo\\tavlo.exe\" /start"), u"/start");
  EXPECT_EQ(CommandLineTail(u"C:\\Tools\\tavlo.exe /start"), u"/start");
  EXPECT_EQ(CommandLineTail(u"C:\\Tools\\tavlo.exe"), u"");
  EXPECT_EQ(CommandLineTail(u""), u"");

  EXPECT_EQ(CommandLineTail(u"\"/opt/t\"/start"), u"/start") << "no blank after the quote";
  EXPECT_EQ(CommandLineTail(u"\"/opt/t\"  a  b"), u" a  b") << "only one blank is skipped";
  EXPECT_EQ(CommandLineTail(u"\"/opt/t /start"), u"") << "no closing quote";
  EXPECT_EQ(CommandLineTail(u"\"/opt/t\""), u"");
  EXPECT_EQ(CommandLineTail(u" /start x"), u"/start x") << "a leading blank";
  EXPECT_EQ(CommandLineTail(u"tavlo  x"), u" x");
  EXPECT_EQ(CommandLineTail(u"tavlo\t/start"), u"") << "a tab is not a blank";
}

using Action = StartOptions::Action;

StartOptions Parse(std::vector<std::string> arguments, const char* backend = nullptr) {
  return ParseStartOptions(arguments, backend);
}

TEST(StartOptionsTest, HelpAndVersionEndTheReadingAndWinOverABadBackend) {
  for (const char* word : {"--help", "-h"}) {
    EXPECT_EQ(Parse({word}, "bogus").action, Action::kHelp) << word;
    EXPECT_EQ(Parse({"/start", word, "--bogus"}).action, Action::kHelp) << word;
  }
  EXPECT_EQ(Parse({"--version"}).action, Action::kVersion);
  EXPECT_EQ(Parse({"--bogus", "--help"}).action, Action::kFail) << "read in order";
  EXPECT_EQ(Parse({"--", "--help"}).action, Action::kRun) << "after --, nothing is an option";
  EXPECT_NE(UsageText().find("usage: tavlo"), std::string::npos);
}

TEST(StartOptionsTest, UnknownOptionsAndBackendsAreUsageErrors) {
  StartOptions bad = Parse({"--bogus"});
  EXPECT_EQ(bad.action, Action::kFail);
  EXPECT_EQ(bad.exit_code, kExitUsage);
  EXPECT_EQ(bad.error, "unknown option --bogus");
  EXPECT_EQ(Parse({"-x"}).exit_code, kExitUsage);
  EXPECT_EQ(Parse({"-reverse=1"}).exit_code, kExitUsage) << "a flag takes no value";
  EXPECT_EQ(Parse({"-platform"}).error, "option -platform needs a value");

  StartOptions backend = Parse({}, "nm");
  EXPECT_EQ(backend.action, Action::kFail);
  EXPECT_EQ(backend.exit_code, kExitUsage);
  EXPECT_NE(backend.error.find("TAVLO_BACKEND=nm"), std::string::npos);
  StartOptions missing = Parse({}, "standalone");
  EXPECT_EQ(missing.exit_code, kExitCannotStart) << "known, but not in this build";
}

TEST(StartOptionsTest, NetworkManagerUnlessTheSimulatedSystemIsAskedFor) {
  using Backend = StartOptions::Backend;
  EXPECT_EQ(Parse({}, nullptr).backend, Backend::kLinux);
  EXPECT_EQ(Parse({}, "").backend, Backend::kLinux);
  EXPECT_EQ(Parse({}, "linux").backend, Backend::kLinux);
  EXPECT_EQ(Parse({}, "sim").backend, Backend::kSim);
  StartOptions check = Parse({"--check-hotspot"}, "sim");
  EXPECT_EQ(check.action, Action::kCheck);
  EXPECT_EQ(check.backend, Backend::kSim);
  EXPECT_EQ(Parse({"--check-hotspot", "--help"}).action, Action::kHelp);
  EXPECT_EQ(Parse({"--check-hotspot"}, "bogus").exit_code, kExitUsage);
}

TEST(StartOptionsTest, RunsWithTheAutostartWordQtOptionsAndTheSimulatedBackend) {
  for (const char* backend : {static_cast<const char*>(nullptr), "", "sim", "linux"}) {
    StartOptions run = Parse({"/start"}, backend);
    EXPECT_EQ(run.action, Action::kRun);
    EXPECT_FALSE(run.platform_argument);
  }
  StartOptions qt = Parse({"-style", "Fusion", "--platform=offscreen", "-reverse", "-"});
  EXPECT_EQ(qt.action, Action::kRun) << qt.error;
  EXPECT_TRUE(qt.platform_argument);
  EXPECT_TRUE(Parse({"-platform", "xcb"}).platform_argument);
  EXPECT_FALSE(Parse({"-style", "-platform"}).platform_argument) << "a value, not an option";
}

TEST(QtPlatformTest, WaylandRunsOnX11UnlessTheUserChose) {
  DisplayEnvironment wayland;
  wayland.wayland_display = "wayland-0";
  wayland.display = ":0";
  EXPECT_EQ(ChooseQtPlatform(wayland, false).platform, "xcb");

  DisplayEnvironment by_session;
  by_session.xdg_session_type = "wayland";
  by_session.display = ":1";
  EXPECT_EQ(ChooseQtPlatform(by_session, false).platform, "xcb");

  EXPECT_EQ(ChooseQtPlatform(wayland, true).platform, "") << "-platform given";
  DisplayEnvironment chosen = wayland;
  chosen.qt_qpa_platform = "wayland";
  EXPECT_EQ(ChooseQtPlatform(chosen, false).platform, "");
  chosen.qt_qpa_platform = "";
  EXPECT_EQ(ChooseQtPlatform(chosen, false).platform, "xcb") << "empty is unset";

  DisplayEnvironment no_x11;
  no_x11.wayland_display = "wayland-0";
  PlatformChoice alone = ChooseQtPlatform(no_x11, false);
  EXPECT_EQ(alone.platform, "");
  EXPECT_TRUE(alone.wayland_without_x11);

  DisplayEnvironment x11;
  x11.display = ":0";
  x11.xdg_session_type = "x11";
  EXPECT_EQ(ChooseQtPlatform(x11, false).platform, "");
  EXPECT_FALSE(ChooseQtPlatform(x11, false).wayland_without_x11);
  EXPECT_EQ(ChooseQtPlatform({}, false).platform, "") << "no display at all: Qt decides";
}

}  // namespace
}  // namespace app
