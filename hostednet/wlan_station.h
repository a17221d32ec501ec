// CWlanStation: the controller's record of one station associated with the hosted network.
//
// Thread affinity: immutable after construction; the reference count may change on any thread.
// Ownership: reference-counted (CRefObject); the creator owns the first reference.
#pragma once

#include <cstring>

#include "base/ref_object.h"
#include "platform/wlan_types.h"

class CWlanStation final : public CRefObject {
 public:
  explicit CWlanStation(const DOT11_MAC_ADDRESS& mac) { std::memcpy(mac_, mac, sizeof(mac_)); }

  // The peer's address as the wireless service reported it, byte order unchanged.
  const DOT11_MAC_ADDRESS& mac() const { return mac_; }
  // Two stations are the same station when all six address bytes are equal.
  bool HasAddress(const DOT11_MAC_ADDRESS& mac) const {
    return std::memcmp(mac_, mac, sizeof(mac_)) == 0;
  }

 private:
  ~CWlanStation() override = default;

  DOT11_MAC_ADDRESS mac_;
};
