// Devices and connections added to the NetworkManager stand-in through its mock interface, as
// the backend's tests need them.
#pragma once

#include <sdbus-c++/sdbus-c++.h>

#include <cstdint>
#include <string>

namespace test {

// A Wi-Fi device with its capabilities (0x40: can be an access point) and permanent address;
// returns its object path.
std::string AddWifiDevice(sdbus::IProxy& mock,
                          const std::string& ifname,
                          uint32_t capabilities,
                          const std::string& perm_hw_address);

struct WiredConnection {
  std::string device;
  std::string profile;  // the settings connection
  std::string active;
};

// A wired device with an activated connection `id`/`uuid`, which carries the default route or
// not.
WiredConnection AddWiredConnection(sdbus::IConnection& control,
                                   sdbus::IProxy& mock,
                                   const std::string& ifname,
                                   const std::string& id,
                                   const std::string& uuid,
                                   bool default_route);

}  // namespace test
