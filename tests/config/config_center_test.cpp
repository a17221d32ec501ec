#include "config/config_center_impl.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "config/crafted_image.h"
#include "config/fake_ticks.h"
#include "config/test_files.h"

namespace config {
namespace {

using config_test::FakeTicks;
using config_test::ReadBytes;
using config_test::TempDir;
using config_test::WriteBytes;

struct Stored {
  std::u16string key;
  std::uint16_t type;
  std::vector<std::uint8_t> value;
};

class ConfigCenterTest : public ::testing::Test {
 protected:
  // What the file holds, record by record, read the way another process would.
  std::vector<Stored> Records() {
    CConfigFile file(path_, &flush_, CConfigFile::Access::kRead);
    ByteBuffer container;
    EXPECT_EQ(LoadStatus::kOk, file.LoadContainer(&container));
    std::vector<Stored> records;
    RecordWalker walker(container);
    RecordView r;
    while (walker.Next(&r))
      records.push_back({r.Key(), r.type, {r.value, r.value + r.value_size}});
    EXPECT_FALSE(walker.damaged());
    return records;
  }

  std::vector<std::u16string> Keys() {
    std::vector<std::u16string> keys;
    for (const Stored& s : Records())
      keys.push_back(s.key);
    return keys;
  }

  void WriteContainer(const ByteBuffer& container) {
    ByteBuffer image;
    ASSERT_TRUE(EncodeContainerImage(container, &image));
    WriteBytes(path_, image);
  }

