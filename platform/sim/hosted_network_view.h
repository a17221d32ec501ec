// What the simulated sharing service needs to know of the simulated wireless service, so the two
// halves of the simulated system can be built and tested apart.
//
// Implementations are called from any thread and must be thread-safe.
#pragma once

#include <optional>

#include "base/guid.h"

namespace platform::sim {

class HostedNetworkView {
 public:
  virtual ~HostedNetworkView() = default;

  // The GUID of the one connected wireless interface (stable across runs).
  virtual GUID WirelessInterfaceGuid() const = 0;
  // The hosted network's virtual adapter (its IPDeviceID) while the hosted network is active;
  // nullopt otherwise.
  virtual std::optional<GUID> ActiveVirtualAdapter() const = 0;
};

}  // namespace platform::sim
