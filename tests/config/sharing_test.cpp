// The sharing rule between processes: while one store holds the file, a store in another
// process sees no records and writes nothing, and a reader there waits and then reads.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "config/config_center_impl.h"
#include "config/test_files.h"

namespace config {
namespace {

using config_test::FakeTicks;
using config_test::TempDir;

class SharingTest : public ::testing::Test {
 protected:
  // Runs |body| in a child process. The child drops its inherited copy of the holder's open
  // file description, so that only the parent's Close() releases the lock.
  template <class Body>
  pid_t StartChild(Body body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      holder_.Close();
      FakeTicks ticks;
      CFlushRule flush(&ticks);
      ::_exit(body(&flush));
    }
    return pid;
  }

  static int WaitChild(pid_t pid) {
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
      return -1;
    return WEXITSTATUS(status);
  }

  TempDir dir_;
  FakeTicks ticks_;
  CFlushRule flush_{&ticks_};
  std::filesystem::path path_ = dir_ / "config.db";
  CConfigCenterImpl store_{path_, &flush_};
  CConfigFile holder_{path_, &flush_};
};

TEST_F(SharingTest, AnotherProcessCannotUseTheStoreWhileOneHoldsIt) {
  store_.SetInt(u"Autorun", 1);
  ASSERT_TRUE(holder_.Open());
  auto write_two = [path = path_](CFlushRule* flush) {
    CConfigCenterImpl second(path, flush);
    const bool sees_records = second.GetInt(u"Autorun", 7) != 7;
    const WriteResult result = second.PutValue(u"Autorun", "\2\0\0\0", 4, ValueType::kInt);
    return (sees_records ? 1 : 0) | (result == WriteResult::kWritten ? 2 : 0);
  };
  EXPECT_EQ(0, WaitChild(StartChild(write_two)));
  holder_.Close();
  EXPECT_EQ(1, store_.GetInt(u"Autorun", 0));
  EXPECT_EQ(1 | 2, WaitChild(StartChild(write_two)));
  EXPECT_EQ(2, store_.GetInt(u"Autorun", 0));
}

TEST_F(SharingTest, AReaderInAnotherProcessWaitsForTheStoreAndReads) {
  store_.SetString(u"SSID", u"Tavlo");
  ASSERT_TRUE(holder_.Open());
  // The child says when it begins to read, so a child that a busy machine starts late cannot
  // find the store already let go.
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = StartChild([path = path_, ready_fd = ready[1]](CFlushRule* flush) {
    CConfigFile reader(path, flush, CConfigFile::Access::kRead);
    ByteBuffer container;
    const auto start = std::chrono::steady_clock::now();
    if (write(ready_fd, "r", 1) != 1)
      return 4;
    if (reader.LoadContainer(&container) != LoadStatus::kOk)
      return 1;
    if (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(50))
      return 2;  // it did not wait for the store
    RecordView record;
    return FindRecord(container, u"ssid", &record) ? 0 : 3;
  });
  close(ready[1]);
  char byte = 0;
  EXPECT_EQ(read(ready[0], &byte, 1), 1);
  close(ready[0]);
  // Held for longer than the child's bar, counted from when it began.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  holder_.Close();
  EXPECT_EQ(0, WaitChild(child));
}

}  // namespace
}  // namespace config
