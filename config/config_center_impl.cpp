#include "config/config_center_impl.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <string_view>
#include <system_error>

#include "config/text.h"

namespace config {
namespace {

// Every operation ends with the file closed, whichever way it returns.
class ScopedClose {
 public:
  explicit ScopedClose(CConfigFile& file) : file_(file) {}
  ScopedClose(const ScopedClose&) = delete;
  ScopedClose& operator=(const ScopedClose&) = delete;
  ~ScopedClose() { file_.Close(); }

 private:
  CConfigFile& file_;
};

// "StrCpyN": at most capacity - 1 units and a NUL. Returns the units of text written.
std::int32_t CopyText(WCHAR* out, std::int32_t capacity, std::u16string_view text) {
  const std::size_t n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(capacity) - 1);
  std::copy_n(text.data(), n, out);
  out[n] = u'\0';
  return static_cast<std::int32_t>(n);
}

template <class T>
T ReadValue(const void* bytes) {
  T value;
  std::memcpy(&value, bytes, sizeof(value));
  return value;
}

}  // namespace

CConfigCenterImpl::CConfigCenterImpl(std::filesystem::path path, CFlushRule* flush_rule)
    : path_(std::move(path)), file_(path_, flush_rule ? flush_rule : &CFlushRule::ForProcess()) {}

CConfigCenterImpl::~CConfigCenterImpl() {
  base::AutoLock guard(lock_);
  file_.Close();
}

std::filesystem::path CConfigCenterImpl::DefaultPath() {
  // Tests and portable set-ups name the file themselves.
  if (const char* named = std::getenv("TAVLO_CONFIG_FILE"); named && named[0] == '/')
    return named;
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || exe.empty())
    return {};
  const char* config_home = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  const std::filesystem::path path = ChoosePath(exe.parent_path(), config_home ? config_home : "",
                                                home ? home : "", &KeepsSettingsBeside);
  // The user's folder may not exist yet; it holds the key, so only the user may look in.
  if (!path.empty() && path.parent_path() != exe.parent_path()) {
    std::filesystem::create_directories(path.parent_path().parent_path(), error);
    ::mkdir(path.parent_path().c_str(), 0700);
  }
  return path;
}

bool CConfigCenterImpl::KeepsSettingsBeside(const std::filesystem::path& folder) {
  // A program run where it was built or unpacked keeps its settings beside it; an installed one
  // (its skin is in ../share/tavlo) never writes into /usr/bin, not even as root.
  std::error_code ec;
  return ::access(folder.c_str(), W_OK) == 0 &&
         std::filesystem::is_regular_file(folder / "skin.zip", ec);
}

std::filesystem::path CConfigCenterImpl::ChoosePath(
    const std::filesystem::path& exe_folder,
    std::string_view config_home,
    std::string_view home,
    const std::function<bool(const std::filesystem::path&)>& writable) {
  if (writable(exe_folder))
    return exe_folder / "config.db";
  // A relative XDG_CONFIG_HOME is invalid and is ignored, as the base-directory rules say.
  std::filesystem::path base;
  if (!config_home.empty() && config_home.front() == '/')
    base = config_home;
  else if (!home.empty() && home.front() == '/')
    base = std::filesystem::path(home) / ".config";
  else
    return {};
  return base / "tavlo" / "config.db";
}

std::int32_t CConfigCenterImpl::FindValue(const WCHAR* key,
                                          void* buffer,
                                          std::int32_t capacity,
                                          WORD* type) {
  if (!key)
    return -1;
  base::AutoLock guard(lock_);
  ScopedClose close(file_);
  ByteBuffer container;
  if (file_.LoadContainer(&container) != LoadStatus::kOk)
    return -1;
  RecordView record;
  if (!FindRecord(container, key, &record))
    return -1;
  const std::size_t room = buffer ? static_cast<std::size_t>(std::max(capacity, 0)) : 0;
  const std::size_t n = std::min(record.value_size, room);
  if (n > 0)
    std::memcpy(buffer, record.value, n);
  if (type)
    *type = record.type;
  return static_cast<std::int32_t>(n);
}

WriteResult CConfigCenterImpl::PutValue(const WCHAR* key,
                                        const void* data,
                                        std::int64_t size,
                                        ValueType type) {
  if (!key)
    return WriteResult::kNotWritten;
  const std::u16string_view key_view(key);
  const bool erase = !data || size <= 0;
  if (!erase && static_cast<std::uint64_t>(size) > std::numeric_limits<std::uint32_t>::max())
    return WriteResult::kNotWritten;

  base::AutoLock guard(lock_);
  ScopedClose close(file_);
  ByteBuffer container;
  const LoadStatus status = file_.LoadContainer(&container);
  WriteResult result = WriteResult::kWritten;
  if (status == LoadStatus::kUnavailable || status == LoadStatus::kMissing)
    return WriteResult::kNotWritten;
  if (IsDamaged(status)) {
    // Overwriting would destroy the only copy of whatever the file still holds.
    if (!file_.BackUp())
      return WriteResult::kNotWritten;
    result = WriteResult::kBackedUpAndWritten;
  } else if (status == LoadStatus::kOk && !RemoveRecords(&container, key_view)) {
    // The valid records stay; the unreadable tail is cut, so keep the file as it was too.
    if (!file_.BackUp())
      return WriteResult::kNotWritten;
    result = WriteResult::kBackedUpAndWritten;
  }
  if (!erase) {
    const auto now = static_cast<std::uint32_t>(std::time(nullptr));
    const std::span value(static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(size));
    if (!AppendRecord(&container, key_view, now, static_cast<std::uint16_t>(type), value))
      return WriteResult::kNotWritten;
  }
  if (file_.SaveContainer(container) != SaveStatus::kWritten)
    return WriteResult::kNotWritten;
  return result;
}

