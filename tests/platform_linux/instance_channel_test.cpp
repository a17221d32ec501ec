#include "platform/linux/linux_instance_channel.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>

#include "base/guid.h"
#include "platform_linux/child_process.h"
#include "support/scoped_env.h"
#include "support/scoped_temp_dir.h"

namespace platform {
namespace {

using testing_support::ChildProcess;

constexpr uid_t kNobody = 65534;

// A message name of its own per test.
std::u16string UniqueMessage() {
  std::string text = base::GuidToString(base::NewGuid());
  return std::u16string(text.begin(), text.end());
}

std::string Narrow(const std::u16string& s) {
  return std::string(s.begin(), s.end());
}

// Runs `body` in a forked child as user nobody; its result is the child's exit status. Only
// system calls run in the child.
template <class Body>
int RunAsNobody(Body body) {
  pid_t pid = fork();
  if (pid == 0) {
    if (setgid(kNobody) != 0 || setuid(kNobody) != 0)
      _exit(99);
    _exit(body());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Each test has a runtime folder of its own, so nothing else that runs on the machine (a
// Tavlo of the same user included) meets it.
class InstanceChannelTest : public testing::Test {
 protected:
  test::ScopedRuntimeDir runtime_;
};

TEST_F(InstanceChannelTest, SecondInstanceReachesTheFirst) {
  std::u16string message = UniqueMessage();
  LinuxInstanceChannel first(message);
  std::atomic<int> activations{0};
  ASSERT_TRUE(first.Listen([&activations] { ++activations; }));
  EXPECT_EQ(first.path(), runtime_.path().string() + "/tavlo/" + Narrow(message) + ".sock")
      << "beside the single-instance lock";

  LinuxInstanceChannel rival(message);
  EXPECT_FALSE(rival.Listen({})) << "one listener per runtime folder and name";

  ChildProcess second({PLATFORM_LINUX_HELPER, "broadcast", Narrow(message)});
  EXPECT_EQ(second.Wait(), 0);
  EXPECT_EQ(activations, 1) << "the answer comes after the callback";
  EXPECT_TRUE(LinuxInstanceChannel(message).Broadcast());
  EXPECT_EQ(activations, 2);

  first.Stop();
  EXPECT_FALSE(std::filesystem::exists(first.path())) << "the socket file goes with the listener";
  EXPECT_FALSE(LinuxInstanceChannel(message).Broadcast()) << "nobody listens any more";
  EXPECT_TRUE(rival.Listen({})) << "the name is free again";
}

TEST_F(InstanceChannelTest, ListenerInAnotherProcess) {
  std::u16string message = UniqueMessage();
  ChildProcess first({PLATFORM_LINUX_HELPER, "listen", Narrow(message)});
  ASSERT_EQ(first.ReadLine(), "ready");
  EXPECT_TRUE(LinuxInstanceChannel(message).Broadcast());
  EXPECT_EQ(first.ReadLine(), "activated");
  EXPECT_FALSE(LinuxInstanceChannel(UniqueMessage()).Broadcast()) << "other name, nobody there";
}

TEST_F(InstanceChannelTest, AnotherRuntimeFolderIsAnotherScope) {
  // The same message name, as every Tavlo uses, under two runtime folders.
  const std::u16string message = UniqueMessage();
  std::atomic<int> here{0}, there{0};
  LinuxInstanceChannel mine(message);
  ASSERT_TRUE(mine.Listen([&here] { ++here; }));

  test::ScopedTempDir other;
  setenv("XDG_RUNTIME_DIR", other.path().c_str(), 1);
  LinuxInstanceChannel theirs(message);
  ASSERT_TRUE(theirs.Listen([&there] { ++there; })) << "each folder has a channel of its own";
  EXPECT_TRUE(LinuxInstanceChannel(message).Broadcast());
  EXPECT_EQ(there, 1);
  EXPECT_EQ(here, 0) << "a start in one folder never wakes the program of another";
  theirs.Stop();
}

TEST_F(InstanceChannelTest, AStaleSocketIsReplacedAndALongPathWorks) {
  const std::u16string message = UniqueMessage();
  // Deeper than a socket address can name.
  std::string folder = runtime_.path().string();
  while (folder.size() < 150)
    folder += "/deeper-and-deeper";
  std::filesystem::create_directories(folder);
  {
    LinuxInstanceChannel crashed(message, folder);
    ASSERT_TRUE(crashed.Listen({}));
    // What a killed program leaves: the socket file, nobody listening.
    ASSERT_EQ(link(crashed.path().c_str(), (crashed.path() + ".left").c_str()), 0);
  }
  std::filesystem::rename(folder + "/" + Narrow(message) + ".sock.left",
                          folder + "/" + Narrow(message) + ".sock");
  std::atomic<int> activations{0};
  LinuxInstanceChannel next(message, folder);
  ASSERT_TRUE(next.Listen([&activations] { ++activations; }));
  EXPECT_TRUE(LinuxInstanceChannel(message, folder).Broadcast());
  EXPECT_EQ(activations, 1);
}

TEST_F(InstanceChannelTest, OtherUsersCannotReachIt) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to act as another user";
  std::u16string message = UniqueMessage();
  std::atomic<int> activations{0};
  LinuxInstanceChannel channel(message);
  ASSERT_TRUE(channel.Listen([&activations] { ++activations; }));
  struct stat st;
  ASSERT_EQ(stat((runtime_.path() / "tavlo").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // Built before the fork: Broadcast itself only makes system calls.
  LinuxInstanceChannel foreign(message);
  EXPECT_EQ(RunAsNobody([&foreign] { return foreign.Broadcast() ? 0 : 1; }), 1);
  EXPECT_EQ(RunAsNobody([&channel] {
              int fd = ConnectLocalSocket(channel.path(), SOCK_SEQPACKET);
              return fd < 0 && errno == EACCES ? 0 : 1;
            }),
            0);
  EXPECT_EQ(activations, 0);
}

}  // namespace
}  // namespace platform
