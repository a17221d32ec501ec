// The activation message between two instances of the program in the same scope as the
// single-instance lock: the running instance listens, a second one broadcasts and ends.
//
// Threading: Listen, Stop and Broadcast are called from one thread. The activation callback
// runs on the channel's own thread, once per accepted message; it must return quickly (post to
// your own thread) and must not call Stop.
#pragma once

#include <functional>

namespace platform {

class InstanceChannel {
 public:
  using ActivateCallback = std::function<void()>;

  virtual ~InstanceChannel() = default;

  // Starts listening. False when another live listener owns the channel, or on error (errno
  // says which); nothing is then listening.
  virtual bool Listen(ActivateCallback on_activate) = 0;

  // Stops listening; waits for a running callback to return. Safe to call when not listening.
  virtual void Stop() = 0;

  // Sends the activation message. True when a listener of the same user took it. Bounded.
  virtual bool Broadcast() = 0;
};

}  // namespace platform
