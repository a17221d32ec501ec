#include "platform/linux/xdg_autostart.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform_linux/test_dir.h"

namespace platform {
namespace {

using testing_support::TempDir;

TEST(XdgAutostartTest, WritesAValidEntryAndReadsBackExactly) {
  TempDir dir;
  XdgAutostart store(dir.path() + "/a/autostart");
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

}  // namespace
}  // namespace platform
