// XXTEA (Corrected Block TEA) over little-endian 32-bit words, in place.
//
// Thread affinity: none; the functions touch only their arguments.
// Failure: none. Fewer than two words are left as they are, as the cipher requires.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace config {

using XxteaKey = std::array<std::uint32_t, 4>;

// Enciphers the first (size / 4) * 4 bytes of |data|; the trailing size % 4 bytes are untouched.
void XxteaEncrypt(std::uint8_t* data, std::size_t size, const XxteaKey& key);
void XxteaDecrypt(std::uint8_t* data, std::size_t size, const XxteaKey& key);

}  // namespace config
