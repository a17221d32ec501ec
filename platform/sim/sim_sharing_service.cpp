#include "platform/sim/sim_sharing_service.h"

#include <utility>

namespace platform::sim {

SimSharingService::SimSharingService(HostedNetworkView& view, std::filesystem::path state_dir)
    : SimSharingService(new SimSharingDriver(view, std::move(state_dir))) {}

// The base owns the driver from the first moment; this keeps a reference to its own kind.
SimSharingService::SimSharingService(SimSharingDriver* driver)
    : services::ConnectionSharingService(std::unique_ptr<services::SharingDriver>(driver)),
      driver_(*driver) {}

}  // namespace platform::sim
