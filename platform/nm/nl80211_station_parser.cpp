#include "platform/nm/nl80211_station_parser.h"

#include <linux/genetlink.h>
#include <linux/netlink.h>
#include <linux/nl80211.h>
#include <netlink/attr.h>

#include <cstring>
#include <vector>

namespace platform::nm {

namespace {

struct Policies {
  nla_policy message[NL80211_ATTR_MAX + 1]{};
  nla_policy info[NL80211_STA_INFO_MAX + 1]{};
  Policies() {
    message[NL80211_ATTR_IFINDEX].type = NLA_U32;
    message[NL80211_ATTR_MAC].minlen = 6;
    message[NL80211_ATTR_STA_INFO].type = NLA_NESTED;
    info[NL80211_STA_INFO_STA_FLAGS].minlen = sizeof(nl80211_sta_flag_update);
  }
};

const Policies& policies() {
  static const Policies kPolicies;
  return kPolicies;
}

std::optional<bool> AuthorizedOf(nlattr* station_info) {
  nlattr* info[NL80211_STA_INFO_MAX + 1] = {};
  if (nla_parse_nested(info, NL80211_STA_INFO_MAX, station_info, policies().info) < 0 ||
      !info[NL80211_STA_INFO_STA_FLAGS])
    return std::nullopt;
  nl80211_sta_flag_update flags{};
  std::memcpy(&flags, nla_data(info[NL80211_STA_INFO_STA_FLAGS]), sizeof(flags));
  const uint32_t bit = 1u << NL80211_STA_FLAG_AUTHORIZED;
  if (!(flags.mask & bit))
    return std::nullopt;
  return (flags.set & bit) != 0;
}

}  // namespace

std::optional<StationMessage> ParseStationMessage(const void* data, size_t size, int family) {
  // Far more than a netlink socket delivers at once: not a message.
  constexpr size_t kMaxSize = 1 << 20;
  if (!data || size < NLMSG_HDRLEN + GENL_HDRLEN || size > kMaxSize)
    return std::nullopt;
  // An aligned copy: the attribute walk reads 16- and 32-bit fields in place.
  std::vector<uint32_t> buffer((size + 3) / 4);
  std::memcpy(buffer.data(), data, size);
  const auto* header = reinterpret_cast<const nlmsghdr*>(buffer.data());
  if (header->nlmsg_len < NLMSG_HDRLEN + GENL_HDRLEN || header->nlmsg_len > size ||
      header->nlmsg_type != family)
    return std::nullopt;
  const auto* genl = reinterpret_cast<const genlmsghdr*>(NLMSG_DATA(header));
  if (genl->cmd != NL80211_CMD_NEW_STATION && genl->cmd != NL80211_CMD_DEL_STATION)
    return std::nullopt;

  auto* first = reinterpret_cast<nlattr*>(reinterpret_cast<char*>(buffer.data()) + NLMSG_HDRLEN +
                                          GENL_HDRLEN);
  const int length = static_cast<int>(header->nlmsg_len - NLMSG_HDRLEN - GENL_HDRLEN);
  nlattr* attrs[NL80211_ATTR_MAX + 1] = {};
  if (nla_parse(attrs, NL80211_ATTR_MAX, first, length, policies().message) < 0)
    return std::nullopt;
  if (!attrs[NL80211_ATTR_IFINDEX] || !attrs[NL80211_ATTR_MAC] ||
      nla_len(attrs[NL80211_ATTR_MAC]) != 6)
    return std::nullopt;

  StationMessage message;
  message.command = genl->cmd;
  message.ifindex = nla_get_u32(attrs[NL80211_ATTR_IFINDEX]);
  std::memcpy(message.mac.data(), nla_data(attrs[NL80211_ATTR_MAC]), 6);
  if (attrs[NL80211_ATTR_STA_INFO])
    message.authorized = AuthorizedOf(attrs[NL80211_ATTR_STA_INFO]);
  return message;
}

}  // namespace platform::nm
