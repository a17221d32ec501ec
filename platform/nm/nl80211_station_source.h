// platform::nm::Nl80211StationSource: stations from the kernel's wireless configuration
// interface (nl80211), which needs no privileges and works under any access-point stack. A
// station is reported as joined once its flags say authorized: a GET_STATION dump when the
// follow starts, then NEW_STATION/DEL_STATION on the "mlme" multicast group. NEW_STATION comes
// at association, before the key handshake, so an unauthorized station is asked about again
// until it is authorized or gone. A lost multicast message (socket overrun) leads to a fresh
// dump that is compared with what was reported.
//
// Thread affinity, ownership, failure: as StationSource. Start fails when the interface does
// not exist or nl80211 is missing (no wireless stack in the kernel).
#pragma once

#include <array>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "platform/nm/nl80211_station_parser.h"
#include "platform/nm/station_source.h"

struct nl_sock;

namespace platform::nm {

class Nl80211StationSource final : public StationSource {
 public:
  Nl80211StationSource() = default;
  ~Nl80211StationSource() override;
  Nl80211StationSource(const Nl80211StationSource&) = delete;
  Nl80211StationSource& operator=(const Nl80211StationSource&) = delete;

  bool Start(const std::string& ifname, Callback callback) override;
  void Stop() override;

 private:
  using Mac = std::array<uint8_t, 6>;

  void StopLocked();  // `control_` held
  // All below on the follow thread.
  void Run();
  void Resync();
  void Handle(const StationMessage& message);
  void Joined(const Mac& mac);
  void Left(const Mac& mac);
  // GET_STATION for one MAC, or a dump of the interface (mac null). nullopt: the kernel did
  // not answer; an empty list: no such station.
  std::optional<std::vector<StationMessage>> Query(const Mac* mac);
  void RecheckPending();

  std::mutex control_;  // serialises Start and Stop
  std::thread thread_;
  int wake_ = -1;  // eventfd that ends the follow thread
  nl_sock* events_ = nullptr;
  nl_sock* queries_ = nullptr;
  int family_ = 0;
  unsigned ifindex_ = 0;
  Callback callback_;
  std::set<Mac> joined_;   // reported as joined
  std::set<Mac> pending_;  // associated, not yet authorized
  bool overrun_ = false;
};

}  // namespace platform::nm
