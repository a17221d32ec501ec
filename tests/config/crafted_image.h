// Builds settings-file images by hand, for files that the writer never produces: a header that
// lies, or a payload whose checksum is right but whose zlib stream is not.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "config/container_codec.h"
#include "config/xxtea.h"

namespace config_test {

struct ImageFields {
  std::uint32_t magic = 0x4244564B;  // "KVDB"
  std::uint32_t version = config::kFormatVersion;
  std::uint32_t container_length = 0;
};

// An image whose payload is |plain| (enciphered, with a matching payload checksum).
inline std::vector<std::uint8_t> CraftImage(std::span<const std::uint8_t> plain,
                                            const ImageFields& fields) {
  std::vector<std::uint8_t> image(config::kHeaderSize + plain.size());
  auto put = [&image](std::size_t at, std::uint32_t v) { std::memcpy(&image[at], &v, 4); };
  put(0, fields.magic);
  put(4, fields.version);
  put(12, static_cast<std::uint32_t>(adler32(1, plain.data(), static_cast<uInt>(plain.size()))));
  put(20, static_cast<std::uint32_t>(plain.size()));
  put(24, fields.container_length);
  if (!plain.empty())
    std::memcpy(&image[config::kHeaderSize], plain.data(), plain.size());
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

inline std::uint32_t Field(std::span<const std::uint8_t> image, std::size_t offset) {
  std::uint32_t v;
  std::memcpy(&v, image.data() + offset, 4);
  return v;
}

inline void SetField(std::span<std::uint8_t> image, std::size_t offset, std::uint32_t v) {
  std::memcpy(image.data() + offset, &v, 4);
}

}  // namespace config_test
