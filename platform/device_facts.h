// platform::DeviceFactsSource: what the system learns about a device on the hotspot beyond its
// MAC address — its IPv4 address (from the neighbour table) and its host name (from the DHCP and
// DNS server that serves the hotspot) — as it learns it. A phone gets its address a second or
// two after it joins, and its name after that, so facts arrive late and piecemeal; a fact that
// changes arrives again.
//
// Thread affinity: Watch and Lookup may be called from any thread. The callback runs on a thread
// of the source's own, never with a lock held that Watch or Lookup takes; it must not block.
// Ownership: the source belongs to its backend and outlives every watcher; the callback is
// owned by the source until Watch(nullptr) returns.
// Failure: none reported; what cannot be learnt stays unknown (empty).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace platform {

struct DeviceFacts {
  std::array<uint8_t, 6> mac{};
  std::string ipv4;       // dotted quad; empty while unknown
  std::string host_name;  // UTF-8 as the device gave it; empty while unknown

  friend bool operator==(const DeviceFacts&, const DeviceFacts&) = default;
};

class DeviceFactsSource {
 public:
  using Callback = std::function<void(const DeviceFacts& facts)>;

  virtual ~DeviceFactsSource() = default;

  // Sets the one watcher (null: none). It hears every change from then on, each as the whole of
  // what is known of that device. Returns once no call of the previous watcher is running.
  virtual void Watch(Callback callback) = 0;
  // What is known now of `mac`; nullopt when nothing is.
  virtual std::optional<DeviceFacts> Lookup(const std::array<uint8_t, 6>& mac) const = 0;
};

}  // namespace platform
