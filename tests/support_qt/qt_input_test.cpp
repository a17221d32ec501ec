// The tests' wait: bounded, and asleep in the event loop between checks of its condition.
#include "support_qt/qt_input.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>
#include <ctime>

namespace {

// CPU time this thread has used, in milliseconds.
double ThreadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

TEST(WaitUntilTest, SleepsBetweenChecksAndSeesTheConditionSoonAfterItTurns) {
  bool done = false;
  int checks = 0;
  QTimer::singleShot(400, [&done] { done = true; });
  QElapsedTimer wall;
  wall.start();
  const double cpu_before = ThreadCpuMs();
  ASSERT_TRUE(testing_qt::WaitUntil(
      [&] {
        ++checks;
        return done;
      },
      10000));
  const double cpu = ThreadCpuMs() - cpu_before;
  const qint64 elapsed = wall.elapsed();
  EXPECT_GE(elapsed, 390);
  // A spinning wait burns about as much CPU time as passes; this one hardly any.
  EXPECT_LT(cpu, static_cast<double>(elapsed) / 4) << checks << " checks";
  // Still polled: a condition that no event announces is noticed without a long delay.
  EXPECT_GT(checks, 10);
}

TEST(WaitUntilTest, GivesUpAtItsBound) {
  QElapsedTimer wall;
  wall.start();
  EXPECT_FALSE(testing_qt::WaitUntil([] { return false; }, 100));
  EXPECT_GE(wall.elapsed(), 100);
  EXPECT_LT(wall.elapsed(), 5000);
}

}  // namespace
