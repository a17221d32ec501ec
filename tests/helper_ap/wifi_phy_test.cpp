// Cards described as the kernel describes them (nl80211 wiphy messages built with libnl), and
// what the helper makes of them: can it be an access point, beside a client, on which channel.
#include <linux/nl80211.h>
#include <netlink/attr.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "helper/ap/wifi_phy.h"

namespace {

using helper::ap::ApPlan;
using helper::ap::InterfaceState;
using helper::ap::PlanAccessPoint;
using helper::ap::WiphyCapabilities;

constexpr int kFamily = 0x1d;

struct Limit {
  uint32_t max;
  std::vector<int> types;
};
struct Combination {
  std::vector<Limit> limits;
  uint32_t max_interfaces;
  uint32_t channels;
};

void PutTypes(nl_msg* msg, int attr, const std::vector<int>& types) {
  nlattr* nest = nla_nest_start(msg, attr);
  for (int type : types)
    nla_put_flag(msg, type);
  nla_nest_end(msg, nest);
}

std::vector<uint8_t> Bytes(nl_msg* msg) {
  const nlmsghdr* header = nlmsg_hdr(msg);
  const auto* bytes = reinterpret_cast<const uint8_t*>(header);
  std::vector<uint8_t> out(bytes, bytes + header->nlmsg_len);
  nlmsg_free(msg);
  return out;
}

nl_msg* Start(uint32_t wiphy, uint8_t command = NL80211_CMD_NEW_WIPHY) {
  nl_msg* msg = nlmsg_alloc();
  genlmsg_put(msg, 0, 1, kFamily, 0, 0, command, 0);
  nla_put_u32(msg, NL80211_ATTR_WIPHY, wiphy);
  return msg;
}

std::vector<uint8_t> Wiphy(const std::vector<int>& modes,
                           const std::vector<Combination>& combos,
                           uint32_t wiphy = 0) {
  nl_msg* msg = Start(wiphy);
  nla_put_string(msg, NL80211_ATTR_WIPHY_NAME, "phy0");
  PutTypes(msg, NL80211_ATTR_SUPPORTED_IFTYPES, modes);
  nlattr* list = nla_nest_start(msg, NL80211_ATTR_INTERFACE_COMBINATIONS);
  int index = 1;
  for (const Combination& c : combos) {
    nlattr* combo = nla_nest_start(msg, index++);
    nlattr* limits = nla_nest_start(msg, NL80211_IFACE_COMB_LIMITS);
    int limit_index = 1;
    for (const Limit& l : c.limits) {
      nlattr* limit = nla_nest_start(msg, limit_index++);
      nla_put_u32(msg, NL80211_IFACE_LIMIT_MAX, l.max);
      PutTypes(msg, NL80211_IFACE_LIMIT_TYPES, l.types);
      nla_nest_end(msg, limit);
    }
    nla_nest_end(msg, limits);
    nla_put_u32(msg, NL80211_IFACE_COMB_MAXNUM, c.max_interfaces);
    nla_put_u32(msg, NL80211_IFACE_COMB_NUM_CHANNELS, c.channels);
    nla_nest_end(msg, combo);
  }
  nla_nest_end(msg, list);
  return Bytes(msg);
}

WiphyCapabilities Parse(const std::vector<uint8_t>& bytes) {
  WiphyCapabilities caps;
  EXPECT_TRUE(helper::ap::ParseWiphyMessage(bytes.data(), bytes.size(), kFamily, &caps));
  return caps;
}

const std::vector<int> kStaAp = {NL80211_IFTYPE_STATION, NL80211_IFTYPE_AP};
const InterfaceState kClientOn11 = {"wlp2s0", NL80211_IFTYPE_STATION, 11};
const InterfaceState kIdle = {"wlp2s0", NL80211_IFTYPE_STATION, std::nullopt};

TEST(WifiPhy, ReadsModesAndCombinations) {
  auto caps = Parse(Wiphy({NL80211_IFTYPE_STATION, NL80211_IFTYPE_AP, NL80211_IFTYPE_MONITOR},
                          {{{{1, {NL80211_IFTYPE_STATION}}, {1, {NL80211_IFTYPE_AP}}}, 2, 1}}, 3));
  EXPECT_EQ(caps.wiphy, 3u);
  EXPECT_EQ(caps.name, "phy0");
  EXPECT_EQ(caps.modes, (1u << NL80211_IFTYPE_STATION) | (1u << NL80211_IFTYPE_AP) |
                            (1u << NL80211_IFTYPE_MONITOR));
  ASSERT_EQ(caps.combinations.size(), 1u);
  ASSERT_EQ(caps.combinations[0].limits.size(), 2u);
  EXPECT_EQ(caps.combinations[0].limits[1].types, 1u << NL80211_IFTYPE_AP);
  EXPECT_EQ(caps.combinations[0].max_interfaces, 2u);
  EXPECT_EQ(caps.combinations[0].channels, 1u);
}

TEST(WifiPhy, SplitDumpPartsAddUpAndForeignOrDamagedPartsChangeNothing) {
  WiphyCapabilities caps;
  auto modes_only = Wiphy(kStaAp, {}, 4);
  auto combos_only =
      Wiphy({}, {{{{1, {NL80211_IFTYPE_STATION}}, {1, {NL80211_IFTYPE_AP}}}, 2, 1}}, 4);
  ASSERT_TRUE(helper::ap::ParseWiphyMessage(modes_only.data(), modes_only.size(), kFamily, &caps));
  ASSERT_TRUE(
      helper::ap::ParseWiphyMessage(combos_only.data(), combos_only.size(), kFamily, &caps));
  EXPECT_TRUE(helper::ap::SupportsAp(caps));
  EXPECT_TRUE(helper::ap::AllowsApBesideStation(caps, nullptr));

  const WiphyCapabilities before = caps;
  auto same = [&] {
    return caps.modes == before.modes && caps.combinations.size() == before.combinations.size();
  };
  auto other_card = Wiphy({NL80211_IFTYPE_MESH_POINT}, {}, 5);
  EXPECT_FALSE(helper::ap::ParseWiphyMessage(other_card.data(), other_card.size(), kFamily, &caps));
  EXPECT_TRUE(same());
  EXPECT_FALSE(
      helper::ap::ParseWiphyMessage(modes_only.data(), modes_only.size(), kFamily + 1, &caps));
  auto station = Bytes(Start(4, NL80211_CMD_NEW_STATION));
  EXPECT_FALSE(helper::ap::ParseWiphyMessage(station.data(), station.size(), kFamily, &caps));

  // A combination without its channel count is refused whole.
  nl_msg* msg = Start(4);
  nlattr* list = nla_nest_start(msg, NL80211_ATTR_INTERFACE_COMBINATIONS);
  nlattr* combo = nla_nest_start(msg, 1);
  nla_nest_start(msg, NL80211_IFACE_COMB_LIMITS);
  nla_nest_end(msg, nla_nest_start(msg, 0));
  nla_put_u32(msg, NL80211_IFACE_COMB_MAXNUM, 2);
  nla_nest_end(msg, combo);
  nla_nest_end(msg, list);
  auto broken = Bytes(msg);
  EXPECT_FALSE(helper::ap::ParseWiphyMessage(broken.data(), broken.size(), kFamily, &caps));
  EXPECT_TRUE(same());

  // Every truncation of a good message is refused or read safely, never past its end.
  auto good = Wiphy(kStaAp, {{{{1, {NL80211_IFTYPE_STATION}}, {1, {NL80211_IFTYPE_AP}}}, 2, 1}});
  for (size_t cut = 0; cut < good.size(); ++cut) {
    std::vector<uint8_t> part(good.begin(), good.begin() + static_cast<long>(cut));
    WiphyCapabilities scratch;
    helper::ap::ParseWiphyMessage(part.data(), part.size(), kFamily, &scratch);
  }
}

TEST(WifiPhy, PlansTheAccessPointFromTheCardAndItsClient) {
  // No AP mode at all: refused whatever the interface does.
  auto no_ap = Parse(Wiphy({NL80211_IFTYPE_STATION, NL80211_IFTYPE_MONITOR}, {}));
  ApPlan plan = PlanAccessPoint(no_ap, kIdle);
  EXPECT_EQ(plan.kind, ApPlan::Kind::kNoApMode);
  EXPECT_NE(plan.why.find("wlp2s0"), std::string::npos);

  // AP mode, idle interface: hostapd takes it over on the default channel.
  auto single = Parse(Wiphy(kStaAp, {{{{1, kStaAp}}, 1, 1}}));
  plan = PlanAccessPoint(single, kIdle);
  EXPECT_EQ(plan.kind, ApPlan::Kind::kUseInterface);
  EXPECT_EQ(plan.channel, 6);

  // Connected client on a card that runs one interface at a time (one limit of 1 naming both,
  // or a total of 1): no AP beside it.
  EXPECT_EQ(PlanAccessPoint(single, kClientOn11).kind, ApPlan::Kind::kNoApBesideClient);
  auto total_one =
      Parse(Wiphy(kStaAp, {{{{1, {NL80211_IFTYPE_STATION}}, {1, {NL80211_IFTYPE_AP}}}, 1, 1}}));
  EXPECT_EQ(PlanAccessPoint(total_one, kClientOn11).kind, ApPlan::Kind::kNoApBesideClient);
  auto shared_one = Parse(Wiphy(kStaAp, {{{{1, kStaAp}}, 2, 1}}));
  EXPECT_EQ(PlanAccessPoint(shared_one, kClientOn11).kind, ApPlan::Kind::kNoApBesideClient);
  // Station beside P2P only, AP alone in another combination: no.
  auto p2p =
      Parse(Wiphy(kStaAp, {{{{1, {NL80211_IFTYPE_STATION}}, {1, {NL80211_IFTYPE_P2P_GO}}}, 2, 1},
                           {{{1, {NL80211_IFTYPE_AP}}}, 1, 1}}));
  plan = PlanAccessPoint(p2p, kClientOn11);
  EXPECT_EQ(plan.kind, ApPlan::Kind::kNoApBesideClient);
  EXPECT_FALSE(plan.why.empty());

  // Station and AP together: a virtual AP on the client's channel, whether the two share one
  // limit of two or have one each, and even when two channels would be allowed.
  for (const auto& combos : std::vector<std::vector<Combination>>{
           {{{{2, kStaAp}}, 2, 1}},
           {{{{1, {NL80211_IFTYPE_STATION}}, {1, {NL80211_IFTYPE_AP, NL80211_IFTYPE_P2P_GO}}},
             3,
             2}}}) {
    auto caps = Parse(Wiphy(kStaAp, combos));
    plan = PlanAccessPoint(caps, kClientOn11);
    EXPECT_EQ(plan.kind, ApPlan::Kind::kAddVirtualAp);
    EXPECT_EQ(plan.channel, 11);
  }
  // The same card not connected: the interface itself.
  EXPECT_EQ(PlanAccessPoint(Parse(Wiphy(kStaAp, {{{{2, kStaAp}}, 2, 1}})), kIdle).kind,
            ApPlan::Kind::kUseInterface);
}

}  // namespace
