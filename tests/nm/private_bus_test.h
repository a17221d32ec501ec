// The base of every test on a private system bus: the bus, and DBUS_SYSTEM_BUS_ADDRESS naming it
// for the test's life. Skipped where dbus-daemon or the stand-ins cannot run.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "nm/private_bus.h"
#include "support/scoped_env.h"

namespace test {

class PrivateBusTest : public ::testing::Test {
 protected:
  // A fixture that does more calls this first and returns when IsSkipped() or
  // HasFatalFailure().
  void SetUp() override {
    if (std::string missing = PrivateBus::MissingTools(); !missing.empty())
      GTEST_SKIP() << missing;
    bus_ = std::make_unique<PrivateBus>();
    ASSERT_TRUE(bus_->ok()) << bus_->error();
    system_bus_ = std::make_unique<ScopedEnv>("DBUS_SYSTEM_BUS_ADDRESS", bus_->address());
  }

  // Declared before everything a fixture adds, so it outlives all of it.
  std::unique_ptr<PrivateBus> bus_;
  std::unique_ptr<ScopedEnv> system_bus_;
};

}  // namespace test
