// platform::sim::SimDeviceFacts: what the simulated hotspot's DHCP and DNS server would learn
// of its stations — an IPv4 address and a host name per MAC address — set by tests and by
// `tavlo-sim join --name --ip` or `tavlo-sim facts`, and told to the watcher on a thread of
// its own, as a real source does. Like a lease database, what is known of a device outlives
// its leaving, so a device that comes back is known at once.
//
// Thread affinity: every method may be called from any thread; the watcher runs on the
// delivery thread and must not call Watch.
// Ownership: owned by the SimSystem; the watcher is held until Watch(nullptr) returns.
// Failure: Set refuses a name or address that fails the checks below, and an address that
// another device holds, with the reason; nothing else fails.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/device_facts.h"

namespace platform::sim {

// A host name as a device may give one: UTF-8, 1 to 255 bytes, no control characters, not
// only blanks.
bool IsValidHostName(std::string_view name);
// A dotted quad that a device on the network may hold: not 0.0.0.0/8, loopback, multicast,
// reserved or broadcast.
bool IsValidDeviceAddress(std::string_view address);

class SimDeviceFacts final : public DeviceFactsSource {
 public:
  using Mac = std::array<uint8_t, 6>;

  SimDeviceFacts();
  ~SimDeviceFacts() override;
  SimDeviceFacts(const SimDeviceFacts&) = delete;
  SimDeviceFacts& operator=(const SimDeviceFacts&) = delete;

  // Sets what is given (nullopt: unchanged) and tells the watcher when something changed.
  // Empty string on success, else why not.
  std::string Set(const Mac& mac,
                  std::optional<std::string> host_name,
                  std::optional<std::string> ipv4);
  // What Set would refuse, or empty.
  std::string Check(const Mac& mac,
                    const std::optional<std::string>& host_name,
                    const std::optional<std::string>& ipv4) const;
  // Waits until every change made so far has reached the watcher.
  void WaitForDelivery();

  // DeviceFactsSource
  void Watch(Callback callback) override;
  std::optional<DeviceFacts> Lookup(const Mac& mac) const override;

 private:
  void Deliver();
  std::string CheckLocked(const Mac& mac,
                          const std::optional<std::string>& host_name,
                          const std::optional<std::string>& ipv4) const;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::map<Mac, DeviceFacts> known_;  // guarded by mutex_
  std::deque<DeviceFacts> pending_;   // guarded by mutex_
  bool delivering_ = false;           // guarded by mutex_
  bool quit_ = false;                 // guarded by mutex_

  // Held while the watcher runs, so Watch can wait for a call in progress.
  std::mutex watcher_mutex_;
  Callback watcher_;  // guarded by watcher_mutex_

  std::thread thread_;
};

}  // namespace platform::sim
