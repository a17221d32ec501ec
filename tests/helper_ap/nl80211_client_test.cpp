// An interface's wireless facts as the kernel reports them, channel numbers of frequencies, and
// a clear failure where there is no wireless stack or the interface is not wireless.
#include <linux/nl80211.h>
#include <net/if.h>
#include <netlink/attr.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>

#include <vector>

#include <gtest/gtest.h>

#include "helper/ap/nl80211_client.h"

namespace {

using helper::ap::ChannelOfFrequency;
using helper::ap::ParseInterfaceMessage;

constexpr int kFamily = 0x1d;

std::vector<uint8_t> InterfaceMessage(bool with_type, std::optional<uint32_t> freq) {
  nl_msg* msg = nlmsg_alloc();
  genlmsg_put(msg, 0, 1, kFamily, 0, 0, NL80211_CMD_NEW_INTERFACE, 0);
  nla_put_u32(msg, NL80211_ATTR_IFINDEX, 3);
  nla_put_string(msg, NL80211_ATTR_IFNAME, "wlp2s0");
  nla_put_u32(msg, NL80211_ATTR_WIPHY, 1);
  if (with_type)
    nla_put_u32(msg, NL80211_ATTR_IFTYPE, NL80211_IFTYPE_STATION);
  if (freq)
    nla_put_u32(msg, NL80211_ATTR_WIPHY_FREQ, *freq);
  const nlmsghdr* header = nlmsg_hdr(msg);
  const auto* bytes = reinterpret_cast<const uint8_t*>(header);
  std::vector<uint8_t> out(bytes, bytes + header->nlmsg_len);
  nlmsg_free(msg);
  return out;
}

TEST(Nl80211Client, ReadsTheInterfaceAndItsChannel) {
  auto on = InterfaceMessage(true, 2462);
  auto facts = ParseInterfaceMessage(on.data(), on.size(), kFamily);
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->ifindex, 3u);
  EXPECT_EQ(facts->wiphy, 1u);
  EXPECT_EQ(facts->iftype, static_cast<uint32_t>(NL80211_IFTYPE_STATION));
  EXPECT_EQ(facts->frequency, 2462u);

  auto off = InterfaceMessage(true, std::nullopt);
  EXPECT_EQ(ParseInterfaceMessage(off.data(), off.size(), kFamily)->frequency, std::nullopt);
  auto untyped = InterfaceMessage(false, 2462);
  EXPECT_FALSE(ParseInterfaceMessage(untyped.data(), untyped.size(), kFamily));
  EXPECT_FALSE(ParseInterfaceMessage(on.data(), on.size(), kFamily + 1));
  for (size_t cut = 0; cut < on.size(); ++cut)
    ParseInterfaceMessage(on.data(), cut, kFamily);  // never reads past the end
}

TEST(Nl80211Client, ChannelsOfFrequencies) {
  EXPECT_EQ(ChannelOfFrequency(2412), 1);
  EXPECT_EQ(ChannelOfFrequency(2437), 6);
  EXPECT_EQ(ChannelOfFrequency(2472), 13);
  EXPECT_EQ(ChannelOfFrequency(2484), 14);
  EXPECT_EQ(ChannelOfFrequency(5180), 36);
  EXPECT_EQ(ChannelOfFrequency(5825), 165);
  for (uint32_t mhz : {0u, 2407u, 2413u, 2477u, 5955u /* 6 GHz */, 60480u})
    EXPECT_EQ(ChannelOfFrequency(mhz), std::nullopt) << mhz;
}

TEST(Nl80211Client, NonWirelessInterfaceIsAClearFailure) {
  helper::ap::Nl80211Client client;
  std::string why;
  EXPECT_FALSE(client.Interface(if_nametoindex("lo"), &why));
  EXPECT_FALSE(why.empty());
}

}  // namespace
