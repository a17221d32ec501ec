#include "app/wifi_qr_payload.h"

#include "base/utf.h"

namespace app {

namespace {

std::string Escaped(std::u16string_view text) {
  const std::string utf8 = *base::Utf16ToUtf8(text, base::InvalidText::kReplace);
  std::string out;
  out.reserve(utf8.size() + 8);
  for (const char c : utf8) {
    if (c == '\\' || c == ';' || c == ',' || c == ':' || c == '"')
      out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

std::string WifiQrPayload(std::u16string_view ssid, std::u16string_view password) {
  if (ssid.empty())
    return {};
  if (password.empty())
    return "WIFI:T:nopass;S:" + Escaped(ssid) + ";;";
  return "WIFI:T:WPA;S:" + Escaped(ssid) + ";P:" + Escaped(password) + ";;";
}

}  // namespace app
