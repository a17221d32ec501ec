// helper::ap wireless cards: what a card (an nl80211 "wiphy") says it can do — which interface
// modes, and which sets of interfaces it can run at once — and from that, how an access point
// can be put on a given interface.
//
// Thread affinity: none; pure. Ownership: reads message bytes only during the call.
// Failure: ParseWiphyMessage returns false and leaves `caps` unchanged for anything that is not a
// well-formed wiphy message of the family; PlanAccessPoint always answers, with a reason when no
// access point is possible.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace helper::ap {

// Interface types as bits: 1u << NL80211_IFTYPE_*.
using IftypeMask = uint32_t;

struct InterfaceLimit {
  uint32_t max = 0;      // at most this many interfaces ...
  IftypeMask types = 0;  // ... of these types together
};

struct InterfaceCombination {
  std::vector<InterfaceLimit> limits;
  uint32_t max_interfaces = 0;
  uint32_t channels = 0;  // distinct channels the interfaces may use together
};

struct WiphyCapabilities {
  std::optional<uint32_t> wiphy;
  std::string name;
  IftypeMask modes = 0;
  std::vector<InterfaceCombination> combinations;
};

// Adds what one NL80211_CMD_NEW_WIPHY message (a reply to NL80211_CMD_GET_WIPHY) tells to
// `caps`: a split dump spreads one card over several messages. `family`: nl80211's id.
bool ParseWiphyMessage(const void* data, size_t size, int family, WiphyCapabilities* caps);

bool SupportsAp(const WiphyCapabilities& caps);
// Whether one combination lets an access point run beside a station (client) interface; then
// `*channels` (when given) is the most channels such a combination allows.
bool AllowsApBesideStation(const WiphyCapabilities& caps, uint32_t* channels);

struct InterfaceState {
  std::string name;
  uint32_t iftype = 0;                // NL80211_IFTYPE_*
  std::optional<int> client_channel;  // set while connected to a network as a client
};

struct ApPlan {
  enum class Kind {
    kUseInterface,      // hostapd on the interface itself
    kAddVirtualAp,      // a new AP interface on the same card, on the client's channel
    kNoApMode,          // the card cannot be an access point at all
    kNoApBesideClient,  // the card is busy as a client and cannot run an AP beside it
  };
  Kind kind = Kind::kNoApMode;
  int channel = 6;
  std::string why;  // for the two refusals
};

// `default_channel`: the channel when nothing forces one.
ApPlan PlanAccessPoint(const WiphyCapabilities& caps,
                       const InterfaceState& state,
                       int default_channel = 6);

}  // namespace helper::ap
