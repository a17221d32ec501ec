// InstanceChannel on Linux: a sequenced-packet socket file in the user's runtime folder, beside
// the single-instance lock file, named after the message ("<message>.sock"). Whoever shares the
// lock's scope shares the channel; another runtime folder is another scope.
//
// The running instance binds the path (only one live listener can: LocalSocketListener) and
// serves it on a thread of its own. A broadcaster connects, sends the message name, and waits
// for a one-byte answer that the listener sends after the callback ran. Either side drops a
// peer whose effective user id (SO_PEERCRED) differs from its own.
//
// Threading: see InstanceChannel. The destructor stops the thread.
// Failure: without a usable runtime folder Listen and Broadcast answer false.
#pragma once

#include <string>
#include <string_view>

#include "platform/instance_channel.h"
#include "platform/local_socket.h"

namespace platform {

class LinuxInstanceChannel : public InstanceChannel {
 public:
  // `message_name`: the registered activation message's name. `folder`: where the socket file
  // lives; empty means base::UserRuntimeFolder() as it is at construction.
  explicit LinuxInstanceChannel(std::u16string_view message_name, std::string folder = {});
  ~LinuxInstanceChannel() override;

  bool Listen(ActivateCallback on_activate) override;
  void Stop() override;
  // Waits at most kReplyTimeoutMs for the listener's answer.
  bool Broadcast() override;

  // The socket file's path; empty when the runtime folder could not be had.
  const std::string& path() const { return path_; }

  static constexpr int kReplyTimeoutMs = 2000;

 private:
  void HandleConnection(int fd, int stop_fd, const ActivateCallback& on_activate);

  const std::string message_;
  const std::string path_;
  LocalSocketListener listener_;
};

}  // namespace platform
