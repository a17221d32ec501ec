// test::FailingCodePage: a platform::CodePage whose conversions fail with a chosen error, for
// the paths on which the system's conversion itself fails. Calls that are not made to fail go
// to the wrapped code page.
//
// Thread affinity: configure before use; then any thread.
#pragma once

#include "platform/code_page.h"
#include "platform/last_error.h"

namespace test {

class FailingCodePage final : public platform::CodePage {
 public:
  // `inner` is not owned. Error 0 means "do not fail".
  explicit FailingCodePage(const platform::CodePage* inner) : inner_(inner) {}

  void FailToBytes(DWORD error) { to_bytes_error_ = error; }
  void FailToWide(DWORD error) { to_wide_error_ = error; }

  int WideCharToMultiByte(UINT code_page,
                          DWORD flags,
                          const WCHAR* wide,
                          int wide_count,
                          char* bytes,
                          int byte_count,
                          const char* default_char,
                          BOOL* used_default_char) const override {
    if (to_bytes_error_) {
      platform::SetLastError(to_bytes_error_);
      return 0;
    }
    return inner_->WideCharToMultiByte(code_page, flags, wide, wide_count, bytes, byte_count,
                                       default_char, used_default_char);
  }
  int MultiByteToWideChar(UINT code_page,
                          DWORD flags,
                          const char* bytes,
                          int byte_count,
                          WCHAR* wide,
                          int wide_count) const override {
    if (to_wide_error_) {
      platform::SetLastError(to_wide_error_);
      return 0;
    }
    return inner_->MultiByteToWideChar(code_page, flags, bytes, byte_count, wide, wide_count);
  }

 private:
  const platform::CodePage* inner_;
  DWORD to_bytes_error_ = 0;
  DWORD to_wide_error_ = 0;
};

}  // namespace test
