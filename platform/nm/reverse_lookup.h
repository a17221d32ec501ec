// platform::nm::ReverseLookup: the host name of an IPv4 address, asked of one DNS server (the
// hotspot's own, which answers from its DHCP leases) with a PTR query over UDP.
//
// Thread affinity: any thread; blocks for at most `timeout`. Ownership: nothing kept.
// Failure: nullopt when the server does not answer in time, answers with an error or without a
// PTR record, or names something that is not a usable host name (see IsUsableHostName).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::nm {

std::optional<std::string> ReverseLookup(const std::string& ipv4,
                                         const std::string& server,
                                         std::chrono::milliseconds timeout);

// The name in the first usable PTR record of a DNS answer, without its final dot.
std::optional<std::string> PtrNameFromAnswer(const uint8_t* answer, size_t size);

// 1 to 253 printable ASCII characters without spaces or backslashes (the resolver writes bytes
// it cannot show as backslash escapes).
bool IsUsableHostName(std::string_view name);

}  // namespace platform::nm
