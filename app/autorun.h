// The "start at logon" entry of the program: the entry "Tavlo" in the autostart store holds the
// program's quoted path and "/start".
//
// Threading: call from one thread (the UI thread). Failure: SetAutorun answers false and keeps
// the reason (last_failure); without the right to write the store nothing changes and
// IsAutorunEnabled stays truthful.
#pragma once

#include <string>
#include <string_view>

#include "platform/autostart.h"

namespace app {

inline constexpr std::u16string_view kAutorunValueName = u"Tavlo";

class Autorun {
 public:
  // `store` is not owned and must outlive this object. `executable_path`: the program's full
  // path.
  Autorun(platform::AutostartStore& store, std::u16string executable_path);

  // True when the entry holds this program's autorun command line, compared without regard to
  // case. Another path or a missing "/start" counts as absent.
  bool IsAutorunEnabled();

  // Writes or removes the entry; true when it ended in the requested state. Enabling an entry
  // that already holds the command line writes nothing; disabling removes it whatever it holds.
  bool SetAutorun(bool enable);

  // Why the last SetAutorun that answered false did so: the store's reason, or code 0 when
  // every step reported success and the entry still reads otherwise.
  const platform::AutostartFailure& last_failure() const { return failure_; }

  // The quoted executable path, one blank and "/start".
  std::u16string CommandLine() const;

 private:
  platform::AutostartStore& store_;
  const std::u16string executable_path_;
  platform::AutostartFailure failure_;
};

// The message that tells the user the start-at-logon setting was not saved, and why.
std::u16string AutorunFailureText(const platform::AutostartFailure& failure);

// StrCmpIW counterpart: equal without regard to letter case.
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);

}  // namespace app
