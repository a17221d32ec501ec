// The container: value records laid end to end, with no count and no terminator.
//
//   0 record length (this field included: 12 + 2k + n)   4 time of last write (Unix seconds)
//   8 type (1 int32, 2 int64, 3 UTF-16 text with NUL, 4 bytes)
//   10 key, UTF-16LE, k units and a NUL   12 + 2k value, n bytes
//
// The walk trusts nothing: a record must be at least 12 bytes, lie inside the container and
// hold its key's NUL. The first record that breaks this ends the walk, and the walker says so.
//
// Thread affinity: none; the functions touch only their arguments.
// Ownership: RecordView points into the container it came from and lives no longer than it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "config/byte_buffer.h"

namespace config {

enum class ValueType : std::uint16_t {
  kInt = 1,
  kInt64 = 2,
  kString = 3,
  kBinary = 4,
};

inline constexpr std::size_t kRecordFixedSize = 12;  // length, time, type and the key's NUL

struct RecordView {
  std::size_t offset = 0;  // of the record within the container
  std::uint32_t length = 0;
  std::uint32_t time = 0;
  std::uint16_t type = 0;  // as stored; need not be a known ValueType
  // The key is unaligned UTF-16LE inside the container: |key_units| units, NUL excluded.
  const std::uint8_t* key = nullptr;
  std::size_t key_units = 0;
  const std::uint8_t* value = nullptr;
  std::size_t value_size = 0;

  std::u16string Key() const;
  bool KeyEquals(std::u16string_view other) const;  // without regard to case
};

class RecordWalker {
 public:
  explicit RecordWalker(std::span<const std::uint8_t> container) : container_(container) {}

  // Fills |record| with the next record. False at the end of the container, or at a record
  // that cannot be what it claims (then damaged() is true and valid_end() is its offset).
  bool Next(RecordView* record);
  bool damaged() const { return damaged_; }
  std::size_t valid_end() const { return offset_; }

 private:
  std::span<const std::uint8_t> container_;
  std::size_t offset_ = 0;
  bool damaged_ = false;
};

// The first record whose key matches |key| without regard to case.
bool FindRecord(std::span<const std::uint8_t> container,
                std::u16string_view key,
                RecordView* record);

// Removes every record whose key matches and cuts the container at the first damaged record,
// keeping every record before it in order. Returns false when there was damage to cut.
bool RemoveRecords(ByteBuffer* container, std::u16string_view key);

// Appends a record. False, leaving the container as it was, when the record or the grown
// container would be longer than a 32-bit length can state, or memory runs out.
bool AppendRecord(ByteBuffer* container,
                  std::u16string_view key,
                  std::uint32_t time,
                  std::uint16_t type,
                  std::span<const std::uint8_t> value);

}  // namespace config
