#include "config/config_center_impl.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "config/test_files.h"

namespace config {
namespace {

using config_test::FakeTicks;
using config_test::ReadBytes;
using config_test::TempDir;
using config_test::WriteBytes;

class ConfigCenterTest : public ::testing::Test {
 protected:
  // The keys in the file, in order, read the way another process would.
  std::vector<std::u16string> Keys() {
    CConfigFile file(path_, &flush_, CConfigFile::Access::kRead);
    ByteBuffer container;
    EXPECT_EQ(LoadStatus::kOk, file.LoadContainer(&container));
    std::vector<std::u16string> keys;
    RecordWalker walker(container);
    RecordView r;
    while (walker.Next(&r))
      keys.push_back(r.Key());
    EXPECT_FALSE(walker.damaged());
    return keys;
  }

  void WriteContainer(const ByteBuffer& container) {
    ByteBuffer image;
    ASSERT_TRUE(EncodeContainerImage(container, &image));
    WriteBytes(path_, image);
  }

  std::u16string GetString(const WCHAR* key, std::int32_t capacity, std::int32_t* result) {
    std::vector<WCHAR> out(static_cast<std::size_t>(capacity) + 2, u'#');
    out.back() = u'\0';
    *result = store_.GetString(key, u"default", out.data(), capacity);
    return out.data();
  }

