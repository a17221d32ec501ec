// Why a start failed and whether one would take the computer off the Internet, answered from
// what the signals keep: no call to the bus here.
#include <algorithm>
#include <string_view>

#include "platform/nm/nm_bus_names.h"
#include "platform/nm/nm_wireless_driver.h"

namespace platform::nm {

namespace {

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

StartDiagnosis NmWirelessDriver::DiagnoseStart() const {
  std::lock_guard<std::mutex> guard(mutex_);
  const StartDiagnosis now = BlockerLocked();
  if (now.problem != StartProblem::kNone)
    return now;
  if (last_failure_.problem != StartProblem::kNone)
    return last_failure_;
  // The access point came up, so the start failed on sharing; NetworkManager shares only its
  // default route, and with none there is nothing to share.
  if (last_start_up_ && (primary_connection_.empty() || primary_connection_ == "/"))
    return {StartProblem::kNoInternet};
  return {};
}

bool NmWirelessDriver::StartWouldDropInternet() const {
  std::lock_guard<std::mutex> guard(mutex_);
  const Device* only = nullptr;
  for (const auto& [path, device] : devices_) {
    if (!(device.capabilities & bus::kCapabilityAccessPoint))
      continue;
    if (only)
      return false;  // the other one can host while this one stays online
    only = &device;
  }
  if (!only || only->state != bus::kDeviceActivated)
    return false;
  const std::string& active = only->active_connection;
  if (active.empty() || active == "/" || active == active_path_)
    return false;
  return std::find(primary_devices_.begin(), primary_devices_.end(), only->path) !=
         primary_devices_.end();
}

StartDiagnosis NmWirelessDriver::BlockerLocked() const {
  if (!connection_ || !nm_present_)
    return {StartProblem::kServiceMissing};
  if (devices_.empty())
    return {StartProblem::kNoAdapter};
  if (!AccessPointDeviceLocked())
    return {StartProblem::kNoAccessPointMode};
  if (!wireless_enabled_ || !hardware_enabled_)
    return {StartProblem::kRadioOff};
  return {};
}

StartDiagnosis NmWirelessDriver::EndedActivationLocked(const std::string& device,
                                                       const std::string& active) const {
  if (!nm_present_)
    return {StartProblem::kServiceMissing};
  auto it = devices_.find(device);
  if (it == devices_.end())
    return {StartProblem::kServiceFailed, bus::kDeviceReasonRemoved};
  // The device says what went wrong; the active connection only that its device went away.
  if (it->second.last_reason != 0)
    return {StartProblem::kServiceFailed, it->second.last_reason};
  if (auto reason = active_reasons_.find(active); reason != active_reasons_.end())
    return {StartProblem::kServiceFailed, reason->second, true};
  return {StartProblem::kServiceFailed};
}

StartDiagnosis NmWirelessDriver::RefusalOf(const std::string& dbus_error) {
  // NetworkManager's own refusal, and polkit's or the bus's when they answer for it.
  if (EndsWith(dbus_error, ".PermissionDenied") || EndsWith(dbus_error, ".AccessDenied") ||
      EndsWith(dbus_error, ".NotAuthorized") ||
      EndsWith(dbus_error, ".InteractiveAuthorizationRequired"))
    return {StartProblem::kNotPermitted};
  if (EndsWith(dbus_error, ".ServiceUnknown") || EndsWith(dbus_error, ".NameHasNoOwner") ||
      EndsWith(dbus_error, ".NoServer"))
    return {StartProblem::kServiceMissing};
  // The device or wpa_supplicant cannot do access-point mode after all.
  if (EndsWith(dbus_error, ".IncompatibleConnection"))
    return {StartProblem::kNoAccessPointMode};
  if (EndsWith(dbus_error, ".UnknownDevice"))
    return {StartProblem::kServiceFailed, bus::kDeviceReasonRemoved};
  return {StartProblem::kServiceFailed};
}

}  // namespace platform::nm
