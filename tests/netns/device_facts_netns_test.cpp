// The NetworkManager backend's device facts with real packets: a hotspot namespace where
// dnsmasq runs as NetworkManager's shared mode runs it, and a phone namespace whose DHCP client
// sends its host name. The facts source, started inside the hotspot namespace, gives the phone's
// MAC address its leased address and its name.
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "netns/netns_fixture.h"
#include "platform/nm/nm_device_facts.h"

namespace {

using platform::DeviceFacts;
using platform::nm::NmDeviceFacts;
using test::NetnsPair;

const std::array<uint8_t, 6> kPhoneMac = {0xb6, 0x77, 0x92, 0x36, 0x40, 0xdb};

bool WaitFor(const std::function<bool()>& done,
             std::chrono::milliseconds bound = std::chrono::seconds(20)) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// The address the lease file gives `mac` ("expiry mac ip name client-id" lines).
std::string LeasedAddress(const std::filesystem::path& leases, const std::string& mac) {
  std::ifstream in(leases);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string expiry, lease_mac, ip;
    if (fields >> expiry >> lease_mac >> ip && lease_mac == mac)
      return ip;
  }
  return "";
}

// A facts source whose thread, socket and lookups live in the hotspot namespace.
std::unique_ptr<NmDeviceFacts> FactsInHotspot(NetnsPair& net) {
  if (!net.EnterHotspot())
    return nullptr;
  auto facts = std::make_unique<NmDeviceFacts>();
  net.LeaveHotspot();
  facts->Follow("ap0");
  return facts;
}

struct Heard {
  std::mutex mutex;
  std::vector<DeviceFacts> facts;
  bool Has(const DeviceFacts& wanted) {
    std::lock_guard<std::mutex> guard(mutex);
    return std::find(facts.begin(), facts.end(), wanted) != facts.end();
  }
};

TEST(DeviceFactsNetns, ThePhonesLeasedAddressAndNameReachItsMac) {
  if (std::string missing = NetnsPair::MissingTools(); !missing.empty())
    GTEST_SKIP() << missing;
  NetnsPair net;
  if (!net.Make()) {
    if (!net.made_namespaces())
      GTEST_SKIP() << "network namespaces cannot be made here: " << net.error();
    FAIL() << net.error();
  }
  const auto leases = net.dir() / "dnsmasq.leases";
  const auto pid_file = net.dir() / "dnsmasq.pid";
  const auto script = net.dir() / "udhcpc.sh";
  {
    std::ofstream out(script);
    out << "#!/bin/sh\n"
           "case \"$1\" in bound|renew) ip addr add \"$ip/${mask:-24}\" dev \"$interface\" ;; "
           "esac\n";
  }
  ::chmod(script.c_str(), 0755);

  // Listening before the phone asks: its address and name arrive as changes.
  auto early = FactsInHotspot(net);
  ASSERT_TRUE(early);
  Heard heard;
  early->Watch([&heard](const DeviceFacts& facts) {
    std::lock_guard<std::mutex> guard(heard.mutex);
    heard.facts.push_back(facts);
  });

  ASSERT_GT(
      net.Spawn({"ip", "netns", "exec", net.hotspot(), "dnsmasq", "--conf-file=/dev/null",
                 "--no-hosts", "--keep-in-foreground", "--bind-interfaces", "--except-interface=lo",
                 "--clear-on-reload", "--strict-order", "--listen-address=10.42.0.1",
                 "--dhcp-range=10.42.0.10,10.42.0.254,60m", "--dhcp-option=option:router,10.42.0.1",
                 "--dhcp-option=option:dns-server,10.42.0.1", "--dhcp-leasefile=" + leases.string(),
                 "--pid-file=" + pid_file.string()}),
      0);
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(pid_file); }))
      << "dnsmasq did not start";
  ASSERT_TRUE(
      net.Run({"ip", "netns", "exec", net.phone(), "busybox", "udhcpc", "-i", "ph0", "-f", "-q",
               "-n", "-t", "5", "-T", "1", "-x", "hostname:phone-1", "-s", script.string()}))
      << "the phone got no lease";
  const std::string address = LeasedAddress(leases, NetnsPair::kPhoneMac);
  ASSERT_FALSE(address.empty());
  // Traffic from the phone puts it in the hotspot's neighbour table, as a real one's would.
  ASSERT_TRUE(net.Run({"ip", "netns", "exec", net.phone(), "busybox", "ping", "-c", "1", "-W", "2",
                       NetnsPair::kApAddress}));

  const DeviceFacts expected{kPhoneMac, address, "phone-1"};
  ASSERT_TRUE(WaitFor([&] { return early->Lookup(kPhoneMac) == expected; }))
      << "known: "
      << (early->Lookup(kPhoneMac)
              ? early->Lookup(kPhoneMac)->ipv4 + " " + early->Lookup(kPhoneMac)->host_name
              : "nothing");
  EXPECT_TRUE(WaitFor([&] { return heard.Has(expected); }));
  const NmDeviceFacts::Interface ap = early->AccessPoint();
  EXPECT_EQ(ap.name, "ap0");
  EXPECT_EQ(ap.ipv4, NetnsPair::kApAddress);

  // Started after the phone came: the first reading of the table finds it.
  auto late = FactsInHotspot(net);
  ASSERT_TRUE(late);
  EXPECT_TRUE(WaitFor([&] { return late->Lookup(kPhoneMac) == expected; }));

  // Another interface's neighbours are not this one's.
  late->Follow("lo");
  EXPECT_TRUE(WaitFor([&] { return !late->Lookup(kPhoneMac); }));

  // The address leaves the table: it is no longer known, the name stays with the device.
  ASSERT_TRUE(net.Run({"ip", "-n", net.hotspot(), "neigh", "flush", "dev", "ap0"}));
  EXPECT_TRUE(WaitFor([&] {
    auto now = early->Lookup(kPhoneMac);
    return now && now->ipv4.empty() && now->host_name == "phone-1";
  }));
  early->Watch(nullptr);
}

}  // namespace