  TempDir dir_;
  FakeTicks ticks_;
  CFlushRule flush_{&ticks_};
  std::filesystem::path path_ = dir_ / "config.db";
  CConfigCenterImpl store_{path_, &flush_};
};

TEST_F(ConfigCenterTest, ReadsDefaultsFromAnEmptyStore) {
  EXPECT_EQ(7, store_.GetInt(u"Missing", 7));
  EXPECT_EQ(-8, store_.GetInt64(u"Missing", -8));
  std::int32_t n = 0;
  EXPECT_EQ(u"def", GetString(u"Missing", 4, &n));
  EXPECT_EQ(3, n);
  // A read opens, and so creates, the file; it stays empty.
  EXPECT_EQ(0u, std::filesystem::file_size(path_));
}

TEST_F(ConfigCenterTest, ConvertsAcrossTypesOnRead) {
  store_.SetString(u"Hex", u"0x1F");
  store_.SetString(u"Letters", u"abc");
  store_.SetInt64(u"Wide", 1);
  store_.SetInt(u"Negative", -5);
  store_.SetString(u"Long", u"0000000000000000000000000000004567");  // 34 units
  store_.SetString(u"Ten", u"0123456789");

  EXPECT_EQ(31, store_.GetInt(u"Hex", 0));
  EXPECT_EQ(9, store_.GetInt(u"Letters", 9));
  EXPECT_EQ(9, store_.GetInt(u"Wide", 9));   // an int64 is never narrowed
  EXPECT_EQ(45, store_.GetInt(u"Long", 0));  // only the 32 units read are parsed
  EXPECT_EQ(-5, store_.GetInt64(u"Negative", 0));
  EXPECT_EQ(31, store_.GetInt64(u"Hex", 0));

  std::int32_t n = 0;
  EXPECT_EQ(u"-5", GetString(u"Negative", 3, &n));
  EXPECT_EQ(2, n);
  EXPECT_EQ(u"1", GetString(u"Wide", 4, &n));  // 4 units hold the 8 value bytes
  EXPECT_EQ(u"012", GetString(u"Ten", 4, &n));
  EXPECT_EQ(4, n);
  EXPECT_EQ(u"0123456789", GetString(u"Ten", 11, &n));
  EXPECT_EQ(11, n);  // the NUL fitted and counts
  EXPECT_EQ(u"#", GetString(u"Ten", 0, &n));
  EXPECT_EQ(0, n);

  std::uint8_t bytes[8] = {};
  const std::uint8_t fallback[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  EXPECT_EQ(4, store_.GetBinary(u"Negative", fallback, bytes, 8));
  EXPECT_EQ(0, std::memcmp(bytes, "\xFB\xFF\xFF\xFF", 4));
  EXPECT_EQ(2, store_.GetBinary(u"Hex", fallback, bytes, 2));
  EXPECT_EQ(8, store_.GetBinary(u"Missing", fallback, bytes, 8));
  EXPECT_EQ(0, std::memcmp(bytes, fallback, 8));
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
}

TEST_F(ConfigCenterTest, NullTextOrNoBytesDeletesTheKey) {
  store_.SetString(u"S", u"text");
  store_.SetBinary(u"B", "xy", 2);
  store_.SetInt(u"Keep", 1);
  store_.SetString(u"s", nullptr);
  store_.SetBinary(u"B", "xy", 0);
  EXPECT_EQ(std::vector<std::u16string>{u"Keep"}, Keys());
  std::int32_t n = 0;
  EXPECT_EQ(u"default", GetString(u"S", 8, &n));

  // Deleting what is not there still writes the file.
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

  // When no copy can be kept, nothing is written.
  WriteBytes(path_, damaged);
  std::filesystem::remove(dir_ / "config.db.bad");
  std::filesystem::create_directory(dir_ / "config.db.bad");
  EXPECT_EQ(WriteResult::kNotWritten, store_.PutValue(u"New", "x", 1, ValueType::kBinary));
  EXPECT_EQ(damaged, ReadBytes(path_));
}

TEST_F(ConfigCenterTest, CopesWithContainersTheStoreNeverWrites) {
  ByteBuffer container;
  const std::uint8_t one[4] = {1, 0, 0, 0};
  const char16_t abc[3] = {u'a', u'b', u'c'};  // a text without its NUL
  AppendRecord(&container, u"Dup", 0, 1, one);
  AppendRecord(&container, u"Text", 0, 3, std::span(reinterpret_cast<const std::uint8_t*>(abc), 6));
  AppendRecord(&container, u"DUP", 0, 1, one);
  container.insert(container.end(), {200, 0, 0, 0, 0, 0, 0, 0, 1, 0});  // impossible length
  WriteContainer(container);

  std::int32_t n = 0;
  EXPECT_EQ(u"abc", GetString(u"Text", 8, &n));
  EXPECT_EQ(3, n);
  EXPECT_EQ(WriteResult::kBackedUpAndWritten,
            store_.PutValue(u"Dup", "\2\0\0\0", 4, ValueType::kInt));
  EXPECT_EQ((std::vector<std::u16string>{u"Text", u"Dup"}), Keys());
  EXPECT_EQ(2, store_.GetInt(u"dup", 0));
}

TEST_F(ConfigCenterTest, SerialisesCallsFromManyThreads) {
  std::vector<std::thread> threads;
  for (char16_t t = u'0'; t < u'4'; ++t) {
    threads.emplace_back([this, t] {
      const std::u16string key = std::u16string(u"Thread") + t;
      for (int i = 1; i <= 25; ++i) {
        store_.SetInt(key.c_str(), i);
        EXPECT_EQ(i, store_.GetInt(key.c_str(), -1));
      }
    });
  }
  for (auto& t : threads)
    t.join();
  EXPECT_EQ(4u, Keys().size());
}

TEST(ConfigCenterProcessTest, LivesBesideAProgramThatHasItsSkinBesideIt) {
  auto* store = dynamic_cast<CConfigCenterImpl*>(GetConfigCenter());
  ASSERT_EQ(ProcessConfigCenter(), store);
  const auto exe = std::filesystem::read_symlink("/proc/self/exe");
  if (!std::filesystem::exists(exe.parent_path() / "skin.zip"))
    GTEST_SKIP() << "no skin.zip built beside the tests";
  EXPECT_EQ(exe.parent_path() / "config.db", store->path());
}

TEST(ConfigCenterProcessTest, OnlyAFolderWithTheSkinKeepsTheSettingsBesideTheProgram) {
  TempDir dir;
  EXPECT_FALSE(CConfigCenterImpl::KeepsSettingsBeside(dir.path())) << "like /usr/bin";
  WriteBytes(dir / "skin.zip", std::string("PK"));
  EXPECT_TRUE(CConfigCenterImpl::KeepsSettingsBeside(dir.path())) << "a build tree";
}

TEST(ConfigCenterProcessTest, ElseInTheUsersConfigFolder) {
  const auto no = [](const std::filesystem::path&) { return false; };
  const auto yes = [](const std::filesystem::path&) { return true; };
  EXPECT_EQ("/opt/bin/config.db", CConfigCenterImpl::ChoosePath("/opt/bin", "/c", "/h", yes));
  EXPECT_EQ("/c/tavlo/config.db", CConfigCenterImpl::ChoosePath("/usr/bin", "/c", "/h", no));
  // A relative XDG_CONFIG_HOME does not count; nor a relative HOME.
  EXPECT_EQ("/h/.config/tavlo/config.db",
            CConfigCenterImpl::ChoosePath("/usr/bin", "rel", "/h", no));
  EXPECT_EQ("/h/.config/tavlo/config.db", CConfigCenterImpl::ChoosePath("/usr/bin", "", "/h", no));
  EXPECT_EQ("", CConfigCenterImpl::ChoosePath("/usr/bin", "", "h", no));
}

TEST_F(ConfigCenterTest, FileIsPrivateToTheUser) {
  const mode_t old_mask = ::umask(0);
  store_.SetInt(u"k", 1);
  ::umask(old_mask);
  struct stat st {};
  ASSERT_EQ(0, ::stat(path_.c_str(), &st));
  EXPECT_EQ(0600u, st.st_mode & 0777);
}

}  // namespace
}  // namespace config
