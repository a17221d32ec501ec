#include "app/data_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "support/scoped_temp_dir.h"

namespace app {
namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& file) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "zip";
}

TEST(DataFolderTest, BuildTreeAndInstalledLayouts) {
  test::ScopedTempDir root;
  const fs::path installed = root / "usr/bin/tavlo";
  Touch(root / "usr/share/tavlo/skin.zip");
  EXPECT_EQ(FindDataFolder(installed, kSkinArchive), root / "usr/share/tavlo");
  // A path with dot-dot components finds the same folder, spelled plainly.
  EXPECT_EQ(FindDataFolder(root / "usr/lib/../bin/tavlo", kSkinArchive), root / "usr/share/tavlo");

  // A skin beside the program wins: a build tree installed into a prefix still runs its own.
  Touch(root / "usr/bin/skin.zip");
  EXPECT_EQ(FindDataFolder(installed, kSkinArchive), root / "usr/bin");
}

TEST(DataFolderTest, NothingFoundGivesEmpty) {
  test::ScopedTempDir root;
  EXPECT_TRUE(FindDataFolder(root / "bin/tavlo", kSkinArchive).empty());
  // A folder with the archive's name is not the archive.
  fs::create_directories(root / "bin/skin.zip");
  fs::create_directories(root / "share/tavlo/skin.zip");
  EXPECT_TRUE(FindDataFolder(root / "bin/tavlo", kSkinArchive).empty());
}

TEST(DataFolderTest, NeverTheCurrentFolder) {
  test::ScopedTempDir root;
  Touch(root / "skin.zip");
  Touch(root / "bin/skin.zip");
  Touch(root / "share/tavlo/skin.zip");
  const fs::path previous = fs::current_path();
  fs::current_path(root.path());
  for (const char* relative : {"tavlo", "bin/tavlo", "./tavlo", ""}) {
    EXPECT_TRUE(DataFolderCandidates(relative).empty()) << relative;
    EXPECT_TRUE(FindDataFolder(relative, kSkinArchive).empty()) << relative;
  }
  fs::current_path(previous);
}

TEST(DataFolderTest, CandidatesInOrder) {
  EXPECT_EQ(DataFolderCandidates("/usr/bin/tavlo"),
            (std::vector<fs::path>{"/usr/bin", "/usr/share/tavlo"}));
  EXPECT_EQ(DataFolderCandidates("/opt/x/bin/./tavlo"),
            (std::vector<fs::path>{"/opt/x/bin", "/opt/x/share/tavlo"}));
  // Directly in "/" there is no prefix to look above.
  EXPECT_EQ(DataFolderCandidates("/tavlo"), (std::vector<fs::path>{"/"}));
}

}  // namespace
}  // namespace app
