// Settings-file images that the writer never produces: a header that lies, or a payload whose
// checksum is right but whose zlib stream is not.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "config/container_codec.h"
#include "config/xxtea.h"

namespace config_test {

inline void SetField(std::span<std::uint8_t> image, std::size_t offset, std::uint32_t v) {
  std::memcpy(image.data() + offset, &v, 4);
}

// An image whose payload is |plain|, enciphered and with a matching payload checksum.
inline std::vector<std::uint8_t> CraftImage(std::span<const std::uint8_t> plain,
                                            std::uint32_t container_length) {
  std::vector<std::uint8_t> image(config::kHeaderSize);
  std::memcpy(image.data(), "KVDB", 4);
  SetField(image, 4, config::kFormatVersion);
  SetField(image, 12, static_cast<std::uint32_t>(adler32_z(1, plain.data(), plain.size())));
  SetField(image, 20, static_cast<std::uint32_t>(plain.size()));
  SetField(image, 24, container_length);
  image.insert(image.end(), plain.begin(), plain.end());
  config::XxteaEncrypt(image.data() + config::kHeaderSize, plain.size(), config::kContainerKey);
  return image;
}

// The zlib stream of |data| as compress() makes it at the default level.
inline std::vector<std::uint8_t> Deflate(std::span<const std::uint8_t> data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::vector<std::uint8_t> out(size);
  compress(out.data(), &size, data.data(), static_cast<uLong>(data.size()));
  out.resize(size);
  return out;
}

}  // namespace config_test
