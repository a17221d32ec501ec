// The Qt notification-area shell's watch over the area itself.
#include "app/qt_tray_shell.h"

#include <gtest/gtest.h>

#include <vector>

#include "support_qt/qt_input.h"

namespace {

TEST(QtTrayShellTest, ReportsEachTimeTheAreaComesOrGoesAndNothingElse) {
  bool available = true;
  app::QtTrayShell shell([&available] { return available; }, 5);
  EXPECT_TRUE(shell.IsTrayAvailable());
  std::vector<bool> seen;
  shell.WatchTrayAvailability([&seen](bool now) { seen.push_back(now); });

  available = false;
  EXPECT_FALSE(shell.IsTrayAvailable());
  ASSERT_TRUE(testing_qt::WaitUntil([&seen] { return !seen.empty(); }));
  available = true;
  ASSERT_TRUE(testing_qt::WaitUntil([&seen] { return seen.size() >= 2; }));
  available = false;
  ASSERT_TRUE(testing_qt::WaitUntil([&seen] { return seen.size() >= 3; }));
  // Many polls ran in between; only the changes were reported.
  EXPECT_EQ(seen, (std::vector<bool>{false, true, false}));

  // A watcher that replaces itself from inside its own call is safe.
  shell.WatchTrayAvailability([&](bool now) {
    seen.push_back(now);
    shell.WatchTrayAvailability({});
  });
  available = true;
  ASSERT_TRUE(testing_qt::WaitUntil([&seen] { return seen.size() >= 4; }));
  EXPECT_TRUE(seen.back());
}

}  // namespace
