#include "helper/record.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "support/scoped_temp_dir.h"

namespace helper {
namespace {

TEST(HelperRecord, KeepsEntriesAcrossInstancesUntilRemoved) {
  test::ScopedTempDir dir;
  const auto folder = dir / "state";
  {
    Record record(folder);
    ASSERT_TRUE(record.Open()) << record.error();
    ASSERT_TRUE(record.Add({"addr", "eth1"}));
    ASSERT_TRUE(record.Add({"forward", "0"}));
    ASSERT_TRUE(record.Add({"dnsmasq", "1234"}));
  }
  // A later helper (after a crash) finds all of them, in order.
  Record again(folder);
  ASSERT_TRUE(again.Open());
  EXPECT_EQ(again.Entries(),
            (std::vector<RecordEntry>{{"addr", "eth1"}, {"forward", "0"}, {"dnsmasq", "1234"}}));
  ASSERT_TRUE(again.Remove({"forward", "0"}));
  EXPECT_EQ(again.Entries(), (std::vector<RecordEntry>{{"addr", "eth1"}, {"dnsmasq", "1234"}}));
  ASSERT_TRUE(again.Remove({"forward", "0"}));  // already gone: fine
  ASSERT_TRUE(again.Remove({"addr", "eth1"}));
  ASSERT_TRUE(again.Remove({"dnsmasq", "1234"}));
  EXPECT_TRUE(again.Entries().empty());
  EXPECT_FALSE(std::filesystem::exists(again.file()));
}

TEST(HelperRecord, FolderAndFileArePrivate) {
  test::ScopedTempDir dir;
  const auto folder = dir / "state";
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  Record record(folder);
  ASSERT_TRUE(record.Open());
  ASSERT_TRUE(record.Add({"nft", "tavlo"}));
  struct stat st {};
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  ASSERT_EQ(::stat(record.file().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST(HelperRecord, RefusesMalformedEntriesAndSkipsDamagedLines) {
  test::ScopedTempDir dir;
  Record record(dir.path());
  ASSERT_TRUE(record.Open());
  EXPECT_FALSE(record.Add({"addr", "eth1\nforward 1"}));
  EXPECT_FALSE(record.Add({"addr", ""}));
  EXPECT_FALSE(record.Add({"a b", "x"}));
  { std::ofstream(record.file()) << "nft tavlo\ngarbage\n\nforward 1\nhalf"; }
  EXPECT_EQ(record.Entries(), (std::vector<RecordEntry>{{"nft", "tavlo"}, {"forward", "1"}}));
}

TEST(HelperRecord, RefusesASymlinkInsteadOfAFolder) {
  test::ScopedTempDir dir;
  std::filesystem::create_directory(dir / "elsewhere");
  std::filesystem::create_directory_symlink(dir / "elsewhere", dir / "state");
  Record record(dir / "state");
  EXPECT_FALSE(record.Open());
}

}  // namespace
}  // namespace helper
