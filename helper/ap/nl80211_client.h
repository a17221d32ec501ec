// helper::ap::Nl80211Client: the kernel's wireless configuration interface (nl80211 over generic
// netlink) for what the access point needs: an interface's card, mode and channel, the card's
// capabilities, and adding or removing a virtual access-point interface.
//
// Thread affinity: one thread at a time per object. Ownership: owns its netlink socket.
// Failure: every call answers false/nullopt with `*why`; on a system without nl80211 (no
// wireless stack) Open fails and says so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "helper/ap/wifi_phy.h"

struct nl_sock;

namespace helper::ap {

struct InterfaceFacts {
  uint32_t ifindex = 0;
  uint32_t wiphy = 0;
  uint32_t iftype = 0;                // NL80211_IFTYPE_*
  std::optional<uint32_t> frequency;  // MHz, while the interface is on a channel
};

// What one NL80211_CMD_NEW_INTERFACE message (a reply to GET_INTERFACE) says; nullopt when it is
// not a well-formed one of the family `family`.
std::optional<InterfaceFacts> ParseInterfaceMessage(const void* data, size_t size, int family);
// The channel number of a 2.4 or 5 GHz frequency in MHz; nullopt for any other.
std::optional<int> ChannelOfFrequency(uint32_t mhz);

class Nl80211Client {
 public:
  Nl80211Client();
  ~Nl80211Client();
  Nl80211Client(const Nl80211Client&) = delete;
  Nl80211Client& operator=(const Nl80211Client&) = delete;

  bool Open(std::string* why);
  std::optional<InterfaceFacts> Interface(uint32_t ifindex, std::string* why);
  std::optional<WiphyCapabilities> Wiphy(uint32_t wiphy, std::string* why);
  // A new AP-mode interface `name` on card `wiphy`; false when the kernel refuses it.
  bool AddApInterface(uint32_t wiphy, const std::string& name, std::string* why);
  bool RemoveInterface(uint32_t ifindex, std::string* why);

 private:
  nl_sock* sock_ = nullptr;
  int family_ = -1;
};

}  // namespace helper::ap
