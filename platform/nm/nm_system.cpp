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

NmWirelessDriver::Options FollowingAccessPoint(NmWirelessDriver::Options options,
                                               NmDeviceFacts* facts) {
  options.on_access_point = [facts,
                             also = std::move(options.on_access_point)](const std::string& ifname) {
    facts->Follow(ifname);
    if (also)
      also(ifname);
  };
  return options;
}

}  // namespace

NmSystem::NmSystem(NmWirelessDriver::Options options)
    : facts_(std::make_unique<NmDeviceFacts>()),
      wireless_(std::make_unique<services::WirelessService>(
          MakeDriver(FollowingAccessPoint(std::move(options), facts_.get()), &driver_))),
      sharing_(std::make_unique<services::ConnectionSharingService>(
          std::make_unique<NmSharingDriver>())),
      interpreter_(std::make_unique<services::NetshInterpreter>(*wireless_)) {}

NmSystem::~NmSystem() {
  interpreter_.reset();
  sharing_.reset();
  wireless_.reset();
  facts_.reset();
}

}  // namespace platform::nm
