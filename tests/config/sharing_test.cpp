// The sharing rule between processes: while one store holds the file, a store in another
// process sees no records and writes nothing, and a reader there still gets the content.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "config/config_center_impl.h"
#include "config/fake_ticks.h"
#include "config/test_files.h"

namespace config {
namespace {

using config_test::FakeTicks;
using config_test::TempDir;

// A forked child shares the parent's open file descriptions, and with them the lock of |holder|;
// the child lets go of its copy so that only the parent's release decides.
template <class Body>
pid_t StartChild(CConfigFile& holder, Body body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    holder.Close();
    ::_exit(body());
  }
  return pid;
}

// The child's exit status, or -1 when it did not exit normally.
int WaitChild(pid_t pid) {
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
    return -1;
  return WEXITSTATUS(status);
}

template <class Body>
int InChild(CConfigFile& holder, Body body) {
  return WaitChild(StartChild(holder, body));
}

class SharingTest : public ::testing::Test {
 protected:
  TempDir dir_;
  FakeTicks ticks_;
  CFlushRule flush_{&ticks_};
  std::filesystem::path path_ = dir_ / "config.db";
};

TEST_F(SharingTest, AnotherProcessCannotUseTheStoreWhileOneHoldsIt) {
  CConfigCenterImpl store(path_, &flush_);
  store.SetInt(u"Autorun", 1);

  CConfigFile holder(path_, &flush_);
  ASSERT_TRUE(holder.Open());
  const std::filesystem::path path = path_;
  EXPECT_EQ(
      0, InChild(holder, [path] {
        FakeTicks ticks;
        CFlushRule flush(&ticks);
        CConfigCenterImpl second(path, &flush);
        if (second.GetInt(u"Autorun", 7) != 7)
          return 1;
        if (second.PutValue(u"Autorun", "\2\0\0\0", 4, ValueType::kInt) != WriteResult::kNotWritten)
          return 2;
        return 0;
      }));
  EXPECT_EQ(0, store.GetInt(u"Autorun", 0)) << "held by |holder| for this process too";
  holder.Close();

  EXPECT_EQ(
      0, InChild(holder, [path] {
        FakeTicks ticks;
        CFlushRule flush(&ticks);
        CConfigCenterImpl second(path, &flush);
        if (second.PutValue(u"Autorun", "\2\0\0\0", 4, ValueType::kInt) != WriteResult::kWritten)
          return 1;
        return 0;
      }));
  EXPECT_EQ(2, store.GetInt(u"Autorun", 0));
}

TEST_F(SharingTest, AReaderInAnotherProcessWaitsForTheStoreAndReads) {
  CConfigCenterImpl store(path_, &flush_);
  store.SetString(u"SSID", u"Tavlo");

  CConfigFile holder(path_, &flush_);
  ASSERT_TRUE(holder.Open());
  const std::filesystem::path path = path_;
  const pid_t child = StartChild(holder, [path] {
    FakeTicks ticks;
    CFlushRule flush(&ticks);
    CConfigFile reader(path, &flush, CConfigFile::Access::kRead);
    ByteBuffer container;
    const auto start = std::chrono::steady_clock::now();
    if (reader.LoadContainer(&container) != LoadStatus::kOk)
      return 1;
    if (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(50))
      return 3;  // it did not wait for the store
    RecordView record;
    return FindRecord(container, u"ssid", &record) ? 0 : 2;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  holder.Close();
  EXPECT_EQ(0, WaitChild(child));
}

}  // namespace
}  // namespace config
