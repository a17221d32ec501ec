// helper::Sharing: shares one interface (the Internet side) onto another (the private side) and
// undoes it: the private address, IPv4 forwarding, our nftables table and dnsmasq. Every change
// goes into the Record before it is made, so UndoAll can also clean up after an earlier helper
// that died.
//
// Thread affinity: one thread. Ownership: borrows the Record, which must outlive it.
// Failure: Share answers "error failed ..." and undoes what it had done; undo steps that fail
// stay in the record for the next start.
#pragma once

#include <string>

#include "helper/record.h"

namespace helper {

class Sharing {
 public:
  explicit Sharing(Record* record) : record_(record) {}

  bool active() const { return active_; }
  // One answer line without its newline: "ok", "warn ..." or "error NAME ...".
  std::string Share(const std::string& public_if, const std::string& private_if);
  std::string Unshare();
  // Undoes every sharing change in the record, newest first, leaving other kinds alone; true
  // when none is left.
  bool UndoAll();
  // Whether `entry` is a sharing change.
  static bool Owns(const RecordEntry& entry);

 private:
  bool Undo(const RecordEntry& entry);

  Record* record_;
  bool active_ = false;
};

}  // namespace helper
