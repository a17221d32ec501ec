#include "config/xxtea.h"

#include <bit>
#include <cstring>

namespace config {
namespace {

static_assert(std::endian::native == std::endian::little,
              "the settings file stores little-endian words; add byte swaps for this target");

constexpr std::uint32_t kDelta = 0x9E3779B9u;

inline std::uint32_t Mix(std::uint32_t y,
                         std::uint32_t z,
                         std::uint32_t sum,
                         std::size_t p,
                         std::uint32_t e,
                         const XxteaKey& k) {
  return (((z >> 5) ^ (y << 2)) + ((y >> 3) ^ (z << 4))) ^ ((sum ^ y) + (k[(p & 3) ^ e] ^ z));
}

// The payload buffer carries no alignment guarantee, so words are copied out; the compiler
// turns these into plain loads and stores.
inline std::uint32_t Load(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void Store(std::uint8_t* p, std::uint32_t v) {
  std::memcpy(p, &v, 4);
}

}  // namespace

void XxteaEncrypt(std::uint8_t* data, std::size_t size, const XxteaKey& k) {
  const std::size_t n = size / 4;
  if (n < 2)
    return;
  // A local copy: stores through |data| could otherwise alias the key and force reloads.
  const XxteaKey key = k;
  std::uint32_t rounds = static_cast<std::uint32_t>(6 + 52 / n);
  std::uint32_t sum = 0;
  std::uint32_t z = Load(data + (n - 1) * 4);
  do {
    sum += kDelta;
    const std::uint32_t e = (sum >> 2) & 3;
    std::size_t p = 0;
    for (; p < n - 1; ++p) {
      const std::uint32_t y = Load(data + (p + 1) * 4);
      z = Load(data + p * 4) + Mix(y, z, sum, p, e, key);
      Store(data + p * 4, z);
    }
    const std::uint32_t y = Load(data);
    z = Load(data + p * 4) + Mix(y, z, sum, p, e, key);
    Store(data + p * 4, z);
  } while (--rounds);
}

void XxteaDecrypt(std::uint8_t* data, std::size_t size, const XxteaKey& k) {
  const std::size_t n = size / 4;
  if (n < 2)
    return;
  const XxteaKey key = k;
  std::uint32_t rounds = static_cast<std::uint32_t>(6 + 52 / n);
  std::uint32_t sum = rounds * kDelta;
  std::uint32_t y = Load(data);
  do {
    const std::uint32_t e = (sum >> 2) & 3;
    std::size_t p = n - 1;
    for (; p > 0; --p) {
      const std::uint32_t z = Load(data + (p - 1) * 4);
      y = Load(data + p * 4) - Mix(y, z, sum, p, e, key);
      Store(data + p * 4, y);
    }
    const std::uint32_t z = Load(data + (n - 1) * 4);
    y = Load(data) - Mix(y, z, sum, p, e, key);
    Store(data, y);
    sum -= kDelta;
  } while (--rounds);
}

}  // namespace config
