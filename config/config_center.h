// IConfigCenter: the typed key-value settings store.
//
// Keys are NUL-terminated UTF-16 and match without regard to case. The getters never fail: a
// missing key, an unreadable file or a value of another type yields the default. The setters
// always answer 0; a failure to write is silent (CConfigCenterImpl::PutValue tells more).
//
// Thread affinity: any thread; implementations serialise their operations.
// Ownership: pointers passed in are only read (or written, for output buffers) during the call.
#pragma once

#include <cstdint>

#include "base/win_types.h"

namespace config {

class IConfigCenter {
 public:
  virtual std::int32_t GetInt(const WCHAR* key, std::int32_t default_value) = 0;
  virtual std::int64_t GetInt64(const WCHAR* key, std::int64_t default_value) = 0;
  // Copies the text into |out| (|capacity| units, NUL included) and returns the units written.
  virtual std::int32_t GetString(const WCHAR* key,
                                 const WCHAR* default_value,
                                 WCHAR* out,
                                 std::int32_t capacity) = 0;
  // Copies up to |length| bytes of the value into |out| and returns how many; when there is no
  // value, copies |length| bytes of |default_value| and returns |length|.
  virtual std::int32_t GetBinary(const WCHAR* key,
                                 const void* default_value,
                                 void* out,
                                 std::int32_t length) = 0;
  virtual std::int32_t SetInt(const WCHAR* key, std::int32_t value) = 0;
  virtual std::int64_t SetInt64(const WCHAR* key, std::int64_t value) = 0;
  // A null |text| deletes the key.
  virtual std::int32_t SetString(const WCHAR* key, const WCHAR* text) = 0;
  // Null |data| or a |length| below 1 deletes the key.
  virtual std::int32_t SetBinary(const WCHAR* key, const void* data, std::int32_t length) = 0;
  virtual ~IConfigCenter() = default;
};

// The store of this process: config.db beside the running executable. Created on first use (or
// during static initialisation, whichever comes first) and destroyed at exit. Never null.
IConfigCenter* GetConfigCenter();

}  // namespace config
