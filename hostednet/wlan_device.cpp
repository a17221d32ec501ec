#include "hostednet/wlan_device.h"

#include <cstdio>
#include <cstring>

CWlanDevice::CWlanDevice(const BYTE (&mac)[6]) {
  std::memcpy(mac_, mac, sizeof(mac_));
  char text[256];
  int length = std::snprintf(text, sizeof(text), "%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1],
                             mac[2], mac[3], mac[4], mac[5]);
  if (length > 0)
    mac_text_.assign(text, text + length);
}

bool CWlanDevice::SameDevice(const CWlanDevice& other) const {
  return std::memcmp(mac_, other.mac_, sizeof(mac_)) == 0;
}
