#include "app/elevation.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "base/result.h"
#include "platform/linux/linux_named_event.h"
#include "platform/linux/linux_system.h"
#include "support/scoped_temp_dir.h"

namespace app {
namespace {

using platform::WAIT_OBJECT_0;
using platform::WAIT_TIMEOUT;

using testing::_;
using testing::DoAll;
using testing::NiceMock;
using testing::Return;
using testing::SetArgPointee;

// Counts how often the launcher signals; answers waits from that count.
class FakeEvent : public platform::NamedEvent {
 public:
  explicit FakeEvent(int* sets) : sets_(sets) {}
  bool Set() override { return ++*sets_, true; }
  bool Reset() override { return true; }
  DWORD Wait(DWORD) override { return *sets_ ? WAIT_OBJECT_0 : WAIT_TIMEOUT; }
  bool IsSignalled() override { return *sets_ > 0; }
  int PollFd() const override { return -1; }

 private:
  int* sets_;
};

class EndedProcess : public platform::Process {
 public:
  explicit EndedProcess(int exit) : exit_(exit) {}
  bool IsSignalled() override { return true; }
  int PollFd() const override { return -1; }
  int Id() const override { return 42; }
  std::optional<int> ExitStatus() override { return exit_; }

 private:
  int exit_;
};

class MockSystem : public platform::System {
 public:
  MOCK_METHOD(bool, Version, (platform::OsVersion*), (override));
  MOCK_METHOD(bool, IsUserAnAdmin, (), (override));
  MOCK_METHOD(bool, IsElevationEnforced, (), (override));
  MOCK_METHOD(std::u16string, ExecutablePath, (), (override));
  MOCK_METHOD(std::u16string, CommandLine, (), (override));
  MOCK_METHOD(std::unique_ptr<platform::Process>,
              ShellExecuteRunAs,
              (std::u16string_view, std::u16string_view, DWORD*),
              (override));
  MOCK_METHOD(bool, IsDeclinedExit, (int), (const, override));
  MOCK_METHOD(DWORD, WaitForAny, (std::span<platform::Waitable* const>, DWORD), (override));
};

// A standard user on a system that enforces elevation, unless a test says otherwise.
class EnsureElevatedTest : public testing::Test {
 protected:
  EnsureElevatedTest() {
    ON_CALL(system_, Version(_))
        .WillByDefault(DoAll(SetArgPointee<0>(platform::OsVersion{10, 0}), Return(true)));
    ON_CALL(system_, IsElevationEnforced()).WillByDefault(Return(true));
    ON_CALL(system_, ExecutablePath()).WillByDefault(Return(u"/opt/my tavlo/tavlo"));
    ON_CALL(system_, CommandLine()).WillByDefault(Return(u"\"/opt/my tavlo/tavlo\" /start"));
    ON_CALL(system_, IsDeclinedExit(_)).WillByDefault([](int s) { return s == 126; });
  }

  bool Run(DWORD create_error = 0, bool create_fails = false) {
    sets_ = 0;
    ElevationContext context;
    context.system = &system_;
    context.create_event = [this, create_error, create_fails](std::u16string_view name,
                                                              DWORD* error) {
      EXPECT_EQ(name, u"Global\\{A88D5CCB-55BB-4db1-8ABD-0C7B532F1083}");
      *error = create_error;
      return create_fails ? nullptr : std::make_unique<FakeEvent>(&sets_);
    };
    context.message_box = [this](std::u16string_view text, std::u16string_view caption, UINT type) {
      box_ = std::u16string(text) + u"|" + std::u16string(caption) + u"|" +
             std::u16string(1, static_cast<char16_t>(type));
    };
    return EnsureElevated(context);
  }

