// The D-Bus names and types the NetworkManager and wpa_supplicant stand-in tests share.
#pragma once

#include <sdbus-c++/sdbus-c++.h>

#include <map>
#include <string>

namespace test::nm_names {

using Settings = std::map<std::string, std::map<std::string, sdbus::Variant>>;
using Options = std::map<std::string, sdbus::Variant>;
// One recorded AddAndActivateConnection2 call: settings, device, specific object, options.
using Call = sdbus::Struct<Settings, sdbus::ObjectPath, sdbus::ObjectPath, Options>;

inline constexpr char kNm[] = "org.freedesktop.NetworkManager";
inline constexpr char kNmPath[] = "/org/freedesktop/NetworkManager";
inline constexpr char kActive[] = "org.freedesktop.NetworkManager.Connection.Active";
inline constexpr char kMock[] = "org.freedesktop.DBus.Mock";
inline constexpr char kWpa[] = "fi.w1.wpa_supplicant1";
inline constexpr char kWpaIface[] = "fi.w1.wpa_supplicant1.Interface";

// A name that is not ASCII, so its bytes show whether anything re-encoded it.
inline const std::string kChineseSsid = "热点-1";

}  // namespace test::nm_names
