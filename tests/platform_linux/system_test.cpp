#include "platform/linux/linux_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "base/result.h"
#include "platform/linux/linux_named_event.h"
#include "platform/linux/shell_words.h"
#include "platform/linux/utf.h"
#include "platform_linux/child_process.h"
#include "support/scoped_temp_dir.h"

namespace platform {
namespace {

using posix::FromUtf8;
using testing_support::ChildProcess;
using TempDir = test::ScopedTempDir;

std::string WriteScript(const std::string& dir, const std::string& body) {
  std::string path = dir + "/fake-pkexec";
  std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
  chmod(path.c_str(), 0755);
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ostringstream out;
  out << std::ifstream(path).rdbuf();
  return out.str();
}

TEST(LinuxSystemTest, VersionFromKernelReleaseOrOverride) {
  OsVersion v;
  ASSERT_TRUE(LinuxSystem::ParseKernelRelease("6.1.0-18-amd64", &v));
  EXPECT_EQ(v.major, 6u);
  EXPECT_EQ(v.minor, 1u);
  EXPECT_FALSE(LinuxSystem::ParseKernelRelease("6", &v));
  EXPECT_FALSE(LinuxSystem::ParseKernelRelease("linux-6.1", &v));

  ASSERT_TRUE(LinuxSystem().Version(&v));
  EXPECT_GT(v.major, 5u) << "the real kernel is never 5.1";
  LinuxSystem::Options old;
  old.version = OsVersion{5, 1};
  ASSERT_TRUE(LinuxSystem(old).Version(&v));
  EXPECT_EQ(v.major, 5u);
  EXPECT_EQ(v.minor, 1u);
}

TEST(LinuxSystemTest, ElevationEnforcedOnlyForAPrivilegedBackendWithPkexec) {
  TempDir dir;
  LinuxSystem::Options options;
  options.pkexec_path = WriteScript(dir.path(), "exit 0");
  EXPECT_FALSE(LinuxSystem(options).IsElevationEnforced()) << "the simulated backend";
  options.backend_needs_privileges = true;
  EXPECT_TRUE(LinuxSystem(options).IsElevationEnforced());
  options.pkexec_path = dir.path().string() + "/absent";
  EXPECT_FALSE(LinuxSystem(options).IsElevationEnforced());
  EXPECT_EQ(LinuxSystem().IsUserAnAdmin(), geteuid() == 0);
}

TEST(LinuxSystemTest, CommandLineQuotesTheProgramAndKeepsArgumentsApart) {
  TempDir dir;
  std::string spaced = dir.path().string() + "/my tools";
  ASSERT_EQ(mkdir(spaced.c_str(), 0755), 0);
  std::string program = spaced + "/helper";
  ASSERT_EQ(symlink(PLATFORM_LINUX_HELPER, program.c_str()), 0);

  ChildProcess child({program, "cmdline", "/start", "a b", "", "中文"});
  std::string line = child.ReadLine();
  EXPECT_EQ(line, "\"" + program + "\" cmdline /start \"a b\" \"\" 中文");
  EXPECT_EQ(child.Wait(), 0);

  ChildProcess plain({PLATFORM_LINUX_HELPER, "cmdline"});
  EXPECT_EQ(plain.ReadLine(), std::string(PLATFORM_LINUX_HELPER) + " cmdline");
}

TEST(LinuxSystemTest, RunAsStartsPkexecWithTheSplitParameters) {
  TempDir dir;
  std::string out = dir.path().string() + "/args";
  LinuxSystem::Options options;
  options.pkexec_path = WriteScript(dir.path(), "printf '%s\\n' \"$@\" > " + out + "; exit 3");
  LinuxSystem system(options);
  DWORD error = 1;
  auto process =
      system.ShellExecuteRunAs(u"/opt/t avlo/tavlo", u"/start \"a b\" 'c d' e\\ f", &error);
  ASSERT_TRUE(process);
  EXPECT_EQ(error, ERROR_SUCCESS);
  Waitable* objects[] = {process.get()};
  EXPECT_EQ(system.WaitForAny(objects, 10000), WAIT_OBJECT_0);
  EXPECT_EQ(process->ExitStatus(), 3);
  EXPECT_EQ(ReadFile(out), "/opt/t avlo/tavlo\n/start\na b\nc d\ne f\n");

  EXPECT_TRUE(system.IsDeclinedExit(126));
  EXPECT_TRUE(system.IsDeclinedExit(127));
  EXPECT_FALSE(system.IsDeclinedExit(0));

  options.pkexec_path = dir.path().string() + "/absent";
  EXPECT_FALSE(LinuxSystem(options).ShellExecuteRunAs(u"/bin/true", u"", &error));
  EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
}

TEST(LinuxSystemTest, WaitForAnyEndsOnTheFirstSignalledOrTheTimeOut) {
  TempDir dir;
  LinuxSystem::Options options;
  options.pkexec_path = WriteScript(dir.path(), "exec sleep 5");
  LinuxSystem system(options);
  DWORD error;
  auto process = system.ShellExecuteRunAs(u"x", u"", &error);
  ASSERT_TRUE(process);
  auto event = LinuxNamedEvent::Create(u"wait", &error, dir.path());
  ASSERT_TRUE(event);
  Waitable* objects[] = {process.get(), event.get()};

  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(system.WaitForAny(objects, 100), WAIT_TIMEOUT);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));

