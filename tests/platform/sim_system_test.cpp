// The simulated system's netsh interpreter: its timing, its order, and its shutdown.
#include "platform/sim/sim_system.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "platform/command_runner.h"
#include "platform/sim/wireless_state_file.h"
#include "support/scoped_temp_dir.h"

namespace {

using platform::sim::SimSystem;

constexpr char16_t kAllow[] = u"cmd.exe /c netsh wlan set hostednetwork mode=allow";
constexpr char16_t kStart[] = u"cmd.exe /c netsh wlan start hostednetwork";
constexpr char16_t kStop[] = u"cmd.exe /c netsh wlan stop hostednetwork";

class SimSystemTest : public ::testing::Test {
 protected:
  // An earlier run left an SSID and a passphrase, so the hosted network can start.
  void SetUp() override {
    platform::sim::WirelessPersistentState state;
    state.ssid.uSSIDLength = 1;
    state.ssid.ucSSID[0] = 'T';
    state.key = {'p', 'a', 's', 's', 'p', 'h', 'r', 'a', 's', 'e', 0};
    ASSERT_TRUE(platform::sim::WirelessStateFile(dir_.path() / "wireless.state").Save(state));
    system_ = std::make_unique<SimSystem>(dir_.path());
  }
  WLAN_HOSTED_NETWORK_STATE State() { return system_->wireless().GetSnapshot().state; }

  test::ScopedTempDir dir_;
  std::unique_ptr<SimSystem> system_;
};

TEST_F(SimSystemTest, NetshLinesRunAfterTheDelayInTheOrderGivenAndOthersOnlyGetRecorded) {
  system_->wireless().Allow(false);
  auto& interpreter = system_->interpreter();
  EXPECT_EQ(interpreter.delay(), platform::services::NetshInterpreter::kDefaultDelayMs);

  interpreter.SetDelay(300);
  auto given = std::chrono::steady_clock::now();
  system_->command_runner().RunDetached(kAllow);
  EXPECT_LT(std::chrono::steady_clock::now() - given, std::chrono::milliseconds(100));
  // A shorter delay for a later line does not let it overtake the earlier one.
  interpreter.SetDelay(0);
  system_->command_runner().RunDetached(kStart);
  system_->command_runner().RunDetached(u"cmd.exe /c netsh wlan show hostednetwork");
  EXPECT_FALSE(system_->wireless().GetSnapshot().enabled);  // 300 ms have not passed
  interpreter.WaitUntilIdle();
  EXPECT_GE(std::chrono::steady_clock::now() - given, std::chrono::milliseconds(300));
  EXPECT_EQ(State(), wlan_hosted_network_active);

  system_->command_runner().RunDetached(kStop);
  system_->WaitUntilSettled();
  EXPECT_EQ(State(), wlan_hosted_network_idle);
  EXPECT_EQ(interpreter.ReceivedLines(),
            (std::vector<std::u16string>{kAllow, kStart,
                                         u"cmd.exe /c netsh wlan show hostednetwork", kStop}));
}

TEST_F(SimSystemTest, ShuttingDownDropsLinesNotYetRunWithoutWaitingForThem) {
  system_->interpreter().SetDelay(60000);
  system_->command_runner().RunDetached(kStart);
  auto before = std::chrono::steady_clock::now();
  system_.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
  SimSystem next_run(dir_.path());
  EXPECT_EQ(next_run.wireless().GetSnapshot().state, wlan_hosted_network_idle);
}

// The real runner, which the simulated system stands in for: it returns before the line has
// run, and the line still runs, with its UTF-8 text intact.
TEST(ShellCommandRunnerTest, ReturnsAtOnceWhileTheLineRunsOnItsOwn) {
  test::ScopedTempDir dir;
  const std::string out = (dir.path() / "out").string();
  std::u16string line = u"sleep 1; echo 已完成 > '";
  line.append(out.begin(), out.end());
  line += u"'";

  platform::ShellCommandRunner runner;
  auto before = std::chrono::steady_clock::now();
  runner.RunDetached(line);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));
  EXPECT_FALSE(std::filesystem::exists(out));

  std::string text;
  for (int i = 0; i < 100 && text.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ifstream(out) >> text;
  }
  EXPECT_EQ(text, "已完成");
}

}  // namespace
