// platform::nm::ParseStationMessage: what one nl80211 message says of a station on an access
// point — which command, on which interface, which MAC address, and whether the station is
// authorized (has finished its key handshake), when the message says so.
//
// Thread affinity: none; pure. Ownership: reads `data` only during the call.
// Failure: nullopt for anything that is not a well-formed station message of the family `family`:
// short or overlong headers, attributes whose lengths do not fit, a missing interface or MAC
// address. Malformed station information only leaves `authorized` unknown.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform::nm {

struct StationMessage {
  uint8_t command = 0;  // NL80211_CMD_NEW_STATION or NL80211_CMD_DEL_STATION
  uint32_t ifindex = 0;
  std::array<uint8_t, 6> mac{};
  // From the station flags, when their mask covers the authorized flag.
  std::optional<bool> authorized;
};

// `data`/`size`: one netlink message, header included; `family`: nl80211's generic netlink id.
// Replies to NL80211_CMD_GET_STATION come as NL80211_CMD_NEW_STATION and parse the same.
std::optional<StationMessage> ParseStationMessage(const void* data, size_t size, int family);

}  // namespace platform::nm
