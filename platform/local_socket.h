// Unix sockets at a path, for talk between processes of one user: connecting, the peer check,
// and a listener that serves one connection at a time on a thread of its own.
//
// The socket file belongs in a folder only its user can reach (the runtime folder, the
// simulated system's state folder); the peer check (SO_PEERCRED) is a second line behind that.
// A path too long for a socket address is reached through the folder's descriptor.
//
// Thread affinity: the functions, any thread. LocalSocketListener: Start and Stop from one
// thread (the owner's); the handler runs on the listener's thread.
// Ownership: the listener owns its socket, its lock file descriptor and its thread; the
// destructor stops it.
// Failure: ConnectLocalSocket answers -1 and Start false, with errno set.
#pragma once

#include <functional>
#include <string>
#include <thread>

namespace platform {

// A connected socket of `type` (SOCK_STREAM, SOCK_SEQPACKET), close-on-exec, or -1 with errno:
// ENOENT or ECONNREFUSED when nobody listens, EACCES when the folder is not ours to enter.
int ConnectLocalSocket(const std::string& path, int type);
// True when the peer of `fd` runs with our effective user id.
bool PeerIsSameUser(int fd);

class LocalSocketListener {
 public:
  // Serves connection `fd`, which is closed afterwards. `stop_fd` becomes readable when Stop
  // is called: a handler that waits for its peer should wait for that too.
  using Handler = std::function<void(int fd, int stop_fd)>;

  LocalSocketListener() = default;
  ~LocalSocketListener();
  LocalSocketListener(const LocalSocketListener&) = delete;
  LocalSocketListener& operator=(const LocalSocketListener&) = delete;

  // Binds `path` with a socket of `type` and starts serving. Only one live listener per path:
  // it holds a lock on "<path>.lock" for as long as it listens, so a socket file left by one
  // that died is replaced and a live one's never is. False with errno EADDRINUSE when another
  // listener holds the path, EALREADY when this one listens, or the failed call's errno.
  bool Start(const std::string& path, int type, Handler handler);
  // Waits for a connection in progress and removes the socket file. Does nothing when not
  // listening.
  void Stop();
  bool listening() const { return listen_fd_ >= 0; }

 private:
  void Serve(const Handler& handler);

  std::string path_;
  int lock_fd_ = -1;
  int listen_fd_ = -1;
  int wake_fd_ = -1;  // eventfd that tells Serve to end
  std::thread thread_;
};

}  // namespace platform
