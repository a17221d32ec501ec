// What the NetworkManager driver makes of keys, addresses and NetworkManager's errors, without a
// bus.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/result.h"
#include "platform/nm/nm_connection_settings.h"

namespace {

using namespace platform::nm;

TEST(NmConnectionSettingsTest, ARawKeyGoesAsHexAndAPassphraseWithoutItsZero) {
  platform::services::AccessPointSettings settings;
  settings.ssid.uSSIDLength = 3;
  settings.key_is_passphrase = false;
  for (int i = 0; i < 32; ++i)
    settings.key.push_back(static_cast<BYTE>(i * 8 + 1));
  ConnectionSettings raw = AccessPointConnection(settings, "u");
  const std::string psk = raw["802-11-wireless-security"]["psk"].get<std::string>();
  ASSERT_EQ(psk.size(), 64u);
  EXPECT_EQ(psk.substr(0, 6), "010911");
  EXPECT_EQ(psk.substr(62), "f9");

  const char kPass[] = "eight ch";
  settings.key.assign(kPass, kPass + sizeof(kPass));
  settings.key_is_passphrase = true;
  ConnectionSettings text = AccessPointConnection(settings, "u");
  EXPECT_EQ(text["802-11-wireless-security"]["psk"].get<std::string>(), "eight ch");
  // Zero bytes in an SSID are its bytes too.
  EXPECT_EQ(text["802-11-wireless"]["ssid"].get<std::vector<uint8_t>>(),
            std::vector<uint8_t>(3, 0));
}

TEST(NmConnectionSettingsTest, AddressesAndTheirGuids) {
  EXPECT_EQ(GuidFromHardwareAddress("02:00:00:aa:bb:cc"),
            GuidFromHardwareAddress("02:00:00:AA:BB:CC"));
  EXPECT_NE(GuidFromHardwareAddress("02:00:00:aa:bb:cc"),
            GuidFromHardwareAddress("02:00:00:aa:bb:cd"));
  EXPECT_NE(GuidFromHardwareAddress("wlan0"), GuidFromHardwareAddress("wlan1"));
  EXPECT_EQ(ParseMac("A4:5e:60:01:02:0f"),
            (platform::services::MacAddress{0xa4, 0x5e, 0x60, 0x01, 0x02, 0x0f}));
  for (const char* bad : {"", "a4:5e:60:01:02", "a4-5e-60-01-02-03", "a4:5e:60:01:02:0g"})
    EXPECT_FALSE(ParseMac(bad)) << bad;
}

TEST(NmConnectionSettingsTest, NetworkManagersRefusalsBecomeWin32Codes) {
  EXPECT_EQ(ErrorFromDbusError("org.freedesktop.NetworkManager.PermissionDenied"),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(ErrorFromDbusError("org.freedesktop.DBus.Error.ServiceUnknown"),
            ERROR_SERVICE_NOT_ACTIVE);
  EXPECT_EQ(ErrorFromDbusError("org.freedesktop.DBus.Error.NoReply"), kErrorTimeout);
  EXPECT_EQ(ErrorFromDbusError("org.freedesktop.NetworkManager.Device.IncompatibleConnection"),
            ERROR_NOT_SUPPORTED);
  EXPECT_EQ(ErrorFromDbusError("something.Else"), kErrorGenFailure);
  EXPECT_EQ(ErrorFromDeviceReason(36), kErrorDevNotExist);  // REMOVED
  EXPECT_EQ(ErrorFromDeviceReason(3), kErrorDevNotExist);   // NOW_UNMANAGED
  EXPECT_EQ(ErrorFromDeviceReason(2), kErrorGenFailure);    // NOW_MANAGED: no device lost
  EXPECT_EQ(ErrorFromDeviceReason(5), kErrorGenFailure);    // IP_CONFIG_UNAVAILABLE
  EXPECT_EQ(ErrorFromDeviceReason(39), kErrorCancelled);    // USER_REQUESTED
  EXPECT_EQ(ErrorFromDeviceReason(0), kErrorGenFailure);
}

}  // namespace
