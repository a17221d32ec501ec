#include "helper/sharing.h"

#include <net/if.h>

#include <cstdlib>

#include "helper/dnsmasq.h"
#include "helper/net_config.h"
#include "helper/nft_table.h"

namespace helper {

namespace {

constexpr char kAddr[] = "addr", kForward[] = "forward", kNft[] = "nft", kDnsmasq[] = "dnsmasq";

std::string Failed(const std::string& why) {
  return "error failed " + why;
}

}  // namespace

std::string Sharing::Share(const std::string& public_if, const std::string& private_if) {
  if (active_)
    return "error busy already sharing";
  for (const std::string* name : {&public_if, &private_if}) {
    if (if_nametoindex(name->c_str()) == 0)
      return "error no-such-interface " + *name;
  }
  std::string error;
  auto fail = [&](const std::string& why) {
    UndoAll();
    return Failed(why);
  };

  const RecordEntry addr{kAddr, private_if};
  if (!record_->Add(addr))
    return fail(record_->error());
  bool existed = false;
  if (!AddPrivateAddress(private_if, &existed, &error))
    return fail(error);
  if (existed)
    record_->Remove(addr);  // not ours: leave it in place afterwards

  const std::string previous = ReadForwarding(&error);
  if (previous.empty())
    return fail(error);
  const RecordEntry forward{kForward, previous};
  if (!record_->Add(forward))
    return fail(record_->error());
  if (!WriteForwarding("1", &error))
    return fail(error);

  if (!record_->Add({kNft, kNftTable}))
    return fail(record_->error());
  if (!NftApplyShare(public_if, private_if, &error))
    return fail(error);

  // The pid is known only after the start; a marker first keeps a crash in between undoable
  // (the undo also ends a dnsmasq whose pid file is in our folder).
  const RecordEntry pending{kDnsmasq, "starting"};
  if (!record_->Add(pending))
    return fail(record_->error());
  const pid_t pid = StartDnsmasq(private_if, record_->folder(), &error);
  if (pid < 0)
    return fail(error);
  record_->Add({kDnsmasq, std::to_string(pid)});
  record_->Remove(pending);
  active_ = true;

  std::string warning;
  for (const ForeignChain& c : SystemForwardDropChains()) {
    if (!warning.empty())
      warning += "; ";
    warning += "table " + c.family + " " + c.table + " chain " + c.chain;
  }
  if (!warning.empty()) {
    return "warn 防火墙的转发链默认丢弃数据（" + warning +
           "），连接的设备可能无法上网：请在其中允许从 " + private_if + " 到 " + public_if +
           " 的转发，或关闭该防火墙规则";
  }
  return "ok";
}

std::string Sharing::Unshare() {
  active_ = false;
  if (!UndoAll())
    return Failed("could not undo everything: " + record_->file().string());
  return "ok";
}

bool Sharing::Undo(const RecordEntry& e) {
  std::string error;
  if (e.kind == kAddr)
    return RemovePrivateAddress(e.value, &error);
  if (e.kind == kForward)
    return WriteForwarding(e.value, &error);
  if (e.kind == kNft)
    return NftRemoveTable(&error);
  if (e.kind == kDnsmasq) {
    if (e.value == "starting") {
      const std::string text = [&] {
        std::string s;
        FILE* f = std::fopen((record_->folder() / "dnsmasq.pid").c_str(), "r");
        if (f) {
          char buf[32] = {};
          if (std::fgets(buf, sizeof buf, f))
            s = buf;
          std::fclose(f);
        }
        return s;
      }();
      const long pid = std::strtol(text.c_str(), nullptr, 10);
      return pid <= 1 || StopDnsmasq(static_cast<pid_t>(pid), record_->folder());
    }
    char* end = nullptr;
    const long pid = std::strtol(e.value.c_str(), &end, 10);
    if (*end != '\0')
      return true;  // malformed: nothing we could end
    return StopDnsmasq(static_cast<pid_t>(pid), record_->folder());
  }
  return false;
}

bool Sharing::Owns(const RecordEntry& e) {
  return e.kind == kAddr || e.kind == kForward || e.kind == kNft || e.kind == kDnsmasq;
}

bool Sharing::UndoAll() {
  const std::vector<RecordEntry> entries = record_->Entries();
  bool all = true;
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    if (!Owns(*it))
      continue;  // another part of the helper undoes its own changes
    if (Undo(*it))
      record_->Remove(*it);
    else
      all = false;
  }
  active_ = false;
  return all;
}

}  // namespace helper
