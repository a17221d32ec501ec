// A hosted-network view whose answers the test sets; thread-safe like the real one.
#pragma once

#include <mutex>
#include <optional>

#include "platform/sim/hosted_network_view.h"

namespace ics_test {

class TestView : public platform::sim::HostedNetworkView {
 public:
  static constexpr GUID kWireless = {0x11111111,
                                     0x2222,
                                     0x3333,
                                     {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x01}};
  static constexpr GUID kAdapter = {0x11111111,
                                    0x2222,
                                    0x3333,
                                    {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x02}};

  GUID WirelessInterfaceGuid() const override { return kWireless; }
  std::optional<platform::sim::VirtualAdapterState> VirtualAdapter() const override {
    std::lock_guard<std::mutex> hold(lock_);
    if (!installed_)
      return std::nullopt;
    return platform::sim::VirtualAdapterState{kAdapter, active_};
  }
  // Active implies installed; not installed implies not active.
  void SetActive(bool active) {
    std::lock_guard<std::mutex> hold(lock_);
    active_ = active;
    installed_ = installed_ || active;
  }
  void SetInstalled(bool installed) {
    std::lock_guard<std::mutex> hold(lock_);
    installed_ = installed;
    active_ = active_ && installed;
  }

 private:
  mutable std::mutex lock_;
  bool installed_ = true;
  bool active_ = true;
};

}  // namespace ics_test
