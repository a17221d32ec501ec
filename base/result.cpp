#include "base/result.h"

#include <cstdio>

namespace base {

HResultException::HResultException(HRESULT hr)
    : std::runtime_error("HRESULT " + HresultToString(hr)), code_(hr) {}

std::string HresultToString(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

}  // namespace base
