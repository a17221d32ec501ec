#include "platform/sim/state_directory.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace platform::sim {

namespace {

const char* NonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

}  // namespace

std::filesystem::path DefaultStateDirectory() {
  if (const char* dir = NonEmptyEnv("TAVLO_SIM_DIR"))
    return dir;
  // Relative XDG paths are invalid by the base-directory rules and are ignored.
  if (const char* xdg = NonEmptyEnv("XDG_STATE_HOME"); xdg && xdg[0] == '/')
    return std::filesystem::path(xdg) / "tavlo-sim";
  std::filesystem::path home;
  if (const char* env_home = NonEmptyEnv("HOME"))
    home = env_home;
  else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
    home = pw->pw_dir;
  else
    home = "/tmp";
  return home / ".local" / "state" / "tavlo-sim";
}

}  // namespace platform::sim
