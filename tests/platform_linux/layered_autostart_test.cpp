#include "platform/linux/layered_autostart.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/linux/utf.h"
#include "support/scoped_temp_dir.h"

namespace platform {
namespace {

using Folders = LayeredAutostart::Folders;

LayeredAutostart::Environment Env(std::map<std::string, std::string> vars) {
  return [vars = std::move(vars)](const char* name) -> std::optional<std::string> {
    auto it = vars.find(name);
    if (it == vars.end())
      return std::nullopt;
    return it->second;
  };
}

TEST(LayeredAutostartFoldersTest, UserWritesTheirOwnFolderAndRootTheMachineWideOne) {
  const auto env = Env({{"HOME", "/home/u/"},
                        {"XDG_CONFIG_HOME", "/home/u/cfg/"},
                        {"XDG_CONFIG_DIRS", "rel:/etc/xdg-a/::/etc/xdg-b:/etc/xdg-a"}});
  EXPECT_EQ(LayeredAutostart::FoldersFor(false, env),
            (Folders{"/home/u/cfg/autostart", {"/etc/xdg-a/autostart", "/etc/xdg-b/autostart"}}));
  EXPECT_EQ(LayeredAutostart::FoldersFor(true, env),
            (Folders{"/etc/xdg-a/autostart", {"/etc/xdg-b/autostart"}}));

  // A relative XDG_CONFIG_HOME is ignored; without XDG_CONFIG_DIRS there is /etc/xdg.
  const auto plain = Env({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "cfg"}});
  EXPECT_EQ(LayeredAutostart::FoldersFor(false, plain),
            (Folders{"/home/u/.config/autostart", {"/etc/xdg/autostart"}}));
  EXPECT_EQ(LayeredAutostart::FoldersFor(true, Env({{"XDG_CONFIG_DIRS", "only/relative"}})),
            (Folders{"/etc/xdg/autostart", {}}));
  EXPECT_EQ(LayeredAutostart::FoldersFor(false, Env({{"HOME", "/"}})).writable,
            "/.config/autostart");
  // A user whose config home is a system folder reads it once.
  EXPECT_EQ(LayeredAutostart::FoldersFor(false, Env({{"XDG_CONFIG_HOME", "/etc/xdg"}})),
            (Folders{"/etc/xdg/autostart", {}}));
}

TEST(LayeredAutostartFoldersTest, WithoutAHomeNothingIsWrittenAndReadingStillWorks) {
  test::ScopedTempDir dir;
  const std::string system = dir.path().string() + "/xdg";
  Folders folders =
      LayeredAutostart::FoldersFor(false, Env({{"HOME", "relative"}, {"XDG_CONFIG_DIRS", system}}));
  ASSERT_EQ(folders, (Folders{"", {system + "/autostart"}}));
  ASSERT_TRUE(XdgAutostart(folders.below[0]).Open());
  ASSERT_TRUE(XdgAutostart(folders.below[0]).Write(u"Tavlo", u"\"/t\" /start"));

  LayeredAutostart store(folders);
  EXPECT_FALSE(store.Open());
  EXPECT_NE(store.LastFailure().code, 0u);
  EXPECT_FALSE(store.Write(u"Tavlo", u"x"));
  EXPECT_FALSE(store.Remove(u"Tavlo"));
  EXPECT_EQ(store.Read(u"Tavlo"), u"\"/t\" /start");
  EXPECT_FALSE(std::filesystem::exists("/Tavlo.desktop"));
}

class LayeredAutostartTest : public testing::Test {
 protected:
  std::string Folder(const char* name) const { return dir_.path().string() + "/" + name; }
  std::string File(const char* folder) const { return Folder(folder) + "/Tavlo.desktop"; }
  void Put(const char* folder, const std::string& text) {
    std::filesystem::create_directories(Folder(folder));
    std::ofstream(File(folder)) << text;
  }
  std::string Content(const char* folder) const {
    std::ostringstream out;
    out << std::ifstream(File(folder)).rdbuf();
    return out.str();
  }

