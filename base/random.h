// Random bytes from the operating system's cryptographic source, and uniform choices made
// from them.
//
// Thread affinity: none. Failure: reported, never papered over with a weaker source.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace base {

// Fills `size` bytes; 0, or the errno of the failure. The signature of every random source,
// so that tests can stand in for the system.
using RandomSource = std::function<int(void* buffer, std::size_t size)>;

// getrandom(2), waiting for the pool at start-up and retrying interrupted calls.
int SystemRandomBytes(void* buffer, std::size_t size);

// `length` characters drawn independently and uniformly from `alphabet` (2 to 256 distinct
// characters). Bytes that would favour some characters are drawn again, so no character is
// likelier than another. nullopt when the source fails; *error (if given) gets its errno.
std::optional<std::u16string> RandomText(std::u16string_view alphabet,
                                         std::size_t length,
                                         const RandomSource& source,
                                         int* error = nullptr);

}  // namespace base