  TempDir dir_;
  FakeTicks ticks_;
  CFlushRule flush_{&ticks_};
  std::filesystem::path path_ = dir_ / "config.db";
  CConfigCenterImpl store_{path_, &flush_};
};

TEST_F(ConfigCenterTest, ReadsDefaultsUntilSomethingIsStored) {
  EXPECT_EQ(7, store_.GetInt(u"Missing", 7));
  EXPECT_EQ(-8, store_.GetInt64(u"Missing", -8));
  WCHAR out[8];
  EXPECT_EQ(3, store_.GetString(u"Missing", u"abc", out, 8));
  EXPECT_EQ(u"abc", std::u16string(out));
  // A read opens (and so creates) the file, as the store always has; it stays empty.
  EXPECT_TRUE(std::filesystem::exists(path_));
  EXPECT_EQ(0u, std::filesystem::file_size(path_));
}

TEST_F(ConfigCenterTest, ConvertsAcrossTypesOnRead) {
  store_.SetString(u"Hex", u"0x1F");
  store_.SetString(u"Letters", u"abc");
  store_.SetInt64(u"Wide", 1);
  store_.SetInt(u"Negative", -5);
  store_.SetString(u"Long", u"0000000000000000000000000000004567");  // 34 units

  EXPECT_EQ(31, store_.GetInt(u"Hex", 0));
  EXPECT_EQ(9, store_.GetInt(u"Letters", 9));
  EXPECT_EQ(9, store_.GetInt(u"Wide", 9));  // an int64 is never narrowed
  EXPECT_EQ(-5, store_.GetInt64(u"Negative", 0));
  EXPECT_EQ(31, store_.GetInt64(u"Hex", 0));
  EXPECT_EQ(1, store_.GetInt64(u"Wide", 0));
  // Only the 32 units that fit the read buffer are parsed.
  EXPECT_EQ(45, store_.GetInt(u"Long", 0));

  WCHAR out[16];
  EXPECT_EQ(2, store_.GetString(u"Negative", u"", out, 3));
  EXPECT_EQ(u"-5", std::u16string(out));
  EXPECT_EQ(1, store_.GetString(u"Wide", u"", out, 16));
  EXPECT_EQ(u"1", std::u16string(out));
  std::vector<std::uint8_t> bytes(4);
  EXPECT_EQ(4, store_.GetBinary(u"Negative", "dflt", bytes.data(), 4));
  EXPECT_EQ((std::vector<std::uint8_t>{0xFB, 0xFF, 0xFF, 0xFF}), bytes);
}

TEST_F(ConfigCenterTest, GetStringTruncatesToTheCapacity) {
  store_.SetString(u"Ten", u"0123456789");
  WCHAR out[12];
  std::fill(std::begin(out), std::end(out), u'#');
  EXPECT_EQ(0, store_.GetString(u"Ten", u"dflt", out, 0));
  EXPECT_EQ(u'#', out[0]);
  EXPECT_EQ(4, store_.GetString(u"Ten", u"dflt", out, 4));
  EXPECT_EQ(u"012", std::u16string(out));
  EXPECT_EQ(11, store_.GetString(u"Ten", u"dflt", out, 12));  // the NUL fitted and counts
  EXPECT_EQ(u"0123456789", std::u16string(out));
  EXPECT_EQ(3, store_.GetString(u"Absent", u"default", out, 4));
  EXPECT_EQ(u"def", std::u16string(out));
  store_.SetString(u"Empty", u"");
  EXPECT_EQ(1, store_.GetString(u"Empty", u"dflt", out, 12));
  EXPECT_EQ(u"", std::u16string(out));
}

TEST_F(ConfigCenterTest, GetBinaryFallsBackOnlyWhenNothingWasCopied) {
  const std::uint8_t blob[] = {1, 2, 3, 4, 5};
  store_.SetBinary(u"Blob", blob, 5);
  std::uint8_t out[8] = {};
  const std::uint8_t fallback[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  EXPECT_EQ(3, store_.GetBinary(u"Blob", fallback, out, 3));
  EXPECT_EQ(5, store_.GetBinary(u"Blob", fallback, out, 8));
  EXPECT_EQ(0, std::memcmp(out, blob, 5));
  EXPECT_EQ(8, store_.GetBinary(u"None", fallback, out, 8));
  EXPECT_EQ(0, std::memcmp(out, fallback, 8));
}

TEST_F(ConfigCenterTest, KeepsOneRecordPerKeyInOrderOfLastWrite) {
  store_.SetInt(u"AUTORUN", 1);
  store_.SetInt(u"Other", 2);
  store_.SetInt(u"autorun", 3);
  EXPECT_EQ((std::vector<std::u16string>{u"Other", u"autorun"}), Keys());
  EXPECT_EQ(3, store_.GetInt(u"AutoRun", 0));

  store_.SetInt(u"A", 1);
  store_.SetInt(u"B", 2);
  store_.SetInt(u"a", 4);
  EXPECT_EQ((std::vector<std::u16string>{u"Other", u"autorun", u"B", u"a"}), Keys());

  const std::vector<Stored> records = Records();
  EXPECT_EQ(1, records[0].type);
  EXPECT_EQ((std::vector<std::uint8_t>{2, 0, 0, 0}), records[0].value);
}

TEST_F(ConfigCenterTest, NullTextOrNoBytesDeletesTheKey) {
  store_.SetString(u"S", u"text");
  store_.SetBinary(u"B", "xy", 2);
  store_.SetInt(u"Keep", 1);
  store_.SetString(u"s", nullptr);
  store_.SetBinary(u"B", "xy", 0);
  EXPECT_EQ(std::vector<std::u16string>{u"Keep"}, Keys());
  WCHAR out[8];
  EXPECT_EQ(4, store_.GetString(u"S", u"gone", out, 8));

  // Deleting what is not there still writes the file, and keeps its content.
  store_.SetBinary(u"B", nullptr, 4);
  EXPECT_EQ(std::vector<std::u16string>{u"Keep"}, Keys());
  std::filesystem::remove(path_);
  EXPECT_EQ(WriteResult::kWritten, store_.PutValue(u"Nothing", nullptr, 0, ValueType::kString));
  EXPECT_TRUE(Keys().empty());
}

TEST_F(ConfigCenterTest, KeepsADamagedFileBeforeReplacingIt) {
  store_.SetString(u"SSID", u"home");
  std::vector<std::uint8_t> damaged = ReadBytes(path_);
  damaged[kHeaderSize + 3] ^= 0x40;
  WriteBytes(path_, damaged);

  EXPECT_EQ(5, store_.GetInt(u"SSID", 5));
  EXPECT_EQ(damaged, ReadBytes(path_)) << "a read must not touch a damaged file";

  EXPECT_EQ(WriteResult::kBackedUpAndWritten, store_.PutValue(u"New", "x", 1, ValueType::kBinary));
  EXPECT_EQ(damaged, ReadBytes(dir_ / "config.db.bad"));
  EXPECT_EQ(std::vector<std::u16string>{u"New"}, Keys());
}

TEST_F(ConfigCenterTest, WritesNothingWhenTheDamagedFileCannotBeKept) {
  const std::vector<std::uint8_t> damaged = {'K', 'V', 'D', 'B', 0, 0, 2, 0, 1, 2, 3};
  WriteBytes(path_, damaged);
  std::filesystem::create_directory(dir_ / "config.db.bad");  // the copy cannot be made
  EXPECT_EQ(WriteResult::kNotWritten, store_.PutValue(u"New", "x", 1, ValueType::kBinary));
  EXPECT_EQ(0, store_.SetInt(u"New", 1));
  EXPECT_EQ(damaged, ReadBytes(path_));
}

TEST_F(ConfigCenterTest, ReadsUpToADamagedRecordAndKeepsWhatPrecedesIt) {
  ByteBuffer container;
  const std::uint8_t one[4] = {1, 0, 0, 0};
  const std::uint8_t two[4] = {2, 0, 0, 0};
  AppendRecord(&container, u"Dup", 0, 1, one);
  AppendRecord(&container, u"Good", 0, 1, one);
  AppendRecord(&container, u"DUP", 0, 1, two);
  container.insert(container.end(), {200, 0, 0, 0, 0, 0, 0, 0, 1, 0});
  WriteContainer(container);

  EXPECT_EQ(1, store_.GetInt(u"dup", 0));
  EXPECT_EQ(WriteResult::kBackedUpAndWritten, store_.PutValue(u"Dup", two, 4, ValueType::kInt));
  EXPECT_EQ((std::vector<std::u16string>{u"Good", u"Dup"}), Keys());
  EXPECT_EQ(2, store_.GetInt(u"dup", 0));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "config.db.bad"));
}

TEST_F(ConfigCenterTest, AStringWithoutItsNulStaysTerminated) {
  ByteBuffer container;
  const char16_t text[] = u"abc";  // stored without the NUL
  AppendRecord(&container, u"S", 0, 3, std::span(reinterpret_cast<const std::uint8_t*>(text), 6));
  WriteContainer(container);
  WCHAR out[8];
  std::fill(std::begin(out), std::end(out), u'#');
  EXPECT_EQ(3, store_.GetString(u"S", u"", out, 8));
  EXPECT_EQ(u"abc", std::u16string(out));
}

TEST_F(ConfigCenterTest, SerialisesCallsFromManyThreads) {
  constexpr int kThreads = 4;
  constexpr int kWrites = 25;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t] {
      const std::u16string key = u"Thread" + std::u16string(1, static_cast<char16_t>(u'0' + t));
      for (int i = 1; i <= kWrites; ++i) {
        store_.SetInt(key.c_str(), i);
        EXPECT_EQ(i, store_.GetInt(key.c_str(), -1));
      }
    });
  }
  for (auto& t : threads)
    t.join();
  EXPECT_EQ(static_cast<std::size_t>(kThreads), Records().size());
}

TEST_F(ConfigCenterTest, NothingIsWrittenWhileAnotherStoreHoldsTheFile) {
  store_.SetInt(u"Key", 1);
  CConfigCenterImpl other(path_, &flush_);
  CConfigFile holder(path_, &flush_);
  ASSERT_TRUE(holder.Open());
  EXPECT_EQ(9, other.GetInt(u"Key", 9));
  EXPECT_EQ(WriteResult::kNotWritten, other.PutValue(u"Key", "\2\0\0\0", 4, ValueType::kInt));
  holder.Close();
  EXPECT_EQ(1, other.GetInt(u"Key", 9));
}

TEST(ConfigCenterProcessTest, LivesBesideTheExecutable) {
  auto* store = dynamic_cast<CConfigCenterImpl*>(GetConfigCenter());
  ASSERT_NE(nullptr, store);
  EXPECT_EQ(GetConfigCenter(), store);
  const auto exe = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(exe.parent_path() / "config.db", store->path());
}

}  // namespace
}  // namespace config
