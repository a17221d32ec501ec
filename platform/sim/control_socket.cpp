#include "platform/sim/control_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform::sim::control_socket {

bool ReadLine(int fd,
              std::string* line,
              size_t limit,
              std::chrono::steady_clock::time_point deadline,
              int wake_fd) {
  line->clear();
  char buffer[512];
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
      return false;
    pollfd fds[2] = {{fd, POLLIN, 0}, {wake_fd, POLLIN, 0}};
    int ready = poll(fds, wake_fd >= 0 ? 2 : 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR)
      continue;
    if (ready <= 0 || (wake_fd >= 0 && fds[1].revents))
      return false;
    ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
      continue;
    if (n <= 0)
      return false;
    const char* end = static_cast<const char*>(std::memchr(buffer, '\n', static_cast<size_t>(n)));
    line->append(buffer, end ? static_cast<size_t>(end - buffer) : static_cast<size_t>(n));
    if (line->size() > limit)
      return false;
    if (end)
      return true;
  }
}

bool WriteAll(int fd, const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace platform::sim::control_socket
