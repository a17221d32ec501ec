// What the simulated sharing service needs to know of the simulated wireless service, so the two
// halves of the simulated system can be built and tested apart.
//
// Implementations are called from any thread and must be thread-safe.
#pragma once

#include <optional>

#include "base/guid.h"

namespace platform::sim {

struct VirtualAdapterState {
  GUID guid;    // the hosted network's IPDeviceID, the same in every run
  bool active;  // the hosted network is running on it (else: listed, media disconnected)
};

class HostedNetworkView {
 public:
  virtual ~HostedNetworkView() = default;

  // The GUID of the one connected wireless interface (stable across runs).
  virtual GUID WirelessInterfaceGuid() const = 0;
  // The hosted network's virtual adapter, once the system has one: from the first time the
  // hosted network is allowed on, in this run or an earlier one. nullopt before that.
  virtual std::optional<VirtualAdapterState> VirtualAdapter() const = 0;

  // The adapter's GUID while the hosted network is active; nullopt otherwise.
  std::optional<GUID> ActiveVirtualAdapter() const {
    std::optional<VirtualAdapterState> adapter = VirtualAdapter();
    if (!adapter || !adapter->active)
      return std::nullopt;
    return adapter->guid;
  }
};

}  // namespace platform::sim
