#include "config/records.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>

#include "config/text.h"

namespace config {
namespace {

static_assert(std::endian::native == std::endian::little,
              "records hold little-endian integers and UTF-16LE; add byte swaps for this target");

std::uint32_t Read32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof(v));
  return v;
}

char16_t ReadUnit(const std::uint8_t* p) {
  char16_t v;
  std::memcpy(&v, p, sizeof(v));
  return v;
}

}  // namespace

std::u16string RecordView::Key() const {
  std::u16string text(key_units, u'\0');
  std::memcpy(text.data(), key, key_units * 2);
  return text;
}

bool RecordView::KeyEquals(std::u16string_view other) const {
  if (other.size() != key_units)
    return false;
  for (std::size_t i = 0; i < key_units; ++i) {
    const char16_t unit = ReadUnit(key + 2 * i);
    if (unit != other[i] && FoldCase(unit) != FoldCase(other[i]))
      return false;
  }
  return true;
}

bool RecordWalker::Next(RecordView* record) {
  if (damaged_ || offset_ >= container_.size())
    return false;
  const std::size_t left = container_.size() - offset_;
  const std::uint8_t* base = container_.data() + offset_;
  const std::uint32_t length = left >= 4 ? Read32(base) : 0;
  if (left < kRecordFixedSize || length < kRecordFixedSize || length > left) {
    damaged_ = true;
    return false;
  }
  // The key's NUL sits on an even offset from 10, and the 12 fixed bytes leave room for it.
  std::size_t units = 0;
  const std::size_t max_units = (length - kRecordFixedSize) / 2;
  while (units <= max_units && ReadUnit(base + 10 + 2 * units) != u'\0')
    ++units;
  if (units > max_units) {
    damaged_ = true;
    return false;
  }
  record->offset = offset_;
  record->length = length;
  record->time = Read32(base + 4);
  std::memcpy(&record->type, base + 8, sizeof(record->type));
  record->key = base + 10;
  record->key_units = units;
  record->value = base + kRecordFixedSize + 2 * units;
  record->value_size = length - kRecordFixedSize - 2 * units;
  offset_ += length;
  return true;
}

bool FindRecord(std::span<const std::uint8_t> container,
                std::u16string_view key,
                RecordView* record) {
  RecordWalker walker(container);
  while (walker.Next(record)) {
    if (record->KeyEquals(key))
      return true;
  }
  return false;
}

bool RemoveRecords(ByteBuffer* container, std::u16string_view key) {
  RecordWalker walker(*container);
  RecordView record;
  std::size_t write = 0;
  // Records only move towards the front, so copying in place never overwrites unread bytes.
  while (walker.Next(&record)) {
    if (record.KeyEquals(key))
      continue;
    if (write != record.offset)
      std::memmove(container->data() + write, container->data() + record.offset, record.length);
    write += record.length;
  }
  container->resize(write);
  return !walker.damaged();
}

bool AppendRecord(ByteBuffer* container,
                  std::u16string_view key,
                  std::uint32_t time,
                  std::uint16_t type,
                  std::span<const std::uint8_t> value) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
  const std::uint64_t length = kRecordFixedSize + 2 * std::uint64_t{key.size()} + value.size();
  if (length > kMax || container->size() + length > kMax)
    return false;
  const std::size_t at = container->size();
  try {
    container->resize(at + length);
  } catch (const std::bad_alloc&) {
    return false;
  }
  std::uint8_t* p = container->data() + at;
  const std::uint32_t length32 = static_cast<std::uint32_t>(length);
  std::memcpy(p, &length32, 4);
  std::memcpy(p + 4, &time, 4);
  std::memcpy(p + 8, &type, 2);
  if (!key.empty())
    std::memcpy(p + 10, key.data(), key.size() * 2);
  std::memset(p + 10 + key.size() * 2, 0, 2);
  if (!value.empty())
    std::memcpy(p + kRecordFixedSize + key.size() * 2, value.data(), value.size());
  return true;
}

}  // namespace config
