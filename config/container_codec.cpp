#include "config/container_codec.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <random>

namespace config {
namespace {

constexpr std::uint8_t kMagic[4] = {'K', 'V', 'D', 'B'};

std::uint32_t ReadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void WriteLe32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

std::uint32_t Adler32(const std::uint8_t* data, std::size_t size) {
  // adler32_z takes a size_t, so large buffers need no chunking.
  return static_cast<std::uint32_t>(adler32_z(adler32_z(0, nullptr, 0), data, size));
}

// The filler field is never read. Two draws from a never-seeded generator of the classic C
// runtime's range keep its look without touching the program's own rand() sequence.
std::uint32_t NextFiller() {
  thread_local std::minstd_rand generator;
  const std::uint32_t a = generator() & 0x7FFF;
  const std::uint32_t b = generator() & 0x7FFF;
  return a * b;
}

}  // namespace

// 5F3A9C1E 7B2D4E60 A1C8F3D2 0E9B6A47 in stored order, read as little-endian words.
const XxteaKey kContainerKey = {0x1E9C3A5Fu, 0x604E2D7Bu, 0xD2F3C8A1u, 0x476A9B0Eu};

const char* LoadStatusText(LoadStatus status) {
  switch (status) {
    case LoadStatus::kOk:
      return "valid settings file";
    case LoadStatus::kMissing:
      return "the file does not exist";
    case LoadStatus::kEmpty:
      return "the file is empty";
    case LoadStatus::kBadHeader:
      return "not a settings file: wrong magic or version";
    case LoadStatus::kShortPayload:
      return "the file is shorter than its header says (short payload)";
    case LoadStatus::kChecksumMismatch:
      return "checksum mismatch: the payload is damaged";
    case LoadStatus::kDamagedData:
      return "the compressed data is damaged";
    case LoadStatus::kUnavailable:
      return "the file cannot be opened or read";
  }
  return "unknown state";
}

ContainerHeader ParseHeader(std::span<const std::uint8_t> bytes) {
  std::uint8_t raw[kHeaderSize] = {};
  std::memcpy(raw, bytes.data(), std::min(bytes.size(), kHeaderSize));
  ContainerHeader h;
  h.magic = ReadLe32(raw);
  h.version = ReadLe32(raw + 4);
  h.reserved = ReadLe32(raw + 8);
  h.payload_checksum = ReadLe32(raw + 12);
  h.container_checksum = ReadLe32(raw + 16);
  h.payload_length = ReadLe32(raw + 20);
  h.container_length = ReadLe32(raw + 24);
  h.filler = ReadLe32(raw + 28);
  return h;
}

LoadStatus CheckHeader(const ContainerHeader& header) {
  if (header.magic != ReadLe32(kMagic) || header.version != kFormatVersion)
    return LoadStatus::kBadHeader;
  return LoadStatus::kOk;
}

LoadStatus DecodeContainerImage(std::span<std::uint8_t> image, ByteBuffer* container) {
  container->clear();
  if (image.empty())
    return LoadStatus::kEmpty;
  const ContainerHeader header = ParseHeader(image);
  if (LoadStatus status = CheckHeader(header); status != LoadStatus::kOk)
    return status;
  if (image.size() < kHeaderSize || image.size() - kHeaderSize < header.payload_length)
    return LoadStatus::kShortPayload;

  std::uint8_t* payload = image.data() + kHeaderSize;
  const std::size_t c = header.payload_length;
  XxteaDecrypt(payload, c, kContainerKey);
  if (Adler32(payload, c) != header.payload_checksum)
    return LoadStatus::kChecksumMismatch;

  // L only sizes the output buffer; what the payload can inflate to bounds it too.
  const std::uint64_t capacity =
      std::min<std::uint64_t>(header.container_length, c * kMaxInflateRatio);
  try {
    container->resize(static_cast<std::size_t>(capacity));
  } catch (const std::bad_alloc&) {
    container->clear();
    return LoadStatus::kUnavailable;
  }
  uLongf produced = static_cast<uLongf>(capacity);
  const int rc = uncompress(container->data(), &produced, payload, c);
  if (rc != Z_OK) {
    container->clear();
    return rc == Z_MEM_ERROR ? LoadStatus::kUnavailable : LoadStatus::kDamagedData;
  }
  container->resize(produced);
  return LoadStatus::kOk;
}

bool EncodeContainerImage(std::span<const std::uint8_t> container, ByteBuffer* image) {
  image->clear();
  if (container.size() > std::numeric_limits<std::uint32_t>::max())
    return false;
  const uLong bound = compressBound(static_cast<uLong>(container.size()));
  try {
    image->resize(kHeaderSize + bound);
  } catch (const std::bad_alloc&) {
    return false;
  }
  std::uint8_t* payload = image->data() + kHeaderSize;
  uLongf c = bound;
  if (compress(payload, &c, container.data(), container.size()) != Z_OK ||
      c > std::numeric_limits<std::uint32_t>::max()) {
    image->clear();
    return false;
  }
  const std::uint32_t container_checksum = Adler32(container.data(), container.size());
  const std::uint32_t payload_checksum = Adler32(payload, c);
  XxteaEncrypt(payload, c, kContainerKey);

  std::uint8_t* h = image->data();
  std::memcpy(h, kMagic, 4);
  WriteLe32(h + 4, kFormatVersion);
  WriteLe32(h + 8, 0);
  WriteLe32(h + 12, payload_checksum);
  WriteLe32(h + 16, container_checksum);
  WriteLe32(h + 20, static_cast<std::uint32_t>(c));
  WriteLe32(h + 24, static_cast<std::uint32_t>(container.size()));
  WriteLe32(h + 28, NextFiller());
  image->resize(kHeaderSize + c);
  return true;
}

}  // namespace config
