// platform::DeviceMakers: who made a network card, from the maker's block of addresses (the
// first three bytes of a globally administered MAC address).
//
// Thread affinity: MakerOf may be called from any thread.
// Ownership: the table belongs to whoever made it and outlives every caller.
// Failure: none reported; an address the table does not know gives an empty name.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace platform {

class DeviceMakers {
 public:
  virtual ~DeviceMakers() = default;

  // The maker's name in UTF-8; empty when unknown, and always for a locally administered or
  // group address, whose first bytes name no maker.
  virtual std::string MakerOf(const std::array<uint8_t, 6>& mac) const = 0;
};

// Bit 1 of the first byte: the address was made up by the device (phones' private addresses),
// not given by a maker.
inline bool IsLocallyAdministered(const std::array<uint8_t, 6>& mac) {
  return (mac[0] & 0x02) != 0;
}

}  // namespace platform