  NiceMock<MockSystem> system_;
  int sets_ = 0;
  std::u16string box_;
};

TEST_F(EnsureElevatedTest, EventNotCreatedShowsTheBugBoxAndEnds) {
  EXPECT_CALL(system_, IsUserAnAdmin()).Times(0);
  EXPECT_CALL(system_, ShellExecuteRunAs(_, _, _)).Times(0);
  EXPECT_FALSE(Run(5, /*create_fails=*/true));
  EXPECT_EQ(box_, u"CreateEvent return NULL !  真失败...\r\nLastError = 5|Bug!|\x10");
}

TEST_F(EnsureElevatedTest, GoesOnAndSignalsWithoutRelaunching) {
  EXPECT_CALL(system_, ShellExecuteRunAs(_, _, _)).Times(0);
  {
    SCOPED_TRACE("an existing event skips the rights check");
    EXPECT_CALL(system_, IsUserAnAdmin()).Times(0);
    EXPECT_TRUE(Run(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(sets_, 1);
  }
  testing::Mock::VerifyAndClearExpectations(&system_);
  {
    SCOPED_TRACE("administrator");
    EXPECT_CALL(system_, IsUserAnAdmin()).WillOnce(Return(true));
    EXPECT_TRUE(Run());
    EXPECT_EQ(sets_, 1);
  }
  testing::Mock::VerifyAndClearExpectations(&system_);
  {
    SCOPED_TRACE("version 5.1: no elevation, nothing else asked");
    EXPECT_CALL(system_, Version(_))
        .WillOnce(DoAll(SetArgPointee<0>(platform::OsVersion{5, 1}), Return(true)));
    EXPECT_CALL(system_, IsElevationEnforced()).Times(0);
    EXPECT_TRUE(Run());
    EXPECT_EQ(sets_, 1);
  }
  testing::Mock::VerifyAndClearExpectations(&system_);
  for (bool version_known : {false, true}) {
    SCOPED_TRACE(version_known ? "nothing enforced" : "version unknown");
    EXPECT_CALL(system_, Version(_)).WillOnce(Return(version_known));
    EXPECT_CALL(system_, IsElevationEnforced()).WillRepeatedly(Return(false));
    EXPECT_TRUE(Run());
    EXPECT_EQ(sets_, 1);
  }
  EXPECT_TRUE(box_.empty());
}

TEST_F(EnsureElevatedTest, RelaunchesWithThePathAndTheTailThenEnds) {
  EXPECT_CALL(system_, ShellExecuteRunAs(std::u16string_view(u"/opt/my tavlo/tavlo"),
                                         std::u16string_view(u"/start"), _))
      .WillOnce([](auto, auto, DWORD*) { return std::make_unique<EndedProcess>(0); });
  EXPECT_CALL(system_, WaitForAny(testing::SizeIs(2), 30000u)).WillOnce(Return(WAIT_OBJECT_0 + 1));
  EXPECT_FALSE(Run());
  EXPECT_EQ(sets_, 0) << "the copy signals, not the launcher";
}

TEST_F(EnsureElevatedTest, FailedOrDeclinedRelaunchSignalsTheEvent) {
  EXPECT_CALL(system_, ShellExecuteRunAs(_, _, _))
      .WillOnce(DoAll(SetArgPointee<2>(ERROR_ACCESS_DENIED), Return(nullptr)));
  EXPECT_FALSE(Run());
  EXPECT_EQ(sets_, 1);

  for (int exit : {126, 0}) {
    EXPECT_CALL(system_, ShellExecuteRunAs(_, _, _)).WillOnce([exit](auto, auto, DWORD*) {
      return std::make_unique<EndedProcess>(exit);
    });
    EXPECT_CALL(system_, WaitForAny(_, _)).WillOnce(Return(WAIT_OBJECT_0));
    EXPECT_FALSE(Run());
    EXPECT_EQ(sets_, exit == 126 ? 1 : 0) << exit;
  }
}

// The launcher against real processes: a fake pkexec starts the copy, the copy runs
// EnsureElevated itself.
class LauncherSystem : public platform::LinuxSystem {
 public:
  LauncherSystem(const std::string& pkexec, std::u16string command_line)
      : LinuxSystem(MakeOptions(pkexec)), command_line_(std::move(command_line)) {}
  bool IsUserAnAdmin() override { return false; }
  std::u16string ExecutablePath() override { return u"" STARTUP_HELPER; }
  std::u16string CommandLine() override { return command_line_; }

 private:
  static Options MakeOptions(const std::string& pkexec) {
    Options options;
    options.backend_needs_privileges = true;
    options.pkexec_path = pkexec;
    options.version = platform::OsVersion{6, 1};
    return options;
  }
  std::u16string command_line_;
};

class LauncherTest : public testing::Test {
 protected:
  // Milliseconds EnsureElevated took, with the given fake pkexec body.
  long Launch(const std::string& pkexec_body, DWORD timeout_ms, bool* result) {
    std::string pkexec = dir_.path().string() + "/pkexec";
    std::ofstream(pkexec) << "#!/bin/sh\n" << pkexec_body << "\n";
    chmod(pkexec.c_str(), 0755);
    std::string line =
        "\"" STARTUP_HELPER "\" ensure-elevated " + dir_.path().string() + " " + marker_ + " 3000";
    LauncherSystem system(pkexec, std::u16string(line.begin(), line.end()));
    ElevationContext context;
    context.system = &system;
    context.create_event = platform::LinuxNamedEvent::Factory(dir_.path());
    context.message_box = [](std::u16string_view, std::u16string_view, UINT) {};
    context.wait_timeout_ms = timeout_ms;
    auto start = std::chrono::steady_clock::now();
    *result = EnsureElevated(context);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
  }
  bool WentOn() { return std::ifstream(marker_).good(); }
  // The copy signals first and writes its marker after: give it the time to.
  bool GoesOn() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!WentOn()) {
      if (std::chrono::steady_clock::now() >= deadline)
        return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }

  test::ScopedTempDir dir_;
  std::string marker_ = dir_.path().string() + "/went-on";
};

TEST_F(LauncherTest, EndsWhenTheCopySignals) {
  bool result = true;
  long ms = Launch("exec \"$@\"", 20000, &result);
  EXPECT_FALSE(result);
  EXPECT_LT(ms, 2500) << "the copy stays alive for 3 s: only its signal can end the wait";
  EXPECT_TRUE(GoesOn());
}

TEST_F(LauncherTest, EndsWhenTheCopyEnds) {
  bool result = true;
  EXPECT_LT(Launch("exit 126", 20000, &result), 2500);
  EXPECT_FALSE(result);
  EXPECT_FALSE(WentOn());
}

TEST_F(LauncherTest, GivesUpAfterTheTimeOut) {
  bool result = true;
  long ms = Launch("exec sleep 3", 300, &result);
  EXPECT_FALSE(result);
  EXPECT_GE(ms, 300);
  EXPECT_LT(ms, 2500);
}

}  // namespace
}  // namespace app
