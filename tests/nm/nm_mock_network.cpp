#include "nm/nm_mock_network.h"

#include "nm/nm_test_names.h"

namespace test {

using namespace nm_names;

std::string AddWifiDevice(sdbus::IProxy& mock,
                          const std::string& ifname,
                          uint32_t capabilities,
                          const std::string& perm_hw_address) {
  std::string path;
  mock.callMethod("AddWiFiDevice")
      .onInterface(kMock)
      .withArguments(ifname, ifname, int32_t{30})
      .storeResultsTo(path);
  mock.callMethod("SetWirelessCapabilities")
      .onInterface(kMock)
      .withArguments(sdbus::ObjectPath(path), capabilities);
  mock.callMethod("SetPermHwAddress")
      .onInterface(kMock)
      .withArguments(sdbus::ObjectPath(path), perm_hw_address);
  return path;
}

WiredConnection AddWiredConnection(sdbus::IConnection& control,
                                   sdbus::IProxy& mock,
                                   const std::string& ifname,
                                   const std::string& id,
                                   const std::string& uuid,
                                   bool default_route) {
  WiredConnection wired;
  mock.callMethod("AddEthernetDevice")
      .onInterface(kMock)
      .withArguments(ifname, ifname, int32_t{100})
      .storeResultsTo(wired.device);
  Settings settings;
  settings["connection"]["id"] = sdbus::Variant(id);
  settings["connection"]["type"] = sdbus::Variant(std::string("802-3-ethernet"));
  settings["connection"]["uuid"] = sdbus::Variant(uuid);
  settings["ipv4"]["method"] = sdbus::Variant(std::string("auto"));
  sdbus::ObjectPath profile;
  sdbus::createProxy(control, kNm, "/org/freedesktop/NetworkManager/Settings")
      ->callMethod("AddConnection")
      .onInterface("org.freedesktop.NetworkManager.Settings")
      .withArguments(settings)
      .storeResultsTo(profile);
  wired.profile = profile;
  mock.callMethod("AddActiveConnection")
      .onInterface(kMock)
      .withArguments(std::vector<std::string>{wired.device}, wired.profile, std::string("/"),
                     ifname, uint32_t{2})
      .storeResultsTo(wired.active);
  if (!default_route) {
    mock.callMethod("SetProperty")
        .onInterface(kMock)
        .withArguments(wired.active, std::string(kActive), std::string("Default"),
                       sdbus::Variant(false));
  }
  return wired;
}

}  // namespace test