  ChildProcess setter({PLATFORM_LINUX_HELPER, "set-event", dir.path(), "wait"});
  EXPECT_EQ(system.WaitForAny(objects, 10000), WAIT_OBJECT_0 + 1);
  EXPECT_FALSE(process->ExitStatus().has_value());
  event->Reset();
  kill(process->Id(), SIGKILL);
  EXPECT_EQ(system.WaitForAny(objects, 10000), WAIT_OBJECT_0);
  EXPECT_EQ(process->ExitStatus(), 128 + SIGKILL);
  event->Set();
  EXPECT_EQ(system.WaitForAny(objects, 0), WAIT_OBJECT_0) << "the first of both wins";
}

TEST(ShellWordsTest, SplitsLikeAShellWithoutExpansion) {
  using V = std::vector<std::u16string>;
  EXPECT_EQ(posix::SplitShellWords(u""), V{});
  EXPECT_EQ(posix::SplitShellWords(u"  a \t b\n"), (V{u"a", u"b"}));
  EXPECT_EQ(posix::SplitShellWords(u"'a \"b' \"c 'd\" x\"y\"z"), (V{u"a \"b", u"c 'd", u"xyz"}));
  EXPECT_EQ(posix::SplitShellWords(u"\"\\\"\\\\\\$\\a\" \\ x $HOME *"),
            (V{u"\"\\$\\a", u" x", u"$HOME", u"*"}));
  EXPECT_EQ(posix::SplitShellWords(u"'' \"open"), (V{u"", u"open"}));

  for (std::u16string word : {u"plain", u"", u"a b", u"it's", u"\"q\"", u"\\$`x`", u"中 文"}) {
    EXPECT_EQ(posix::SplitShellWords(posix::QuoteShellWord(word)), V{word});
  }
  EXPECT_EQ(posix::QuoteShellWord(u"/start"), u"/start");
}

TEST(UtfTest, RoundTripsAndReplacesMalformedInput) {
  std::u16string text = u"Tavlo 中文 \U0001F600";
  EXPECT_EQ(FromUtf8(posix::ToUtf8(text)), text);
  EXPECT_EQ(FromUtf8("a\xFF"
                     "b"),
            u"a\uFFFDb");
  EXPECT_EQ(FromUtf8("\xE4\xB8"), u"\uFFFD") << "a cut sequence is one ill-formed part";
  EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD") << "an overlong form";
  EXPECT_EQ(posix::ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace platform
