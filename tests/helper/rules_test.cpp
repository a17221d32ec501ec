#include <gtest/gtest.h>

#include <algorithm>

#include "helper/dnsmasq.h"
#include "helper/nft_table.h"

namespace helper {
namespace {

TEST(HelperRules, MasqueradeOnlyOutOfThePublicSide) {
  const std::string rules = NftShareRules("eth0", "wl0");
  EXPECT_NE(rules.find("ip saddr 192.168.137.0/24 oifname \"eth0\" masquerade"), std::string::npos);
  EXPECT_NE(rules.find("iifname \"wl0\" oifname \"eth0\""), std::string::npos);
  EXPECT_NE(rules.find("add table inet tavlo\nflush table inet tavlo"), std::string::npos);
  // A name that could break out of the quoted string never reaches rule text.
  EXPECT_EQ(NftShareRules("eth0\" accept; #", "wl0"), "");
  EXPECT_EQ(NftShareRules("eth0", ""), "");
}

TEST(HelperRules, FindsForeignForwardDropChainsOnly) {
  const std::string listing = R"(table inet tavlo {
	chain filter_forward {
		type filter hook forward priority filter; policy drop;
	}
}
table ip filter {
	chain FORWARD {
		type filter hook forward priority filter; policy drop;
	}
	chain INPUT {
		type filter hook input priority filter; policy drop;
	}
	chain DOCKER {
	}
}
table inet firewalld {
	chain filter_FORWARD {
		type filter hook forward priority filter + 10; policy accept;
	}
}
table bridge other {
	chain fw {
		type filter hook forward priority 0; policy drop;
	}
}
)";
  const std::vector<ForeignChain> found = FindForwardDropChains(listing);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].family + " " + found[0].table + " " + found[0].chain, "ip filter FORWARD");
  EXPECT_EQ(found[1].family + " " + found[1].table + " " + found[1].chain, "bridge other fw");
  EXPECT_TRUE(FindForwardDropChains("").empty());
}

TEST(HelperRules, DnsmasqStaysOnThePrivateSideWithFilesInOurFolder) {
  const auto args = DnsmasqArguments("/usr/sbin/dnsmasq", "wl0", "/run/x");
  auto has = [&](const std::string& a) {
    return std::find(args.begin(), args.end(), a) != args.end();
  };
  EXPECT_EQ(args.front(), "/usr/sbin/dnsmasq");
  for (const char* a :
       {"--interface=wl0", "--bind-interfaces", "--except-interface=lo",
        "--listen-address=192.168.137.1", "--conf-file=/dev/null", "--keep-in-foreground",
        "--dhcp-leasefile=/run/x/dnsmasq.leases", "--pid-file=/run/x/dnsmasq.pid"})
    EXPECT_TRUE(has(a)) << a;
}

}  // namespace
}  // namespace helper
