#include "platform/linux/linux_named_event.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "base/result.h"
#include "platform_linux/child_process.h"
#include "platform_linux/test_dir.h"

namespace platform {
namespace {

using testing_support::ChildProcess;
using Clock = std::chrono::steady_clock;

constexpr char16_t kName[] = u"Global\\{A88D5CCB-55BB-4db1-8ABD-0C7B532F1083}";

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

  testing_support::TempDir dir_;
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
  EXPECT_FALSE(LinuxNamedEvent::Create(kName, &error, dir_.path() + "/missing"));
  EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);

  ASSERT_EQ(mkdir(LinuxNamedEvent::PathFor(kName, dir_.path()).c_str(), 0700), 0);
  EXPECT_FALSE(Open(&error));
  EXPECT_EQ(error, ERROR_INVALID_HANDLE);
}

}  // namespace
}  // namespace platform
