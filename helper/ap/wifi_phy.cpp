#include "helper/ap/wifi_phy.h"

#include <linux/genetlink.h>
#include <linux/netlink.h>
#include <linux/nl80211.h>
#include <netlink/attr.h>

#include <algorithm>
#include <cstring>

namespace helper::ap {
namespace {

constexpr IftypeMask Bit(int iftype) {
  return 1u << iftype;
}

// The walks below stop at the first attribute whose length does not fit (nla_ok), so damaged
// lists are read no further than their bytes.

// Flag attributes nested in `nested`: each one's type is an interface type.
bool ReadModes(nlattr* nested, IftypeMask* modes) {
  nlattr* item;
  int rest;
  IftypeMask out = 0;
  nla_for_each_nested(item, nested, rest) {
    int type = nla_type(item);
    if (type > 0 && type < 32)
      out |= Bit(type);
  }
  *modes = out;
  return true;
}

bool ReadU32(nlattr* attr, uint32_t* value) {
  if (!attr || nla_len(attr) < static_cast<int>(sizeof(uint32_t)))
    return false;
  *value = nla_get_u32(attr);
  return true;
}

bool ReadLimit(nlattr* nested, InterfaceLimit* limit) {
  nlattr* tb[NUM_NL80211_IFACE_LIMIT] = {};
  if (nla_parse_nested(tb, MAX_NL80211_IFACE_LIMIT, nested, nullptr) < 0)
    return false;
  if (!ReadU32(tb[NL80211_IFACE_LIMIT_MAX], &limit->max) || !tb[NL80211_IFACE_LIMIT_TYPES])
    return false;
  return ReadModes(tb[NL80211_IFACE_LIMIT_TYPES], &limit->types);
}

bool ReadCombination(nlattr* nested, InterfaceCombination* combination) {
  nlattr* tb[NUM_NL80211_IFACE_COMB] = {};
  if (nla_parse_nested(tb, MAX_NL80211_IFACE_COMB, nested, nullptr) < 0)
    return false;
  if (!tb[NL80211_IFACE_COMB_LIMITS] ||
      !ReadU32(tb[NL80211_IFACE_COMB_MAXNUM], &combination->max_interfaces) ||
      !ReadU32(tb[NL80211_IFACE_COMB_NUM_CHANNELS], &combination->channels))
    return false;
  nlattr* item;
  int rest;
  nla_for_each_nested(item, tb[NL80211_IFACE_COMB_LIMITS], rest) {
    InterfaceLimit limit;
    if (!ReadLimit(item, &limit))
      return false;
    combination->limits.push_back(limit);
  }
  return true;
}

// Whether the combination holds one station and one access point: each needs a limit naming its
// type, and a limit that names both must allow two.
bool Holds(const InterfaceCombination& c) {
  if (c.max_interfaces < 2 || c.channels < 1)
    return false;
  const IftypeMask sta = Bit(NL80211_IFTYPE_STATION), ap = Bit(NL80211_IFTYPE_AP);
  for (size_t i = 0; i < c.limits.size(); ++i) {
    if (!(c.limits[i].types & sta) || c.limits[i].max < 1)
      continue;
    for (size_t j = 0; j < c.limits.size(); ++j) {
      if (!(c.limits[j].types & ap) || c.limits[j].max < 1)
        continue;
      if (i != j || c.limits[i].max >= 2)
        return true;
    }
  }
  return false;
}

}  // namespace

bool ParseWiphyMessage(const void* data, size_t size, int family, WiphyCapabilities* caps) {
  constexpr size_t kMaxSize = 1 << 20;
  if (!data || !caps || size < NLMSG_HDRLEN + GENL_HDRLEN || size > kMaxSize)
    return false;
  // An aligned copy: the attribute walk reads 16- and 32-bit fields in place.
  std::vector<uint32_t> buffer((size + 3) / 4);
  std::memcpy(buffer.data(), data, size);
  const auto* header = reinterpret_cast<const nlmsghdr*>(buffer.data());
  if (header->nlmsg_len < NLMSG_HDRLEN + GENL_HDRLEN || header->nlmsg_len > size ||
      header->nlmsg_type != family)
    return false;
  const auto* genl = reinterpret_cast<const genlmsghdr*>(NLMSG_DATA(header));
  if (genl->cmd != NL80211_CMD_NEW_WIPHY)
    return false;
  auto* first = reinterpret_cast<nlattr*>(reinterpret_cast<char*>(buffer.data()) + NLMSG_HDRLEN +
                                          GENL_HDRLEN);
  const int length = static_cast<int>(header->nlmsg_len - NLMSG_HDRLEN - GENL_HDRLEN);
  nlattr* tb[NL80211_ATTR_MAX + 1] = {};
  if (nla_parse(tb, NL80211_ATTR_MAX, first, length, nullptr) < 0)
    return false;

  // Everything is read into a copy first: a damaged part leaves `caps` as it was.
  WiphyCapabilities out = *caps;
  if (tb[NL80211_ATTR_WIPHY]) {
    uint32_t index = 0;
    if (!ReadU32(tb[NL80211_ATTR_WIPHY], &index))
      return false;
    if (out.wiphy && *out.wiphy != index)
      return false;  // another card's part
    out.wiphy = index;
  }
  if (tb[NL80211_ATTR_WIPHY_NAME]) {
    const char* name = static_cast<const char*>(nla_data(tb[NL80211_ATTR_WIPHY_NAME]));
    out.name.assign(name, strnlen(name, static_cast<size_t>(nla_len(tb[NL80211_ATTR_WIPHY_NAME]))));
  }
  if (tb[NL80211_ATTR_SUPPORTED_IFTYPES]) {
    IftypeMask modes = 0;
    if (!ReadModes(tb[NL80211_ATTR_SUPPORTED_IFTYPES], &modes))
      return false;
    out.modes |= modes;
  }
  if (nlattr* list = tb[NL80211_ATTR_INTERFACE_COMBINATIONS]) {
    nlattr* item;
    int rest;
    nla_for_each_nested(item, list, rest) {
      InterfaceCombination combination;
      if (!ReadCombination(item, &combination))
        return false;
      out.combinations.push_back(std::move(combination));
    }
  }
  *caps = std::move(out);
  return true;
}

bool SupportsAp(const WiphyCapabilities& caps) {
  return (caps.modes & Bit(NL80211_IFTYPE_AP)) != 0;
}

bool AllowsApBesideStation(const WiphyCapabilities& caps, uint32_t* channels) {
  bool found = false;
  uint32_t most = 0;
  for (const InterfaceCombination& c : caps.combinations) {
    if (Holds(c)) {
      found = true;
      most = std::max(most, c.channels);
    }
  }
  if (found && channels)
    *channels = most;
  return found;
}

ApPlan PlanAccessPoint(const WiphyCapabilities& caps,
                       const InterfaceState& state,
                       int default_channel) {
  ApPlan plan;
  plan.channel = default_channel;
  if (!SupportsAp(caps)) {
    plan.kind = ApPlan::Kind::kNoApMode;
    plan.why = "the wireless card of " + state.name +
               " cannot be an access point (its driver offers no AP mode)";
    return plan;
  }
  const bool busy_client = state.iftype == NL80211_IFTYPE_STATION && state.client_channel;
  if (!busy_client) {
    plan.kind = ApPlan::Kind::kUseInterface;
    return plan;
  }
  if (!AllowsApBesideStation(caps, nullptr)) {
    plan.kind = ApPlan::Kind::kNoApBesideClient;
    plan.why = state.name +
               " is connected as a client and its card cannot run an access point beside it: "
               "disconnect it or use another wireless card";
    return plan;
  }
  // Many cards allow the two only on one channel, and a second channel would take the client's
  // airtime anyway: the access point follows the client.
  plan.kind = ApPlan::Kind::kAddVirtualAp;
  plan.channel = *state.client_channel;
  return plan;
}

}  // namespace helper::ap
