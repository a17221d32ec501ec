#include "platform/nm/reverse_lookup.h"

#include <arpa/inet.h>
#include <arpa/nameser.h>
#include <netinet/in.h>
#include <poll.h>
#include <resolv.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform::nm {

namespace {

class Socket {
 public:
  Socket() : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}
  ~Socket() {
    if (fd_ >= 0)
      ::close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

bool IsUsableHostName(std::string_view name) {
  if (name.empty() || name.size() > 253)
    return false;
  for (char c : name) {
    if (c <= ' ' || c > '~' || c == '\\')
      return false;
  }
  return true;
}

std::optional<std::string> PtrNameFromAnswer(const uint8_t* answer, size_t size) {
  ns_msg message;
  if (!answer || size > 65535 || ns_initparse(answer, static_cast<int>(size), &message) < 0)
    return std::nullopt;
  if (!ns_msg_getflag(message, ns_f_qr) || ns_msg_getflag(message, ns_f_rcode) != ns_r_noerror)
    return std::nullopt;
  for (int i = 0; i < ns_msg_count(message, ns_s_an); ++i) {
    ns_rr record;
    if (ns_parserr(&message, ns_s_an, i, &record) < 0)
      return std::nullopt;
    if (ns_rr_type(record) != ns_t_ptr || ns_rr_class(record) != ns_c_in)
      continue;
    char name[NS_MAXDNAME];
    if (dn_expand(ns_msg_base(message), ns_msg_end(message), ns_rr_rdata(record), name,
                  sizeof(name)) < 0)
      continue;
    std::string text = name;
    if (!text.empty() && text.back() == '.')
      text.pop_back();
    if (IsUsableHostName(text))
      return text;
  }
  return std::nullopt;
}

std::optional<std::string> ReverseLookup(const std::string& ipv4,
                                         const std::string& server,
                                         std::chrono::milliseconds timeout) {
  in_addr address{}, server_address{};
  if (inet_pton(AF_INET, ipv4.c_str(), &address) != 1 ||
      inet_pton(AF_INET, server.c_str(), &server_address) != 1)
    return std::nullopt;
  const auto* b = reinterpret_cast<const uint8_t*>(&address.s_addr);
  const std::string question = std::to_string(b[3]) + "." + std::to_string(b[2]) + "." +
                               std::to_string(b[1]) + "." + std::to_string(b[0]) + ".in-addr.arpa";
  uint8_t query[NS_PACKETSZ];
  const int query_size = res_mkquery(ns_o_query, question.c_str(), ns_c_in, ns_t_ptr, nullptr, 0,
                                     nullptr, query, sizeof(query));
  if (query_size < NS_HFIXEDSZ)
    return std::nullopt;

  Socket socket;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(NS_DEFAULTPORT);
  to.sin_addr = server_address;
  // Connected: answers from anywhere else are not delivered.
  if (socket.fd() < 0 ||
      ::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&to), sizeof(to)) < 0 ||
      ::send(socket.fd(), query, query_size, 0) != query_size)
    return std::nullopt;

  const auto deadline = std::chrono::steady_clock::now() + timeout;
  uint8_t answer[NS_MAXMSG];
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
      return std::nullopt;
    pollfd fd{socket.fd(), POLLIN, 0};
    const int ready = ::poll(&fd, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR)
      continue;
    if (ready <= 0)
      return std::nullopt;
    const ssize_t size = ::recv(socket.fd(), answer, sizeof(answer), 0);
    if (size < 0)
      return std::nullopt;  // refused: nothing listens there
    // Not the answer to this query.
    if (size < NS_HFIXEDSZ || std::memcmp(answer, query, 2) != 0)
      continue;
    return PtrNameFromAnswer(answer, static_cast<size_t>(size));
  }
}

}  // namespace platform::nm
