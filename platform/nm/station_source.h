// platform::nm::StationSource: a follower of the stations of one access point, beside
// wpa_supplicant's signals. It reports a station once it may use the network (authorized) and
// again when it leaves.
//
// Thread affinity: Start and Stop may be called from any thread, not from the callback. The
// callback runs on a thread of the source's own and must not call Start or Stop.
// Ownership: the driver owns its source; the callback belongs to the source until Stop returns.
// Failure: Start returns false (and reports nothing) when the kernel cannot be asked.
#pragma once

#include <functional>
#include <string>

#include "platform/services/hosted_network_settings.h"

namespace platform::nm {

class StationSource {
 public:
  using Callback = std::function<void(const services::MacAddress& mac, bool joined)>;

  virtual ~StationSource() = default;

  // Follows the access point on the interface `ifname`: first the stations already
  // authorized, then each join and leave. A running follow is stopped first.
  virtual bool Start(const std::string& ifname, Callback callback) = 0;
  // Returns once no callback runs and none will.
  virtual void Stop() = 0;
};

}  // namespace platform::nm
