// The hostapd process, played by small scripts: one that comes up, one that fails, one that
// never comes up and ignores SIGTERM.
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <vector>

#include <gtest/gtest.h>

#include "helper/ap/access_point.h"
#include "support/scoped_temp_dir.h"

namespace {

using helper::ap::AccessPoint;
using namespace std::chrono_literals;

class AccessPointTest : public ::testing::Test {
 protected:
  std::string Script(const std::string& name, const std::string& body) {
    std::filesystem::path path = dir_ / name;
    std::ofstream(path) << "#!/bin/sh\n" << body;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path.string();
  }
  std::filesystem::path Path(const std::string& name) { return dir_ / name; }

  // Waits, with a bound, until `file` exists.
  static bool AppearsSoon(const std::filesystem::path& file) {
    auto end = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < end) {
      if (std::filesystem::exists(file))
        return true;
      std::this_thread::yield();
    }
    return false;
  }

  test::ScopedTempDir dir_;
};

TEST_F(AccessPointTest, ComesUpGetsItsConfigPathAndStopsOnSigterm) {
  std::string pids = Path("pid").string();
  std::string program =
      // Like hostapd, it handles SIGTERM from before it says it is up.
      Script("hostapd",
             "trap 'echo bye; exit 0' TERM\n"
             "echo \"$$\" > " +
                 pids +
                 "\n"
                 "echo \"args:$#:$1\"\n"
                 "echo 'wlan0: interface state UNINITIALIZED->ENABLED'\n"
                 "echo 'wlan0: AP-ENABLED' >&2\n"
                 "while :; do sleep 0.05; done\n");
  std::mutex mutex;
  std::vector<std::string> lines;
  AccessPoint ap({program, 5000ms, 3000ms, [&](const std::string& line) {
                    std::lock_guard lock(mutex);
                    lines.push_back(line);
                  }});
  std::string why;
  ASSERT_TRUE(ap.Start("/run/tavlo helper/a;b.conf", &why)) << why;
  EXPECT_TRUE(ap.Running());
  EXPECT_NE(ap.LastOutput().find("args:1:/run/tavlo helper/a;b.conf"), std::string::npos);
  EXPECT_FALSE(ap.Start("/x.conf", &why));  // one at a time

  ap.Stop();
  EXPECT_FALSE(ap.Running());
  std::lock_guard lock(mutex);
  EXPECT_EQ(lines.back(), "bye");
  std::ifstream in(pids);
  pid_t pid = 0;
  in >> pid;
  ASSERT_GT(pid, 0);
  EXPECT_NE(::kill(pid, 0), 0);  // reaped, not a zombie of ours
}

TEST_F(AccessPointTest, FailureSaysWhyWithTheLastLines) {
  std::string program = Script("hostapd",
                               "echo 'Configuration file: x'\n"
                               "echo 'nl80211: Could not configure driver mode' >&2\n"
                               "echo 'wlan0: AP-DISABLED'\n"
                               "exit 1\n");
  AccessPoint ap({program, 5000ms, 1000ms, {}});
  std::string why;
  auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(ap.Start("/x.conf", &why));
  EXPECT_LT(std::chrono::steady_clock::now() - started, 4s);  // not the whole start bound
  EXPECT_NE(why.find("status 1"), std::string::npos) << why;
  EXPECT_NE(why.find("Could not configure driver mode"), std::string::npos) << why;
  EXPECT_NE(why.find("AP-DISABLED"), std::string::npos) << why;
  EXPECT_FALSE(ap.Running());

  // A line that only mentions the event is not the event.
  std::string liar = Script("liar", "echo 'not AP-ENABLED yet, AP-ENABLEDX'\nexit 2\n");
  AccessPoint other({liar, 5000ms, 1000ms, {}});
  EXPECT_FALSE(other.Start("/x.conf", &why));
  EXPECT_NE(why.find("status 2"), std::string::npos) << why;
}

TEST_F(AccessPointTest, HangingProgramIsKilledWithEverythingItStarted) {
  std::string child = Path("child").string();
  std::string program = Script("hostapd",
                               "trap '' TERM\n"
                               "sleep 600 &\n"
                               "echo $! > " +
                                   child +
                                   "\n"
                                   "echo 'waiting for the driver'\n"
                                   "while :; do sleep 0.05; done\n");
  AccessPoint ap({program, 600ms, 300ms, {}});
  std::string why;
  EXPECT_FALSE(ap.Start("/x.conf", &why));
  EXPECT_NE(why.find("did not bring the access point up"), std::string::npos) << why;
  EXPECT_NE(why.find("waiting for the driver"), std::string::npos) << why;
  EXPECT_FALSE(ap.Running());
  ASSERT_TRUE(AppearsSoon(child));
  pid_t pid = 0;
  std::ifstream(child) >> pid;
  ASSERT_GT(pid, 0);
  // The background child was in the same group and got the SIGKILL too; it was not ours to
  // reap, so it may linger briefly as a zombie of init: wait for it to be gone.
  auto end = std::chrono::steady_clock::now() + 5s;
  while (::kill(pid, 0) == 0 && std::chrono::steady_clock::now() < end)
    std::this_thread::yield();
  EXPECT_NE(::kill(pid, 0), 0);
}

TEST_F(AccessPointTest, MissingOrRelativeProgramIsAClearFailure) {
  std::string why;
  AccessPoint missing({Path("nothing-here").string(), 1000ms, 1000ms, {}});
  EXPECT_FALSE(missing.Start("/x.conf", &why));
  EXPECT_FALSE(why.empty());
  EXPECT_FALSE(missing.Running());
  AccessPoint relative({"hostapd", 1000ms, 1000ms, {}});
  EXPECT_FALSE(relative.Start("/x.conf", &why));
  EXPECT_NE(why.find("absolute"), std::string::npos);
}

}  // namespace
