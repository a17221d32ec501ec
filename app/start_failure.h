// What the user is told when the program cannot start: a headline for what could not be had
// and the reason, in the program's language (UTF-8). Plain functions; thread-safe.
#pragma once

#include <string>

#include "base/private_folder.h"

namespace app {

enum class StartFailure {
  kRuntimeFolder,    // no private folder for the instance's objects
  kInstanceLock,     // the single-instance lock could not be made
  kStateFolder,      // the simulated system's state folder is refused
  kInstanceChannel,  // the socket that a second start reaches could not be made
  kSkinMissing,      // no skin archive beside the program or in its share folder
};

inline constexpr char16_t kStartFailureCaption[] = u"提示";

// Headline, a blank line, then the reason. A socket that could not be made is reported as a
// system error on its path.
std::string StartFailureText(StartFailure what, const base::FolderProblem& problem);

}  // namespace app
