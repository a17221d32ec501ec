#include "platform/nm/nm_device_facts.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netlink/addr.h>
#include <netlink/msg.h>
#include <netlink/netlink.h>
#include <netlink/route/neighbour.h>
#include <netlink/route/rtnl.h>
#include <netlink/socket.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <iostream>

#include "platform/nm/reverse_lookup.h"

namespace platform::nm {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kLongestRetry = 60s;

std::chrono::milliseconds RetryAfter(int failed_lookups) {
  const int shift = std::min(failed_lookups - 1, 6);
  return std::min<std::chrono::milliseconds>(std::chrono::seconds(1) * (1 << shift), kLongestRetry);
}

std::string OwnAddressOf(const std::string& ifname) {
  if (ifname.empty())
    return "";
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) < 0)
    return "";
  std::string found;
  for (ifaddrs* it = list; it && found.empty(); it = it->ifa_next) {
    if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET || ifname != it->ifa_name)
      continue;
    char text[INET_ADDRSTRLEN];
    const auto* in = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
    if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof(text)))
      found = text;
  }
  freeifaddrs(list);
  return found;
}

struct Socket {
  nl_sock* sock = nl_socket_alloc();
  ~Socket() {
    if (sock)
      nl_socket_free(sock);
  }
};

}  // namespace

NmDeviceFacts::NmDeviceFacts() : NmDeviceFacts(Options()) {}

NmDeviceFacts::NmDeviceFacts(Options options) : options_(options) {
  wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  thread_ = std::thread(&NmDeviceFacts::Run, this);
}

NmDeviceFacts::~NmDeviceFacts() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    stopping_ = true;
  }
  const uint64_t one = 1;
  (void)!::write(wake_, &one, sizeof(one));
  thread_.join();
  ::close(wake_);
}

void NmDeviceFacts::Follow(const std::string& ifname) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (ifname == ifname_ && !ifname.empty())
      return;
    ifname_ = ifname;
    refollow_ = true;
  }
  const uint64_t one = 1;
  (void)!::write(wake_, &one, sizeof(one));
}

NmDeviceFacts::Interface NmDeviceFacts::AccessPoint() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return {ifname_, own_ipv4_};
}

void NmDeviceFacts::Watch(Callback callback) {
  std::unique_lock<std::mutex> lock(mutex_);
  callback_ = callback ? std::make_shared<const Callback>(std::move(callback)) : nullptr;
  if (std::this_thread::get_id() != thread_.get_id())
    idle_.wait(lock, [this] { return calls_running_ == 0; });
}

std::optional<DeviceFacts> NmDeviceFacts::Lookup(const std::array<uint8_t, 6>& mac) const {
  std::lock_guard<std::mutex> guard(mutex_);
  auto it = devices_.find(mac);
  if (it == devices_.end())
    return std::nullopt;
  return it->second.facts;
}

void NmDeviceFacts::Notify(const std::vector<DeviceFacts>& changed) {
  if (changed.empty())
    return;
  std::shared_ptr<const Callback> callback;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    callback = callback_;
    if (!callback)
      return;
    ++calls_running_;
  }
  for (const DeviceFacts& facts : changed)
    (*callback)(facts);
  {
    std::lock_guard<std::mutex> guard(mutex_);
    --calls_running_;
  }
  idle_.notify_all();
}

void NmDeviceFacts::Run() {
  Socket socket;
  if (wake_ < 0 || !socket.sock || nl_connect(socket.sock, NETLINK_ROUTE) < 0 ||
      nl_socket_add_memberships(socket.sock, RTNLGRP_NEIGH, RTNLGRP_IPV4_IFADDR, 0) < 0) {
    std::cerr << "tavlo: no route netlink socket: device addresses and names stay unknown\n";
    return;  // the destructor's wake finds no one; Follow only records
  }
  nl_socket_disable_seq_check(socket.sock);
  nl_socket_set_nonblocking(socket.sock);
  // Room for a burst of neighbour changes before the kernel drops some.
  nl_socket_set_buffer_size(socket.sock, 1 << 20, 0);
  nl_socket_modify_cb(socket.sock, NL_CB_VALID, NL_CB_CUSTOM, &NmDeviceFacts::OnMessage, this);
  bool dump = false;
  while (true) {
    int timeout = -1;
    {
      std::lock_guard<std::mutex> guard(mutex_);
      if (stopping_)
        return;
      if (refollow_) {
        refollow_ = false;
        ifindex_ = ifname_.empty() ? 0 : ::if_nametoindex(ifname_.c_str());
        devices_.clear();
        dump = ifindex_ != 0;
      }
      timeout = MillisecondsToNextLookup();
    }
    if (dump) {
      dump = false;
      RefreshOwnAddress();
      if (nl_rtgen_request(socket.sock, RTM_GETNEIGH, AF_INET, NLM_F_DUMP) < 0)
        std::cerr << "tavlo: the neighbour table could not be read\n";
    }
    pollfd fds[2] = {{wake_, POLLIN, 0}, {nl_socket_get_fd(socket.sock), POLLIN, 0}};
    if (::poll(fds, 2, timeout) < 0 && errno != EINTR)
      return;
    if (fds[0].revents) {
      uint64_t count;
      (void)!::read(wake_, &count, sizeof(count));
    }
    if (fds[1].revents) {
      const int error = nl_recvmsgs_default(socket.sock);
      Notify(changed_);
      changed_.clear();
      if (error < 0 && error != -NLE_AGAIN) {
        // Changes were lost (or a dump refused as busy): read the whole table again.
        std::lock_guard<std::mutex> guard(mutex_);
        dump = ifindex_ != 0;
      }
    }
    std::vector<DeviceFacts> named;
    LookUpNamesDue(&named);
    Notify(named);
  }
}

