#include "app/data_folder.h"

#include <system_error>

namespace app {

std::vector<std::filesystem::path> DataFolderCandidates(const std::filesystem::path& executable) {
  if (!executable.is_absolute() || !executable.has_filename())
    return {};
  std::filesystem::path bin = executable.parent_path().lexically_normal();
  // "/a/bin/." normalises to "/a/bin/"; its share folder is found from "/a/bin".
  if (!bin.has_filename() && bin.has_relative_path())
    bin = bin.parent_path();
  std::vector<std::filesystem::path> folders{bin};
  // A program directly in "/" has no prefix whose share folder could hold its data.
  if (bin.has_relative_path())
    folders.push_back((bin.parent_path() / "share" / "tavlo").lexically_normal());
  return folders;
}

std::filesystem::path FindDataFolder(const std::filesystem::path& executable,
                                     std::string_view file) {
  for (const std::filesystem::path& folder : DataFolderCandidates(executable)) {
    std::error_code error;
    if (std::filesystem::is_regular_file(folder / file, error))
      return folder;
  }
  return {};
}

}  // namespace app
