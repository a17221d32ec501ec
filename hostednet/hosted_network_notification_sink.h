// CHostedNetworkNotificationSink: how the hosted-network controller reports state changes,
// arrivals and departures.
//
// Thread affinity: called on the wireless service's thread, outside the controller's lock;
// the replay in CHostedNetwork::RegisterSink calls it on the registering thread, under that
// lock. Calls never overlap.
// Ownership: the station passed in is lent for the call; keep it only with a reference of
// your own. The controller does not own the sink, and the owner deletes it directly (there is
// no virtual destructor), once CHostedNetwork::Close has returned.
#pragma once

#include "hostednet/wlan_station.h"

class CHostedNetworkNotificationSink {
 public:
  // The state became active.
  virtual void OnHostedNetworkStarted() = 0;
  // The state left active; every station has been reported through OnStationLeft before.
  virtual void OnHostedNetworkStopped() = 0;
  // The state became unavailable.
  virtual void OnHostedNetworkUnavailable() = 0;
  // The state became idle from a state other than active.
  virtual void OnHostedNetworkIdle() = 0;
  // A station joined, or is being replayed by RegisterSink.
  virtual void OnStationJoined(CWlanStation* station) = 0;
  virtual void OnStationLeft(CWlanStation* station) = 0;

 protected:
  ~CHostedNetworkNotificationSink() = default;
};
