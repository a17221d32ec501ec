// platform::sim::SimWirelessDriver: the simulated radio, access point and stations behind the
// shared wireless service, and the "wireless.state" file that keeps its settings.
//
// Thread affinity: every method may be called from any thread. SetRadio, StationJoin and
// StationLeave report to the attached service; they must not be called from inside the
// service's own callbacks into this driver.
// Ownership: owned by the service it drives.
// Failure: StationJoin / StationLeave return the service's answer (ERROR_INVALID_STATE when no
// service is attached); SaveSettings false when the file cannot be written.
#pragma once

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "platform/hotspot_diagnosis.h"
#include "platform/services/wireless_driver.h"
#include "platform/sim/wireless_state_file.h"

namespace platform::sim {

class SimWirelessDriver final : public services::WirelessDriver, public HotspotDiagnosis {
 public:
  // `open` stands in for open(2) in tests.
  SimWirelessDriver(std::filesystem::path state_file, StateFileOpener open);

  // The one wireless interface; fixed, so that it is the same in every run.
  static constexpr GUID kInterfaceGuid = {0x5f1c6a2e,
                                          0x3b7d,
                                          0x4c19,
                                          {0x9a, 0x41, 0x2e, 0x8b, 0x7c, 0x60, 0xd3, 0x15}};

  // What the world around the radio does. Off ends the access point and disconnects the
  // interface.
  void SetRadio(bool on);
  DWORD StationJoin(const services::MacAddress& mac);
  DWORD StationLeave(const services::MacAddress& mac);
  // A further adapter, listed after the connected one.
  void AddInterface(const GUID& guid, WLAN_INTERFACE_STATE state, std::u16string description);

  // services::WirelessDriver
  void Attach(services::WirelessDriverEvents* events) override;
  bool RadioOn() const override;
  std::vector<services::WirelessInterface> Interfaces() const override;
  DWORD StartAccessPoint(const services::AccessPointSettings& settings,
                         services::AccessPointInfo* info) override;
  void StopAccessPoint() override;
  void LoadSettings(services::WirelessPersistentState* state) override;
  bool SaveSettings(const services::WirelessPersistentState& state) override;

  // HotspotDiagnosis: only the radio can stand against a start here, and the access point runs
  // beside the client connection, never instead of it.
  StartDiagnosis DiagnoseStart() const override;
  bool StartWouldDropInternet() const override { return false; }

 private:
  // Serialises reports and Attach, so a detached service hears nothing more. Taken before the
  // service's lock, never while `mutex_` is held.
  std::mutex report_mutex_;
  services::WirelessDriverEvents* events_ = nullptr;  // guarded by report_mutex_

  mutable std::mutex mutex_;
  bool radio_on_ = true;
  bool access_point_up_ = false;
  std::vector<services::WirelessInterface> extra_interfaces_;
  WirelessStateFile file_;
};

}  // namespace platform::sim
