// The real program started as a user starts it, each run with an environment and folders of
// its own (offscreen, simulated system, runtime folder), so that nothing else that runs on the
// machine, a Tavlo of the same user included, meets it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/scoped_temp_dir.h"

namespace {

using namespace std::chrono_literals;
using Environment = std::map<std::string, std::string>;

constexpr uid_t kNobody = 65534;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// One run of tavlo; its output goes to files in `folder`. Killed if still running at the end.
class TavloRun {
 public:
  TavloRun(const std::vector<std::string>& arguments,
           const Environment& environment,
           const std::filesystem::path& folder,
           const std::string& tag,
           const std::filesystem::path& program = TAVLO_PATH)
      : out_(folder / (tag + ".out")), err_(folder / (tag + ".err")) {
    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envp;
    for (const auto& [name, value] : environment)
      envp.push_back(name + "=" + value);
    std::vector<char*> raw_argv, raw_envp;
    for (std::string& a : argv)
      raw_argv.push_back(a.data());
    raw_argv.push_back(nullptr);
    for (std::string& e : envp)
      raw_envp.push_back(e.data());
    raw_envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (posix_spawn(&pid_, raw_argv[0], &actions, nullptr, raw_argv.data(), raw_envp.data()) != 0)
      pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (pid_ > 0)
      pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
  }
  ~TavloRun() {
    if (pid_ > 0 && !status_) {
      kill(pid_, SIGKILL);
      Wait(10s);
    }
    if (pidfd_ >= 0)
      close(pidfd_);
  }
  TavloRun(const TavloRun&) = delete;
  TavloRun& operator=(const TavloRun&) = delete;

  // The exit status (128 + signal when a signal ended it), or nothing while it still runs
  // after `limit`.
  std::optional<int> Wait(std::chrono::milliseconds limit) {
    if (status_ || pid_ <= 0)
      return status_;
    pollfd p = {pidfd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(limit.count())) != 1)
      return std::nullopt;
    int raw = 0;
    waitpid(pid_, &raw, 0);
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return status_;
  }
  void Signal(int signal) { kill(pid_, signal); }
  std::string Output() const { return ReadFile(out_); }
  std::string Errors() const { return ReadFile(err_); }

 private:
  std::filesystem::path out_, err_;
  pid_t pid_ = -1;
  int pidfd_ = -1;
  std::optional<int> status_;
};

class TavloProcessTest : public testing::Test {
 protected:
  // What a start on the simulated system needs, all inside `root` (made here).
  Environment ProgramEnvironment(const std::filesystem::path& root) {
    std::filesystem::create_directories(root / "run");
    chmod((root / "run").c_str(), 0700);
    return {{"PATH", "/usr/bin:/bin"},
            {"HOME", (root / "home").string()},
            {"QT_QPA_PLATFORM", "offscreen"},
            {"TAVLO_BACKEND", "sim"},
            {"TAVLO_SIM_DIR", (root / "sim").string()},
            {"XDG_RUNTIME_DIR", (root / "run").string()},
            {"XDG_CONFIG_HOME", (root / "config").string()},
            {"XDG_CONFIG_DIRS", (root / "xdg").string()},
            {"TAVLO_STATE_DUMP", (root / "state").string()},
            {"TAVLO_WEB_HOST", "127.0.0.1:9"}};
  }

  // True once the window written to `root`/state says it is ready.
  bool BecomesReady(const std::filesystem::path& root, TavloRun& run) {
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (ReadFile(root / "state").find("ready=1\n") == std::string::npos) {
      if (std::chrono::steady_clock::now() >= deadline || run.Wait(0ms))
        return false;
      std::this_thread::sleep_for(20ms);
    }
    return true;
  }

  test::ScopedTempDir dir_;
};

TEST_F(TavloProcessTest, HelpAndVersionNeedNoDisplay) {
  // Neither a display nor a Qt platform: a QApplication could not even be made.
  const Environment bare = {{"PATH", "/usr/bin:/bin"}, {"HOME", dir_.path().string()}};
  TavloRun help({"--help"}, bare, dir_.path(), "help");
  ASSERT_EQ(help.Wait(20s), 0) << help.Errors();
  EXPECT_EQ(help.Output().rfind("usage: tavlo", 0), 0u) << help.Output();
  EXPECT_EQ(help.Errors(), "");

  TavloRun version({"--version"}, bare, dir_.path(), "version");
  ASSERT_EQ(version.Wait(20s), 0) << version.Errors();
  EXPECT_EQ(version.Output().rfind("tavlo ", 0), 0u) << version.Output();
}

