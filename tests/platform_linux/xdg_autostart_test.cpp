#include "platform/linux/xdg_autostart.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/result.h"
#include "platform/linux/utf.h"
#include "support/scoped_temp_dir.h"

namespace platform {
namespace {

using TempDir = test::ScopedTempDir;

TEST(XdgAutostartTest, WritesAValidEntryAndReadsBackExactly) {
  TempDir dir;
  XdgAutostart store(dir.path().string() + "/a/autostart");
  ASSERT_TRUE(store.Open());
  EXPECT_FALSE(store.Read(u"Tavlo"));

  ASSERT_TRUE(store.Write(u"Tavlo", u"\"/opt/Tavlo/tavlo\" /start"));
  std::ostringstream content;
  content << std::ifstream(store.PathFor(u"Tavlo")).rdbuf();
  EXPECT_EQ(content.str(),
            "[Desktop Entry]\nType=Application\nName=Tavlo\nExec=\"/opt/Tavlo/tavlo\" /start\n"
            "Icon=tavlo\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
  EXPECT_EQ(store.Read(u"Tavlo"), u"\"/opt/Tavlo/tavlo\" /start");

  // Characters the desktop-entry format reserves survive the round trip.
  std::u16string odd = u"\"/opt/100% $x `y` \\z\n中\" /start %f \\w";
  ASSERT_TRUE(store.Write(u"Tavlo", odd));
  EXPECT_EQ(store.Read(u"Tavlo"), odd);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(store.directory()), {}), 1)
      << "no temporary file left behind";

  EXPECT_TRUE(store.Remove(u"Tavlo"));
  EXPECT_FALSE(store.Read(u"Tavlo"));
  EXPECT_TRUE(store.Remove(u"Tavlo")) << "already missing";
  EXPECT_FALSE(store.Write(u"../x", u"y"));
}

TEST(XdgAutostartTest, ReadsOnlyAnEnabledDesktopEntry) {
  TempDir dir;
  XdgAutostart store(dir.path());
  auto put = [&](const std::string& text) { std::ofstream(store.PathFor(u"T")) << text; };
  put("# c\n[Other]\nExec=wrong\n[Desktop Entry]\nType=Application\nExec = \"/a b/t\" /start\n");
  EXPECT_EQ(store.Read(u"T"), u"\"/a b/t\" /start");
  put("[Desktop Entry]\nExec=/t /start\nHidden=true\n");
  EXPECT_FALSE(store.Read(u"T"));
  put("[Desktop Entry]\nExec=/t /start\nX-GNOME-Autostart-enabled=false\n");
  EXPECT_FALSE(store.Read(u"T"));
  put("[Desktop Entry]\nName=T\n");
  EXPECT_FALSE(store.Read(u"T"));
}

TEST(XdgAutostartTest, AFailingCallLeavesItsReasonAndPlace) {
  TempDir dir;
  XdgAutostart fresh(dir.path().string() + "/a");
  EXPECT_EQ(fresh.LastFailure().code, 0u);

  std::ofstream(dir.path().string() + "/file") << "x";
  XdgAutostart under_file(dir.path().string() + "/file/autostart");
  EXPECT_FALSE(under_file.Open());
  EXPECT_EQ(under_file.LastFailure().code, 3u);  // ERROR_PATH_NOT_FOUND
  EXPECT_EQ(under_file.LastFailure().place,
            posix::FromUtf8(dir.path().string() + "/file/autostart"));
  EXPECT_FALSE(under_file.Write(u"Tavlo", u"x"));
  EXPECT_EQ(under_file.LastFailure().code, 3u);

  XdgAutostart store(dir.path().string() + "/b");
  ASSERT_TRUE(store.Open());
  EXPECT_FALSE(store.Write(u"../x", u"y"));
  EXPECT_EQ(store.LastFailure().code, ERROR_INVALID_PARAMETER);
  // A folder where the entry's file belongs can be neither replaced nor removed.
  std::filesystem::create_directories(store.PathFor(u"Tavlo") + "/inside");
  EXPECT_FALSE(store.Write(u"Tavlo", u"\"/t\" /start"));
  EXPECT_NE(store.LastFailure().code, 0u);
  EXPECT_EQ(store.LastFailure().place, posix::FromUtf8(store.PathFor(u"Tavlo")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(store.directory()), {}), 1)
      << "no temporary file left behind";
  EXPECT_FALSE(store.Remove(u"Tavlo"));
  EXPECT_EQ(store.LastFailure().place, posix::FromUtf8(store.PathFor(u"Tavlo")));
}

}  // namespace
}  // namespace platform
