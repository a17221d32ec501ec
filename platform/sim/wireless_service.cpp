#include "platform/sim/wireless_service.h"

#include <utility>

namespace platform::sim {

WirelessService::WirelessService(const std::filesystem::path& state_dir, StateFileOpener open)
    : WirelessService(new SimWirelessDriver(state_dir / kStateFileName, std::move(open))) {}

// The base owns the driver from the first moment; this keeps a reference to its own kind.
WirelessService::WirelessService(SimWirelessDriver* driver)
    : services::WirelessService(std::unique_ptr<services::WirelessDriver>(driver)),
      driver_(*driver) {}

std::optional<VirtualAdapterState> WirelessService::VirtualAdapter() const {
  const AdapterStatus adapter = Adapter();
  if (!adapter.installed)
    return std::nullopt;
  return VirtualAdapterState{kVirtualAdapter, adapter.active};
}

}  // namespace platform::sim
