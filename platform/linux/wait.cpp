#include "platform/linux/wait.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <vector>

namespace platform::posix {

namespace {
constexpr int kRecheckMs = 10;
}  // namespace

DWORD WaitForAnyObject(std::span<Waitable* const> objects, DWORD timeout_ms) {
  if (objects.empty())
    return WAIT_FAILED;
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::vector<pollfd> fds;
  for (;;) {
    fds.clear();
    bool unpollable = false;
    for (size_t i = 0; i < objects.size(); ++i) {
      if (objects[i]->IsSignalled())
        return WAIT_OBJECT_0 + static_cast<DWORD>(i);
      int fd = objects[i]->PollFd();
      if (fd >= 0)
        fds.push_back({fd, POLLIN, 0});
      else
        unpollable = true;
    }
    int slice = -1;
    if (timeout_ms != INFINITE) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0)
        return WAIT_TIMEOUT;
      slice = static_cast<int>(std::min<long long>(left, 1 << 30));
    }
    if (unpollable && (slice < 0 || slice > kRecheckMs))
      slice = kRecheckMs;
    int rc = poll(fds.data(), fds.size(), slice);
    if (rc < 0 && errno != EINTR)
      return WAIT_FAILED;
    // Whatever woke us, the states are checked again at the top.
  }
}

}  // namespace platform::posix
