#include "app/device_facts_feed.h"

#include "duilib/ui_thread.h"

namespace app {

void DeviceFactsFeed::Start(platform::DeviceFactsSource* source, HWND window, Handler handler) {
  Stop();
  if (!source)
    return;
  source_ = source;
  handler_ = std::move(handler);
  inbox_ = std::make_shared<Inbox>();
  auto inbox = inbox_;
  DeviceFactsFeed* self = this;
  source_->Watch([inbox, self, window](const platform::DeviceFacts& facts) {
    bool first;
    {
      std::lock_guard<std::mutex> guard(inbox->mutex);
      if (inbox->stopped)
        return;
      first = inbox->reports.empty();
      inbox->reports[facts.mac] = facts;
    }
    // One closure per burst: the reports filed until it runs go with it. The feed lives as
    // long as the window, and the closure is dropped with the window.
    if (first)
      DuiLib::RunForWindow(window, [inbox, self] {
        if (self->inbox_ == inbox)
          self->TakeReports();
      });
  });
}

void DeviceFactsFeed::Stop() {
  if (!source_)
    return;
  source_->Watch(nullptr);
  {
    std::lock_guard<std::mutex> guard(inbox_->mutex);
    inbox_->stopped = true;
  }
  source_ = nullptr;
  inbox_.reset();
  handler_ = nullptr;
}

void DeviceFactsFeed::TakeReports() {
  std::map<Mac, platform::DeviceFacts> reports;
  {
    std::lock_guard<std::mutex> guard(inbox_->mutex);
    reports.swap(inbox_->reports);
  }
  std::vector<platform::DeviceFacts> changed;
  changed.reserve(reports.size());
  for (auto& [mac, facts] : reports) {
    // A device the source forgot is known by nothing again.
    if (facts.ipv4.empty() && facts.host_name.empty())
      known_.erase(mac);
    else
      known_[mac] = facts;
    changed.push_back(std::move(facts));
  }
  if (handler_ && !changed.empty())
    handler_(changed);
}

std::optional<platform::DeviceFacts> DeviceFactsFeed::Find(const Mac& mac) const {
  if (auto it = known_.find(mac); it != known_.end())
    return it->second;
  if (!source_)
    return std::nullopt;
  return source_->Lookup(mac);
}

}  // namespace app
