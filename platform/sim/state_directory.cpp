#include "platform/sim/state_directory.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

std::filesystem::path ControlSocketPath(const std::filesystem::path& state_dir) {
  return state_dir / "control.sock";
}

base::FolderProblem PrepareStateDirectory(const std::filesystem::path& state_dir) {
  std::error_code ec;
  std::filesystem::path folder = std::filesystem::absolute(state_dir, ec);
  if (ec)
    return base::FolderProblem::System(state_dir.string(), ec.value());
  folder = folder.lexically_normal();
  if (!folder.has_filename() && folder.has_parent_path())
    folder = folder.parent_path();
  // Missing folders on the way are made private too, as the base-directory rules ask.
  std::filesystem::path walked;
  for (const std::filesystem::path& part : folder) {
    walked /= part;
    if (mkdir(walked.c_str(), 0700) != 0 && errno != EEXIST)
      return base::FolderProblem::System(walked.string(), errno);
  }
  const std::string path = folder.string();
  base::FolderProblem problem = base::CheckPrivateFolder(path, geteuid());
  if (problem.kind != base::FolderProblem::kOpenToOthers)
    return problem;
  struct stat st;
  if (lstat(path.c_str(), &st) != 0)
    return base::FolderProblem::System(path, errno);
  if ((st.st_mode & 0022) != 0)
    return problem;  // others could have put anything there already
  if (chmod(path.c_str(), 0700) != 0)
    return base::FolderProblem::System(path, errno);
  return {};
}

}  // namespace platform::sim
