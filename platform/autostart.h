// The machine-wide "start at logon" entries, the counterpart of values under the Run key: each
// has a name and holds one command line.
//
// Threading: one object is used from one thread at a time. Entries are files other processes
// may change at any time; every call reads or writes the current state.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

class AutostartStore {
 public:
  virtual ~AutostartStore() = default;

  // RegCreateKeyW counterpart: makes sure the place that holds the entries exists. False when
  // it neither exists nor can be created; the other calls then fail too.
  virtual bool Open() = 0;

  // The command line of entry `name`; nullopt when it is missing or cannot be read.
  virtual std::optional<std::u16string> Read(std::u16string_view name) = 0;

  // Creates or replaces entry `name`, atomically: readers see the old entry or the new one.
  virtual bool Write(std::u16string_view name, std::u16string_view command_line) = 0;

  // Removes entry `name`. True also when it was already missing.
  virtual bool Remove(std::u16string_view name) = 0;
};

}  // namespace platform
