// platform::MessagePoster: queues a message for a window, to be handled later on the window's
// own thread (what posting a window message does).
//
// Thread affinity: Post may be called from any thread and never waits for the handler.
// Failure: Post returns FALSE when the message could not be queued (for example because the
// window is gone); callers that do not care may ignore it.
#pragma once

#include "base/win_types.h"

namespace platform {

class MessagePoster {
 public:
  virtual ~MessagePoster() = default;
  virtual BOOL Post(UINT message, UINT_PTR wparam, INT_PTR lparam) = 0;
};

}  // namespace platform
