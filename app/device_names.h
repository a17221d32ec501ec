// What the device list calls a device: its host name, else its card's maker, else what kind
// of address it has. Plain functions; any thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/device_makers.h"

namespace app {

constexpr char16_t kRandomAddressName[] = u"随机地址";
constexpr char16_t kUnknownDeviceName[] = u"未知设备";

// `host_name` as the device gave it (UTF-8; empty when unknown); `makers` may be null. A
// locally administered address (a phone's private one) never gets a maker's name: its first
// bytes were made up. Invalid UTF-8 and control characters in a host name are shown as
// replacement characters and blanks; a name that is then blank counts as none.
std::u16string DeviceDisplayName(const std::array<uint8_t, 6>& mac,
                                 std::string_view host_name,
                                 const platform::DeviceMakers* makers);

}  // namespace app
