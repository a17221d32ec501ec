// The client side of the control protocol: one request line out, one reply line back.
//
// Thread affinity: any thread. Blocks for at most the given time.
#pragma once

#include <string>

namespace platform::sim {

enum class ControlClientStatus {
  kReplied,
  kNoServer,     // nothing listens on the name
  kForeignPeer,  // the socket, or its folder, belongs to another user
  kNoReply,      // the server took the request but gave no reply line in time
};

// Sends `request` (one line, without its line feed) to the server listening on the socket at
// `path` and stores the reply line, without its line feed, in *reply.
ControlClientStatus SendControlRequest(const std::string& path,
                                       const std::string& request,
                                       std::string* reply,
                                       int timeout_ms);

}  // namespace platform::sim
