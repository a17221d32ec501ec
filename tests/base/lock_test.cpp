#include "base/lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// A lock name unique to this test run, so parallel test processes do not meet.
std::u16string UniqueName(const char* tag) {
  std::string text = std::string("Tavlo.Test.") + tag + "." + std::to_string(getpid());
  return std::u16string(text.begin(), text.end());
}

// Runs `body` in a forked child and returns its exit status.
template <class F>
int InChild(F body) {
  pid_t pid = fork();
  if (pid == 0)
    _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ThreadLockTest, CounterIncrementsAreNotLostAcrossThreads) {
  base::ThreadLock lock;
  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&lock, &counter] {
      for (int i = 0; i < 20000; ++i) {
        base::AutoLock guard(lock);
        ++counter;
      }
    });
  }
  for (auto& thread : threads)
    thread.join();
  EXPECT_EQ(counter, 80000);
}

TEST(ThreadLockTest, AutoLockReleasesWhenAnExceptionLeavesTheScope) {
  base::ThreadLock lock;
  EXPECT_THROW(
      {
        base::AutoLock guard(lock);
        throw std::runtime_error("boom");
      },
      std::runtime_error);
  // Another thread can take it now; a leaked lock would hang here.
  std::thread other([&lock] { base::AutoLock guard(lock); });
  other.join();
}

TEST(ProcessLockTest, SecondObjectInTheSameProcessSeesItTaken) {
  auto name = UniqueName("same");
  base::ProcessLock first(name);
  ASSERT_TRUE(first.TryAcquire());
  EXPECT_TRUE(first.TryAcquire()) << "the owner may ask again";
  base::ProcessLock second(name);
  EXPECT_FALSE(second.TryAcquire());
}

TEST(ProcessLockTest, SecondProcessSeesItTakenUntilTheOwnerCloses) {
  auto name = UniqueName("cross");
  auto child_try = [&name] {
    return InChild([&name] { return base::ProcessLock(name).TryAcquire() ? 0 : 1; });
  };
  {
    base::ProcessLock owner(name);
    ASSERT_TRUE(owner.TryAcquire());
    EXPECT_EQ(child_try(), 1);
  }
  EXPECT_EQ(child_try(), 0) << "closing ends ownership";
}

TEST(ProcessLockTest, OwnershipEndsWithTheOwningProcessEvenWhenItCrashes) {
  auto name = UniqueName("crash");
  int pipefd[2];
  ASSERT_EQ(pipe(pipefd), 0);
  pid_t pid = fork();
  if (pid == 0) {
    base::ProcessLock owner(name);
    char ok = owner.TryAcquire() ? 'y' : 'n';
    (void)!write(pipefd[1], &ok, 1);
    pause();  // killed below
    _exit(0);
  }
  char ok = 0;
  ASSERT_EQ(read(pipefd[0], &ok, 1), 1);
  ASSERT_EQ(ok, 'y');
  base::ProcessLock here(name);
  EXPECT_FALSE(here.TryAcquire());
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  EXPECT_TRUE(here.TryAcquire());
  close(pipefd[0]);
  close(pipefd[1]);
}

TEST(ProcessLockTest, FallsBackToAPrivateTmpFolderWithoutRuntimeDir) {
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  std::string keep = saved ? saved : "";
  unsetenv("XDG_RUNTIME_DIR");
  auto name = UniqueName("tmp");
  std::string path = base::platform::ProcessLockImpl::PathForName(name);
  EXPECT_EQ(path.rfind("/tmp/tavlo-" + std::to_string(getuid()) + "/", 0), 0u) << path;
  {
    base::ProcessLock a(name);
    base::ProcessLock b(name);
    EXPECT_TRUE(a.TryAcquire());
    EXPECT_FALSE(b.TryAcquire());
  }
  std::filesystem::remove(path);
  if (saved)
    setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
}

TEST(ProcessLockTest, AnUnusableFolderMeansNotAcquired) {
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  std::string keep = saved ? saved : "";
  setenv("XDG_RUNTIME_DIR", "/nonexistent/tavlo-test", 1);
  base::ProcessLock lock(UniqueName("bad"));
  EXPECT_FALSE(lock.TryAcquire());
  if (saved)
    setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
  else
    unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
