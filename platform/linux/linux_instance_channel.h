// InstanceChannel on Linux: a sequenced-packet socket in the abstract namespace, named after the
// effective user id and the message name, so each user has a channel of their own.
//
// The running instance binds the name (only one live socket can) and serves it on a thread of
// its own. A broadcaster connects, sends the message name, and waits for a one-byte answer that
// the listener sends after the callback ran. Either side drops a peer whose effective user id
// (SO_PEERCRED) differs from its own: abstract names are open to every user of the machine.
//
// Threading: see InstanceChannel. The object must outlive nothing of its own: the destructor
// stops the thread.
#pragma once

#include <string>
#include <string_view>

#include "platform/abstract_socket.h"
#include "platform/instance_channel.h"

namespace platform {

class LinuxInstanceChannel : public InstanceChannel {
 public:
  // `message_name`: the registered activation message's name.
  explicit LinuxInstanceChannel(std::u16string_view message_name);
  ~LinuxInstanceChannel() override;

  bool Listen(ActivateCallback on_activate) override;
  void Stop() override;
  // Waits at most kReplyTimeoutMs for the listener's answer.
  bool Broadcast() override;

  // The socket address without its leading NUL.
  const std::string& address() const { return address_; }

  static constexpr int kReplyTimeoutMs = 2000;

 private:
  void HandleConnection(int fd, int stop_fd, const ActivateCallback& on_activate);

  const std::string message_;
  const std::string address_;
  AbstractSocketListener listener_;
};

}  // namespace platform