int NmDeviceFacts::OnMessage(nl_msg* msg, void* arg) {
  auto* self = static_cast<NmDeviceFacts*>(arg);
  self->HandleMessage(msg, &self->changed_);
  return NL_OK;
}

void NmDeviceFacts::HandleMessage(nl_msg* msg, std::vector<DeviceFacts>* changed) {
  nlmsghdr* header = nlmsg_hdr(msg);
  if (header->nlmsg_type == RTM_NEWADDR || header->nlmsg_type == RTM_DELADDR) {
    RefreshOwnAddress();
    return;
  }
  if (header->nlmsg_type != RTM_NEWNEIGH && header->nlmsg_type != RTM_DELNEIGH)
    return;
  rtnl_neigh* neighbour = nullptr;
  if (rtnl_neigh_parse(header, &neighbour) < 0 || !neighbour)
    return;
  std::unique_ptr<rtnl_neigh, void (*)(rtnl_neigh*)> owned(neighbour, &rtnl_neigh_put);
  nl_addr* lladdr = rtnl_neigh_get_lladdr(neighbour);
  nl_addr* dst = rtnl_neigh_get_dst(neighbour);
  if (rtnl_neigh_get_family(neighbour) != AF_INET || !dst || nl_addr_get_len(dst) != 4)
    return;
  char text[INET_ADDRSTRLEN];
  if (!inet_ntop(AF_INET, nl_addr_get_binary_addr(dst), text, sizeof(text)))
    return;
  const int state = rtnl_neigh_get_state(neighbour);
  // A deleted or failed entry often comes without its link-layer address: the IP decides.
  const bool gone = header->nlmsg_type == RTM_DELNEIGH || (state & NUD_FAILED);
  const bool usable = state & (NUD_REACHABLE | NUD_STALE | NUD_DELAY | NUD_PROBE | NUD_PERMANENT);

  std::lock_guard<std::mutex> guard(mutex_);
  if (ifindex_ == 0 || static_cast<unsigned>(rtnl_neigh_get_ifindex(neighbour)) != ifindex_)
    return;
  if (gone) {
    for (auto& [mac, known] : devices_) {
      if (known.facts.ipv4 != text)
        continue;
      known.facts.ipv4.clear();
      known.lookup_due = false;
      changed->push_back(known.facts);
    }
    return;
  }
  if (!lladdr || nl_addr_get_len(lladdr) != 6)
    return;
  Mac mac;
  std::copy_n(static_cast<const uint8_t*>(nl_addr_get_binary_addr(lladdr)), 6, mac.begin());
  if (mac[0] & 1)
    return;  // a group address is no device
  if (!usable)
    return;
  Known& known = devices_[mac];
  known.facts.mac = mac;
  if (known.facts.ipv4 == text)
    return;
  known.facts.ipv4 = text;
  // The name goes with the device; a new address may tell a newer one.
  known.failed_lookups = 0;
  known.lookup_due = true;
  known.next_lookup = Clock::now();
  changed->push_back(known.facts);
}

void NmDeviceFacts::RefreshOwnAddress() {
  std::string ifname;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    ifname = ifname_;
  }
  const std::string address = OwnAddressOf(ifname);
  std::lock_guard<std::mutex> guard(mutex_);
  if (ifname == ifname_)
    own_ipv4_ = address;
}

int NmDeviceFacts::MillisecondsToNextLookup() const {
  if (own_ipv4_.empty())
    return -1;  // nobody to ask; an address change wakes the thread
  std::optional<Clock::time_point> next;
  for (const auto& [mac, known] : devices_) {
    if (known.lookup_due && (!next || known.next_lookup < *next))
      next = known.next_lookup;
  }
  if (!next)
    return -1;
  const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(*next - Clock::now());
  return static_cast<int>(std::max<int64_t>(0, wait.count()) + 1);
}

void NmDeviceFacts::LookUpNamesDue(std::vector<DeviceFacts>* changed) {
  while (true) {
    Mac mac{};
    std::string address, server;
    {
      std::lock_guard<std::mutex> guard(mutex_);
      if (stopping_ || refollow_ || own_ipv4_.empty())
        return;
      const auto now = Clock::now();
      auto due = std::find_if(devices_.begin(), devices_.end(), [&](const auto& entry) {
        return entry.second.lookup_due && entry.second.next_lookup <= now;
      });
      if (due == devices_.end())
        return;
      mac = due->first;
      address = due->second.facts.ipv4;
      server = own_ipv4_;
      due->second.lookup_due = false;
    }
    const std::optional<std::string> name = ReverseLookup(address, server, options_.name_timeout);
    std::lock_guard<std::mutex> guard(mutex_);
    auto it = devices_.find(mac);
    if (it == devices_.end() || it->second.facts.ipv4 != address)
      continue;  // changed meanwhile; that change scheduled its own lookup
    Known& known = it->second;
    if (name) {
      known.failed_lookups = 0;
      if (known.facts.host_name != *name) {
        known.facts.host_name = *name;
        changed->push_back(known.facts);
      }
      continue;
    }
    known.lookup_due = true;
    known.next_lookup = Clock::now() + RetryAfter(++known.failed_lookups);
  }
}

}  // namespace platform::nm
