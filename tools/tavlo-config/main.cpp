// tavlo-config: reads and writes a settings file with the store's own code.
//
//   tavlo-config FILE list
//   tavlo-config FILE get int|int64|string|binary KEY [DEFAULT]
//   tavlo-config FILE set int|int64|string|binary KEY VALUE
//   tavlo-config FILE delete KEY
//
// Exit status: 0 done; 1 the file holds no valid container (list) or could not be written;
// 2 usage error.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/hex.h"
#include "config/config_center_impl.h"
#include "config/config_file.h"
#include "config/records.h"
#include "tools/tavlo-config/text_codec.h"

namespace tavlo_config {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr std::int32_t kStringCapacity = 256;

int Usage() {
  std::fputs(
      "usage: tavlo-config FILE list\n"
      "       tavlo-config FILE get int|int64|string|binary KEY [DEFAULT]\n"
      "       tavlo-config FILE set int|int64|string|binary KEY VALUE\n"
      "       tavlo-config FILE delete KEY\n"
      "Binary values are hexadecimal; texts are UTF-8.\n",
      stderr);
  return kExitUsage;
}

std::optional<config::ValueType> ParseType(std::string_view name) {
  if (name == "int")
    return config::ValueType::kInt;
  if (name == "int64")
    return config::ValueType::kInt64;
  if (name == "string")
    return config::ValueType::kString;
  if (name == "binary")
    return config::ValueType::kBinary;
  return std::nullopt;
}

template <class T>
std::optional<T> ParseNumber(std::string_view text) {
  T value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size())
    return std::nullopt;
  return value;
}

std::string FormatValue(const config::RecordView& record, std::string* type_name) {
  std::int32_t i32;
  std::int64_t i64;
  switch (record.type) {
    case static_cast<std::uint16_t>(config::ValueType::kInt):
      *type_name = "int";
      if (record.value_size == sizeof(i32)) {
        std::memcpy(&i32, record.value, sizeof(i32));
        return std::to_string(i32);
      }
      break;
    case static_cast<std::uint16_t>(config::ValueType::kInt64):
      *type_name = "int64";
      if (record.value_size == sizeof(i64)) {
        std::memcpy(&i64, record.value, sizeof(i64));
        return std::to_string(i64);
      }
      break;
    case static_cast<std::uint16_t>(config::ValueType::kString): {
      *type_name = "string";
      std::u16string text(record.value_size / 2, u'\0');
      std::memcpy(text.data(), record.value, text.size() * 2);
      text.resize(std::u16string_view(text.c_str()).size());  // up to the NUL
      return EscapeControls(Utf16ToUtf8(text));
    }
    case static_cast<std::uint16_t>(config::ValueType::kBinary):
      *type_name = "binary";
      break;
    default:
      *type_name = "type" + std::to_string(record.type);
      break;
  }
  // Binary, and any value whose size does not fit its type, shows its bytes.
  return base::ToHex(record.value, record.value_size);
}

int List(const char* path) {
  config::CConfigFile file(path, &config::CFlushRule::ForProcess(),
                           config::CConfigFile::Access::kRead);
  config::ByteBuffer container;
  const config::LoadStatus status = file.LoadContainer(&container);
  if (status != config::LoadStatus::kOk) {
    std::string reason = config::LoadStatusText(status);
    if (status == config::LoadStatus::kUnavailable && file.last_error() != 0)
      reason += std::string(": ") + std::strerror(file.last_error());
    std::fprintf(stderr, "tavlo-config: %s: %s\n", path, reason.c_str());
    return kExitFailed;
  }
  config::RecordWalker walker(container);
  config::RecordView record;
  std::string type_name;
  while (walker.Next(&record)) {
    const std::string value = FormatValue(record, &type_name);
    std::printf("%s\t%s\t%s\n", type_name.c_str(),
                EscapeControls(Utf16ToUtf8(record.Key())).c_str(), value.c_str());
  }
  if (walker.damaged()) {
    std::fprintf(stderr, "tavlo-config: %s: damaged record at offset %zu; the rest is unreadable\n",
                 path, walker.valid_end());
    return kExitFailed;
  }
  return kExitOk;
}

