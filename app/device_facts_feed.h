// DeviceFactsFeed: brings what a DeviceFactsSource learns of devices to the UI thread. The
// source's thread only files each report; a burst of reports makes one closure on the UI
// thread, which hands the latest facts of every device that changed to the handler at once.
// Facts of devices that have no row yet are kept, so a row that appears later shows them.
//
// Thread affinity: UI thread, except the source's callback, which only files reports.
// Ownership: the source is borrowed and must outlive Stop; the handler runs only while the
// window lives and until Stop.
// Failure: none; a window that is gone drops what was on its way.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "duilib/ui_defs.h"
#include "platform/device_facts.h"

namespace app {

class DeviceFactsFeed {
 public:
  using Mac = std::array<uint8_t, 6>;
  using Handler = std::function<void(const std::vector<platform::DeviceFacts>& changed)>;

  DeviceFactsFeed() = default;
  ~DeviceFactsFeed() { Stop(); }
  DeviceFactsFeed(const DeviceFactsFeed&) = delete;
  DeviceFactsFeed& operator=(const DeviceFactsFeed&) = delete;

  // Watches `source` (null: nothing to watch) for `window`.
  void Start(platform::DeviceFactsSource* source, HWND window, Handler handler);
  // No report is filed or handled afterwards. Safe to call twice.
  void Stop();

  // What is known of `mac`: the facts heard last, else what the source knows now.
  std::optional<platform::DeviceFacts> Find(const Mac& mac) const;

 private:
  // Filed by the source's thread, taken by the UI thread.
  struct Inbox {
    std::mutex mutex;
    std::map<Mac, platform::DeviceFacts> reports;
    bool stopped = false;
  };

  void TakeReports();

  platform::DeviceFactsSource* source_ = nullptr;
  std::shared_ptr<Inbox> inbox_;
  Handler handler_;
  std::map<Mac, platform::DeviceFacts> known_;
};

}  // namespace app
