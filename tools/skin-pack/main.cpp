// tavlo-skin-pack: packs every file of a folder into a zip, named by its path inside the
// folder ("menu.xml", "web/advContainer.html").
//
//   tavlo-skin-pack OUTPUT.zip FOLDER
//
// Names are sorted and every entry gets one fixed time and no extra fields, so the same inputs
// give the same bytes build after build. libzip writes a temporary file and renames it over
// OUTPUT on success, so a failed run never leaves a half-written archive. Exits 1 on failure.
#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr time_t kEntryTime = 1420070400;  // 2015-01-01 00:00:00 UTC

int Fail(const std::string& what) {
  std::fprintf(stderr, "tavlo-skin-pack: %s\n", what.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: tavlo-skin-pack OUTPUT.zip FOLDER\n");
    return 2;
  }
  const std::filesystem::path output = argv[1];
  const std::filesystem::path folder = argv[2];

  std::error_code ec;
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ec)) {
    if (entry.is_regular_file())
      names.push_back(entry.path().lexically_relative(folder).generic_string());
  }
  if (ec)
    return Fail("cannot read " + folder.string() + ": " + ec.message());
  if (names.empty())
    return Fail("nothing to pack in " + folder.string());
  std::sort(names.begin(), names.end());

  int error = 0;
  zip_t* archive = zip_open(output.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!archive)
    return Fail("cannot create " + output.string());
  for (const std::string& name : names) {
    const std::string path = (folder / name).string();
    zip_source_t* source = zip_source_file(archive, path.c_str(), 0, -1);
    zip_int64_t index = source ? zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
    if (index < 0) {
      if (source)
        zip_source_free(source);
      zip_discard(archive);
      return Fail("cannot add " + path);
    }
    // Fixed time, and none of the extra fields that would carry the file's own times.
    zip_file_set_mtime(archive, static_cast<zip_uint64_t>(index), kEntryTime, 0);
    zip_file_extra_field_delete(archive, static_cast<zip_uint64_t>(index), ZIP_EXTRA_FIELD_ALL,
                                ZIP_FL_CENTRAL | ZIP_FL_LOCAL);
  }
  if (zip_close(archive) != 0) {
    const std::string why = zip_strerror(archive);
    zip_discard(archive);
    return Fail("cannot write " + output.string() + ": " + why);
  }
  return 0;
}
