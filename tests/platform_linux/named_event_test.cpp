#include "platform/linux/linux_named_event.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "base/result.h"
#include "platform_linux/child_process.h"
#include "support/scoped_temp_dir.h"

namespace platform {
namespace {

using testing_support::ChildProcess;
using Clock = std::chrono::steady_clock;

constexpr char16_t kName[] = u"Global\\{A88D5CCB-55BB-4db1-8ABD-0C7B532F1083}";
constexpr uid_t kNobody = 65534;

// Runs `body` in a forked child; its exit status, or -1 when it did not end within `limit`
// (it is killed then).
template <class Body>
int InChildWithin(std::chrono::milliseconds limit, Body body) {
  pid_t pid = fork();
  if (pid == 0)
    _exit(body());
  int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  pollfd p = {pidfd, POLLIN, 0};
  const bool ended = pidfd >= 0 && poll(&p, 1, static_cast<int>(limit.count())) == 1;
  if (!ended)
    kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  if (pidfd >= 0)
    close(pidfd);
  return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A private folder of `owner` at `path`, as that user would have made it.
void MakeFolderOf(const std::string& path, uid_t owner, mode_t mode = 0700) {
  std::filesystem::create_directories(path);
  ASSERT_EQ(chown(path.c_str(), owner, owner), 0);
  ASSERT_EQ(chmod(path.c_str(), mode), 0);
}

class NamedEventTest : public testing::Test {
 protected:
  std::unique_ptr<LinuxNamedEvent> Open(DWORD* error) {
    return LinuxNamedEvent::Create(kName, error, dir_.path());
  }
  ChildProcess Helper(const std::string& mode, bool set = false) {
    std::vector<std::string> argv{PLATFORM_LINUX_HELPER, mode, dir_.path(),
                                  "Global\\{A88D5CCB-55BB-4db1-8ABD-0C7B532F1083}"};
    if (set)
      argv.push_back("set");
    return ChildProcess(argv);
  }

  test::ScopedTempDir dir_;
};

TEST_F(NamedEventTest, ExistsOnlyWhileHeldAndLeavesNoFileBehind) {
  DWORD error = 1;
  auto first = Open(&error);
  ASSERT_TRUE(first);
  EXPECT_EQ(error, ERROR_SUCCESS);
  auto second = Open(&error);
  ASSERT_TRUE(second);
  EXPECT_EQ(error, ERROR_ALREADY_EXISTS);

  first.reset();
  auto third = Open(&error);
  EXPECT_EQ(error, ERROR_ALREADY_EXISTS) << "the second holder still has it";
  second.reset();
  third.reset();
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
  EXPECT_TRUE(Open(&error));
  EXPECT_EQ(error, ERROR_SUCCESS);
}

TEST_F(NamedEventTest, ManualResetAndTimedWait) {
  DWORD error;
  auto event = Open(&error);
  ASSERT_TRUE(event);
  auto start = Clock::now();
  EXPECT_EQ(event->Wait(60), WAIT_TIMEOUT);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(60));

  ASSERT_TRUE(event->Set());
  EXPECT_EQ(event->Wait(0), WAIT_OBJECT_0);
  EXPECT_EQ(event->Wait(0), WAIT_OBJECT_0) << "stays set until reset";
  ASSERT_TRUE(event->Reset());
  EXPECT_EQ(event->Wait(0), WAIT_TIMEOUT);
}

TEST_F(NamedEventTest, AnotherProcessSeesItAndWakesAWaiter) {
  DWORD error;
  auto event = Open(&error);
  ASSERT_TRUE(event);
  ChildProcess holder = Helper("hold-event");
  EXPECT_EQ(holder.ReadLine(), "existed");

  std::thread setter([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ChildProcess child = Helper("set-event");
    child.Wait();
  });
  auto start = Clock::now();
  EXPECT_EQ(event->Wait(10000), WAIT_OBJECT_0);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  setter.join();
  holder.CloseStdin();
  EXPECT_EQ(holder.Wait(), 0);
}

TEST_F(NamedEventTest, AKilledHolderLeavesNothingThatMakesItExist) {
  ChildProcess holder = Helper("hold-event", /*set=*/true);
  ASSERT_EQ(holder.ReadLine(), "new");
  DWORD error;
  EXPECT_TRUE(Open(&error));
  EXPECT_EQ(error, ERROR_ALREADY_EXISTS);

  holder.Kill();
  EXPECT_EQ(holder.Wait(), 128 + SIGKILL);
  auto event = Open(&error);
  ASSERT_TRUE(event);
  EXPECT_EQ(error, ERROR_SUCCESS);
  EXPECT_FALSE(event->IsSignalled()) << "a new event starts unsignalled";
}

TEST_F(NamedEventTest, ClosingHoldersNeverRemoveItUnderAnotherHolder) {
  DWORD error;
  auto anchor = Open(&error);
  ASSERT_TRUE(anchor);
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([this, &wrong] {
      for (int i = 0; i < 200; ++i) {
        DWORD e = 0;
        auto event = Open(&e);
        if (!event || e != ERROR_ALREADY_EXISTS)
          ++wrong;
      }
    });
  }
  for (auto& t : threads)
    t.join();
  EXPECT_EQ(wrong, 0);
}

TEST_F(NamedEventTest, FailuresGiveAWin32Code) {
  DWORD error = 0;
  EXPECT_FALSE(LinuxNamedEvent::Create(kName, &error, dir_.path().string() + "/missing"));
  EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);

