// tavlo-sim against a simulated system with its control server in this process; both find
// each other through TAVLO_SIM_DIR.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sim/control_server.h"
#include "platform/sim/sim_system.h"
#include "platform/sim/state_directory.h"
#include "platform/sim/wireless_state_file.h"
#include "support/scoped_temp_dir.h"

namespace {

using namespace platform::sim;

struct Result {
  int exit_code;
  std::string output;  // stdout and stderr together
};

Result RunTool(const std::string& arguments) {
  std::string command = std::string(TAVLO_SIM_PATH) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  Result result{-1, {}};
  if (!pipe)
    return result;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
    result.output.append(buffer, n);
  int status = pclose(pipe);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

class TavloSimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TAVLO_SIM_DIR", dir_.path().c_str(), 1);
    // An earlier run left an SSID and a passphrase, so the hosted network can start.
    WirelessPersistentState state;
    state.ssid.uSSIDLength = 8;
    std::memcpy(state.ssid.ucSSID, "TavloNet", 8);
    state.key = {'p', 'a', 's', 's', 'p', 'h', 'r', 'a', 's', 'e', 0};
    ASSERT_TRUE(WirelessStateFile(dir_.path() / WirelessService::kStateFileName).Save(state));
    system_ = std::make_unique<SimSystem>(dir_.path());
    server_ = std::make_unique<ControlServer>(*system_);
  }
  void TearDown() override {
    server_.reset();
    system_.reset();
    unsetenv("TAVLO_SIM_DIR");
  }

  test::ScopedTempDir dir_;
  std::unique_ptr<SimSystem> system_;
  std::unique_ptr<ControlServer> server_;
};

TEST_F(TavloSimTest, EachCommandDrivesTheRunningSystem) {
  ASSERT_TRUE(server_->Start());
  auto& wireless = system_->wireless();
  ASSERT_EQ(wireless.Start(), 0u);

  EXPECT_EQ(RunTool("join aa:bb:cc:dd:ee:01").exit_code, 0);
  Result status = RunTool("status");
  EXPECT_EQ(status.exit_code, 0);
  for (const char* part : {"hosted network: active", "SSID: \"TavloNet\"", "stations: 1",
                           "  AA-BB-CC-DD-EE-01", "WLAN", "netsh delay: 30 ms"}) {
    EXPECT_NE(status.output.find(part), std::string::npos) << part << " in\n" << status.output;
  }
  EXPECT_EQ(RunTool("leave AA-BB-CC-DD-EE-01").exit_code, 0);
  EXPECT_TRUE(wireless.GetSnapshot().peers.empty());

  EXPECT_EQ(RunTool("radio off").exit_code, 0);
  EXPECT_EQ(wireless.GetSnapshot().state, wlan_hosted_network_unavailable);
  EXPECT_EQ(RunTool("radio on").exit_code, 0);
  EXPECT_TRUE(wireless.GetSnapshot().radio_on);

  EXPECT_EQ(RunTool("fail WlanOpenHandle 5").exit_code, 0);  // once
  HANDLE client;
  DWORD version;
  EXPECT_EQ(wireless.WlanOpenHandle(2, nullptr, &version, &client), 5u);
  ASSERT_EQ(wireless.WlanOpenHandle(2, nullptr, &version, &client), 0u);
  wireless.WlanCloseHandle(client, nullptr);

  HMODULE module = wireless.LoadLibraryW(u"Wlanapi.dll");
  EXPECT_EQ(RunTool("missing WlanHostedNetworkQueryStatus").exit_code, 0);
  EXPECT_EQ(wireless.GetProcAddress(module, "WlanHostedNetworkQueryStatus"), nullptr);
  EXPECT_EQ(RunTool("missing clear").exit_code, 0);
  EXPECT_NE(wireless.GetProcAddress(module, "WlanHostedNetworkQueryStatus"), nullptr);
  wireless.FreeLibrary(module);

  EXPECT_EQ(RunTool("delay 120").exit_code, 0);
  EXPECT_EQ(system_->interpreter().delay(), 120u);
}

