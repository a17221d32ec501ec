// The DHCP and DNS server of the private side: dnsmasq, started with posix_spawn and fixed
// arguments, bound to the private interface only, its lease and pid files in our folder.
//
// Thread affinity: one thread. Failure: StartDnsmasq returns -1 with a reason in *error.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace helper {

// Name the server answers for with the private address, so a device can test its DNS.
inline constexpr char kHostName[] = "tavlo.lan";

// The argument vector (argv[0] is the program path); pure.
std::vector<std::string> DnsmasqArguments(const std::string& program,
                                          const std::string& private_if,
                                          const std::filesystem::path& folder);

// Starts dnsmasq and waits (bounded) until it has bound its sockets; its standard input and
// output are /dev/null so it never writes into the protocol.
pid_t StartDnsmasq(const std::string& private_if,
                   const std::filesystem::path& folder,
                   std::string* error);

// Ends the dnsmasq with `pid` if it is ours (its command line names our pid file), waiting
// for it; true when no such process is left.
bool StopDnsmasq(pid_t pid, const std::filesystem::path& folder);

}  // namespace helper