std::int32_t CConfigCenterImpl::GetInt(const WCHAR* key, std::int32_t default_value) {
  WCHAR text[32];
  WORD type = 0;
  const std::int32_t n = FindValue(key, text, sizeof(text), &type);
  if (n == 4 && type == static_cast<WORD>(ValueType::kInt))
    return ReadValue<std::int32_t>(text);
  if (n >= 0 && type == static_cast<WORD>(ValueType::kString)) {
    // A 32-unit text has no room for its NUL; it is parsed as far as it was read.
    const auto value = ParseInt(std::u16string_view(text, static_cast<std::size_t>(n) / 2));
    return value.value_or(default_value);
  }
  return default_value;
}

std::int64_t CConfigCenterImpl::GetInt64(const WCHAR* key, std::int64_t default_value) {
  WCHAR text[32];
  WORD type = 0;
  const std::int32_t n = FindValue(key, text, sizeof(text), &type);
  if (n == 8 && type == static_cast<WORD>(ValueType::kInt64))
    return ReadValue<std::int64_t>(text);
  if (n == 4 && type == static_cast<WORD>(ValueType::kInt))
    return ReadValue<std::int32_t>(text);
  if (n >= 0 && type == static_cast<WORD>(ValueType::kString)) {
    const auto value = ParseInt(std::u16string_view(text, static_cast<std::size_t>(n) / 2));
    return value ? std::int64_t{*value} : default_value;
  }
  return default_value;
}

std::int32_t CConfigCenterImpl::GetString(const WCHAR* key,
                                          const WCHAR* default_value,
                                          WCHAR* out,
                                          std::int32_t capacity) {
  if (capacity < 1 || !out)
    return 0;
  const std::int64_t bytes = std::min<std::int64_t>(std::int64_t{capacity} * 2,
                                                    std::numeric_limits<std::int32_t>::max() & ~1);
  WORD type = 0;
  const std::int32_t n = FindValue(key, out, static_cast<std::int32_t>(bytes), &type);
  if (n == 4 && type == static_cast<WORD>(ValueType::kInt))
    return CopyText(out, capacity, FormatDecimal(ReadValue<std::int32_t>(out)));
  if (n == 8 && type == static_cast<WORD>(ValueType::kInt64))
    return CopyText(out, capacity, FormatDecimal(ReadValue<std::int64_t>(out)));
  if (n >= 0 && type == static_cast<WORD>(ValueType::kString)) {
    const std::size_t units = static_cast<std::size_t>(n) / 2;
    out[capacity - 1] = u'\0';
    // A stored text always ends with its NUL; one that does not must not leave the caller
    // reading the buffer's old content after it.
    if (units < static_cast<std::size_t>(capacity) &&
        std::find(out, out + units, u'\0') == out + units)
      out[units] = u'\0';
    return static_cast<std::int32_t>(units);
  }
  return CopyText(out, capacity, default_value ? std::u16string_view(default_value) : u"");
}

std::int32_t CConfigCenterImpl::GetBinary(const WCHAR* key,
                                          const void* default_value,
                                          void* out,
                                          std::int32_t length) {
  if (length < 1 || !out)
    return 0;
  WORD type = 0;
  const std::int32_t n = FindValue(key, out, length, &type);
  if (n > 0)
    return n;
  if (default_value)
    std::memcpy(out, default_value, static_cast<std::size_t>(length));
  else
    std::memset(out, 0, static_cast<std::size_t>(length));
  return length;
}

std::int32_t CConfigCenterImpl::SetInt(const WCHAR* key, std::int32_t value) {
  PutValue(key, &value, sizeof(value), ValueType::kInt);
  return 0;
}

std::int64_t CConfigCenterImpl::SetInt64(const WCHAR* key, std::int64_t value) {
  PutValue(key, &value, sizeof(value), ValueType::kInt64);
  return 0;
}

std::int32_t CConfigCenterImpl::SetString(const WCHAR* key, const WCHAR* text) {
  const std::int64_t size =
      text ? static_cast<std::int64_t>(2 * (std::u16string_view(text).size() + 1)) : 0;
  PutValue(key, text, size, ValueType::kString);
  return 0;
}

std::int32_t CConfigCenterImpl::SetBinary(const WCHAR* key, const void* data, std::int32_t length) {
  PutValue(key, data, length, ValueType::kBinary);
  return 0;
}

}  // namespace config
