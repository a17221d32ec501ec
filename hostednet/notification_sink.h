// CNotificationSink: the program's hosted-network sink. It turns each event into a queued
// CHostedNetworkNotification (stations become CWlanDevice records with their MAC text) and
// wakes the window with one posted WM_HOSTEDNETWORK_NOTIFY when the queue stops being empty.
// The window's handler calls Pop until it returns null.
//
// Thread affinity: the sink operations and Post run on any thread (the wireless service's);
// Pop runs on the window's thread. The queue has its own lock, held only to append or remove;
// no lock is held while the message is posted.
// Ownership: the queue holds one reference per notification; Pop hands it to the caller.
// Destroying the sink releases what is still queued. The window poster is not owned and must
// outlive the sink.
// Failure: an allocation failure drops the event silently; the result of posting is ignored.
#pragma once

#include "base/lock.h"
#include "base/ref_object_list.h"
#include "base/win_types.h"
#include "hostednet/hosted_network_notification.h"
#include "hostednet/hosted_network_notification_sink.h"
#include "platform/message_poster.h"

// WM_APP + 1, posted with wParam 0 and lParam 0.
constexpr UINT WM_HOSTEDNETWORK_NOTIFY = 0x8001;

class CNotificationSink final : public CHostedNetworkNotificationSink {
 public:
  explicit CNotificationSink(platform::MessagePoster* window);
  ~CNotificationSink();
  CNotificationSink(const CNotificationSink&) = delete;
  CNotificationSink& operator=(const CNotificationSink&) = delete;

  void OnHostedNetworkStarted() override;
  void OnHostedNetworkStopped() override;
  void OnHostedNetworkUnavailable() override;
  void OnHostedNetworkIdle() override;
  void OnStationJoined(CWlanStation* station) override;
  void OnStationLeft(CWlanStation* station) override;

  // Queues `notification`, taking over the caller's reference; null is ignored.
  void Post(CHostedNetworkNotification* notification);
  // The oldest notification with its reference now owned by the caller, or null when empty.
  CHostedNetworkNotification* Pop();

 private:
  void PostEvent(HostedNetworkEvent kind);
  void PostStation(HostedNetworkEvent kind, CWlanStation* station);

  base::ThreadLock lock_;
  CRefObjectList<CHostedNetworkNotification> queue_ GUARDED_BY(lock_);  // oldest first
  platform::MessagePoster* window_;
};
