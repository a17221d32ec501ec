#include "platform/sim/sim_system.h"

#include <utility>

namespace platform::sim {

SimSystem::SimSystem(std::filesystem::path state_dir)
    : state_dir_(std::move(state_dir)),
      wireless_(std::make_unique<WirelessService>(state_dir_)),
      sharing_(std::make_unique<SimSharingService>(*wireless_, state_dir_)),
      interpreter_(std::make_unique<services::NetshInterpreter>(*wireless_)),
      facts_(std::make_unique<SimDeviceFacts>()) {}

SimSystem::~SimSystem() {
  interpreter_.reset();
  facts_.reset();
  sharing_.reset();
  wireless_.reset();
}

void SimSystem::WaitUntilSettled() {
  interpreter_->WaitUntilIdle();
  wireless_->WaitForDelivery();
  facts_->WaitForDelivery();
}

}  // namespace platform::sim
