// platform::nm::NmWirelessDriver: the hosted network on NetworkManager. The access point is a
// volatile connection activated on the first Wi-Fi device that can be an access point, bound to
// this driver's bus connection (it ends when the program does); stations come from
// wpa_supplicant's signals for that interface (only root and the netdev group may hear them) and
// from a second source, nl80211 by default. Each join and leave reaches the service once,
// whichever source saw it first.
//
// The radio counts as on only while NetworkManager is on the bus, both radio switches are on and
// some Wi-Fi device can be an access point; otherwise the service reports the hosted network
// unavailable. An access point that NetworkManager ends by itself reaches the service as
// OnAccessPointStopped.
//
// Thread affinity: every method may be called from any thread. Bus signals are handled on the
// bus connection's own event-loop thread, which only records them; reports to the service and
// reloads that need calls to the bus run on a reporter thread of the driver's own.
// Ownership: owned by the service it drives; owns its bus connection and both threads.
// Failure: without a bus or NetworkManager the driver lists no interface and its radio is off;
// StartAccessPoint returns a Win32 code for what NetworkManager refused or how the activation
// ended, and DiagnoseStart says the same in NetworkManager's terms; SaveSettings false when the
// settings store did not write.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <sdbus-c++/sdbus-c++.h>

#include "platform/hotspot_diagnosis.h"
#include "platform/nm/station_source.h"
#include "platform/services/stored_settings.h"
#include "platform/services/wireless_driver.h"

namespace platform::nm {

class NmWirelessDriver final : public services::WirelessDriver, public HotspotDiagnosis {
 public:
  struct Options {
    // Where the hosted network's settings are kept; null: the program's settings store.
    config::CConfigCenterImpl* store = nullptr;
    // The user the connection is private to; empty: the login of this process's user.
    std::string login;
    // How long an activation may take once NetworkManager accepted it.
    std::chrono::milliseconds activation_timeout = std::chrono::seconds(60);
    // How long NetworkManager may take to answer the activation request (polkit may ask the
    // user first).
    std::chrono::milliseconds request_timeout = std::chrono::seconds(120);
    // Makes the follower of stations beside wpa_supplicant's signals; null: nl80211.
    std::function<std::unique_ptr<StationSource>()> station_source;
    // Told the access point's interface name when it comes up, and "" when it ends; called
    // from any thread with locks held, so it must only record and return.
    std::function<void(const std::string& ifname)> on_access_point;
  };

  // Connects to the system bus (DBUS_SYSTEM_BUS_ADDRESS when set) and reads NetworkManager's
  // devices. Never throws: a bus that cannot be reached leaves the driver without interfaces.
  explicit NmWirelessDriver(Options options);
  ~NmWirelessDriver() override;
  NmWirelessDriver(const NmWirelessDriver&) = delete;
  NmWirelessDriver& operator=(const NmWirelessDriver&) = delete;

  // services::WirelessDriver
  void Attach(services::WirelessDriverEvents* events) override;
  bool RadioOn() const override;
  std::vector<services::WirelessInterface> Interfaces() const override;
  DWORD StartAccessPoint(const services::AccessPointSettings& settings,
                         services::AccessPointInfo* info) override;
  void StopAccessPoint() override;
  void LoadSettings(services::WirelessPersistentState* state) override;
  bool SaveSettings(const services::WirelessPersistentState& state) override;

  // HotspotDiagnosis, from the state the signals keep (nm_wireless_driver_diagnosis.cpp).
  StartDiagnosis DiagnoseStart() const override;
  bool StartWouldDropInternet() const override;

 private:
  struct Device {
    std::string path;
    std::string ifname;
    std::string perm_hw_address;
    std::string hw_address;
    std::string active_connection;  // "/" or empty when none
    uint32_t capabilities = 0;
    uint32_t state = 0;
    uint32_t last_reason = 0;  // the latest non-zero state reason since the activation began
    bool failed = false;       // went FAILED since the activation began
  };

  // Reading the bus: only from the constructor or the reporter thread.
  void Reload();
  std::optional<Device> ReadDevice(const std::string& path);
  // DeactivateConnection of `active`; any thread but the event loop's.
  void Deactivate(const std::string& active);
  void AddMatches();
  // Signal handlers, on the event-loop thread.
  void OnPropertiesChanged(sdbus::Message& message);
  void OnDeviceStateChanged(sdbus::Message& message);
  void OnActiveStateChanged(sdbus::Message& message);
  void OnNameOwnerChanged(sdbus::Message& message);
  void OnStation(sdbus::Message& message, bool joined);
  // A station seen by either source; reported when it changes what was reported. `mutex_` held.
  void StationSeenLocked(const services::MacAddress& mac, bool joined);
  void TellAccessPoint(const std::string& ifname);
  // The event-loop thread's body: a bus that goes away ends it without ending the program.
  void RunEventLoop();
  // NetworkManager left the bus, or the bus went: no devices, radio off, our hotspot ended.
  void NetworkManagerGoneLocked();
  // All below: `mutex_` held.
  bool UsableLocked() const;
  const Device* AccessPointDeviceLocked() const;
  void ReportRadioIfChangedLocked();
  void AccessPointEndedLocked();
  // What stands against a start now; kNone when nothing does.
  StartDiagnosis BlockerLocked() const;
  // Why the activation `active` on `device` ended without coming up.
  StartDiagnosis EndedActivationLocked(const std::string& device, const std::string& active) const;
  // What a refused activation request means.
  static StartDiagnosis RefusalOf(const std::string& dbus_error);
  // Queue work for the reporter thread, which runs it in order without `mutex_`.
  void Post(std::function<void()> work);
  void Report(std::function<void(services::WirelessDriverEvents*)> report);
  void RunReporter();
  void WatchStations(const std::string& ifname);

  Options options_;
  std::string login_;

  std::unique_ptr<sdbus::IConnection> connection_;
  std::vector<sdbus::Slot> slots_;

  // Serialises reports and Attach, so a detached service hears nothing more.
  std::mutex report_mutex_;
  services::WirelessDriverEvents* events_ = nullptr;  // guarded by report_mutex_

  mutable std::mutex mutex_;
  std::condition_variable changed_;     // an activation's progress
  std::condition_variable work_ready_;  // the reporter thread
  bool nm_present_ = false;
  bool wireless_enabled_ = false;
  bool hardware_enabled_ = false;
  bool reported_radio_ = false;
  std::map<std::string, Device> devices_;           // Wi-Fi devices by object path
  std::map<std::string, uint32_t> active_states_;   // active connections seen since our start
  std::map<std::string, uint32_t> active_reasons_;  // and their latest non-zero reasons
  StartDiagnosis last_failure_;                     // of the latest StartAccessPoint
  bool last_start_up_ = false;                      // it brought the access point up
  // NetworkManager's PrimaryConnection (the default route) and the devices it runs over.
  std::string primary_connection_;
  std::vector<std::string> primary_devices_;
  std::string active_path_;    // our access point, once NetworkManager accepted it
  std::string active_device_;  // the device it runs on
  bool active_up_ = false;     // reached ACTIVATED and not stopped by us
  bool starting_ = false;      // an activation is under way: note active connections' states
  std::string wpa_interface_;  // wpa_supplicant's object for the access point's interface
  std::set<services::MacAddress> stations_;  // reported as joined since the access point came up
  std::deque<std::function<void()>> work_;
  bool stopping_ = false;

  services::StoredSettings settings_;

  std::unique_ptr<StationSource> station_source_;

  std::thread reporter_;
  std::thread loop_;  // the bus's event loop
};

}  // namespace platform::nm
