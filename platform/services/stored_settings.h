// platform::services::StoredSettings: the hosted network's settings kept in the program's
// settings store, for the backends whose system keeps none of its own. They live in one record,
// so a change is written whole or not at all:
//   "HostedNetwork"  raw bytes: the settings as SettingsToText writes them (UTF-8 lines)
// A record that does not parse reads as defaults; before the next save replaces it, it is kept
// under "HostedNetwork.damaged", so nothing the user had is lost without a copy.
//
// Thread affinity: any thread; calls are serialised.
// Ownership: the store is not owned and must outlive this object.
// Failure: Save returns false when the store did not write (the previous record stays).
#pragma once

#include <mutex>

#include "config/config_center_impl.h"
#include "platform/services/hosted_network_settings.h"

namespace platform::services {

class StoredSettings {
 public:
  static constexpr char16_t kKey[] = u"HostedNetwork";
  static constexpr char16_t kDamagedKey[] = u"HostedNetwork.damaged";

  explicit StoredSettings(config::CConfigCenterImpl* store) : store_(store) {}

  // Fills `state` from the record, leaving defaults where there is none or it is damaged.
  void Load(WirelessPersistentState* state);
  bool Save(const WirelessPersistentState& state);

 private:
  config::CConfigCenterImpl* const store_;
  std::mutex mutex_;
  bool damaged_ = false;  // the record read last did not parse
};

}  // namespace platform::services
