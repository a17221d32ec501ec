// The helper's request parser takes lines from a less trusted process: any bytes must give a
// request or a refusal, and an accepted request must hold only what the protocol allows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "helper/request.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const helper::ParseResult r = helper::ParseRequest(line);
  const auto* req = std::get_if<helper::Request>(&r);
  if (!req)
    return 0;
  if (size + 1 > helper::kMaxLineBytes || line.find('\0') != std::string_view::npos ||
      line.find('\n') != std::string_view::npos)
    std::abort();
  if (const auto* share = std::get_if<helper::ShareRequest>(req)) {
    if (!helper::IsValidInterfaceName(share->public_if) ||
        !helper::IsValidInterfaceName(share->private_if))
      std::abort();
  }
  if (const auto* ap = std::get_if<helper::ApRequest>(req)) {
    if (!helper::IsValidInterfaceName(ap->ifname) || ap->ssid.empty() || ap->ssid.size() > 32 ||
        ap->passphrase.empty() == ap->psk.empty())
      std::abort();
    for (char c : ap->passphrase) {
      if (c < 0x20 || c > 0x7E)
        std::abort();
    }
  }
  return 0;
}
