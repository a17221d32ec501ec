#include "hostednet/notification_sink.h"

#include <cstring>
#include <new>

CNotificationSink::CNotificationSink(platform::MessagePoster* window) : window_(window) {}

CNotificationSink::~CNotificationSink() {
  queue_.RemoveAll();
}

void CNotificationSink::OnHostedNetworkStarted() {
  PostEvent(HostedNetworkEvent::Started);
}

void CNotificationSink::OnHostedNetworkStopped() {
  PostEvent(HostedNetworkEvent::Stopped);
}

void CNotificationSink::OnHostedNetworkUnavailable() {
  PostEvent(HostedNetworkEvent::Unavailable);
}

void CNotificationSink::OnHostedNetworkIdle() {
  PostEvent(HostedNetworkEvent::Idle);
}

void CNotificationSink::OnStationJoined(CWlanStation* station) {
  PostStation(HostedNetworkEvent::DeviceJoined, station);
}

void CNotificationSink::OnStationLeft(CWlanStation* station) {
  PostStation(HostedNetworkEvent::DeviceLeft, station);
}

void CNotificationSink::PostEvent(HostedNetworkEvent kind) {
  Post(new (std::nothrow) CHostedNetworkNotification(kind));
}

void CNotificationSink::PostStation(HostedNetworkEvent kind, CWlanStation* station) {
  if (!station)
    return;
  BYTE mac[6];
  std::memcpy(mac, station->mac(), sizeof(mac));
  // Every event gets a device of its own; the device list matches them by address.
  CWlanDevice* device = new (std::nothrow) CWlanDevice(mac);
  if (!device)
    return;
  Post(new (std::nothrow) CHostedNetworkNotification(kind, device));
  device->Release();
}

void CNotificationSink::Post(CHostedNetworkNotification* notification) {
  if (!notification)
    return;
  size_t length;
  {
    base::AutoLock<> guard(lock_);
    queue_.AddTail(notification);
    length = queue_.GetCount();
  }
  // Only the change from empty wakes the window: its handler drains everything queued.
  if (length == 1 && window_)
    window_->Post(WM_HOSTEDNETWORK_NOTIFY, 0, 0);
}

CHostedNetworkNotification* CNotificationSink::Pop() {
  base::AutoLock<> guard(lock_);
  return queue_.IsEmpty() ? nullptr : queue_.DetachAt(0);
}
