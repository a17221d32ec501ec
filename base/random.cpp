#include "base/random.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdint>
#include <vector>

namespace base {

int SystemRandomBytes(void* buffer, std::size_t size) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  while (size > 0) {
    const ssize_t n = ::getrandom(out, size, 0);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return errno;
    }
    out += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

std::optional<std::u16string> RandomText(std::u16string_view alphabet,
                                         std::size_t length,
                                         const RandomSource& source,
                                         int* error) {
  if (alphabet.size() < 2 || alphabet.size() > 256 || !source) {
    if (error)
      *error = EINVAL;
    return std::nullopt;
  }
  // The largest multiple of the alphabet's size that a byte can hold: bytes at or above it
  // would wrap onto the first characters, so they are thrown away.
  const unsigned limit = 256 - 256 % static_cast<unsigned>(alphabet.size());
  std::u16string text;
  text.reserve(length);
  std::vector<std::uint8_t> bytes(length + 16);
  while (text.size() < length) {
    if (int failure = source(bytes.data(), bytes.size())) {
      if (error)
        *error = failure;
      return std::nullopt;
    }
    for (std::uint8_t b : bytes) {
      if (b < limit && text.size() < length)
        text.push_back(alphabet[b % alphabet.size()]);
    }
  }
  return text;
}

}  // namespace base
