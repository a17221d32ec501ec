#include "platform/linux/linux_instance_channel.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "base/guid.h"
#include "platform_linux/child_process.h"

namespace platform {
namespace {

using testing_support::ChildProcess;

constexpr uid_t kNobody = 65534;

// A message name of its own per test, so parallel tests and a running program never meet.
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

TEST(InstanceChannelTest, SecondInstanceReachesTheFirst) {
  std::u16string message = UniqueMessage();
  LinuxInstanceChannel first(message);
  std::atomic<int> activations{0};
  ASSERT_TRUE(first.Listen([&activations] { ++activations; }));

  LinuxInstanceChannel rival(message);
  EXPECT_FALSE(rival.Listen({})) << "one listener per user and name";

  ChildProcess second({PLATFORM_LINUX_HELPER, "broadcast", Narrow(message)});
  EXPECT_EQ(second.Wait(), 0);
  EXPECT_EQ(activations, 1) << "the answer comes after the callback";
  EXPECT_TRUE(LinuxInstanceChannel(message).Broadcast());
  EXPECT_EQ(activations, 2);

  first.Stop();
  EXPECT_FALSE(LinuxInstanceChannel(message).Broadcast()) << "nobody listens any more";
  EXPECT_TRUE(rival.Listen({})) << "the name is free again";
}

TEST(InstanceChannelTest, ListenerInAnotherProcess) {
  std::u16string message = UniqueMessage();
  ChildProcess first({PLATFORM_LINUX_HELPER, "listen", Narrow(message)});
  ASSERT_EQ(first.ReadLine(), "ready");
  EXPECT_TRUE(LinuxInstanceChannel(message).Broadcast());
  EXPECT_EQ(first.ReadLine(), "activated");
  EXPECT_FALSE(LinuxInstanceChannel(UniqueMessage()).Broadcast()) << "other name, nobody there";
}

TEST(InstanceChannelTest, OtherUsersAreTurnedAway) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to act as another user";
  std::u16string message = UniqueMessage();
  std::atomic<int> activations{0};
  LinuxInstanceChannel channel(message);
  ASSERT_TRUE(channel.Listen([&activations] { ++activations; }));

  // Built before the fork: Broadcast itself only makes system calls.
  LinuxInstanceChannel foreign(message);
  EXPECT_EQ(RunAsNobody([&foreign] { return foreign.Broadcast() ? 0 : 1; }), 1);
  EXPECT_EQ(activations, 0);
  channel.Stop();

  // A stranger squatting on the name and answering like a listener does not count either.
  int sync[2];
  ASSERT_EQ(pipe(sync), 0);
  sockaddr_un addr = {};
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path + 1, channel.address().data(), channel.address().size());
  socklen_t len = offsetof(sockaddr_un, sun_path) + 1 + channel.address().size();
  pid_t squatter = fork();
  if (squatter == 0) {
    if (setgid(kNobody) != 0 || setuid(kNobody) != 0)
      _exit(99);
    int fd = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 || listen(fd, 1) != 0)
      _exit(98);
    char ready = 1, buffer[256];
    (void)!write(sync[1], &ready, 1);
    int conn = accept(fd, nullptr, nullptr);
    (void)!recv(conn, buffer, sizeof buffer, 0);
    (void)!send(conn, &ready, 1, 0);
    _exit(0);
  }
  char ready = 0;
  ASSERT_EQ(read(sync[0], &ready, 1), 1);
  EXPECT_FALSE(LinuxInstanceChannel(message).Broadcast());
  kill(squatter, SIGKILL);
  waitpid(squatter, nullptr, 0);
  close(sync[0]);
  close(sync[1]);
}

}  // namespace
}  // namespace platform