int Get(config::CConfigCenterImpl& store,
        config::ValueType type,
        const std::u16string& key,
        const char* default_text) {
  const std::string_view def = default_text ? default_text : "";
  switch (type) {
    case config::ValueType::kInt: {
      const auto value = default_text ? ParseNumber<std::int32_t>(def) : 0;
      if (!value)
        return Usage();
      std::printf("%d\n", store.GetInt(key.c_str(), *value));
      return kExitOk;
    }
    case config::ValueType::kInt64: {
      const auto value = default_text ? ParseNumber<std::int64_t>(def) : 0;
      if (!value)
        return Usage();
      std::printf("%lld\n", static_cast<long long>(store.GetInt64(key.c_str(), *value)));
      return kExitOk;
    }
    case config::ValueType::kString: {
      const auto value = Utf8ToUtf16(def);
      if (!value)
        return Usage();
      WCHAR out[kStringCapacity];
      store.GetString(key.c_str(), value->c_str(), out, kStringCapacity);
      std::printf("%s\n", EscapeControls(Utf16ToUtf8(out)).c_str());
      return kExitOk;
    }
    case config::ValueType::kBinary: {
      const auto value = base::FromHex(def);
      if (!value || value->size() > 0x7FFFFFFF)
        return Usage();
      std::vector<std::uint8_t> out(value->size());
      const std::int32_t n = store.GetBinary(key.c_str(), value->data(), out.data(),
                                             static_cast<std::int32_t>(out.size()));
      std::printf("%s\n", base::ToHex(out.data(), static_cast<std::size_t>(n)).c_str());
      return kExitOk;
    }
  }
  return Usage();
}

int Put(config::CConfigCenterImpl& store,
        const std::u16string& key,
        const void* data,
        std::size_t size,
        config::ValueType type) {
  switch (store.PutValue(key.c_str(), data, static_cast<std::int64_t>(size), type)) {
    case config::WriteResult::kWritten:
      return kExitOk;
    case config::WriteResult::kBackedUpAndWritten:
      std::fprintf(stderr, "tavlo-config: the damaged file was kept as %s.bad\n",
                   store.path().c_str());
      return kExitOk;
    case config::WriteResult::kNotWritten:
      break;
  }
  std::fprintf(stderr,
               "tavlo-config: %s: not written (another program holds it, it cannot be read or "
               "written, or a damaged copy could not be kept)\n",
               store.path().c_str());
  return kExitFailed;
}

int Set(config::CConfigCenterImpl& store,
        config::ValueType type,
        const std::u16string& key,
        std::string_view text) {
  switch (type) {
    case config::ValueType::kInt: {
      const auto value = ParseNumber<std::int32_t>(text);
      return value ? Put(store, key, &*value, sizeof(*value), type) : Usage();
    }
    case config::ValueType::kInt64: {
      const auto value = ParseNumber<std::int64_t>(text);
      return value ? Put(store, key, &*value, sizeof(*value), type) : Usage();
    }
    case config::ValueType::kString: {
      const auto value = Utf8ToUtf16(text);
      return value ? Put(store, key, value->c_str(), (value->size() + 1) * 2, type) : Usage();
    }
    case config::ValueType::kBinary: {
      // No bytes would mean "delete"; that has its own command.
      const auto value = base::FromHex(text);
      return value && !value->empty() ? Put(store, key, value->data(), value->size(), type)
                                      : Usage();
    }
  }
  return Usage();
}

int Run(int argc, char** argv) {
  if (argc < 3)
    return Usage();
  const char* path = argv[1];
  const std::string_view command = argv[2];
  if (command == "list")
    return argc == 3 ? List(path) : Usage();

  const bool is_delete = command == "delete";
  const int key_index = is_delete ? 3 : 4;
  if (argc <= key_index)
    return Usage();
  const auto key = Utf8ToUtf16(argv[key_index]);
  if (!key || key->find(u'\0') != std::u16string::npos)
    return Usage();
  if (is_delete) {
    if (argc != 4)
      return Usage();
    config::CConfigCenterImpl store(path);
    return Put(store, *key, nullptr, 0, config::ValueType::kString);
  }
  const auto type = ParseType(argv[3]);
  if (!type)
    return Usage();
  if (command == "get" && (argc == 5 || argc == 6)) {
    config::CConfigCenterImpl store(path);
    return Get(store, *type, *key, argc == 6 ? argv[5] : nullptr);
  }
  if (command == "set" && argc == 6) {
    config::CConfigCenterImpl store(path);
    return Set(store, *type, *key, argv[5]);
  }
  return Usage();
}

}  // namespace
}  // namespace tavlo_config

int main(int argc, char** argv) {
  return tavlo_config::Run(argc, argv);
}