  ASSERT_EQ(mkdir(LinuxNamedEvent::PathFor(kName, dir_.path()).c_str(), 0700), 0);
  EXPECT_FALSE(Open(&error));
  EXPECT_EQ(error, ERROR_INVALID_HANDLE);
}

TEST_F(NamedEventTest, AHolderThatKeepsTheGuardMakesOpeningFailNotHang) {
  ChildProcess stuck = Helper("hold-guard");
  ASSERT_EQ(stuck.ReadLine(), "holding");
  const auto start = Clock::now();
  const int status = InChildWithin(std::chrono::seconds(10), [this] {
    DWORD error = 0;
    return !Open(&error) && error == ERROR_SHARING_VIOLATION ? 0 : 1;
  });
  EXPECT_EQ(status, 0) << "-1: the open was still waiting after 10 s";
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  stuck.CloseStdin();
  EXPECT_EQ(stuck.Wait(), 0);
  DWORD error = 1;
  EXPECT_TRUE(Open(&error)) << "free again once the holder lets go";
}

TEST_F(NamedEventTest, LivesInTheUsersRuntimeFolder) {
  test::ScopedTempDir runtime;
  setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
  unsetenv("PKEXEC_UID");
  const std::string expected = runtime.path().string() + "/tavlo";
  EXPECT_EQ(LinuxNamedEvent::DefaultDirectory(), expected);
  DWORD error = 1;
  auto event = LinuxNamedEvent::Create(kName, &error);
  ASSERT_TRUE(event);
  EXPECT_TRUE(std::filesystem::exists(LinuxNamedEvent::PathFor(kName, expected)));
  struct stat st;
  ASSERT_EQ(stat(expected.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  unsetenv("XDG_RUNTIME_DIR");
}

TEST_F(NamedEventTest, APkexecCopyLooksInTheFolderOfTheUserWhoAsked) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to make folders of another user";
  const std::string run = dir_.path().string() + "/run", tmp = dir_.path().string() + "/tmp";
  std::filesystem::create_directories(run);
  std::filesystem::create_directories(tmp);
  const std::string own = tmp + "/tavlo-0";
  auto folder = [&](uid_t euid, const char* asker) {
    return LinuxNamedEvent::HandshakeFolder(euid, asker, nullptr, run, tmp);
  };
  EXPECT_EQ(folder(0, "65534"), own) << "the user has no folder: root's own, nothing made";
  EXPECT_FALSE(std::filesystem::exists(tmp + "/tavlo-65534"));

  MakeFolderOf(tmp + "/tavlo-65534", kNobody, 0755);
  EXPECT_EQ(folder(0, "65534"), own) << "a folder open to others is not the user's";
  MakeFolderOf(tmp + "/tavlo-65534", kNobody);
  EXPECT_EQ(folder(0, "65534"), tmp + "/tavlo-65534");
  MakeFolderOf(run + "/65534/tavlo", kNobody);
  EXPECT_EQ(folder(0, "65534"), run + "/65534/tavlo");

  EXPECT_EQ(folder(0, "65534x"), own);
  EXPECT_EQ(folder(0, ""), own);
  EXPECT_EQ(folder(0, nullptr), own);
}

TEST_F(NamedEventTest, FilesThatOthersCouldHavePlantedAreRefused) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to give a file to another user";
  const std::string path = LinuxNamedEvent::PathFor(kName, dir_.path());
  DWORD error = 0;
  std::ofstream(path) << '\1';
  ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
  EXPECT_FALSE(Open(&error)) << "owned by neither us nor the folder's owner";
  EXPECT_EQ(error, ERROR_ACCESS_DENIED);
  std::filesystem::remove(path);

  const std::string elsewhere = dir_.path().string() + "/precious";
  std::ofstream(elsewhere) << "keep";
  ASSERT_EQ(link(elsewhere.c_str(), path.c_str()), 0);
  EXPECT_FALSE(Open(&error)) << "a second name for another file";
  EXPECT_EQ(error, ERROR_ACCESS_DENIED);
  std::ifstream kept(elsewhere);
  std::string text;
  kept >> text;
  EXPECT_EQ(text, "keep");
}

}  // namespace
}  // namespace platform