TEST_F(TavloSimTest, MistakesAndRefusalsExitNonZeroWithTheReason) {
  ASSERT_TRUE(server_->Start());
  Result bad_mac = RunTool("join 00-1A-2B-3C-4D");
  EXPECT_EQ(bad_mac.exit_code, 2);
  EXPECT_NE(bad_mac.output.find("'00-1A-2B-3C-4D' is not a MAC address"), std::string::npos);

  Result unknown = RunTool("launch");
  EXPECT_EQ(unknown.exit_code, 2);
  EXPECT_NE(unknown.output.find("unknown command 'launch'"), std::string::npos);
  EXPECT_NE(unknown.output.find("usage: tavlo-sim"), std::string::npos);

  Result refused = RunTool("leave 02-00-00-00-00-09");
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_EQ(refused.output, "tavlo-sim: 02-00-00-00-00-09 is not associated\n");
}

TEST_F(TavloSimTest, StationsGetNamesAndAddressesAtTheJoinOrLater) {
  ASSERT_TRUE(server_->Start());
  ASSERT_EQ(system_->wireless().Start(), 0u);
  std::vector<platform::DeviceFacts> heard;
  std::mutex mutex;
  system_->device_facts().Watch([&](const platform::DeviceFacts& facts) {
    std::lock_guard<std::mutex> guard(mutex);
    heard.push_back(facts);
  });
  const platform::DeviceFactsSource::Callback none;

  // A name with blanks and Chinese reaches the system whole.
  Result join = RunTool("join 00-1A-2B-3C-4D-01 --name '张三的 iPhone 15' --ip 192.168.137.23");
  EXPECT_EQ(join.exit_code, 0) << join.output;
  auto facts = system_->device_facts().Lookup({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x01});
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->host_name, "张三的 iPhone 15");
  EXPECT_EQ(facts->ipv4, "192.168.137.23");

  // A station joins bare; its address comes first, then its name.
  EXPECT_EQ(RunTool("join 00-1A-2B-3C-4D-02").exit_code, 0);
  EXPECT_FALSE(system_->device_facts().Lookup({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x02}));
  EXPECT_EQ(RunTool("facts 00:1a:2b:3c:4d:02 --ip 192.168.137.24").exit_code, 0);
  EXPECT_EQ(RunTool("facts 00-1A-2B-3C-4D-02 --name Pixel-7").exit_code, 0);
  system_->WaitUntilSettled();
  {
    std::lock_guard<std::mutex> guard(mutex);
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_EQ(heard[1].ipv4, "192.168.137.24");
    EXPECT_EQ(heard[1].host_name, "");
    EXPECT_EQ(heard[2].ipv4, "192.168.137.24");  // each report is the whole of what is known
    EXPECT_EQ(heard[2].host_name, "Pixel-7");
  }
  system_->device_facts().Watch(none);

  Result status = RunTool("status");
  for (const char* part : {"  00-1A-2B-3C-4D-01  192.168.137.23  \"张三的 iPhone 15\"",
                           "  00-1A-2B-3C-4D-02  192.168.137.24  \"Pixel-7\""}) {
    EXPECT_NE(status.output.find(part), std::string::npos) << part << " in\n" << status.output;
  }
}

