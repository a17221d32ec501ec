// The settings file's bytes: a 32-byte header and the container, deflated with zlib and
// enciphered with XXTEA. These functions work on a file image in memory; CConfigFile moves
// images between memory and disk, and the fuzz target feeds images here directly.
//
// Layout (integers little-endian):
//   0 "KVDB"   4 version 0x00010000   8 reserved (0)
//   12 Adler-32 of the payload (checked)   16 Adler-32 of the container (written, not checked)
//   20 C, payload length   24 L, container length   28 filler   32 payload (C bytes)
// The payload is the zlib stream of the container with its first (C / 4) * 4 bytes enciphered.
//
// Thread affinity: none; the functions touch only their arguments.
// Failure: decoding reports why an image is unusable and never reads outside it; it allocates
// at most what the image can justify (the payload it holds, and the container that zlib can
// inflate from it). Encoding fails only when the container cannot be described or compressed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "config/byte_buffer.h"
#include "config/xxtea.h"

namespace config {

inline constexpr std::size_t kHeaderSize = 32;
inline constexpr std::uint32_t kFormatVersion = 0x00010000;
// Deflate never expands more than this, so a header's L beyond C times this is a lie.
inline constexpr std::uint64_t kMaxInflateRatio = 1032;
extern const XxteaKey kContainerKey;

enum class LoadStatus {
  kOk,
  kMissing,           // no file; only a reader that must not create one sees this
  kEmpty,             // a zero-length file: no records, nothing lost
  kBadHeader,         // wrong magic or version
  kShortPayload,      // the file holds fewer than C payload bytes
  kChecksumMismatch,  // the deciphered payload fails the Adler-32 at offset 12
  kDamagedData,       // zlib rejects the payload, or it inflates to more than L bytes
  kUnavailable,       // the file could not be opened or read, or memory ran out
};

// One line for people: why a file holds no container.
const char* LoadStatusText(LoadStatus status);

// True for a file that has content but no usable container: the only case in which a write
// would destroy bytes that someone might still want.
constexpr bool IsDamaged(LoadStatus status) {
  return status == LoadStatus::kBadHeader || status == LoadStatus::kShortPayload ||
         status == LoadStatus::kChecksumMismatch || status == LoadStatus::kDamagedData;
}

struct ContainerHeader {
  std::uint32_t magic = 0;
  std::uint32_t version = 0;
  std::uint32_t reserved = 0;
  std::uint32_t payload_checksum = 0;
  std::uint32_t container_checksum = 0;
  std::uint32_t payload_length = 0;    // C
  std::uint32_t container_length = 0;  // L
  std::uint32_t filler = 0;
};

// Reads a header from the first bytes of an image; missing bytes read as zero, as a short
// read into a zeroed header leaves them.
ContainerHeader ParseHeader(std::span<const std::uint8_t> bytes);

// kOk when magic and version match.
LoadStatus CheckHeader(const ContainerHeader& header);

// Decodes a whole file image. The payload is deciphered in place, so |image| is consumed.
// On kOk |container| holds exactly the bytes zlib produced; otherwise it is cleared.
LoadStatus DecodeContainerImage(std::span<std::uint8_t> image, ByteBuffer* container);

// Builds the file image of |container|, ending right after the payload. False, with |image|
// cleared, when the container is longer than the header can state or zlib fails.
bool EncodeContainerImage(std::span<const std::uint8_t> container, ByteBuffer* image);

}  // namespace config
