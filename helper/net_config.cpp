#include "helper/net_config.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netlink/netlink.h>
#include <netlink/route/addr.h>
#include <netlink/route/link.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace helper {

namespace {

constexpr char kForwardingPath[] = "/proc/sys/net/ipv4/ip_forward";

struct SockDeleter {
  void operator()(nl_sock* s) const { nl_socket_free(s); }
};
struct AddrDeleter {
  void operator()(rtnl_addr* a) const { rtnl_addr_put(a); }
};
struct NlAddrDeleter {
  void operator()(nl_addr* a) const { nl_addr_put(a); }
};
struct LinkDeleter {
  void operator()(rtnl_link* l) const { rtnl_link_put(l); }
};

std::unique_ptr<nl_sock, SockDeleter> Connect(std::string* error) {
  std::unique_ptr<nl_sock, SockDeleter> sock(nl_socket_alloc());
  if (!sock) {
    *error = "netlink socket";
    return nullptr;
  }
  const int err = nl_connect(sock.get(), NETLINK_ROUTE);
  if (err < 0) {
    *error = std::string("netlink connect: ") + nl_geterror(err);
    return nullptr;
  }
  return sock;
}

std::unique_ptr<rtnl_addr, AddrDeleter> PrivateAddr(int ifindex) {
  std::unique_ptr<rtnl_addr, AddrDeleter> addr(rtnl_addr_alloc());
  nl_addr* local = nullptr;
  const std::string text = std::string(kPrivateAddress) + "/" + std::to_string(kPrivatePrefix);
  if (!addr || nl_addr_parse(text.c_str(), AF_INET, &local) < 0)
    return nullptr;
  std::unique_ptr<nl_addr, NlAddrDeleter> hold(local);
  rtnl_addr_set_ifindex(addr.get(), ifindex);
  rtnl_addr_set_family(addr.get(), AF_INET);
  if (rtnl_addr_set_local(addr.get(), local) < 0)
    return nullptr;
  rtnl_addr_set_prefixlen(addr.get(), kPrivatePrefix);
  return addr;
}

bool LinkUp(nl_sock* sock, int ifindex, std::string* error) {
  std::unique_ptr<rtnl_link, LinkDeleter> change(rtnl_link_alloc());
  std::unique_ptr<rtnl_link, LinkDeleter> orig(rtnl_link_alloc());
  if (!change || !orig) {
    *error = "out of memory";
    return false;
  }
  rtnl_link_set_ifindex(orig.get(), ifindex);
  rtnl_link_set_flags(change.get(), IFF_UP);
  const int err = rtnl_link_change(sock, orig.get(), change.get(), 0);
  if (err < 0) {
    *error = std::string("link up: ") + nl_geterror(err);
    return false;
  }
  return true;
}

}  // namespace

bool AddPrivateAddress(const std::string& ifname, bool* existed, std::string* error) {
  *existed = false;
  const int ifindex = static_cast<int>(if_nametoindex(ifname.c_str()));
  if (ifindex == 0) {
    *error = "no interface " + ifname;
    return false;
  }
  auto sock = Connect(error);
  if (!sock)
    return false;
  auto addr = PrivateAddr(ifindex);
  if (!addr) {
    *error = "address";
    return false;
  }
  const int err = rtnl_addr_add(sock.get(), addr.get(), NLM_F_EXCL);
  if (err == -NLE_EXIST) {
    *existed = true;
  } else if (err < 0) {
    *error = std::string("add address: ") + nl_geterror(err);
    return false;
  }
  return LinkUp(sock.get(), ifindex, error);
}

bool RemovePrivateAddress(const std::string& ifname, std::string* error) {
  const int ifindex = static_cast<int>(if_nametoindex(ifname.c_str()));
  if (ifindex == 0)
    return true;
  auto sock = Connect(error);
  if (!sock)
    return false;
  auto addr = PrivateAddr(ifindex);
  if (!addr) {
    *error = "address";
    return false;
  }
  const int err = rtnl_addr_delete(sock.get(), addr.get(), 0);
  if (err < 0 && err != -NLE_NOADDR && err != -NLE_OBJ_NOTFOUND) {
    *error = std::string("remove address: ") + nl_geterror(err);
    return false;
  }
  return true;
}

std::string ReadForwarding(std::string* error) {
  const int fd = ::open(kForwardingPath, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *error = std::string("open ip_forward: ") + std::strerror(errno);
    return "";
  }
  char c = 0;
  const ssize_t n = ::read(fd, &c, 1);
  ::close(fd);
  if (n != 1 || (c != '0' && c != '1')) {
    *error = "read ip_forward";
    return "";
  }
  return std::string(1, c);
}

bool WriteForwarding(const std::string& value, std::string* error) {
  if (value != "0" && value != "1") {
    *error = "bad forwarding value";
    return false;
  }
  const int fd = ::open(kForwardingPath, O_WRONLY | O_CLOEXEC);
  if (fd < 0) {
    *error = std::string("open ip_forward: ") + std::strerror(errno);
    return false;
  }
  const bool ok = ::write(fd, value.data(), 1) == 1;
  ::close(fd);
  if (!ok)
    *error = "write ip_forward";
  return ok;
}

}  // namespace helper
