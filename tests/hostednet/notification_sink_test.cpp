#include "hostednet/notification_sink.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/recording_poster.h"

namespace {

using Kinds = std::vector<HostedNetworkEvent>;

CWlanStation* NewStation(std::initializer_list<BYTE> bytes) {
  DOT11_MAC_ADDRESS mac = {};
  std::copy(bytes.begin(), bytes.end(), mac);
  return new CWlanStation(mac);
}

// Pops everything, as the window's handler does, and returns the kinds in order.
Kinds Drain(CNotificationSink& sink, std::vector<std::u16string>* texts = nullptr) {
  Kinds kinds;
  while (CHostedNetworkNotification* notification = sink.Pop()) {
    kinds.push_back(notification->kind());
    if (texts && notification->device())
      texts->push_back(notification->device()->mac_text());
    notification->Release();
  }
  return kinds;
}

TEST(NotificationSinkTest, OneMessageWakesTheWindowForEverythingQueuedBeforeTheDrain) {
  test::RecordingPoster window;
  CNotificationSink sink(&window);
  CWlanStation* stations[] = {NewStation({1}), NewStation({2}), NewStation({3})};
  for (CWlanStation* station : stations)
    sink.OnStationJoined(station);
  ASSERT_EQ(window.count(), 1u);
  auto message = window.messages()[0];
  EXPECT_EQ(message.message, 0x8001u);
  EXPECT_EQ(message.wparam, 0u);
  EXPECT_EQ(message.lparam, 0);
  std::vector<std::u16string> texts;
  EXPECT_EQ(Drain(sink, &texts), Kinds(3, HostedNetworkEvent::DeviceJoined));
  EXPECT_EQ(texts, (std::vector<std::u16string>{u"01-00-00-00-00-00", u"02-00-00-00-00-00",
                                                u"03-00-00-00-00-00"}));
  sink.OnStationLeft(stations[0]);
  EXPECT_EQ(window.count(), 2u);  // the queue was empty again
  for (CWlanStation* station : stations)
    EXPECT_EQ(station->Release(), 0);  // the sink kept none of them
}

TEST(NotificationSinkTest, EventsQueueInOrderWithTheirKinds) {
  CNotificationSink sink(nullptr);
  CWlanStation* station = NewStation({0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e});
  sink.OnHostedNetworkStarted();
  sink.OnStationLeft(station);
  sink.OnStationLeft(station);
  sink.OnHostedNetworkStopped();
  sink.OnHostedNetworkUnavailable();
  sink.OnHostedNetworkIdle();
  sink.Post(nullptr);
  std::vector<std::u16string> texts;
  EXPECT_EQ(Drain(sink, &texts),
            (Kinds{HostedNetworkEvent::Started, HostedNetworkEvent::DeviceLeft,
                   HostedNetworkEvent::DeviceLeft, HostedNetworkEvent::Stopped,
                   HostedNetworkEvent::Unavailable, HostedNetworkEvent::Idle}));
  EXPECT_EQ(texts, (std::vector<std::u16string>(2, u"00-1A-2B-3C-4D-5E")));
  station->Release();
}

TEST(NotificationSinkTest, DeletingTheSinkReleasesWhatIsStillQueued) {
  auto* sink = new CNotificationSink(nullptr);
  CWlanStation* station = NewStation({1});
  sink->OnStationJoined(station);
  sink->OnStationJoined(station);
  CHostedNetworkNotification* first = sink->Pop();
  CWlanDevice* device = first->device();
  device->AddRef();
  sink->Post(first);  // back in the queue, with a device we can watch
  EXPECT_EQ(device->RefCount(), 2);
  delete sink;
  EXPECT_EQ(device->RefCount(), 1);
  device->Release();
  station->Release();
}

}  // namespace
