#include "platform/services/netsh_interpreter.h"

#include "platform/services/wireless_service.h"

namespace platform::services {

namespace {

constexpr char16_t kAllowLine[] = u"cmd.exe /c netsh wlan set hostednetwork mode=allow";
constexpr char16_t kStartLine[] = u"cmd.exe /c netsh wlan start hostednetwork";
constexpr char16_t kStopLine[] = u"cmd.exe /c netsh wlan stop hostednetwork";

}  // namespace

NetshInterpreter::NetshInterpreter(WirelessService& service)
    : service_(service), thread_(&NetshInterpreter::Run, this) {}

NetshInterpreter::~NetshInterpreter() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
  idle_.notify_all();
}

void NetshInterpreter::RunDetached(const std::u16string& command_line) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    received_.push_back(command_line);
    ++given_;
    pending_.push_back(
        {command_line, std::chrono::steady_clock::now() + std::chrono::milliseconds(delay_ms_)});
  }
  wake_.notify_all();
}

void NetshInterpreter::SetDelay(DWORD milliseconds) {
  std::lock_guard<std::mutex> guard(mutex_);
  delay_ms_ = milliseconds;
}

DWORD NetshInterpreter::delay() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return delay_ms_;
}

std::vector<std::u16string> NetshInterpreter::ReceivedLines() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return received_;
}

void NetshInterpreter::WaitUntilIdle() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (std::this_thread::get_id() == thread_.get_id())
    return;
  const unsigned long long target = given_;
  idle_.wait(lock, [this, target] { return done_ >= target || stopping_; });
}

void NetshInterpreter::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    wake_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
    if (stopping_)
      return;
    // Lines keep their order even when a shorter delay was set after an earlier line.
    const auto due = pending_.front().due;
    if (wake_.wait_until(lock, due, [this] { return stopping_; }))
      return;
    Pending next = std::move(pending_.front());
    pending_.pop_front();
    lock.unlock();
    Carry(next.line);
    lock.lock();
    ++done_;
    idle_.notify_all();
  }
}

void NetshInterpreter::Carry(const std::u16string& line) {
  if (line == kAllowLine)
    service_.Allow(true);
  else if (line == kStartLine)
    service_.Start();
  else if (line == kStopLine)
    service_.Stop();
}

}  // namespace platform::services
