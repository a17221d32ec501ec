#include "base/lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/private_folder.h"
#include "support/scoped_env.h"
#include "support/scoped_temp_dir.h"

namespace {

constexpr uid_t kNobody = 65534;

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

// Every test has a runtime folder of its own: nothing else on the machine meets its locks.
class ProcessLockTest : public testing::Test {
 protected:
  test::ScopedRuntimeDir runtime_;
};

TEST_F(ProcessLockTest, SecondObjectInTheSameProcessSeesItTaken) {
  auto name = UniqueName("same");
  base::ProcessLock first(name);
  ASSERT_TRUE(first.TryAcquire());
  EXPECT_TRUE(first.TryAcquire()) << "the owner may ask again";
  base::ProcessLock second(name);
  EXPECT_FALSE(second.TryAcquire());
  EXPECT_TRUE(second.CreateProblem().ok()) << "held, not broken";
  EXPECT_EQ(
      base::platform::ProcessLockImpl::PathForName(name),
      runtime_.path().string() + "/tavlo/" + base::platform::ProcessLockImpl::FileNameFor(name));
}

TEST_F(ProcessLockTest, SecondProcessSeesItTakenUntilTheOwnerCloses) {
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

TEST_F(ProcessLockTest, OwnershipEndsWithTheOwningProcessEvenWhenItCrashes) {
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

TEST_F(ProcessLockTest, ALockThatCannotBeMadeSaysWhy) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to play another user";
  // Only another account (or root) could have made our folder; we never use it then.
  const std::string folder = runtime_.path().string() + "/tavlo";
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  ASSERT_EQ(chown(folder.c_str(), kNobody, kNobody), 0);
  base::ProcessLock lock(UniqueName("foreign"));
  EXPECT_FALSE(lock.TryAcquire());
  EXPECT_EQ(lock.CreateProblem().kind, base::FolderProblem::kForeignOwner);
  EXPECT_EQ(lock.CreateProblem().path, folder);
  EXPECT_NE(lock.CreateProblem().Describe().find("belongs to another user"), std::string::npos);

  ASSERT_EQ(chown(folder.c_str(), 0, 0), 0);
  auto name = UniqueName("planted");
  const std::string file = base::platform::ProcessLockImpl::PathForName(name);
  ASSERT_EQ(mkdir(file.c_str(), 0700), 0);
  base::ProcessLock blocked(name);
  EXPECT_FALSE(blocked.TryAcquire());
  EXPECT_EQ(blocked.CreateProblem().kind, base::FolderProblem::kSystemError);
  EXPECT_EQ(blocked.CreateProblem().path, file);
}

// The runtime folder's choice, with /tmp replaced by a folder of the test.
class RuntimeFolderTest : public testing::Test {
 protected:
  std::string Folder(const char* xdg_runtime_dir) {
    return base::UserRuntimeFolder(xdg_runtime_dir, tmp_.path().string(), &problem_);
  }
  std::string Fallback() const {
    return tmp_.path().string() + "/tavlo-" + std::to_string(geteuid());
  }

  test::ScopedTempDir tmp_, runtime_;
  base::FolderProblem problem_;
};

TEST_F(RuntimeFolderTest, UsesAPrivateXdgRuntimeDirElseAPrivateTmpFolder) {
  EXPECT_EQ(Folder(runtime_.path().c_str()), runtime_.path().string() + "/tavlo");
  EXPECT_TRUE(problem_.ok());
  struct stat st;
  ASSERT_EQ(lstat((runtime_.path() / "tavlo").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  EXPECT_EQ(Folder(nullptr), Fallback());
  ASSERT_EQ(lstat(Fallback().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(Folder(""), Fallback());
  EXPECT_EQ(Folder("relative/run"), Fallback());
  EXPECT_EQ(Folder((runtime_.path() / "missing").c_str()), Fallback());
  ASSERT_EQ(chmod(runtime_.path().c_str(), 0755), 0);
  EXPECT_EQ(Folder(runtime_.path().c_str()), Fallback()) << "open to others: not a runtime dir";
}

TEST_F(RuntimeFolderTest, ATmpFolderThatIsNotOursAloneIsReportedNeverUsed) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to play another user";
  const std::string fallback = Fallback();
  ASSERT_EQ(mkdir(fallback.c_str(), 0700), 0);
  ASSERT_EQ(chown(fallback.c_str(), kNobody, kNobody), 0);
  EXPECT_EQ(Folder(nullptr), "");
  EXPECT_EQ(problem_.kind, base::FolderProblem::kForeignOwner);
  EXPECT_EQ(problem_.path, fallback);

  ASSERT_EQ(chown(fallback.c_str(), geteuid(), getegid()), 0);
  ASSERT_EQ(chmod(fallback.c_str(), 0770), 0);
  EXPECT_EQ(Folder(nullptr), "");
  EXPECT_EQ(problem_.kind, base::FolderProblem::kOpenToOthers);

  ASSERT_EQ(rmdir(fallback.c_str()), 0);
  const std::string target = (tmp_.path() / "elsewhere").string();
  ASSERT_EQ(mkdir(target.c_str(), 0700), 0);
  ASSERT_EQ(symlink(target.c_str(), fallback.c_str()), 0);
  EXPECT_EQ(Folder(nullptr), "");
  EXPECT_EQ(problem_.kind, base::FolderProblem::kNotAFolder) << "a link another user planted";
}

}  // namespace