TEST_F(TavloProcessTest, UnknownOptionsAndBackendsEndWithTwoAndSayWhy) {
  Environment environment = ProgramEnvironment(dir_.path());
  TavloRun option({"--bogus"}, environment, dir_.path(), "option");
  ASSERT_EQ(option.Wait(20s), 2);
  EXPECT_NE(option.Errors().find("unknown option --bogus"), std::string::npos) << option.Errors();

  environment["TAVLO_BACKEND"] = "bogus";
  TavloRun backend({}, environment, dir_.path(), "backend");
  ASSERT_EQ(backend.Wait(20s), 2);
  EXPECT_NE(backend.Errors().find("TAVLO_BACKEND=bogus"), std::string::npos) << backend.Errors();
}

TEST_F(TavloProcessTest, WithoutNetworkManagerTheRealBackendRunsWithoutAHotspotAndSaysSo) {
  Environment environment = ProgramEnvironment(dir_.path());
  environment["TAVLO_BACKEND"] = "linux";
  environment["DBUS_SYSTEM_BUS_ADDRESS"] = "unix:path=" + (dir_.path() / "no-bus").string();
  environment["TAVLO_CONFIG_FILE"] = (dir_.path() / "config.db").string();
  TavloRun check({"--check-hotspot"}, environment, dir_.path(), "check");
  EXPECT_EQ(check.Wait(20s), 3) << check.Errors();
  EXPECT_NE(check.Output().find("no hotspot here: NetworkManager is not running"),
            std::string::npos)
      << check.Output();

  TavloRun tavlo({}, environment, dir_.path(), "tavlo");
  ASSERT_TRUE(BecomesReady(dir_.path(), tavlo)) << tavlo.Errors();
  EXPECT_NE(ReadFile(dir_.path() / "state").find("title=WiFi热点共享\n"), std::string::npos)
      << "not marked as simulated";
  tavlo.Signal(SIGTERM);
  EXPECT_EQ(tavlo.Wait(30s), 0) << tavlo.Errors();
  EXPECT_NE(tavlo.Errors().find("NetworkManager cannot be reached"), std::string::npos)
      << tavlo.Errors();
}

TEST_F(TavloProcessTest, TheSimulatedSystemSaysSoInTheTitle) {
  const Environment environment = ProgramEnvironment(dir_.path());
  TavloRun check({"--check-hotspot"}, environment, dir_.path(), "check");
  EXPECT_EQ(check.Wait(20s), 0) << check.Errors();
  TavloRun tavlo({}, environment, dir_.path(), "tavlo");
  ASSERT_TRUE(BecomesReady(dir_.path(), tavlo)) << tavlo.Errors();
  EXPECT_NE(ReadFile(dir_.path() / "state").find("title=WiFi热点共享（模拟）\n"),
            std::string::npos);
  tavlo.Signal(SIGTERM);
  EXPECT_EQ(tavlo.Wait(30s), 0) << tavlo.Errors();
}

TEST_F(TavloProcessTest, AClosedTerminalEndsItInOrder) {
  const Environment environment = ProgramEnvironment(dir_.path());
  TavloRun tavlo({}, environment, dir_.path(), "tavlo");
  ASSERT_TRUE(BecomesReady(dir_.path(), tavlo)) << tavlo.Errors();
  tavlo.Signal(SIGHUP);
  EXPECT_EQ(tavlo.Wait(30s), 0) << "129: the signal killed it with whatever was on left on";
}

TEST_F(TavloProcessTest, ASecondStartWakesTheFirstOnlyInItsOwnRuntimeFolder) {
  const Environment environment = ProgramEnvironment(dir_.path());
  TavloRun first({}, environment, dir_.path(), "first");
  ASSERT_TRUE(BecomesReady(dir_.path(), first)) << first.Errors();
  TavloRun second({"/start"}, environment, dir_.path(), "second");
  EXPECT_EQ(second.Wait(20s), 0) << second.Errors();
  EXPECT_EQ(second.Errors(), "") << "the first one answered";
  EXPECT_FALSE(first.Wait(0ms)) << "the first one runs on";

  // Another runtime folder, another scope: a Tavlo of its own.
  const std::filesystem::path elsewhere = dir_.path() / "elsewhere";
  TavloRun other({}, ProgramEnvironment(elsewhere), dir_.path(), "other");
  EXPECT_TRUE(BecomesReady(elsewhere, other)) << other.Errors();
  EXPECT_FALSE(first.Wait(0ms));
}

