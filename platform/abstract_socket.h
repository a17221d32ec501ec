// Unix sockets in the abstract namespace, for talk between processes of one user: the address,
// the peer check, and a listener that serves one connection at a time on a thread of its own.
// Abstract names are open to every user of the machine, so the listener drops peers whose
// effective user id (SO_PEERCRED) differs from ours before its handler sees them.
//
// Thread affinity: the functions, any thread. AbstractSocketListener: Start and Stop from one
// thread (the owner's); the handler runs on the listener's thread.
// Ownership: the listener owns its socket and thread; the destructor stops it.
// Failure: Start returns false when the name is taken or no socket can be made.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>

#include <functional>
#include <string>
#include <thread>

namespace platform {

// The address for `name`: a leading NUL, then the name (cut to fit), not terminated.
socklen_t MakeAbstractAddress(const std::string& name, sockaddr_un* address);
bool PeerIsSameUser(int fd);

class AbstractSocketListener {
 public:
  // Serves connection `fd`, which is closed afterwards. `stop_fd` becomes readable when Stop
  // is called: a handler that waits for its peer should wait for that too.
  using Handler = std::function<void(int fd, int stop_fd)>;

  AbstractSocketListener() = default;
  ~AbstractSocketListener();
  AbstractSocketListener(const AbstractSocketListener&) = delete;
  AbstractSocketListener& operator=(const AbstractSocketListener&) = delete;

  // Binds `name` with a socket of `type` (SOCK_STREAM, SOCK_SEQPACKET) and starts serving.
  // False when already listening, too.
  bool Start(const std::string& name, int type, Handler handler);
  // Waits for a connection in progress. Does nothing when not listening.
  void Stop();
  bool listening() const { return listen_fd_ >= 0; }

 private:
  void Serve(const Handler& handler);

  int listen_fd_ = -1;
  int wake_fd_ = -1;  // eventfd that tells Serve to end
  std::thread thread_;
};

}  // namespace platform
