#include "helper/nft_table.h"

#include <nftables/libnftables.h>

#include <memory>
#include <sstream>

#include "helper/net_config.h"
#include "helper/request.h"

namespace helper {

namespace {

struct CtxDeleter {
  void operator()(nft_ctx* c) const { nft_ctx_free(c); }
};

std::vector<std::string> Words(std::string_view line) {
  std::vector<std::string> words;
  std::istringstream in{std::string(line)};
  std::string w;
  while (in >> w)
    words.push_back(w);
  return words;
}

}  // namespace

std::string NftShareRules(const std::string& public_if, const std::string& private_if) {
  if (!IsValidInterfaceName(public_if) || !IsValidInterfaceName(private_if))
    return "";
  const std::string t = std::string("inet ") + kNftTable;
  const std::string pub = "\"" + public_if + "\"", priv = "\"" + private_if + "\"";
  std::ostringstream s;
  s << "add table " << t << "\n"
    << "flush table " << t << "\n"
    << "add chain " << t
    << " nat_postrouting { type nat hook postrouting priority srcnat; policy accept; }\n"
    << "add rule " << t << " nat_postrouting ip saddr " << kPrivateNet << " oifname " << pub
    << " masquerade\n"
    << "add chain " << t
    << " filter_forward { type filter hook forward priority filter; policy accept; }\n"
    << "add rule " << t << " filter_forward iifname " << priv << " oifname " << pub << " ip saddr "
    << kPrivateNet << " accept\n"
    << "add rule " << t << " filter_forward iifname " << pub << " oifname " << priv << " ip daddr "
    << kPrivateNet << " ct state established,related accept\n";
  return s.str();
}

bool NftRun(const std::string& commands, std::string* error, std::string* output) {
  std::unique_ptr<nft_ctx, CtxDeleter> ctx(nft_ctx_new(NFT_CTX_DEFAULT));
  if (!ctx) {
    *error = "nftables context";
    return false;
  }
  nft_ctx_buffer_output(ctx.get());
  nft_ctx_buffer_error(ctx.get());
  const int rc = nft_run_cmd_from_buffer(ctx.get(), commands.c_str());
  if (output)
    *output = nft_ctx_get_output_buffer(ctx.get());
  if (rc != 0) {
    std::string msg = nft_ctx_get_error_buffer(ctx.get());
    for (char& c : msg) {
      if (c == '\n')
        c = ' ';
    }
    *error = "nftables: " + msg;
    return false;
  }
  return true;
}

bool NftApplyShare(const std::string& public_if,
                   const std::string& private_if,
                   std::string* error) {
  const std::string rules = NftShareRules(public_if, private_if);
  if (rules.empty()) {
    *error = "bad interface name";
    return false;
  }
  return NftRun(rules, error);
}

bool NftRemoveTable(std::string* error) {
  const std::string t = std::string("inet ") + kNftTable;
  return NftRun("add table " + t + "\ndelete table " + t + "\n", error);
}

std::vector<ForeignChain> FindForwardDropChains(std::string_view listing) {
  std::vector<ForeignChain> found;
  std::string family, table, chain;
  std::istringstream in{std::string(listing)};
  std::string line;
  while (std::getline(in, line)) {
    const std::vector<std::string> w = Words(line);
    if (w.size() >= 3 && w[0] == "table") {
      family = w[1];
      table = w[2];
      chain.clear();
    } else if (w.size() >= 2 && w[0] == "chain") {
      chain = w[1];
    } else if (!w.empty() && w[0] == "type" && !chain.empty()) {
      bool forward = false, drop = false;
      for (std::size_t i = 0; i + 1 < w.size(); ++i) {
        if (w[i] == "hook" && w[i + 1] == "forward")
          forward = true;
        if (w[i] == "policy" && (w[i + 1] == "drop;" || w[i + 1] == "drop"))
          drop = true;
      }
      const bool ours = family == "inet" && table == kNftTable;
      if (forward && drop && !ours)
        found.push_back({family, table, chain});
    }
  }
  return found;
}

std::vector<ForeignChain> SystemForwardDropChains() {
  std::string error, output;
  if (!NftRun("list chains", &error, &output))
    return {};
  return FindForwardDropChains(output);
}

}  // namespace helper