TEST_F(TavloSimTest, BadNamesAndAddressesAreRefusedAndChangeNothing) {
  ASSERT_TRUE(server_->Start());
  ASSERT_EQ(system_->wireless().Start(), 0u);
  // Refused by tavlo-sim itself: usage mistakes and values that are never right.
  for (const char* arguments :
       {"join 00-1A-2B-3C-4D-05 --ip 192.168.137", "join 00-1A-2B-3C-4D-05 --ip 192.168.137.256",
        "join 00-1A-2B-3C-4D-05 --ip 192.168.137.023", "join 00-1A-2B-3C-4D-05 --ip 0.0.0.0",
        "join 00-1A-2B-3C-4D-05 --ip 224.0.0.1", "join 00-1A-2B-3C-4D-05 --ip 127.0.0.1",
        "join 00-1A-2B-3C-4D-05 --ip ' 10.0.0.1'", "join 00-1A-2B-3C-4D-05 --name ''",
        "join 00-1A-2B-3C-4D-05 --name '   '",
        "join 00-1A-2B-3C-4D-05 --name \"$(printf 'a\\001b')\"",
        "join 00-1A-2B-3C-4D-05 --name \"$(printf '\\377\\376')\"", "join 00-1A-2B-3C-4D-05 --name",
        "join 00-1A-2B-3C-4D-05 --name a --name b", "join 00-1A-2B-3C-4D-05 --colour red",
        "facts 00-1A-2B-3C-4D-05"}) {
    Result result = RunTool(arguments);
    EXPECT_EQ(result.exit_code, 2) << arguments << ": " << result.output;
  }
  Result long_name = RunTool("join 00-1A-2B-3C-4D-05 --name " + std::string(256, 'n'));
  EXPECT_EQ(long_name.exit_code, 2);
  EXPECT_TRUE(system_->wireless().GetSnapshot().peers.empty());

  // Refused by the running system: an address another station holds, facts of a stranger.
  ASSERT_EQ(RunTool("join 00-1A-2B-3C-4D-06 --ip 10.0.0.6").exit_code, 0);
  Result taken = RunTool("join 00-1A-2B-3C-4D-07 --ip 10.0.0.6");
  EXPECT_EQ(taken.exit_code, 1);
  EXPECT_NE(taken.output.find("10.0.0.6 is held by 00-1A-2B-3C-4D-06"), std::string::npos);
  EXPECT_EQ(system_->wireless().GetSnapshot().peers.size(), 1u);
  Result stranger = RunTool("facts 00-1A-2B-3C-4D-08 --name x");
  EXPECT_EQ(stranger.exit_code, 1);
  EXPECT_NE(stranger.output.find("is not associated"), std::string::npos);
  EXPECT_FALSE(system_->device_facts().Lookup({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x08}));
}

TEST_F(TavloSimTest, WithoutARunningProgramItSaysSo) {
  Result result = RunTool("status");
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.output, "tavlo-sim: no running Tavlo with a simulated system\n");
}

TEST_F(TavloSimTest, TheControlSocketLivesInThePrivateStateFolder) {
  ASSERT_EQ(chmod(dir_.path().c_str(), 0755), 0);
  ASSERT_TRUE(server_->Start());
  EXPECT_EQ(server_->path(), (dir_.path() / "control.sock").string());
  struct stat st;
  ASSERT_EQ(lstat(dir_.path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u) << "the state holds the passphrase";
  ASSERT_EQ(lstat(server_->path().c_str(), &st), 0);
  EXPECT_TRUE(S_ISSOCK(st.st_mode));

  SimSystem same(dir_.path());
  ControlServer rival(same);
  EXPECT_FALSE(rival.Start()) << "one program per simulated system";
  EXPECT_EQ(RunTool("status").exit_code, 0) << "and the first one still answers";

  test::ScopedTempDir other;
  setenv("TAVLO_SIM_DIR", other.path().c_str(), 1);
  EXPECT_EQ(RunTool("status").output, "tavlo-sim: no running Tavlo with a simulated system\n")
      << "another state folder, another system";
}

TEST_F(TavloSimTest, AStateFolderOthersCouldWriteToIsRefused) {
  ASSERT_EQ(chmod(dir_.path().c_str(), 0777), 0);
  EXPECT_FALSE(server_->Start());
  EXPECT_EQ(server_->problem().kind, base::FolderProblem::kOpenToOthers);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "control.sock"));
  if (geteuid() != 0)
    return;
  ASSERT_EQ(chmod(dir_.path().c_str(), 0700), 0);
  ASSERT_EQ(chown(dir_.path().c_str(), 65534, 65534), 0);
  EXPECT_FALSE(server_->Start());
  EXPECT_EQ(server_->problem().kind, base::FolderProblem::kForeignOwner);
}

TEST(StateDirectoryTest, MissingFoldersAreMadePrivate) {
  test::ScopedTempDir root;
  const auto deep = root.path() / "state" / "tavlo-sim";
  EXPECT_TRUE(PrepareStateDirectory(deep).ok());
  for (const auto& folder : {root.path() / "state", deep}) {
    struct stat st;
    ASSERT_EQ(lstat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << folder;
  }
  std::filesystem::create_symlink(deep, root.path() / "link");
  EXPECT_EQ(PrepareStateDirectory(root.path() / "link").kind, base::FolderProblem::kNotAFolder);
}

}  // namespace
