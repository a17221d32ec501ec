// Stations join and leave through the service's thread while the window's thread drains the
// sink, then Close runs on the window's thread in the middle of it. Meant for the thread and
// address sanitizers as much as for its own checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include "hosted_network_fixture.h"
#include "hostednet/notification_sink.h"
#include "support/recording_poster.h"

namespace {

class HostedNetworkStressTest : public test::HostedNetworkTest {
 protected:
  // The window's side: drains on every wake-up and keeps the device list as the window does.
  void RunWindow(const std::function<void(int handled)>& after_drain) {
    size_t seen = 0;
    int handled = 0;
    while (!stop_window_) {
      window_.WaitForMoreThan(seen, std::chrono::milliseconds(5));
      seen = window_.count();
      handled += Drain();
      if (after_drain)
        after_drain(handled);
    }
    Drain();
  }
  int Drain() {
    int handled = 0;
    while (CHostedNetworkNotification* notification = sink_->Pop()) {
      ++handled;
      CWlanDevice* device = notification->device();
      if (notification->kind() == HostedNetworkEvent::DeviceJoined) {
        devices_.push_back(base::RefPtr<CWlanDevice>::Share(device));
      } else if (notification->kind() == HostedNetworkEvent::DeviceLeft) {
        auto it = std::find_if(devices_.begin(), devices_.end(),
                               [device](const auto& d) { return d->SameDevice(*device); });
        if (it != devices_.end())
          devices_.erase(it);
      }
      notification->Release();
    }
    return handled;
  }
  void Drive(std::atomic<bool>& stop, unsigned seed) {
    std::mt19937 random(seed);
    for (int op = 0; !stop; ++op, ++operations_) {
      BYTE last = static_cast<BYTE>(random() % 16);
      if (op % 400 == 399) {
        service_.Stop();
        service_.Start();
      } else if (random() % 2) {
        service_.StationJoin(test::Mac(last));
      } else {
        service_.StationLeave(test::Mac(last));
      }
    }
  }
  std::vector<BYTE> WindowDevices() {
    std::vector<BYTE> lasts;
    for (const auto& device : devices_)
      lasts.push_back(device->mac()[5]);
    std::sort(lasts.begin(), lasts.end());
    return lasts;
  }

  // Waits, with a bound, until the driver has made `count` more changes.
  bool WaitForOperations(int count) {
    const int target = operations_ + count;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (operations_ < target && std::chrono::steady_clock::now() < deadline)
      std::this_thread::yield();
    return operations_ >= target;
  }

  test::RecordingPoster window_;
  std::unique_ptr<CNotificationSink> sink_ = std::make_unique<CNotificationSink>(&window_);
  std::vector<base::RefPtr<CWlanDevice>> devices_;
  std::atomic<bool> stop_window_{false};
  std::atomic<int> operations_{0};
};

TEST_F(HostedNetworkStressTest, TheWindowSeesWhatTheServiceHasAndNothingAfterClose) {
  Configure();
  ASSERT_EQ(service_.Start(), 0u);
  controller_.Open();
  ASSERT_EQ(controller_.RegisterSink(sink_.get()), 0u);

  // Churn, then a quiet point at which the window's list must equal the service's stations.
  {
    std::atomic<bool> stop_driver{false};
    std::thread window([this] { RunWindow(nullptr); });
    std::thread driver([this, &stop_driver] { Drive(stop_driver, 1); });
    EXPECT_TRUE(WaitForOperations(2000));
    stop_driver = true;
    driver.join();
    service_.WaitForDelivery();
    stop_window_ = true;
    window.join();
  }
  std::vector<BYTE> expected;
  for (const auto& mac : service_.GetSnapshot().peers)
    expected.push_back(mac[5]);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(WindowDevices(), expected);

  // Churn again; the window closes the controller part-way through.
  std::atomic<bool> stop_driver{false};
  std::atomic<bool> closed{false};
  size_t posts_at_close = 0;
  stop_window_ = false;
  std::thread driver([this, &stop_driver] { Drive(stop_driver, 2); });
  std::thread window([this, &closed, &posts_at_close] {
    RunWindow([this, &closed, &posts_at_close](int handled) {
      if (!closed && handled > 200) {
        controller_.Close();
        posts_at_close = window_.count();
        closed = true;
      }
    });
  });
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!closed && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(WaitForOperations(400));  // more churn after Close
  stop_driver = true;
  driver.join();
  service_.WaitForDelivery();
  stop_window_ = true;
  window.join();
  ASSERT_TRUE(closed);
  EXPECT_EQ(window_.count(), posts_at_close);
  EXPECT_EQ(sink_->Pop(), nullptr);
  sink_.reset();  // safe once Close has returned
  for (const auto& device : devices_)
    EXPECT_EQ(device->RefCount(), 1);
  EXPECT_EQ(service_.GetSnapshot().open_clients, 0u);
}

}  // namespace
