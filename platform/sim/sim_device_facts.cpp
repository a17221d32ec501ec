#include "platform/sim/sim_device_facts.h"

#include <arpa/inet.h>

#include "base/utf.h"
#include "platform/sim/control_protocol.h"

namespace platform::sim {

bool IsValidHostName(std::string_view name) {
  if (name.empty() || name.size() > 255 || !base::IsValidUtf8(name))
    return false;
  bool blank = true;
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F)
      return false;
    blank = blank && c == ' ';
  }
  return !blank;
}

bool IsValidDeviceAddress(std::string_view address) {
  in_addr parsed{};
  // inet_pton takes exactly four decimal parts, without leading zeros.
  if (address.size() > 15 || inet_pton(AF_INET, std::string(address).c_str(), &parsed) != 1)
    return false;
  const uint32_t host = ntohl(parsed.s_addr);
  const uint32_t first = host >> 24;
  return first != 0 && first != 127 && first < 224;
}

SimDeviceFacts::SimDeviceFacts() : thread_([this] { Deliver(); }) {}

SimDeviceFacts::~SimDeviceFacts() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    quit_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

std::string SimDeviceFacts::Check(const Mac& mac,
                                  const std::optional<std::string>& host_name,
                                  const std::optional<std::string>& ipv4) const {
  std::lock_guard<std::mutex> guard(mutex_);
  return CheckLocked(mac, host_name, ipv4);
}

std::string SimDeviceFacts::CheckLocked(const Mac& mac,
                                        const std::optional<std::string>& host_name,
                                        const std::optional<std::string>& ipv4) const {
  if (host_name && !IsValidHostName(*host_name))
    return "'" + *host_name +
           "' is not a host name (1 to 255 bytes of UTF-8, no control characters)";
  if (ipv4 && !IsValidDeviceAddress(*ipv4))
    return "'" + *ipv4 + "' is not a device's IPv4 address (a dotted quad such as 192.168.137.23)";
  if (ipv4) {
    for (const auto& [other, facts] : known_) {
      if (other != mac && facts.ipv4 == *ipv4)
        return *ipv4 + " is held by " + FormatMacAddress(other);
    }
  }
  return {};
}

std::string SimDeviceFacts::Set(const Mac& mac,
                                std::optional<std::string> host_name,
                                std::optional<std::string> ipv4) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (std::string problem = CheckLocked(mac, host_name, ipv4); !problem.empty())
    return problem;
  DeviceFacts& facts = known_[mac];
  const DeviceFacts before = facts;
  facts.mac = mac;
  if (host_name)
    facts.host_name = std::move(*host_name);
  if (ipv4)
    facts.ipv4 = std::move(*ipv4);
  if (facts != before) {
    pending_.push_back(facts);
    changed_.notify_all();
  }
  return {};
}

void SimDeviceFacts::WaitForDelivery() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return quit_ || (pending_.empty() && !delivering_); });
}

void SimDeviceFacts::Watch(Callback callback) {
  std::lock_guard<std::mutex> guard(watcher_mutex_);
  watcher_ = std::move(callback);
}

std::optional<DeviceFacts> SimDeviceFacts::Lookup(const Mac& mac) const {
  std::lock_guard<std::mutex> guard(mutex_);
  auto it = known_.find(mac);
  if (it == known_.end())
    return std::nullopt;
  return it->second;
}

void SimDeviceFacts::Deliver() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return quit_ || !pending_.empty(); });
    if (quit_)
      return;
    DeviceFacts facts = std::move(pending_.front());
    pending_.pop_front();
    delivering_ = true;
    lock.unlock();
    {
      std::lock_guard<std::mutex> guard(watcher_mutex_);
      if (watcher_)
        watcher_(facts);
    }
    lock.lock();
    delivering_ = false;
    changed_.notify_all();
  }
}

}  // namespace platform::sim
