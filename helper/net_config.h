// Address and forwarding changes of tavlo-helper, through rtnetlink and /proc; never a command.
//
// Thread affinity: one thread. Failure: false with a reason in *error.
#pragma once

#include <string>

namespace helper {

inline constexpr char kPrivateAddress[] = "192.168.137.1";
inline constexpr int kPrivatePrefix = 24;
inline constexpr char kPrivateNet[] = "192.168.137.0/24";

// Adds kPrivateAddress/kPrivatePrefix to `ifname` and brings the link up. *existed tells that the
// address was there before (then it is not ours to remove).
bool AddPrivateAddress(const std::string& ifname, bool* existed, std::string* error);
// Removes it again; true when it is gone (also when the interface is gone).
bool RemovePrivateAddress(const std::string& ifname, std::string* error);

// "0" or "1", the current value of IPv4 forwarding; empty on failure.
std::string ReadForwarding(std::string* error);
bool WriteForwarding(const std::string& value, std::string* error);

}  // namespace helper
