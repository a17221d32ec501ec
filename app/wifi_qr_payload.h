// The text a phone's camera reads to join a WiFi network from a QR code:
// "WIFI:T:WPA;S:<name>;P:<password>;;", with "\", ";", ",", ":" and "\"" in the name and the
// password escaped by a backslash, since the readers split the fields on them.
//
// Thread affinity: none; a plain function. Failure: an empty name has no payload (empty result);
// an empty password makes an open network's payload ("T:nopass", no "P" field). Unpaired
// surrogates become U+FFFD, so the result is always well-formed UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace app {

std::string WifiQrPayload(std::u16string_view ssid, std::u16string_view password);

}  // namespace app
