// Where the program's read-only data (the skin archive) lives, found from the executable's own
// path and never from the current folder. Plain functions over the file system; thread-safe.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace app {

inline constexpr char kSkinArchive[] = "skin.zip";

// The folders searched for `file`, in order, for the executable at `executable`: its own
// folder (a build tree, where the build puts the data beside the programs), then
// ../share/tavlo from it (an installed program: <prefix>/bin and <prefix>/share). Empty when
// `executable` is not an absolute path: a relative one would be read from the current folder.
std::vector<std::filesystem::path> DataFolderCandidates(const std::filesystem::path& executable);

// The first candidate that holds `file` as a regular file (or a link to one); empty when none
// does, including when `executable` is relative.
std::filesystem::path FindDataFolder(const std::filesystem::path& executable,
                                     std::string_view file);

}  // namespace app
