// The access point's configuration file: built from the user's network name and key, written
// privately, and read back line by line as hostapd would.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "helper/ap/hostapd_config.h"
#include "support/scoped_temp_dir.h"

namespace {

using helper::ap::BuildHostapdConfig;
using helper::ap::HostapdSettings;
using helper::ap::WriteHostapdConfig;

HostapdSettings Plain() {
  HostapdSettings s;
  s.interface = "wlan0";
  s.ssid = "Tavlo";
  s.passphrase = "password123";
  s.ctrl_folder = "/run/tavlo-helper";
  return s;
}

// key -> value of every line; a key seen twice fails the test.
std::map<std::string, std::string> Parse(const std::string& text) {
  std::map<std::string, std::string> fields;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    size_t eq = line.find('=');
    EXPECT_NE(eq, std::string::npos) << line;
    if (eq == std::string::npos)
      continue;
    bool fresh = fields.emplace(line.substr(0, eq), line.substr(eq + 1)).second;
    EXPECT_TRUE(fresh) << "twice: " << line;
  }
  return fields;
}

std::string Unhex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(HostapdConfig, WrittenFileReadsBackFieldByField) {
  struct Case {
    std::string ssid;
    std::string passphrase;
  };
  const Case cases[] = {
      {"Tavlo", "password123"},
      {"我的热点 五楼", "ni-hao-12345"},
      {"a=b#c;d\"e'f\\g`$(h) #", "#;=\\\"' `$(x)!{}[]<>|&*?~ end "},
      {std::string(32, 'x'), std::string(63, '~')},
      {std::string("\x00\n\r\xff", 4), "12345678"},
  };
  test::ScopedTempDir dir;
  std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
  for (const Case& c : cases) {
    HostapdSettings s = Plain();
    s.ssid = c.ssid;
    s.passphrase = c.passphrase;
    std::string why;
    auto text = BuildHostapdConfig(s, &why);
    ASSERT_TRUE(text) << why;
    ASSERT_TRUE(WriteHostapdConfig(dir.path().string(), "hostapd.conf", *text, &why)) << why;

    auto f = Parse(ReadFile(dir / "hostapd.conf"));
    EXPECT_EQ(f.size(), 14u);
    EXPECT_EQ(f["interface"], "wlan0");
    EXPECT_EQ(f["driver"], "nl80211");
    EXPECT_EQ(f["ctrl_interface"], "/run/tavlo-helper");
    EXPECT_EQ(Unhex(f["ssid2"]), c.ssid);
    EXPECT_EQ(f["ssid2"].size(), c.ssid.size() * 2);
    EXPECT_EQ(f["wpa_passphrase"], c.passphrase);
    EXPECT_EQ(f.count("wpa_psk"), 0u);
    EXPECT_EQ(f["hw_mode"], "g");
    EXPECT_EQ(f["channel"], "6");
    EXPECT_EQ(f["wpa"], "2");
    EXPECT_EQ(f["wpa_key_mgmt"], "WPA-PSK");
    EXPECT_EQ(f["rsn_pairwise"], "CCMP");
    EXPECT_EQ(f["auth_algs"], "1");
    EXPECT_EQ(f["ignore_broadcast_ssid"], "0");
    EXPECT_EQ(f["wmm_enabled"], "1");
    EXPECT_EQ(f["ieee80211n"], "1");

    struct stat st {};
    ASSERT_EQ(::stat((dir / "hostapd.conf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
  }
  // Nothing but the file itself is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(HostapdConfig, PskAndChannelsChooseTheirFields) {
  HostapdSettings s = Plain();
  s.passphrase.clear();
  s.psk_hex = std::string(32, 'a') + std::string(32, '9');
  s.channel = 11;
  auto f = Parse(*BuildHostapdConfig(s, nullptr));
  EXPECT_EQ(f["wpa_psk"], s.psk_hex);
  EXPECT_EQ(f.count("wpa_passphrase"), 0u);
  EXPECT_EQ(f["channel"], "11");
  EXPECT_EQ(f["hw_mode"], "g");

  s.channel = 36;
  f = Parse(*BuildHostapdConfig(s, nullptr));
  EXPECT_EQ(f["hw_mode"], "a");
  EXPECT_EQ(f["ieee80211n"], "1");

  // Channel 14 carries only 802.11b: no OFDM mode and no HT.
  s.channel = 14;
  f = Parse(*BuildHostapdConfig(s, nullptr));
  EXPECT_EQ(f["hw_mode"], "b");
  EXPECT_EQ(f.count("ieee80211n"), 0u);
}

TEST(HostapdConfig, HostileOrOutOfRangeValuesAreRefused) {
  auto refused = [](HostapdSettings s) {
    std::string why;
    bool none = !BuildHostapdConfig(s, &why);
    return none && !why.empty();
  };
  for (std::string pass :
       {std::string("1234567"), std::string(64, 'a'), std::string("password\nwpa=0"),
        std::string("password\rchannel=1"), std::string("pass\0word", 9), std::string("pass\tword"),
        std::string("pass\x7fword"), std::string("密码密码密码密码")}) {
    HostapdSettings s = Plain();
    s.passphrase = pass;
    EXPECT_TRUE(refused(s)) << pass;
  }
  for (std::string psk : {std::string(63, 'a'), std::string(65, 'a'), std::string(63, 'a') + "g",
                          std::string(62, 'a') + "\na"}) {
    HostapdSettings s = Plain();
    s.passphrase.clear();
    s.psk_hex = psk;
    EXPECT_TRUE(refused(s)) << psk;
  }
  HostapdSettings both = Plain();
  both.psk_hex = std::string(64, '0');
  EXPECT_TRUE(refused(both));
  HostapdSettings neither = Plain();
  neither.passphrase.clear();
  EXPECT_TRUE(refused(neither));

  for (std::string ifname :
       {"", ".", "..", "wlan0\nwpa=0", "wlan 0", "a234567890123456", "wl/an"}) {
    HostapdSettings s = Plain();
    s.interface = ifname;
    EXPECT_TRUE(refused(s)) << ifname;
  }
  for (std::string ssid : {std::string(), std::string(33, 'x')}) {
    HostapdSettings s = Plain();
    s.ssid = ssid;
    EXPECT_TRUE(refused(s));
  }
  for (int channel : {0, 15, 31, 178, -6}) {
    HostapdSettings s = Plain();
    s.channel = channel;
    EXPECT_TRUE(refused(s)) << channel;
  }
  for (std::string folder : {"relative", "/run/x\ny", "/run/a b", ""}) {
    HostapdSettings s = Plain();
    s.ctrl_folder = folder;
    EXPECT_TRUE(refused(s)) << folder;
  }
}

TEST(HostapdConfig, WriteRefusesFoldersThatAreNotOursAlone) {
  test::ScopedTempDir dir;
  std::string why;
  std::filesystem::create_directory(dir / "open");
  std::filesystem::permissions(dir / "open", std::filesystem::perms::owner_all |
                                                 std::filesystem::perms::group_read |
                                                 std::filesystem::perms::group_exec);
  EXPECT_FALSE(WriteHostapdConfig((dir / "open").string(), "hostapd.conf", "x=1\n", &why));
  EXPECT_FALSE(std::filesystem::exists(dir / "open" / "hostapd.conf"));

  std::filesystem::create_directory(dir / "mine");
  std::filesystem::permissions(dir / "mine", std::filesystem::perms::owner_all);
  std::filesystem::create_directory_symlink(dir / "mine", dir / "link");
  EXPECT_FALSE(WriteHostapdConfig((dir / "link").string(), "hostapd.conf", "x=1\n", &why));
  EXPECT_FALSE(WriteHostapdConfig((dir / "mine").string(), "../escape", "x=1\n", &why));
  EXPECT_FALSE(std::filesystem::exists(dir / "escape"));

  // A symbolic link where the file goes is replaced, never followed.
  std::ofstream(dir / "victim") << "keep\n";
  std::filesystem::create_symlink(dir / "victim", dir / "mine" / "hostapd.conf");
  ASSERT_TRUE(WriteHostapdConfig((dir / "mine").string(), "hostapd.conf", "x=1\n", &why)) << why;
  EXPECT_EQ(ReadFile(dir / "victim"), "keep\n");
  EXPECT_FALSE(std::filesystem::is_symlink(dir / "mine" / "hostapd.conf"));
  EXPECT_EQ(ReadFile(dir / "mine" / "hostapd.conf"), "x=1\n");
}

}  // namespace
