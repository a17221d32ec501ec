// platform::nm::NmDeviceFacts: what the system learns of the devices on the access point's
// interface: each one's IPv4 address from the kernel's neighbour table (a dump when the
// interface is followed, then every change), and its host name by a reverse lookup of that
// address at the access point's own address, where the hotspot's DHCP and DNS server answers
// from its leases. A name not known yet (the lease is written after the first packets) is asked
// again later, at growing intervals up to a minute. Also the interface's name and own address.
//
// Thread affinity: every method may be called from any thread; the netlink socket and the
// lookups run on a thread of the object's own, which also calls the watcher.
// Ownership: owns its thread and socket; the watcher as DeviceFactsSource says.
// Failure: without a netlink socket nothing is learnt (said once on stderr); an interface that
// does not exist has no neighbours; names that are not usable host names are dropped.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/device_facts.h"

struct nl_msg;

namespace platform::nm {

class NmDeviceFacts final : public DeviceFactsSource {
 public:
  struct Options {
    // How long one reverse lookup may take.
    std::chrono::milliseconds name_timeout = std::chrono::seconds(1);
  };
  struct Interface {
    std::string name;  // empty: none followed
    std::string ipv4;  // its own address; empty while it has none
  };

  NmDeviceFacts();
  explicit NmDeviceFacts(Options options);
  ~NmDeviceFacts() override;
  NmDeviceFacts(const NmDeviceFacts&) = delete;
  NmDeviceFacts& operator=(const NmDeviceFacts&) = delete;

  // Follows the devices on `ifname` (empty: none) and forgets what was known of others. Only
  // records and wakes the thread, so it may be called with other locks held.
  void Follow(const std::string& ifname);
  Interface AccessPoint() const;

  void Watch(Callback callback) override;
  std::optional<DeviceFacts> Lookup(const std::array<uint8_t, 6>& mac) const override;

 private:
  using Mac = std::array<uint8_t, 6>;
  struct Known {
    DeviceFacts facts;
    int failed_lookups = 0;
    bool lookup_due = false;
    std::chrono::steady_clock::time_point next_lookup;
  };

  void Run();
  static int OnMessage(nl_msg* msg, void* arg);
  // All below on the thread; `changed` gathers what the watcher hears once `mutex_` is free.
  void HandleMessage(nl_msg* msg, std::vector<DeviceFacts>* changed);
  void RefreshOwnAddress();
  void LookUpNamesDue(std::vector<DeviceFacts>* changed);
  int MillisecondsToNextLookup() const;  // `mutex_` held; -1: none due
  void Notify(const std::vector<DeviceFacts>& changed);

  const Options options_;
  mutable std::mutex mutex_;
  std::condition_variable idle_;  // no watcher call runs
  std::shared_ptr<const Callback> callback_;
  int calls_running_ = 0;
  std::string ifname_;
  unsigned ifindex_ = 0;
  std::string own_ipv4_;
  bool refollow_ = false;
  bool stopping_ = false;
  std::map<Mac, Known> devices_;
  int wake_ = -1;
  std::vector<DeviceFacts> changed_;  // the thread's, during a receive
  std::thread thread_;
};

}  // namespace platform::nm
