// CConfigCenterImpl: the settings store over one file, with nothing kept in memory between
// calls. Every read loads the whole file; every write loads it, changes one record and writes
// it whole again, so the file on disk is always the only copy.
//
// Thread affinity: any thread. Every operation holds the store lock from start to end,
// including all file access, so calls from several threads are serialised.
// Ownership: the store owns its file handle, which is open only while an operation runs.
// Failure: getters fall back to their defaults; writes report through PutValue's result.
// A damaged file reads as empty. The first write after that copies the damaged file to
// "<path>.bad" before it replaces it, and writes nothing if the copy cannot be made; a file
// that cannot be opened or read (another store holds it, out of memory) is never written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>

#include "base/lock.h"
#include "config/config_center.h"
#include "config/config_file.h"
#include "config/flush_rule.h"
#include "config/records.h"

namespace config {

enum class WriteResult {
  kWritten,
  kBackedUpAndWritten,  // the damaged file went to "<path>.bad" first
  kNotWritten,          // the file could not be opened, read, backed up or written
};

class CConfigCenterImpl : public IConfigCenter {
 public:
  // A store on |path|. |flush_rule| (not owned) defaults to the process-wide rule.
  explicit CConfigCenterImpl(std::filesystem::path path, CFlushRule* flush_rule = nullptr);
  CConfigCenterImpl(const CConfigCenterImpl&) = delete;
  CConfigCenterImpl& operator=(const CConfigCenterImpl&) = delete;
  ~CConfigCenterImpl() override;

  // TAVLO_CONFIG_FILE when it names an absolute path; else
  // config.db in the directory of the running executable when that folder is writable and
  // holds the program's skin.zip (a build tree or an unpacked copy), else
  // $XDG_CONFIG_HOME/tavlo/config.db (~/.config when unset), whose folder it makes (0700).
  // Empty when neither can be found; a store on an empty path answers defaults and writes
  // nothing.
  static std::filesystem::path DefaultPath();
  // Whether the executable's `folder` may hold the settings: writable, with skin.zip in it.
  static bool KeepsSettingsBeside(const std::filesystem::path& folder);
  // The choice alone; `writable` answers whether a folder may hold the settings.
  static std::filesystem::path ChoosePath(
      const std::filesystem::path& exe_folder,
      std::string_view config_home,
      std::string_view home,
      const std::function<bool(const std::filesystem::path&)>& writable);

  std::int32_t GetInt(const WCHAR* key, std::int32_t default_value) override;
  std::int64_t GetInt64(const WCHAR* key, std::int64_t default_value) override;
  std::int32_t GetString(const WCHAR* key,
                         const WCHAR* default_value,
                         WCHAR* out,
                         std::int32_t capacity) override;
  std::int32_t GetBinary(const WCHAR* key,
                         const void* default_value,
                         void* out,
                         std::int32_t length) override;
  std::int32_t SetInt(const WCHAR* key, std::int32_t value) override;
  std::int64_t SetInt64(const WCHAR* key, std::int64_t value) override;
  std::int32_t SetString(const WCHAR* key, const WCHAR* text) override;
  std::int32_t SetBinary(const WCHAR* key, const void* data, std::int32_t length) override;

  // The common read: copies at most |capacity| bytes of the value of |key| into |buffer| and
  // stores the record's type. Returns the bytes copied, or -1 when the key is missing.
  std::int32_t FindValue(const WCHAR* key, void* buffer, std::int32_t capacity, WORD* type);

  // The common write: replaces the record of |key| by one holding |size| bytes of |data|, at
  // the end of the container; null |data| or a |size| below 1 deletes the key. The file is
  // written even when nothing changed.
  WriteResult PutValue(const WCHAR* key, const void* data, std::int64_t size, ValueType type);

  const std::filesystem::path& path() const { return path_; }

 private:
  base::ThreadLock lock_;
  const std::filesystem::path path_;
  CConfigFile file_ GUARDED_BY(lock_);
};

// The store GetConfigCenter() gives, with the results its interface leaves out.
CConfigCenterImpl* ProcessConfigCenter();

}  // namespace config