  static constexpr char16_t kOurs[] = u"\"/opt/Tavlo/tavlo\" /start";
  static constexpr char kOursEntry[] = "[Desktop Entry]\nExec=\"/opt/Tavlo/tavlo\" /start\n";
  test::ScopedTempDir dir_;
  // user, then two machine-wide folders
  LayeredAutostart user_{{Folder("user"), {Folder("sys1"), Folder("sys2")}}};
};

TEST_F(LayeredAutostartTest, TheMostImportantFileOfTheNameDecides) {
  EXPECT_FALSE(user_.Read(u"Tavlo"));
  Put("sys2", "[Desktop Entry]\nExec=/other /start\n");
  EXPECT_EQ(user_.Read(u"Tavlo"), u"/other /start");
  Put("sys1", kOursEntry);
  EXPECT_EQ(user_.Read(u"Tavlo"), kOurs);

  Put("user", "[Desktop Entry]\nHidden=true\n");
  EXPECT_FALSE(user_.Read(u"Tavlo")) << "hidden by the user";
  Put("user", "[Desktop Entry]\nExec=/t\nX-GNOME-Autostart-enabled=false\n");
  EXPECT_FALSE(user_.Read(u"Tavlo"));
  Put("user", "[Desktop Entry]\nName=Tavlo\n");
  EXPECT_FALSE(user_.Read(u"Tavlo")) << "a file without Exec still overrides";
  Put("user", "[Desktop Entry]\nExec=/mine /start\n");
  EXPECT_EQ(user_.Read(u"Tavlo"), u"/mine /start");

  Put("sys1", "[Desktop Entry]\nHidden=true\n");
  std::filesystem::remove(File("user"));
  EXPECT_FALSE(user_.Read(u"Tavlo")) << "hidden further up the machine-wide folders";
  EXPECT_FALSE(user_.Read(u"../Tavlo"));
}

TEST_F(LayeredAutostartTest, AUserSwitchesAMachineWideEntryOffByHidingItAndBackOn) {
  Put("sys1", kOursEntry);
  ASSERT_TRUE(user_.Open());
  ASSERT_TRUE(user_.Remove(u"Tavlo"));
  EXPECT_EQ(Content("user"), "[Desktop Entry]\nType=Application\nName=Tavlo\nHidden=true\n");
  EXPECT_EQ(Content("sys1"), kOursEntry) << "the machine-wide entry is left alone";
  EXPECT_FALSE(user_.Read(u"Tavlo"));
  ASSERT_TRUE(user_.Remove(u"Tavlo")) << "already off";

  // The same command line below: the hiding file goes and nothing of the user's stays.
  ASSERT_TRUE(user_.Write(u"Tavlo", kOurs));
  EXPECT_FALSE(std::filesystem::exists(File("user")));
  EXPECT_EQ(user_.Read(u"Tavlo"), kOurs);

  // Another command line below: the user's own entry overrides it.
  Put("sys1", "[Desktop Entry]\nExec=\"/old/tavlo\" /start\n");
  ASSERT_TRUE(user_.Write(u"Tavlo", kOurs));
  EXPECT_EQ(user_.Read(u"Tavlo"), kOurs);
  EXPECT_TRUE(std::filesystem::exists(File("user")));
  // Off again hides whatever would start below.
  ASSERT_TRUE(user_.Remove(u"Tavlo"));
  EXPECT_FALSE(user_.Read(u"Tavlo"));
  EXPECT_NE(Content("user").find("Hidden=true"), std::string::npos);

  // Nothing below: off only removes the user's file.
  std::filesystem::remove(File("sys1"));
  ASSERT_TRUE(user_.Write(u"Tavlo", kOurs));
  ASSERT_TRUE(user_.Remove(u"Tavlo"));
  EXPECT_FALSE(std::filesystem::exists(File("user")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder("user")), {}), 0);
}

TEST_F(LayeredAutostartTest, RootChangesTheMachineWideFolder) {
  LayeredAutostart root({Folder("sys1"), {Folder("sys2")}});
  Put("user", "[Desktop Entry]\nHidden=true\n");
  ASSERT_TRUE(root.Open());
  ASSERT_TRUE(root.Write(u"Tavlo", kOurs));
  EXPECT_EQ(root.Read(u"Tavlo"), kOurs);
  EXPECT_EQ(XdgAutostart(Folder("sys1")).Read(u"Tavlo"), kOurs);
  ASSERT_TRUE(root.Remove(u"Tavlo"));
  EXPECT_FALSE(std::filesystem::exists(File("sys1")));

  // An entry in a less important machine-wide folder gets hidden from the first one.
  Put("sys2", kOursEntry);
  EXPECT_EQ(root.Read(u"Tavlo"), kOurs);
  ASSERT_TRUE(root.Remove(u"Tavlo"));
  EXPECT_FALSE(root.Read(u"Tavlo"));
  EXPECT_EQ(Content("sys2"), kOursEntry);
  EXPECT_EQ(Content("user"), "[Desktop Entry]\nHidden=true\n") << "no user's folder touched";
}

TEST_F(LayeredAutostartTest, AFolderThatCannotBeMadeFailsWithItsPlaceAndReadsStayTrue) {
  // A file where the user's config folder would be: not even root can create it.
  std::ofstream(Folder("home")) << "x";
  LayeredAutostart blocked({Folder("home") + "/autostart", {Folder("sys1")}});
  Put("sys1", kOursEntry);
  EXPECT_FALSE(blocked.Open());
  EXPECT_EQ(blocked.LastFailure().code, 3u);  // ERROR_PATH_NOT_FOUND
  EXPECT_EQ(blocked.LastFailure().place, posix::FromUtf8(Folder("home") + "/autostart"));
  EXPECT_FALSE(blocked.Remove(u"Tavlo"));
  EXPECT_NE(blocked.LastFailure().code, 0u);
  EXPECT_EQ(blocked.Read(u"Tavlo"), kOurs) << "the machine-wide entry still starts";
  EXPECT_FALSE(blocked.Write(u"Tavlo", u"\"/elsewhere\" /start"));
  EXPECT_EQ(blocked.Read(u"Tavlo"), kOurs);
}

}  // namespace
}  // namespace platform
