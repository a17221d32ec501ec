// nl80211 station messages built with libnl, as the kernel sends them, and damaged ones.
#include <linux/nl80211.h>
#include <netlink/attr.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>

#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "platform/nm/nl80211_station_parser.h"

namespace {

using platform::nm::ParseStationMessage;

constexpr int kFamily = 0x1c;
constexpr uint32_t kIfindex = 7;
constexpr uint8_t kMac[6] = {0xa4, 0x5e, 0x60, 0x01, 0x02, 0x03};
constexpr uint32_t kAuthorized = 1u << NL80211_STA_FLAG_AUTHORIZED;

struct Build {
  uint8_t command = NL80211_CMD_NEW_STATION;
  int family = kFamily;
  bool ifindex = true;
  int mac_size = 6;
  // Station flags: absent when has_flags is false.
  bool has_flags = false;
  uint32_t mask = 0, set = 0;
  int flags_size = sizeof(nl80211_sta_flag_update);
};

// `garbage`: raw bytes put inside the station information.
std::vector<uint8_t> Message(const Build& b, const std::vector<uint8_t>& garbage = {}) {
  nl_msg* msg = nlmsg_alloc();
  genlmsg_put(msg, 0, 1, b.family, 0, 0, b.command, 0);
  if (b.ifindex)
    nla_put_u32(msg, NL80211_ATTR_IFINDEX, kIfindex);
  if (b.mac_size >= 0) {
    uint8_t mac[8] = {0xa4, 0x5e, 0x60, 0x01, 0x02, 0x03, 0xee, 0xff};
    nla_put(msg, NL80211_ATTR_MAC, b.mac_size, mac);
  }
  if (b.has_flags || !garbage.empty()) {
    nlattr* info = nla_nest_start(msg, NL80211_ATTR_STA_INFO);
    nla_put_u32(msg, NL80211_STA_INFO_CONNECTED_TIME, 12);
    if (b.has_flags) {
      nl80211_sta_flag_update flags{b.mask, b.set};
      nla_put(msg, NL80211_STA_INFO_STA_FLAGS, b.flags_size, &flags);
    }
    if (!garbage.empty()) {
      void* room = nlmsg_reserve(msg, garbage.size(), 1);
      std::memcpy(room, garbage.data(), garbage.size());
    }
    nla_nest_end(msg, info);
  }
  const nlmsghdr* header = nlmsg_hdr(msg);
  const auto* bytes = reinterpret_cast<const uint8_t*>(header);
  std::vector<uint8_t> out(bytes, bytes + header->nlmsg_len);
  nlmsg_free(msg);
  return out;
}

std::optional<platform::nm::StationMessage> Parse(const std::vector<uint8_t>& bytes) {
  return ParseStationMessage(bytes.data(), bytes.size(), kFamily);
}

TEST(Nl80211StationParser, ReadsCommandInterfaceAddressAndTheAuthorizedFlag) {
  auto joined = Parse(Message({.has_flags = true, .mask = kAuthorized, .set = kAuthorized}));
  ASSERT_TRUE(joined);
  EXPECT_EQ(joined->command, NL80211_CMD_NEW_STATION);
  EXPECT_EQ(joined->ifindex, kIfindex);
  EXPECT_EQ(std::memcmp(joined->mac.data(), kMac, 6), 0);
  EXPECT_EQ(joined->authorized, true);

  // Associated, handshake not finished.
  auto associated = Parse(Message({.has_flags = true, .mask = kAuthorized | 1, .set = 1}));
  ASSERT_TRUE(associated);
  EXPECT_EQ(associated->authorized, false);

  // Flags that do not cover the authorized bit, or no flags at all, say nothing of it.
  EXPECT_EQ(Parse(Message({.has_flags = true, .mask = 1, .set = kAuthorized}))->authorized,
            std::nullopt);
  EXPECT_EQ(Parse(Message({}))->authorized, std::nullopt);

  auto left = Parse(Message({.command = NL80211_CMD_DEL_STATION}));
  ASSERT_TRUE(left);
  EXPECT_EQ(left->command, NL80211_CMD_DEL_STATION);
  EXPECT_EQ(std::memcmp(left->mac.data(), kMac, 6), 0);
}

TEST(Nl80211StationParser, RefusesWhatIsNotAWholeStationMessage) {
  EXPECT_FALSE(Parse(Message({.family = kFamily + 1})));
  EXPECT_FALSE(Parse(Message({.command = NL80211_CMD_NEW_INTERFACE})));
  EXPECT_FALSE(Parse(Message({.ifindex = false})));
  EXPECT_FALSE(Parse(Message({.mac_size = -1})));
  EXPECT_FALSE(Parse(Message({.mac_size = 5})));
  EXPECT_FALSE(Parse(Message({.mac_size = 8})));
  EXPECT_FALSE(ParseStationMessage(nullptr, 64, kFamily));

  // Every cut short copy: the header claims more than there is.
  const auto whole = Message({.has_flags = true, .mask = kAuthorized, .set = kAuthorized});
  for (size_t size = 0; size < whole.size(); ++size)
    EXPECT_FALSE(ParseStationMessage(whole.data(), size, kFamily)) << size;

  // A header length that ends inside the MAC attribute.
  auto cut = whole;
  const uint32_t inside_mac = NLMSG_HDRLEN + GENL_HDRLEN + 8 + 4 + 3;
  std::memcpy(cut.data(), &inside_mac, sizeof(inside_mac));
  EXPECT_FALSE(Parse(cut));

  // An interface index two bytes long.
  auto short_index = whole;
  const uint16_t six = 6;
  std::memcpy(short_index.data() + NLMSG_HDRLEN + GENL_HDRLEN, &six, sizeof(six));
  EXPECT_FALSE(Parse(short_index));
}

TEST(Nl80211StationParser, DamagedStationInformationOnlyLeavesTheFlagUnknown) {
  // Flags too short to hold mask and set.
  auto short_flags =
      Parse(Message({.has_flags = true, .mask = kAuthorized, .set = kAuthorized, .flags_size = 4}));
  ASSERT_TRUE(short_flags);
  EXPECT_EQ(short_flags->authorized, std::nullopt);

  // An attribute inside that claims more than the nest holds.
  auto garbage = Parse(Message({}, {0xff, 0x7f, 0x09, 0x00, 1, 2, 3, 4}));
  ASSERT_TRUE(garbage);
  EXPECT_EQ(garbage->authorized, std::nullopt);
  EXPECT_EQ(garbage->ifindex, kIfindex);
}

TEST(Nl80211StationParser, RandomDamageNeverCrashes) {
  const auto whole = Message({.has_flags = true, .mask = kAuthorized, .set = kAuthorized});
  std::mt19937 random(20240611);
  int parsed = 0;
  for (int round = 0; round < 20000; ++round) {
    auto bytes = whole;
    const int hits = 1 + static_cast<int>(random() % 6);
    for (int i = 0; i < hits; ++i)
      bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
    if (random() % 4 == 0)
      bytes.resize(random() % (bytes.size() + 1));
    if (auto message = Parse(bytes))
      ++parsed;
  }
  EXPECT_GT(parsed, 0);  // damage outside the needed attributes still parses
}

}  // namespace
