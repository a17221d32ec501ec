#include "config/config_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "config/test_files.h"

namespace config {
namespace {

using config_test::FakeTicks;
using config_test::ReadBytes;
using config_test::TempDir;
using config_test::WriteBytes;
using Access = CConfigFile::Access;

ByteBuffer Bytes(std::size_t size) {
  ByteBuffer bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 5));
  return bytes;
}

class ConfigFileTest : public ::testing::Test {
 protected:
  TempDir dir_;
  FakeTicks ticks_;
  CFlushRule flush_{&ticks_};
  std::filesystem::path path_ = dir_ / "config.db";
};

TEST_F(ConfigFileTest, SavesLoadsAndTruncatesThroughOneHandle) {
  CConfigFile file(path_, &flush_);
  ASSERT_EQ(SaveStatus::kWritten, file.SaveContainer(Bytes(50000)));
  const std::uintmax_t big = std::filesystem::file_size(path_);
  ASSERT_EQ(SaveStatus::kWritten, file.SaveContainer(Bytes(10)));
  const std::vector<std::uint8_t> on_disk = ReadBytes(path_);
  std::uint32_t payload_length;
  std::memcpy(&payload_length, on_disk.data() + 20, 4);
  EXPECT_LT(on_disk.size(), big);
  EXPECT_EQ(kHeaderSize + payload_length, on_disk.size());
  ByteBuffer loaded;
  EXPECT_EQ(LoadStatus::kOk, file.LoadContainer(&loaded));
  EXPECT_EQ(Bytes(10), loaded);

  ASSERT_EQ(SaveStatus::kWritten, file.SaveContainer(ByteBuffer()));
  file.Close();
  CConfigFile reader(path_, &flush_, Access::kRead);
  EXPECT_EQ(LoadStatus::kOk, reader.LoadContainer(&loaded));
  EXPECT_TRUE(loaded.empty());
}

TEST_F(ConfigFileTest, AStoreCreatesTheFileAReaderDoesNot) {
  ByteBuffer container;
  CConfigFile reader(path_, &flush_, Access::kRead);
  EXPECT_EQ(LoadStatus::kMissing, reader.LoadContainer(&container));
  EXPECT_EQ(SaveStatus::kNotOpened, reader.SaveContainer(Bytes(5)));
  EXPECT_FALSE(std::filesystem::exists(path_));

  CConfigFile store(path_, &flush_);
  EXPECT_EQ(LoadStatus::kEmpty, store.LoadContainer(&container));
  EXPECT_TRUE(std::filesystem::exists(path_));

  CConfigFile directory(dir_.path(), &flush_);
  EXPECT_EQ(LoadStatus::kUnavailable, directory.LoadContainer(&container));
  EXPECT_EQ(SaveStatus::kNotOpened, directory.SaveContainer(Bytes(5)));
}

TEST_F(ConfigFileTest, RefusesAPayloadLengthTheFileDoesNotHold) {
  CConfigFile file(path_, &flush_);
  ASSERT_EQ(SaveStatus::kWritten, file.SaveContainer(Bytes(2000)));
  file.Close();
  std::vector<std::uint8_t> lying = ReadBytes(path_);
  lying[23] = 0x7F;  // C near 2 GiB
  WriteBytes(path_, lying);
  ByteBuffer container;
  EXPECT_EQ(LoadStatus::kShortPayload, file.LoadContainer(&container));
}

TEST(FlushRuleTest, FlushesOnlyMoreThanAMinuteAfterTheFirstSave) {
  FakeTicks ticks;
  CFlushRule rule(&ticks);
  const std::uint32_t first = 0xFFFFF000u;  // the minute wraps past zero
  ticks.Set(first);
  EXPECT_FALSE(rule.OnSave());
  ticks.Set(first + 60000);
  EXPECT_FALSE(rule.OnSave());
  ticks.Set(first + 60001);
  EXPECT_TRUE(rule.OnSave());
}

}  // namespace
}  // namespace config
