#include "helper/ap/nl80211_client.h"

#include <linux/genetlink.h>
#include <linux/netlink.h>
#include <linux/nl80211.h>
#include <netlink/attr.h>
#include <netlink/errno.h>
#include <netlink/genl/ctrl.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>
#include <netlink/netlink.h>

#include <cstring>
#include <vector>

namespace helper::ap {
namespace {

void Fail(std::string* why, const std::string& text) {
  if (why)
    *why = text;
}

std::string NlError(const std::string& what, int err) {
  return what + ": " + nl_geterror(err);
}

// Each reply message's bytes, for the pure parsers.
int Collect(nl_msg* msg, void* arg) {
  const nlmsghdr* header = nlmsg_hdr(msg);
  const auto* bytes = reinterpret_cast<const uint8_t*>(header);
  static_cast<std::vector<std::vector<uint8_t>>*>(arg)->emplace_back(bytes,
                                                                     bytes + header->nlmsg_len);
  return NL_OK;
}

}  // namespace

std::optional<int> ChannelOfFrequency(uint32_t mhz) {
  if (mhz == 2484)
    return 14;
  if (mhz >= 2412 && mhz <= 2472 && (mhz - 2407) % 5 == 0)
    return static_cast<int>((mhz - 2407) / 5);
  if (mhz >= 5160 && mhz <= 5885 && mhz % 5 == 0)
    return static_cast<int>((mhz - 5000) / 5);
  return std::nullopt;
}

std::optional<InterfaceFacts> ParseInterfaceMessage(const void* data, size_t size, int family) {
  constexpr size_t kMaxSize = 1 << 20;
  if (!data || size < NLMSG_HDRLEN + GENL_HDRLEN || size > kMaxSize)
    return std::nullopt;
  std::vector<uint32_t> buffer((size + 3) / 4);
  std::memcpy(buffer.data(), data, size);
  const auto* header = reinterpret_cast<const nlmsghdr*>(buffer.data());
  if (header->nlmsg_len < NLMSG_HDRLEN + GENL_HDRLEN || header->nlmsg_len > size ||
      header->nlmsg_type != family)
    return std::nullopt;
  const auto* genl = reinterpret_cast<const genlmsghdr*>(NLMSG_DATA(header));
  if (genl->cmd != NL80211_CMD_NEW_INTERFACE)
    return std::nullopt;
  auto* first = reinterpret_cast<nlattr*>(reinterpret_cast<char*>(buffer.data()) + NLMSG_HDRLEN +
                                          GENL_HDRLEN);
  nlattr* tb[NL80211_ATTR_MAX + 1] = {};
  if (nla_parse(tb, NL80211_ATTR_MAX, first,
                static_cast<int>(header->nlmsg_len - NLMSG_HDRLEN - GENL_HDRLEN), nullptr) < 0)
    return std::nullopt;
  auto u32 = [&tb](int attr) -> std::optional<uint32_t> {
    if (!tb[attr] || nla_len(tb[attr]) < 4)
      return std::nullopt;
    return nla_get_u32(tb[attr]);
  };
  auto ifindex = u32(NL80211_ATTR_IFINDEX), wiphy = u32(NL80211_ATTR_WIPHY),
       iftype = u32(NL80211_ATTR_IFTYPE);
  if (!ifindex || !wiphy || !iftype)
    return std::nullopt;
  return InterfaceFacts{*ifindex, *wiphy, *iftype, u32(NL80211_ATTR_WIPHY_FREQ)};
}

Nl80211Client::Nl80211Client() = default;

Nl80211Client::~Nl80211Client() {
  if (sock_)
    nl_socket_free(sock_);
}

bool Nl80211Client::Open(std::string* why) {
  if (sock_)
    return true;
  sock_ = nl_socket_alloc();
  if (!sock_) {
    Fail(why, "out of memory for a netlink socket");
    return false;
  }
  int err = genl_connect(sock_);
  if (err >= 0) {
    family_ = genl_ctrl_resolve(sock_, NL80211_GENL_NAME);
    if (family_ < 0)
      err = family_;
  }
  if (err < 0) {
    Fail(why, NlError("no nl80211 on this system (no wireless stack)", err));
    nl_socket_free(sock_);
    sock_ = nullptr;
    return false;
  }
  return true;
}

namespace {

// Sends `msg` (consumed) and gathers the replies' bytes.
bool Exchange(nl_sock* sock,
              nl_msg* msg,
              std::vector<std::vector<uint8_t>>* replies,
              const std::string& what,
              std::string* why) {
  std::vector<std::vector<uint8_t>> ignored;
  nl_socket_modify_cb(sock, NL_CB_VALID, NL_CB_CUSTOM, Collect, replies ? replies : &ignored);
  int err = nl_send_auto(sock, msg);
  nlmsg_free(msg);
  if (err >= 0)
    err = nl_recvmsgs_default(sock);
  nl_socket_modify_cb(sock, NL_CB_VALID, NL_CB_DEFAULT, nullptr, nullptr);
  if (err < 0) {
    Fail(why, NlError(what, err));
    return false;
  }
  return true;
}

}  // namespace

std::optional<InterfaceFacts> Nl80211Client::Interface(uint32_t ifindex, std::string* why) {
  if (!Open(why))
    return std::nullopt;
  nl_msg* msg = nlmsg_alloc();
  genlmsg_put(msg, NL_AUTO_PORT, NL_AUTO_SEQ, family_, 0, 0, NL80211_CMD_GET_INTERFACE, 0);
  nla_put_u32(msg, NL80211_ATTR_IFINDEX, ifindex);
  std::vector<std::vector<uint8_t>> replies;
  if (!Exchange(sock_, msg, &replies, "the interface's wireless facts", why))
    return std::nullopt;
  for (const auto& reply : replies) {
    if (auto facts = ParseInterfaceMessage(reply.data(), reply.size(), family_))
      return facts;
  }
  Fail(why, "not a wireless interface");
  return std::nullopt;
}

std::optional<WiphyCapabilities> Nl80211Client::Wiphy(uint32_t wiphy, std::string* why) {
  if (!Open(why))
    return std::nullopt;
  nl_msg* msg = nlmsg_alloc();
  // A split dump: newer cards describe themselves in more than one message's worth.
  genlmsg_put(msg, NL_AUTO_PORT, NL_AUTO_SEQ, family_, 0, NLM_F_DUMP, NL80211_CMD_GET_WIPHY, 0);
  nla_put_u32(msg, NL80211_ATTR_WIPHY, wiphy);
  nla_put_flag(msg, NL80211_ATTR_SPLIT_WIPHY_DUMP);
  std::vector<std::vector<uint8_t>> replies;
  if (!Exchange(sock_, msg, &replies, "the wireless card's capabilities", why))
    return std::nullopt;
  WiphyCapabilities caps;
  caps.wiphy = wiphy;
  for (const auto& reply : replies)
    ParseWiphyMessage(reply.data(), reply.size(), family_, &caps);  // other cards' parts skipped
  return caps;
}

bool Nl80211Client::AddApInterface(uint32_t wiphy, const std::string& name, std::string* why) {
  if (!Open(why))
    return false;
  nl_msg* msg = nlmsg_alloc();
  genlmsg_put(msg, NL_AUTO_PORT, NL_AUTO_SEQ, family_, 0, 0, NL80211_CMD_NEW_INTERFACE, 0);
  nla_put_u32(msg, NL80211_ATTR_WIPHY, wiphy);
  nla_put_string(msg, NL80211_ATTR_IFNAME, name.c_str());
  nla_put_u32(msg, NL80211_ATTR_IFTYPE, NL80211_IFTYPE_AP);
  return Exchange(sock_, msg, nullptr, "adding the access point interface " + name, why);
}

bool Nl80211Client::RemoveInterface(uint32_t ifindex, std::string* why) {
  if (!Open(why))
    return false;
  nl_msg* msg = nlmsg_alloc();
  genlmsg_put(msg, NL_AUTO_PORT, NL_AUTO_SEQ, family_, 0, 0, NL80211_CMD_DEL_INTERFACE, 0);
  nla_put_u32(msg, NL80211_ATTR_IFINDEX, ifindex);
  return Exchange(sock_, msg, nullptr, "removing the access point interface", why);
}

}  // namespace helper::ap
