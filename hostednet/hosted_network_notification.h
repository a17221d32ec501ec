// CHostedNetworkNotification: one hosted-network event on its way from the wireless service's
// thread to the window's thread, and the kinds of event.
//
// Thread affinity: immutable after construction; the reference count may change on any thread.
// Ownership: reference-counted (CRefObject); holds one reference to its device, if any.
#pragma once

#include <cstdint>

#include "base/ref_object.h"
#include "hostednet/wlan_device.h"

enum class HostedNetworkEvent : std::int32_t {
  Started = 1,
  Stopped = 2,
  DeviceJoined = 3,
  DeviceLeft = 4,
  DeviceUpdated = 5,
  Unavailable = 6,
  Idle = 7,
};

class CHostedNetworkNotification final : public CRefObject {
 public:
  // Takes a reference of its own to `device` (which may be null).
  explicit CHostedNetworkNotification(HostedNetworkEvent kind, CWlanDevice* device = nullptr)
      : kind_(kind), device_(base::RefPtr<CWlanDevice>::Share(device)) {}

  HostedNetworkEvent kind() const { return kind_; }
  // Lent: a holder that keeps it takes its own reference.
  CWlanDevice* device() const { return device_.get(); }

 private:
  ~CHostedNetworkNotification() override = default;

  HostedNetworkEvent kind_;
  base::RefPtr<CWlanDevice> device_;
};
