// tavlo-helper's access point, run as a child process on a private state folder with stand-ins
// for hostapd: one that comes up, one that fails. The interface is "lo": the stand-ins never
// touch it, but the helper still checks that it exists.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "helper/ap_service.h"
#include "support/scoped_temp_dir.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr char kApLine[] = "ap lo 6869 pass:3132333435363738";

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

template <typename F>
bool Eventually(F done, std::chrono::milliseconds bound = 5000ms) {
  const auto end = std::chrono::steady_clock::now() + bound;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end)
      return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

// Ended: no such process, or a zombie (reaped here when it is ours: the test is a subreaper, so
// an orphaned stand-in becomes its child).
bool Gone(pid_t pid) {
  ::waitpid(pid, nullptr, WNOHANG);
  const std::string stat = ReadAll("/proc/" + std::to_string(pid) + "/stat");
  const std::size_t paren = stat.rfind(')');
  return stat.empty() || (paren != std::string::npos && stat[paren + 2] == 'Z');
}

class Helper {
 public:
  Helper(const fs::path& state, const std::string& hostapd) {
    int in[2], out[2];
    EXPECT_EQ(::pipe2(in, O_CLOEXEC), 0);
    EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::string state_env = "TAVLO_HELPER_STATE_DIR=" + state.string();
    std::string hostapd_env = "TAVLO_HELPER_HOSTAPD=" + hostapd;
    char* envp[] = {state_env.data(), hostapd_env.data(), nullptr};
    std::string program = TAVLO_HELPER_BINARY;
    char* argv[] = {program.data(), nullptr};
    EXPECT_EQ(::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, envp), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    to_ = in[1];
    from_ = out[0];
  }
  ~Helper() {
    CloseInput();
    if (pid_ > 0 && !Exited(10s)) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(from_);
  }

