// The "start at logon" entry of the program: the entry "Tavlo" in the machine-wide autostart
// store holds the program's quoted path and "/start".
//
// Threading: call from one thread (the UI thread). Failure: reported only through the results;
// without the right to write the store nothing changes and IsAutorunEnabled stays truthful.
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

  // The quoted executable path, one blank and "/start".
  std::u16string CommandLine() const;

 private:
  platform::AutostartStore& store_;
  const std::u16string executable_path_;
};

// StrCmpIW counterpart: equal without regard to letter case.
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);

}  // namespace app