TEST_F(TavloProcessTest, FoldersOfAnotherUserStopTheStartWithAReason) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to play another user";
  const Environment environment = ProgramEnvironment(dir_.path());
  // Someone else made the folder for the instance's lock and socket.
  const std::filesystem::path taken = dir_.path() / "run" / "tavlo";
  std::filesystem::create_directory(taken);
  ASSERT_EQ(chown(taken.c_str(), kNobody, kNobody), 0);
  TavloRun locked({}, environment, dir_.path(), "locked");
  ASSERT_EQ(locked.Wait(20s), 1) << "0 would read as: another instance runs";
  EXPECT_NE(locked.Errors().find(taken.string() + " belongs to another user"), std::string::npos)
      << locked.Errors();
  std::filesystem::remove(taken);

  // And the simulated system's state folder.
  std::filesystem::create_directory(dir_.path() / "sim");
  ASSERT_EQ(chown((dir_.path() / "sim").c_str(), kNobody, kNobody), 0);
  TavloRun state({}, environment, dir_.path(), "state");
  ASSERT_EQ(state.Wait(20s), 1);
  EXPECT_NE(state.Errors().find("belongs to another user"), std::string::npos) << state.Errors();
}

TEST_F(TavloProcessTest, AChannelThatCannotListenStopsTheStart) {
  const Environment environment = ProgramEnvironment(dir_.path());
  // The lock can be had, but the socket that a second start reaches cannot be made.
  const std::filesystem::path folder = dir_.path() / "run" / "tavlo";
  std::filesystem::create_directory(folder);
  std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
  const std::string socket = folder / "{46B013B2-0E15-4E39-A719-D33874DCAE73}.sock";
  std::filesystem::create_directory(socket + ".lock");
  TavloRun tavlo({}, environment, dir_.path(), "tavlo");
  ASSERT_EQ(tavlo.Wait(20s), 1) << "a window that no second start could reach";
  EXPECT_NE(tavlo.Errors().find("cannot start: " + socket), std::string::npos) << tavlo.Errors();
}

// The program copied elsewhere, as a package installs it or a user moves it, and started from a
// current folder that holds a skin of its own, which must not be taken.
TEST_F(TavloProcessTest, TheSkinIsFoundFromTheProgramNeverFromTheCurrentFolder) {
  namespace fs = std::filesystem;
  const fs::path built = fs::path(TAVLO_PATH).parent_path();
  const fs::path prefix = dir_.path() / "usr";
  fs::create_directories(prefix / "bin");
  fs::create_directories(prefix / "share/tavlo");
  fs::copy_file(TAVLO_PATH, prefix / "bin/tavlo");
  fs::create_directories(dir_.path() / "cwd");
  fs::copy_file(built / "skin.zip", dir_.path() / "cwd/skin.zip");
  // The children inherit the current folder; the test's own is put back however it ends.
  const fs::path previous = fs::current_path();
  fs::current_path(dir_.path() / "cwd");
  const std::unique_ptr<const fs::path, void (*)(const fs::path*)> restore(
      &previous, [](const fs::path* p) { fs::current_path(*p); });
  const Environment environment = ProgramEnvironment(dir_.path());

  {
    TavloRun lost({}, environment, dir_.path(), "lost", prefix / "bin/tavlo");
    ASSERT_EQ(lost.Wait(20s), 1) << "a program without its skin has no window to show";
    EXPECT_NE(lost.Errors().find((prefix / "share/tavlo/skin.zip").string()), std::string::npos)
        << lost.Errors();
  }

  fs::copy_file(built / "skin.zip", prefix / "share/tavlo/skin.zip");
  TavloRun installed({}, environment, dir_.path(), "installed", prefix / "bin/tavlo");
  ASSERT_TRUE(BecomesReady(dir_.path(), installed)) << installed.Errors();
  installed.Signal(SIGTERM);
  EXPECT_EQ(installed.Wait(20s), 0) << installed.Errors();
}

}  // namespace
