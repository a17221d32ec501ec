#include "platform/nm/nm_system.h"

#include <utility>

#include "platform/nm/nm_sharing_driver.h"

namespace platform::nm {

namespace {

std::unique_ptr<NmWirelessDriver> MakeDriver(NmWirelessDriver::Options options,
                                             NmWirelessDriver** raw) {
  auto driver = std::make_unique<NmWirelessDriver>(std::move(options));
  *raw = driver.get();
  return driver;
}

}  // namespace

NmSystem::NmSystem(NmWirelessDriver::Options options)
    : wireless_(
          std::make_unique<services::WirelessService>(MakeDriver(std::move(options), &driver_))),
      sharing_(std::make_unique<services::ConnectionSharingService>(
          std::make_unique<NmSharingDriver>())),
      interpreter_(std::make_unique<services::NetshInterpreter>(*wireless_)) {}

NmSystem::~NmSystem() {
  interpreter_.reset();
  sharing_.reset();
  wireless_.reset();
}

}  // namespace platform::nm
