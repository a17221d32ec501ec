#include "app/elevation.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "base/result.h"
#include "platform/linux/linux_named_event.h"
#include "platform/linux/linux_system.h"
#include "platform_linux/test_dir.h"

namespace app {
namespace {

using platform::WAIT_OBJECT_0;
using platform::WAIT_TIMEOUT;

struct EventLog {
  int created = 0;
  int sets = 0;
  bool closed = false;
};

class FakeEvent : public platform::NamedEvent {
 public:
  explicit FakeEvent(EventLog* log) : log_(log) {}
  ~FakeEvent() override { log_->closed = true; }
  bool Set() override { return ++log_->sets, true; }
  bool Reset() override { return true; }
  DWORD Wait(DWORD) override { return log_->sets ? WAIT_OBJECT_0 : WAIT_TIMEOUT; }
  bool IsSignalled() override { return log_->sets > 0; }
  int PollFd() const override { return -1; }

 private:
  EventLog* log_;
};

class FakeProcess : public platform::Process {
 public:
  explicit FakeProcess(std::optional<int> exit) : exit_(exit) {}
  bool IsSignalled() override { return exit_.has_value(); }
  int PollFd() const override { return -1; }
  int Id() const override { return 42; }
  std::optional<int> ExitStatus() override { return exit_; }

 private:
  std::optional<int> exit_;
};

// Answers as configured and records what start-up asked of it.
class FakeSystem : public platform::System {
 public:
  bool version_ok = true;
  platform::OsVersion version{10, 0};
  bool admin = false;
  bool enforced = true;
  bool relaunch_fails = false;
  std::optional<int> child_exit;  // the copy's exit status when the wait ends by it
  DWORD wait_result = WAIT_OBJECT_0 + 1;

  int admin_asked = 0;
  int enforced_asked = 0;
  int relaunches = 0;
  std::u16string file, parameters;
  DWORD waited_ms = 0;

  bool Version(platform::OsVersion* v) override {
    *v = version;
    return version_ok;
  }
  bool IsUserAnAdmin() override { return ++admin_asked, admin; }
  bool IsElevationEnforced() override { return ++enforced_asked, enforced; }
  std::u16string ExecutablePath() override { return u"/opt/my tavlo/tavlo"; }
  std::u16string CommandLine() override { return u"\"/opt/my tavlo/tavlo\" /start"; }
  std::unique_ptr<platform::Process> ShellExecuteRunAs(std::u16string_view f,
                                                       std::u16string_view p,
                                                       DWORD* error) override {
    ++relaunches;
    file = f;
    parameters = p;
    *error = relaunch_fails ? ERROR_ACCESS_DENIED : 0;
    if (relaunch_fails)
      return nullptr;
    return std::make_unique<FakeProcess>(wait_result == WAIT_OBJECT_0 ? child_exit : std::nullopt);
  }
  bool IsDeclinedExit(int status) const override { return status == 126; }
  DWORD WaitForAny(std::span<platform::Waitable* const> objects, DWORD timeout) override {
    EXPECT_EQ(objects.size(), 2u);
    waited_ms = timeout;
    return wait_result;
  }
};

class EnsureElevatedTest : public testing::Test {
 protected:
  bool Run(DWORD create_error = 0, bool create_fails = false) {
    context_.system = &system_;
    context_.create_event = [this, create_error, create_fails](std::u16string_view name,
                                                               DWORD* error) {
      EXPECT_EQ(name, u"Global\\{A88D5CCB-55BB-4db1-8ABD-0C7B532F1083}");
      *error = create_error;
      ++log_.created;
      return create_fails ? nullptr : std::make_unique<FakeEvent>(&log_);
    };
    context_.message_box = [this](std::u16string_view text, std::u16string_view caption,
                                  UINT type) {
      box_text_ = text;
      box_caption_ = caption;
      box_type_ = type;
    };
    return EnsureElevated(context_);
  }