  // Sends `line` and returns the answer line ("" when none came in time).
  std::string Ask(const std::string& line) {
    const std::string text = line + "\n";
    EXPECT_EQ(::write(to_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    const auto end = std::chrono::steady_clock::now() + 15s;
    std::size_t nl;
    while ((nl = buffer_.find('\n')) == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      pollfd fd{from_, POLLIN, 0};
      char chunk[1024];
      ssize_t n;
      if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0 ||
          (n = ::read(from_, chunk, sizeof chunk)) <= 0)
        return "";
      buffer_.append(chunk, static_cast<std::size_t>(n));
    }
    std::string answer = buffer_.substr(0, nl);
    buffer_.erase(0, nl + 1);
    return answer;
  }
  void CloseInput() {
    if (to_ >= 0)
      ::close(to_);
    to_ = -1;
  }
  // Waits for the helper's own exit; true with its status when it came.
  bool Exited(std::chrono::milliseconds bound, int* status = nullptr) {
    int s = 0;
    const bool done = Eventually([&] { return ::waitpid(pid_, &s, WNOHANG) == pid_; }, bound);
    if (done) {
      pid_ = -1;
      if (status)
        *status = s;
    }
    return done;
  }
  void Signal(int signal) { ::kill(pid_, signal); }
  void Kill9() {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int to_ = -1;
  int from_ = -1;
  std::string buffer_;
};

class ApProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { ::prctl(PR_SET_CHILD_SUBREAPER, 1); }

  std::string StandIn(const std::string& name, const std::string& body) {
    const fs::path path = dir_ / name;
    std::ofstream(path) << "#!/bin/sh\n" << body;
    fs::permissions(path, fs::perms::owner_all);
    return path.string();
  }
  // Comes up like hostapd, writing its pid first; ends on SIGTERM.
  std::string GoodStandIn() {
    return StandIn("hostapd-good", "trap 'exit 0' TERM\necho $$ > " + PidFile().string() +
                                       "\necho 'lo: AP-ENABLED'\n"
                                       "while :; do sleep 0.05; done\n");
  }
  fs::path PidFile() const { return dir_ / "stand-in.pid"; }
  pid_t StandInPid() const { return static_cast<pid_t>(std::atoi(ReadAll(PidFile()).c_str())); }
  fs::path State() const { return dir_ / "state"; }
  fs::path Config() const { return State() / "hostapd.conf"; }
  bool Recorded() const {
    return ReadAll(State() / "record").find("hostapd ") != std::string::npos;
  }

  test::ScopedTempDir dir_;
};

TEST_F(ApProcessTest, StartsOnAPrivateConfigAndStopApEndsIt) {
  Helper helper(State(), GoodStandIn());
  EXPECT_EQ(helper.Ask("ap nosuch0 6869 pass:3132333435363738"), "error no-such-interface nosuch0");
  EXPECT_FALSE(fs::exists(PidFile()));
  EXPECT_FALSE(fs::exists(Config()));

  ASSERT_EQ(helper.Ask(kApLine), "ok");
  const pid_t pid = StandInPid();
  ASSERT_GT(pid, 1);
  struct stat st {};
  ASSERT_EQ(::stat(Config().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  const std::string config = ReadAll(Config());
  EXPECT_NE(config.find("ssid2=6869\n"), std::string::npos);
  EXPECT_NE(config.find("interface=lo\n"), std::string::npos);
  EXPECT_NE(ReadAll(State() / "record").find("hostapd " + std::to_string(pid) + ":"),
            std::string::npos);
  EXPECT_EQ(helper.Ask(kApLine).rfind("error busy ", 0), 0u);
  EXPECT_FALSE(Gone(pid));

  EXPECT_EQ(helper.Ask("stop-ap"), "ok");
  EXPECT_TRUE(Eventually([&] { return Gone(pid); }));
  EXPECT_FALSE(fs::exists(Config()));
  EXPECT_FALSE(Recorded());
  EXPECT_EQ(helper.Ask("stop-ap"), "ok");  // none runs
  EXPECT_EQ(helper.Ask(kApLine), "ok");    // and a new one may start
  EXPECT_EQ(helper.Ask("quit"), "ok");
  EXPECT_TRUE(Eventually([&] { return Gone(StandInPid()); }));
}

TEST_F(ApProcessTest, ClosedInputOrSigtermEndsIt) {
  for (bool by_signal : {false, true}) {
    SCOPED_TRACE(by_signal ? "SIGTERM" : "closed input");
    Helper helper(State(), GoodStandIn());
    ASSERT_EQ(helper.Ask(kApLine), "ok");
    const pid_t pid = StandInPid();
    if (by_signal)
      helper.Signal(SIGTERM);
    else
      helper.CloseInput();
    int status = -1;
    ASSERT_TRUE(helper.Exited(10s, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(Gone(pid));
    EXPECT_FALSE(fs::exists(Config()));
    EXPECT_FALSE(Recorded());
  }
}

TEST_F(ApProcessTest, NextStartEndsWhatAKilledHelperLeft) {
  const std::string program = GoodStandIn();
  pid_t pid = -1;
  {
    Helper helper(State(), program);
    ASSERT_EQ(helper.Ask(kApLine), "ok");
    pid = StandInPid();
    helper.Kill9();
  }
  EXPECT_FALSE(Gone(pid));  // nobody ended it yet
  EXPECT_TRUE(fs::exists(Config()));

  Helper next(State(), program);
  EXPECT_EQ(next.Ask("hello 1"), "ok 1");  // answered only after the start's undo
  EXPECT_TRUE(Gone(pid));
  EXPECT_FALSE(fs::exists(Config()));
  EXPECT_FALSE(Recorded());
}

TEST_F(ApProcessTest, UndoEndsOnlyProcessesOnOurConfig) {
  fs::create_directory(State(), dir_.path());
  fs::permissions(State(), fs::perms::owner_all);
  const std::string config = Config().string();
  std::ofstream(config) << "interface=lo\n";
  // A stranger that got a recorded pid, and a hostapd whose pid its helper never recorded.
  auto spawn = [](std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    EXPECT_EQ(::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    return pid;
  };
  const pid_t stranger = spawn({"/bin/sleep", "30"});
  const pid_t unrecorded =
      spawn({"/bin/sh", "-c", "while :; do sleep 0.05; done", "hostapd", config});
  std::ofstream(State() / "record") << "hostapd " << stranger << ":" << config << "\n"
                                    << "hostapd 0:" << config << "\n";

  Helper helper(State(), GoodStandIn());
  EXPECT_EQ(helper.Ask("hello 1"), "ok 1");
  EXPECT_TRUE(Gone(unrecorded));
  EXPECT_FALSE(Gone(stranger));
  EXPECT_FALSE(fs::exists(Config()));
  EXPECT_FALSE(Recorded());
  for (pid_t pid : {stranger, unrecorded}) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
}

TEST_F(ApProcessTest, FailingProgramAnswersWhyAndLeavesNothing) {
  const std::string failing =
      StandIn("hostapd-bad",
              "echo 'lo: interface state UNINITIALIZED->COUNTRY_UPDATE'\n"
              "echo 'Could not set channel for kernel driver' >&2\nexit 1\n");
  {
    Helper helper(State(), failing);
    const std::string answer = helper.Ask(kApLine);
    EXPECT_EQ(answer.rfind("error failed ", 0), 0u) << answer;
    EXPECT_NE(answer.find("Could not set channel for kernel driver"), std::string::npos) << answer;
    EXPECT_FALSE(Recorded());
    EXPECT_FALSE(fs::exists(Config()));
    EXPECT_EQ(helper.Ask("hello 1"), "ok 1");  // still one answer per request
  }
  Helper helper(State(), GoodStandIn());
  EXPECT_EQ(helper.Ask(kApLine), "ok");
}

TEST(OneAnswerLineTest, KeepsTheFirstAndNewestLinesInOneCleanLine) {
  EXPECT_EQ(helper::OneAnswerLine("prog ended:\nfirst\r\n\nsecond\tx", 100),
            "prog ended:; first ; second x");
  // Bytes that are not UTF-8 never reach the protocol; real UTF-8 does.
  EXPECT_EQ(helper::OneAnswerLine("a\xff\xc3(b \xe6\x97\xa0", 100),
            "a?"
            "?(b \xe6\x97\xa0");

  std::string why = "prog ended:";
  for (int i = 0; i < 20; ++i)
    why += "\nline " + std::to_string(i) + std::string(40, 'x');
  const std::string line = helper::OneAnswerLine(why, 200);
  EXPECT_LE(line.size(), 200u);
  EXPECT_EQ(line.rfind("prog ended:; ", 0), 0u);
  EXPECT_NE(line.find("line 19"), std::string::npos);
  EXPECT_EQ(line.find("line 0x"), std::string::npos);

  // A cut never splits a character.
  const std::string cut = helper::OneAnswerLine(std::string(10, 'a') + "\xe6\x97\xa0", 11);
  EXPECT_EQ(cut, std::string(10, 'a'));
}

}  // namespace
