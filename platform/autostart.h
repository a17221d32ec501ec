// The "start at logon" entries, the counterpart of values under the Run key: each has a name and
// holds one command line. What Read answers is what starts at the next logon.
//
// Threading: one object is used from one thread at a time. Entries are files other processes
// may change at any time; every call reads or writes the current state.
// Failure: Open, Write and Remove answer false and leave the reason in LastFailure.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/win_types.h"

namespace platform {

// Why a call of the store failed.
struct AutostartFailure {
  // A Win32 code: ERROR_ACCESS_DENIED, ERROR_PATH_NOT_FOUND, ERROR_DISK_FULL (112), ...
  DWORD code = 0;
  // The folder or file the failing step was about; may be empty.
  std::u16string place;
};

class AutostartStore {
 public:
  virtual ~AutostartStore() = default;

  // RegCreateKeyW counterpart: makes sure the place the entries are written to exists. False
  // when it neither exists nor can be created; Write and Remove then fail too, while Read still
  // answers from what can be read.
  virtual bool Open() = 0;

  // The command line of entry `name`; nullopt when it is missing or cannot be read.
  virtual std::optional<std::u16string> Read(std::u16string_view name) = 0;

  // Creates or replaces entry `name`, atomically: readers see the old entry or the new one.
  virtual bool Write(std::u16string_view name, std::u16string_view command_line) = 0;

  // Makes entry `name` start nothing: removes it, or hides it where it cannot be removed. True
  // also when it was already missing.
  virtual bool Remove(std::u16string_view name) = 0;

  // The reason of the last Open, Write or Remove that answered false; code 0 before any did.
  virtual AutostartFailure LastFailure() const = 0;
};

}  // namespace platform
