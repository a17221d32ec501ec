// The nftables table of tavlo-helper, "inet tavlo": masquerade the private net out of the public
// interface only, and accept forwarding between the two. Applied through libnftables, one atomic
// batch per call. Interface names are checked (IsValidInterfaceName) before they reach rule text.
//
// Thread affinity: one thread (libnftables contexts are not shared). Failure: false with the
// library's message in *error.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace helper {

inline constexpr char kNftTable[] = "tavlo";

// The batch that (re)creates our table; empty when a name is not a valid interface name.
std::string NftShareRules(const std::string& public_if, const std::string& private_if);

bool NftRun(const std::string& commands, std::string* error, std::string* output = nullptr);
bool NftApplyShare(const std::string& public_if, const std::string& private_if, std::string* error);
// Deletes our table; true also when there is none.
bool NftRemoveTable(std::string* error);

struct ForeignChain {
  std::string family, table, chain;
};
// Base chains on the forward hook with policy drop, in tables other than ours, from the text of
// "list chains".
std::vector<ForeignChain> FindForwardDropChains(std::string_view listing);
// The same, asked of the running system; empty when the listing fails.
std::vector<ForeignChain> SystemForwardDropChains();

}  // namespace helper
