// gtest main for tests that need a QApplication. The platform must be chosen before the
// application exists, or test discovery would need a display. Every test process gets a
// private runtime folder and simulated-system folder of its own, so that no test meets the
// instance lock, the instance channel or the state of a Tavlo that runs on the machine.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "support/scoped_temp_dir.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  test::ScopedTempDir private_dir;  // mode 0700, removed at the end
  const std::string root = private_dir.path().string();
  setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
  setenv("XDG_STATE_HOME", (root + "/state").c_str(), 1);
  setenv("TAVLO_SIM_DIR", (root + "/sim").c_str(), 1);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  const int result = RUN_ALL_TESTS();
  // Closed windows free their records from posted events; deliver them before the leak check.
  QCoreApplication::sendPostedEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return result;
}
