// bench::StandIns: NetworkManager with a cable carrying the default route and a Wi-Fi card
// (wlan0) that can be an access point, and wpa_supplicant for that card, on a private bus that
// DBUS_SYSTEM_BUS_ADDRESS names while the object lives. The stand-ins stamp times with
// CLOCK_MONOTONIC, which every process on the machine shares.
//
// Thread affinity: one thread, except Station, whose work runs on a thread of its own.
// Ownership: owns the bus, the stand-ins and its control connection; all end with it.
// Failure: Start says why the stand-ins are not running; the readers throw sdbus::Error when a
// stand-in does not answer.
#pragma once

#include <sdbus-c++/sdbus-c++.h>

#include <future>
#include <memory>
#include <string>
#include <vector>

#include "nm/private_bus.h"
#include "support/scoped_env.h"

namespace bench {

class StandIns {
 public:
  // Empty when running; otherwise why not.
  std::string Start();

  // When each AddAndActivateConnection2 came in, in seconds.
  std::vector<double> ActivationCallTimes();
  // When the latest `signal` (StaAuthorized, StaDeauthorized) for `mac` was sent; 0 when none
  // was.
  double SignalTime(const std::string& signal, const std::string& mac);
  // An active connection named Tavlo exists.
  bool HotspotActive();
  // A station (lower-case "aa:bb:..") joins (true) or leaves wlan0, from a thread and
  // connection of its own, so that the caller's event loop can run meanwhile.
  std::future<void> Station(const std::string& mac, bool join);

 private:
  std::unique_ptr<test::PrivateBus> bus_;
  std::unique_ptr<test::ScopedEnv> system_bus_;
  std::unique_ptr<sdbus::IConnection> control_;
  std::unique_ptr<sdbus::IProxy> nm_mock_;
  std::unique_ptr<sdbus::IProxy> wpa_mock_;
  sdbus::ObjectPath wpa_interface_;
};

}  // namespace bench
