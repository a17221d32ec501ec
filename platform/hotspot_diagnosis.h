// platform::HotspotDiagnosis: why the hotspot did not start, and whether starting it would cut
// the computer off the Internet. A backend that knows these things implements it beside its
// wireless service; the window asks it after a failed start and before a start.
//
// Thread affinity: both methods may be called from any thread, at any time, and answer from
// what the backend already knows; neither waits on the system for long.
// Ownership: the backend owns the object; users borrow it for the backend's life.
// Failure: none reported; what the backend cannot tell it answers as kNone / false.
#pragma once

#include <cstdint>

namespace platform {

enum class StartProblem {
  kNone,               // nothing known against a start
  kNoAdapter,          // no wireless adapter at all
  kNoAccessPointMode,  // adapters, but none can be an access point
  kRadioOff,           // the WiFi switch (software or hardware) is off
  kServiceMissing,     // the network service is not running
  kNotPermitted,       // the service refused: the user may not start a hotspot
  kServiceFailed,      // the service accepted the start and then ended it
  kNoInternet,         // the access point could run, but no connection carries the Internet
};

struct StartDiagnosis {
  StartProblem problem = StartProblem::kNone;
  // kServiceFailed: the service's own reason, 0 when it gave none. On NetworkManager a device
  // state reason (NMDeviceStateReason), or, when the device gave none, the active connection's
  // (NMActiveConnectionStateReason, marked by connection_reason).
  uint32_t service_reason = 0;
  bool connection_reason = false;

  friend bool operator==(const StartDiagnosis&, const StartDiagnosis&) = default;
};

class HotspotDiagnosis {
 public:
  virtual ~HotspotDiagnosis() = default;

  // What stands against a start now (no service, no adapter, no access-point mode, radio off);
  // failing that, why the latest start failed (forgotten when the next start begins); failing
  // that, kNoInternet when the latest start brought the access point up but nothing carries
  // the Internet to share; kNone when none is known.
  virtual StartDiagnosis DiagnoseStart() const = 0;

  // True when exactly one adapter can be an access point, it is connected as a client and that
  // connection carries the default route: starting would take the computer off the Internet.
  virtual bool StartWouldDropInternet() const = 0;
};

}  // namespace platform
