// The NetworkManager and wpa_supplicant D-Bus names the driver uses.
#pragma once

#include <cstdint>

namespace platform::nm::bus {

constexpr char kNm[] = "org.freedesktop.NetworkManager";
constexpr char kNmPath[] = "/org/freedesktop/NetworkManager";
constexpr char kDevice[] = "org.freedesktop.NetworkManager.Device";
constexpr char kWireless[] = "org.freedesktop.NetworkManager.Device.Wireless";
constexpr char kActive[] = "org.freedesktop.NetworkManager.Connection.Active";
constexpr char kProperties[] = "org.freedesktop.DBus.Properties";
constexpr char kDbus[] = "org.freedesktop.DBus";
constexpr char kWpa[] = "fi.w1.wpa_supplicant1";
constexpr char kWpaPath[] = "/fi/w1/wpa_supplicant1";
constexpr char kWpaInterface[] = "fi.w1.wpa_supplicant1.Interface";
constexpr char kWpaStation[] = "fi.w1.wpa_supplicant1.Station";

constexpr uint32_t kDeviceTypeWifi = 2;
constexpr uint32_t kCapabilityAccessPoint = 0x40;
constexpr uint32_t kDeviceActivated = 100, kDeviceFailed = 120;
constexpr uint32_t kDeviceReasonRemoved = 36;  // NMDeviceStateReason REMOVED
constexpr uint32_t kActiveActivated = 2, kActiveDeactivated = 4;

}  // namespace platform::nm::bus
