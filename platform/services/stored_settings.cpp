#include "platform/services/stored_settings.h"

#include <string>
#include <vector>

namespace platform::services {

namespace {

// Far above what the settings take (under 300 bytes).
constexpr std::int32_t kMaxRecord = 16 * 1024;

std::vector<BYTE> ReadRecord(config::CConfigCenterImpl* store, const char16_t* key) {
  std::vector<BYTE> bytes(kMaxRecord);
  WORD type = 0;
  const std::int32_t n = store->FindValue(key, bytes.data(), kMaxRecord, &type);
  if (n < 0 || type != static_cast<WORD>(config::ValueType::kBinary))
    bytes.clear();
  else
    bytes.resize(static_cast<size_t>(n));
  return bytes;
}

bool Written(config::WriteResult result) {
  return result != config::WriteResult::kNotWritten;
}

}  // namespace

void StoredSettings::Load(WirelessPersistentState* state) {
  std::lock_guard<std::mutex> guard(mutex_);
  *state = WirelessPersistentState{};
  const std::vector<BYTE> bytes = ReadRecord(store_, kKey);
  damaged_ = false;
  if (bytes.empty())
    return;
  auto parsed =
      SettingsFromText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  if (parsed)
    *state = std::move(*parsed);
  else
    damaged_ = true;
}

bool StoredSettings::Save(const WirelessPersistentState& state) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (damaged_) {
    const std::vector<BYTE> old = ReadRecord(store_, kKey);
    if (!old.empty() &&
        !Written(store_->PutValue(kDamagedKey, old.data(), static_cast<std::int64_t>(old.size()),
                                  config::ValueType::kBinary)))
      return false;
    damaged_ = false;
  }
  const std::string text = SettingsToText(state);
  return Written(store_->PutValue(kKey, text.data(), static_cast<std::int64_t>(text.size()),
                                  config::ValueType::kBinary));
}

}  // namespace platform::services
