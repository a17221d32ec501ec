#include "config/config_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "config/fake_ticks.h"
#include "config/test_files.h"

namespace config {
namespace {

using config_test::FakeTicks;
using config_test::ReadBytes;
using config_test::TempDir;
using config_test::WriteBytes;
using Access = CConfigFile::Access;

ByteBuffer Bytes(std::size_t size, std::uint8_t seed) {
  ByteBuffer bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>(seed + i * 7 + (i >> 5));
  return bytes;
}

class ConfigFileTest : public ::testing::Test {
 protected:
  TempDir dir_;
  FakeTicks ticks_{1000};
  CFlushRule flush_{&ticks_};
  std::filesystem::path path_ = dir_ / "config.db";
};

TEST_F(ConfigFileTest, SavesAndLoadsThroughOneHandleAndTruncates) {
  CConfigFile file(path_, &flush_);
  const ByteBuffer big = Bytes(50000, 1);
  ASSERT_EQ(SaveStatus::kWritten, file.SaveContainer(big));
  const std::uintmax_t big_size = std::filesystem::file_size(path_);

  const ByteBuffer small = Bytes(10, 2);
  ASSERT_EQ(SaveStatus::kWritten, file.SaveContainer(small));
  const std::vector<std::uint8_t> on_disk = ReadBytes(path_);
  ASSERT_LT(on_disk.size(), big_size);
  std::uint32_t payload_length;
  std::memcpy(&payload_length, on_disk.data() + 20, 4);
  EXPECT_EQ(kHeaderSize + payload_length, on_disk.size());

  ByteBuffer loaded;
  EXPECT_EQ(LoadStatus::kOk, file.LoadContainer(&loaded));
  EXPECT_EQ(small, loaded);
  file.Close();

  ByteBuffer empty;
  ASSERT_EQ(SaveStatus::kWritten, file.SaveContainer(empty));
  file.Close();
  CConfigFile reader(path_, &flush_, Access::kRead);
  EXPECT_EQ(LoadStatus::kOk, reader.LoadContainer(&loaded));
  EXPECT_TRUE(loaded.empty());
}

TEST_F(ConfigFileTest, AStoreCreatesTheFileAReaderDoesNot) {
  ByteBuffer container;
  CConfigFile reader(path_, &flush_, Access::kRead);
  EXPECT_EQ(LoadStatus::kMissing, reader.LoadContainer(&container));
  EXPECT_EQ(SaveStatus::kNotOpened, reader.SaveContainer(Bytes(5, 0)));
  EXPECT_FALSE(std::filesystem::exists(path_));

  CConfigFile store(path_, &flush_);
  EXPECT_EQ(LoadStatus::kEmpty, store.LoadContainer(&container));
  EXPECT_TRUE(std::filesystem::exists(path_));

  CConfigFile in_directory(dir_.path(), &flush_);
  EXPECT_EQ(LoadStatus::kUnavailable, in_directory.LoadContainer(&container));
  EXPECT_EQ(SaveStatus::kNotOpened, in_directory.SaveContainer(Bytes(5, 0)));
}

TEST_F(ConfigFileTest, ASecondStoreCannotOpenWhileOneHoldsTheFile) {
  CConfigFile first(path_, &flush_);
  ASSERT_EQ(SaveStatus::kWritten, first.SaveContainer(Bytes(100, 3)));

  CConfigFile second(path_, &flush_);
  ByteBuffer container;
  EXPECT_EQ(LoadStatus::kUnavailable, second.LoadContainer(&container));
  EXPECT_EQ(EWOULDBLOCK, second.last_error());
  EXPECT_EQ(SaveStatus::kNotOpened, second.SaveContainer(Bytes(1, 0)));

  // A reader waits for the store to finish, then sees what it wrote.
  std::thread closer([&first] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    first.Close();
  });
  CConfigFile reader(path_, &flush_, Access::kRead);
  EXPECT_EQ(LoadStatus::kOk, reader.LoadContainer(&container));
  closer.join();
  EXPECT_EQ(Bytes(100, 3), container);
  EXPECT_EQ(LoadStatus::kOk, second.LoadContainer(&container));
}

TEST_F(ConfigFileTest, ReportsEachKindOfDamage) {
  CConfigFile file(path_, &flush_);
  ASSERT_EQ(SaveStatus::kWritten, file.SaveContainer(Bytes(2000, 4)));
  file.Close();
  const std::vector<std::uint8_t> good = ReadBytes(path_);

  auto load = [this](const std::vector<std::uint8_t>& bytes) {
    WriteBytes(path_, bytes);
    CConfigFile file(path_, &flush_);
    ByteBuffer container;
    return file.LoadContainer(&container);
  };
  EXPECT_EQ(LoadStatus::kEmpty, load({}));
  EXPECT_EQ(LoadStatus::kBadHeader, load({'K', 'V', 'D'}));
  EXPECT_EQ(LoadStatus::kShortPayload, load({good.begin(), good.end() - 1}));
  std::vector<std::uint8_t> flipped = good;
  flipped[40] ^= 1;
  EXPECT_EQ(LoadStatus::kChecksumMismatch, load(flipped));
  // A payload length far beyond the file is refused before anything is allocated for it.
  std::vector<std::uint8_t> lying = good;
  lying[23] = 0x7F;
  EXPECT_EQ(LoadStatus::kShortPayload, load(lying));
  EXPECT_EQ(LoadStatus::kOk, load(good));
}

TEST(FlushRuleTest, FlushesOnlyMoreThanAMinuteAfterTheFirstSave) {
  FakeTicks ticks(5000);
  CFlushRule rule(&ticks);
  EXPECT_FALSE(rule.OnSave());
  ticks.Set(5000 + 60000);
  EXPECT_FALSE(rule.OnSave());
  ticks.Set(5000 + 60001);
  EXPECT_TRUE(rule.OnSave());
  ticks.Set(5000 + 3600000);
  EXPECT_TRUE(rule.OnSave());
}

TEST(FlushRuleTest, RecordsTheFirstTickOnceAndSurvivesTheWrap) {
  FakeTicks ticks(0xFFFFF000u);
  CFlushRule rule(&ticks);
  EXPECT_FALSE(rule.OnSave());
  ticks.Set(0xFFFFF000u + 60000);  // wrapped past zero: still inside the first minute
  EXPECT_FALSE(rule.OnSave());
  ticks.Set(0xFFFFF000u + 60001);
  EXPECT_TRUE(rule.OnSave());
  // Going back to the first tick would only matter if it had been recorded again.
  ticks.Set(0xFFFFF000u + 10);
  EXPECT_FALSE(rule.OnSave());
}

TEST(FlushRuleTest, ManyThreadsRecordOneFirstTick) {
  FakeTicks ticks(100);
  CFlushRule rule(&ticks);
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i)
    threads.emplace_back([&rule] { EXPECT_FALSE(rule.OnSave()); });
  for (auto& t : threads)
    t.join();
  ticks.Set(100 + 60001);
  EXPECT_TRUE(rule.OnSave());
}

TEST_F(ConfigFileTest, EverySaveConsultsTheRule) {
  CConfigFile file(path_, &flush_);
  const int before = ticks_.reads();
  ASSERT_EQ(SaveStatus::kWritten, file.SaveContainer(Bytes(10, 0)));
  ticks_.Set(1000 + 60001);
  ASSERT_EQ(SaveStatus::kWritten, file.SaveContainer(Bytes(10, 0)));
  // First save: record and compare; second: compare.
  EXPECT_EQ(before + 3, ticks_.reads());
}

}  // namespace
}  // namespace config
