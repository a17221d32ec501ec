// Line-oriented reads and writes shared by the control server and its client (connecting and
// the peer check: platform/local_socket.h).
//
// Thread affinity: plain functions; any thread.
#pragma once

#include <chrono>
#include <string>

namespace platform::sim::control_socket {

// Reads up to the first line feed into *line (without it). False when the peer closed first,
// the line grew beyond `limit` bytes, or `deadline` passed. `wake_fd`, when not -1, ends the
// wait early when it becomes readable.
bool ReadLine(int fd,
              std::string* line,
              size_t limit,
              std::chrono::steady_clock::time_point deadline,
              int wake_fd = -1);
// Writes all of `data`; false when the peer went away.
bool WriteAll(int fd, const std::string& data);

}  // namespace platform::sim::control_socket