  FakeSystem system_;
  ElevationContext context_;
  EventLog log_;
  std::u16string box_text_, box_caption_;
  UINT box_type_ = 0;
};

TEST_F(EnsureElevatedTest, EventNotCreatedShowsTheBugBoxAndEnds) {
  system_.admin = true;
  EXPECT_FALSE(Run(5, /*create_fails=*/true));
  EXPECT_EQ(box_text_, u"CreateEvent return NULL !  真失败...\r\nLastError = 5");
  EXPECT_EQ(box_caption_, u"Bug!");
  EXPECT_EQ(box_type_, 0x10u);
  EXPECT_EQ(system_.admin_asked, 0);
  EXPECT_EQ(system_.relaunches, 0);
}

TEST_F(EnsureElevatedTest, GoesOnAndSignalsWithoutRelaunching) {
  struct Case {
    const char* what;
    DWORD create_error;
    bool admin, version_ok;
    DWORD major;
    bool enforced;
  };
  for (const Case& c : {Case{"event already exists", ERROR_ALREADY_EXISTS, false, true, 10, true},
                        Case{"administrator", 0, true, true, 10, true},
                        Case{"version 5.1", 0, false, true, 5, true},
                        Case{"version unknown", 0, false, false, 10, true},
                        Case{"nothing enforced", 0, false, true, 10, false}}) {
    SCOPED_TRACE(c.what);
    system_ = FakeSystem();
    log_ = EventLog();
    system_.admin = c.admin;
    system_.version_ok = c.version_ok;
    system_.version = {c.major, 1};
    system_.enforced = c.enforced;
    EXPECT_TRUE(Run(c.create_error));
    EXPECT_EQ(log_.sets, 1);
    EXPECT_TRUE(log_.closed);
    EXPECT_EQ(system_.relaunches, 0);
    EXPECT_TRUE(box_text_.empty());
  }
  EXPECT_EQ(system_.enforced_asked, 1);
  system_ = FakeSystem();
  system_.version = {5, 1};
  Run(ERROR_ALREADY_EXISTS);
  EXPECT_EQ(system_.admin_asked, 0) << "an existing event skips the rights check";
  Run();
  EXPECT_EQ(system_.enforced_asked, 0) << "no elevation on version 5";
}

TEST_F(EnsureElevatedTest, RelaunchesWithThePathAndTheTailThenEnds) {
  EXPECT_FALSE(Run());
  EXPECT_EQ(system_.file, u"/opt/my tavlo/tavlo");
  EXPECT_EQ(system_.parameters, u"/start");
  EXPECT_EQ(system_.waited_ms, 30000u);
  EXPECT_EQ(log_.sets, 0) << "the copy signals, not the launcher";
  EXPECT_TRUE(log_.closed);
}

TEST_F(EnsureElevatedTest, FailedOrDeclinedRelaunchSignalsTheEvent) {
  system_.relaunch_fails = true;
  EXPECT_FALSE(Run());
  EXPECT_EQ(log_.sets, 1);

  for (int exit : {126, 0}) {
    system_ = FakeSystem();
    log_ = EventLog();
    system_.wait_result = WAIT_OBJECT_0;
    system_.child_exit = exit;
    EXPECT_FALSE(Run());
    EXPECT_EQ(log_.sets, exit == 126 ? 1 : 0) << exit;
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
    std::string pkexec = dir_.path() + "/pkexec";
    std::ofstream(pkexec) << "#!/bin/sh\n" << pkexec_body << "\n";
    chmod(pkexec.c_str(), 0755);
    std::string line =
        "\"" STARTUP_HELPER "\" ensure-elevated " + dir_.path() + " " + marker_ + " 3000";
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

  testing_support::TempDir dir_;
  std::string marker_ = dir_.path() + "/went-on";
};

TEST_F(LauncherTest, EndsWhenTheCopySignals) {
  bool result = true;
  long ms = Launch("exec \"$@\"", 20000, &result);
  EXPECT_FALSE(result);
  EXPECT_LT(ms, 2500) << "the copy stays alive for 3 s: only its signal can end the wait";
  EXPECT_TRUE(WentOn());
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
