#include "platform/nm/nl80211_station_source.h"

#include <errno.h>
#include <linux/nl80211.h>
#include <net/if.h>
#include <netlink/genl/ctrl.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>
#include <netlink/netlink.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <iostream>

namespace platform::nm {

namespace {

using namespace std::chrono_literals;

// How often a station that associated but has not finished its handshake is asked about.
constexpr auto kPendingRecheck = 500ms;

// One query's answer. Replies to an earlier query that timed out may still arrive; only those
// with this query's sequence number count.
struct Collected {
  int family = 0;
  uint32_t seq = 0;
  std::vector<StationMessage> messages;
  bool answered = false;  // a reply came (ends a query for one station)
  bool finished = false;  // the dump's end came
  int error = 0;          // the kernel's errno, positive
  int received = 0;       // messages seen, stale ones included
};

int CollectValid(nl_msg* msg, void* arg) {
  auto* collected = static_cast<Collected*>(arg);
  const nlmsghdr* header = nlmsg_hdr(msg);
  ++collected->received;
  if (header->nlmsg_seq != collected->seq)
    return NL_SKIP;
  if (auto message = ParseStationMessage(header, header->nlmsg_len, collected->family))
    collected->messages.push_back(*message);
  collected->answered = true;
  return NL_OK;
}

int CollectFinish(nl_msg* msg, void* arg) {
  auto* collected = static_cast<Collected*>(arg);
  ++collected->received;
  if (nlmsg_hdr(msg)->nlmsg_seq != collected->seq)
    return NL_SKIP;
  collected->finished = true;
  return NL_STOP;
}

int CollectError(sockaddr_nl*, nlmsgerr* error, void* arg) {
  auto* collected = static_cast<Collected*>(arg);
  ++collected->received;
  if (error->msg.nlmsg_seq != collected->seq)
    return NL_SKIP;
  collected->error = error->error < 0 ? -error->error : EPROTO;
  if (error->error == 0)
    collected->error = 0, collected->answered = collected->finished = true;  // a bare ack
  return NL_STOP;
}

struct EventContext {
  int family = 0;
  std::vector<StationMessage> messages;
};

int EventValid(nl_msg* msg, void* arg) {
  auto* context = static_cast<EventContext*>(arg);
  const nlmsghdr* header = nlmsg_hdr(msg);
  if (auto message = ParseStationMessage(header, header->nlmsg_len, context->family))
    context->messages.push_back(*message);
  return NL_OK;
}

}  // namespace

Nl80211StationSource::~Nl80211StationSource() {
  Stop();
}

bool Nl80211StationSource::Start(const std::string& ifname, Callback callback) {
  std::lock_guard<std::mutex> guard(control_);
  StopLocked();
  const unsigned ifindex = ::if_nametoindex(ifname.c_str());
  if (ifindex == 0) {
    std::cerr << "tavlo: stations not followed through nl80211: no interface " << ifname << "\n";
    return false;
  }
  events_ = nl_socket_alloc();
  queries_ = nl_socket_alloc();
  int group = -1;
  const char* failure = nullptr;
  if (!events_ || !queries_ || genl_connect(events_) < 0 || genl_connect(queries_) < 0)
    failure = "no generic netlink socket";
  else if ((family_ = genl_ctrl_resolve(queries_, "nl80211")) < 0)
    failure = "the kernel has no nl80211";
  else if ((group = genl_ctrl_resolve_grp(queries_, "nl80211", "mlme")) < 0 ||
           nl_socket_add_membership(events_, group) < 0)
    failure = "no nl80211 mlme group";
  else if ((wake_ = ::eventfd(0, EFD_CLOEXEC)) < 0)
    failure = "no eventfd";
  if (failure) {
    std::cerr << "tavlo: stations not followed through nl80211: " << failure << "\n";
    StopLocked();
    return false;
  }
  nl_socket_disable_seq_check(events_);
  nl_socket_set_nonblocking(events_);
  nl_socket_disable_seq_check(queries_);  // checked per query, so late replies are skipped
  // An acknowledgement left behind would be read as the next query's answer.
  nl_socket_disable_auto_ack(queries_);
  // A query the kernel never answers must not hold the follow thread for good.
  timeval timeout{1, 0};
  setsockopt(nl_socket_get_fd(queries_), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
  ifindex_ = ifindex;
  callback_ = std::move(callback);
  thread_ = std::thread(&Nl80211StationSource::Run, this);
  return true;
}

void Nl80211StationSource::Stop() {
  std::lock_guard<std::mutex> guard(control_);
  StopLocked();
}

void Nl80211StationSource::StopLocked() {
  if (thread_.joinable()) {
    const uint64_t one = 1;
    (void)!::write(wake_, &one, sizeof(one));
    thread_.join();
  }
  if (events_)
    nl_socket_free(events_);
  if (queries_)
    nl_socket_free(queries_);
  if (wake_ >= 0)
    ::close(wake_);
  events_ = queries_ = nullptr;
  wake_ = -1;
  callback_ = nullptr;
  joined_.clear();
  pending_.clear();
}

void Nl80211StationSource::Run() {
  EventContext context{family_, {}};
  nl_socket_modify_cb(events_, NL_CB_VALID, NL_CB_CUSTOM, &EventValid, &context);
  Resync();
  auto next_check = std::chrono::steady_clock::now() + kPendingRecheck;
  while (true) {
    pollfd fds[2] = {{wake_, POLLIN, 0}, {nl_socket_get_fd(events_), POLLIN, 0}};
    int timeout = -1;
    if (!pending_.empty()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          next_check - std::chrono::steady_clock::now());
      timeout = static_cast<int>(std::max<int64_t>(0, left.count()));
    }
    if (::poll(fds, 2, timeout) < 0) {
      if (errno == EINTR)
        continue;
      std::cerr << "tavlo: nl80211 station follow ended: poll failed\n";
      return;
    }
    if (fds[0].revents)
      return;
    if (fds[1].revents) {
      const int error = nl_recvmsgs_default(events_);
      for (const StationMessage& message : context.messages)
        Handle(message);
      context.messages.clear();
      if (error < 0 && error != -NLE_AGAIN)
        overrun_ = true;  // messages were lost: what the kernel holds now decides
    }
    if (overrun_) {
      overrun_ = false;
      Resync();
    }
    if (!pending_.empty() && std::chrono::steady_clock::now() >= next_check) {
      RecheckPending();
      next_check = std::chrono::steady_clock::now() + kPendingRecheck;
    }
  }
}

void Nl80211StationSource::Handle(const StationMessage& message) {
  if (message.ifindex != ifindex_)
    return;
  if (message.command == NL80211_CMD_DEL_STATION) {
    pending_.erase(message.mac);
    Left(message.mac);
    return;
  }
  if (joined_.count(message.mac))
    return;
  if (message.authorized.value_or(false)) {
    pending_.erase(message.mac);
    Joined(message.mac);
    return;
  }
  pending_.insert(message.mac);
  RecheckPending();
}

void Nl80211StationSource::RecheckPending() {
  for (auto it = pending_.begin(); it != pending_.end();) {
    const Mac mac = *it;
    auto answer = Query(&mac);
    if (!answer) {
      ++it;
      continue;
    }
    bool keep = false, join = false;
    for (const StationMessage& station : *answer) {
      if (station.mac != mac || station.ifindex != ifindex_)
        continue;
      // A stack that does not report the flag: association is all there is to know.
      join = station.authorized.value_or(true);
      keep = !join;
    }
    it = keep ? std::next(it) : pending_.erase(it);
    if (join)
      Joined(mac);
  }
}

void Nl80211StationSource::Resync() {
  auto dump = Query(nullptr);
  if (!dump)
    return;
  std::set<Mac> authorized;
  pending_.clear();
  for (const StationMessage& station : *dump) {
    if (station.ifindex != ifindex_)
      continue;
    if (station.authorized.value_or(true))
      authorized.insert(station.mac);
    else
      pending_.insert(station.mac);
  }
  const std::set<Mac> joined = joined_;
  for (const Mac& mac : joined) {
    if (!authorized.count(mac))
      Left(mac);
  }
  for (const Mac& mac : authorized)
    Joined(mac);
}

void Nl80211StationSource::Joined(const Mac& mac) {
  if (joined_.insert(mac).second)
    callback_(mac, true);
}

void Nl80211StationSource::Left(const Mac& mac) {
  if (joined_.erase(mac))
    callback_(mac, false);
}

std::optional<std::vector<StationMessage>> Nl80211StationSource::Query(const Mac* mac) {
  nl_msg* msg = nlmsg_alloc();
  if (!msg)
    return std::nullopt;
  const bool dump = mac == nullptr;
  genlmsg_put(msg, NL_AUTO_PORT, NL_AUTO_SEQ, family_, 0, dump ? NLM_F_DUMP : 0,
              NL80211_CMD_GET_STATION, 0);
  nla_put_u32(msg, NL80211_ATTR_IFINDEX, ifindex_);
  if (mac)
    nla_put(msg, NL80211_ATTR_MAC, 6, mac->data());
  const int sent = nl_send_auto(queries_, msg);
  const uint32_t seq = nlmsg_hdr(msg)->nlmsg_seq;
  nlmsg_free(msg);
  if (sent < 0)
    return std::nullopt;
  Collected collected;
  collected.family = family_;
  collected.seq = seq;
  nl_socket_modify_cb(queries_, NL_CB_VALID, NL_CB_CUSTOM, &CollectValid, &collected);
  nl_socket_modify_cb(queries_, NL_CB_FINISH, NL_CB_CUSTOM, &CollectFinish, &collected);
  nl_socket_modify_err_cb(queries_, NL_CB_CUSTOM, &CollectError, &collected);
  auto done = [&] {
    return collected.error != 0 || (dump ? collected.finished : collected.answered);
  };
  while (!done()) {
    const int before = collected.received;
    const int error = nl_recvmsgs_default(queries_);
    // Nothing new: the receive timed out, and a partial answer must not count.
    if (!done() && (error < 0 || collected.received == before))
      return std::nullopt;
  }
  if (collected.error == ENOENT || collected.error == ENODEV)
    return std::vector<StationMessage>{};  // no such station (or interface) any more
  if (collected.error != 0)
    return std::nullopt;
  return collected.messages;
}

}  // namespace platform::nm
