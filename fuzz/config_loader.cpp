// The settings-file loader and the record walk on hostile bytes.
//
// The first byte picks what the rest is, so that mutations reach past the checksum:
//   0: a whole file image, decoded as the store decodes a file;
//   1: a zlib payload, wrapped in a correctly enciphered and checksummed image first;
//   2: a container, walked, edited, and checked to survive a save and a load unchanged.
// Any container that decodes is walked and edited the way the store does.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "config/container_codec.h"
#include "config/records.h"
#include "config/xxtea.h"

namespace {

std::vector<std::uint8_t> WrapPayload(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> image(config::kHeaderSize + size);
  const std::uint32_t fields[] = {
      0x4244564B,  // "KVDB"
      config::kFormatVersion,
      0,
      static_cast<std::uint32_t>(adler32_z(1, data, size)),
      0,
      static_cast<std::uint32_t>(size),
      // The claimed length comes from the input too, so capacities of every size are tried.
      size >= 4 ? static_cast<std::uint32_t>(data[0] | data[1] << 8 | data[2] << 16) : 0u,
      0,
  };
  std::memcpy(image.data(), fields, sizeof(fields));
  if (size > 0)
    std::memcpy(image.data() + config::kHeaderSize, data, size);
  config::XxteaEncrypt(image.data() + config::kHeaderSize, size, config::kContainerKey);
  return image;
}

void WalkAndEdit(config::ByteBuffer* container) {
  config::RecordWalker walker(*container);
  config::RecordView record;
  std::uint32_t sum = 0;
  while (walker.Next(&record)) {
    // Touch every byte the walk hands out, so that a view past the end shows up under ASan.
    for (std::size_t i = 0; i < record.value_size; ++i)
      sum += record.value[i];
    sum += static_cast<std::uint32_t>(record.Key().size());
  }
  if (config::FindRecord(*container, u"SSID", &record) && record.value_size > 0)
    sum += record.value[record.value_size - 1];
  config::RemoveRecords(container, u"ssid");
  const std::uint8_t value[4] = {1, 2, 3, 4};
  config::AppendRecord(container, u"SSID", sum, 1, value);
  if (!config::FindRecord(*container, u"Ssid", &record))
    std::abort();  // an appended record must be found after the walk cut any damage
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  const std::uint8_t mode = data[0] % 3;
  ++data;
  --size;

  config::ByteBuffer container;
  if (mode == 2) {
    container.assign(data, data + size);
    WalkAndEdit(&container);
    config::ByteBuffer image;
    config::ByteBuffer loaded;
    if (!config::EncodeContainerImage(container, &image) ||
        config::DecodeContainerImage(image, &loaded) != config::LoadStatus::kOk ||
        loaded != container) {
      std::abort();
    }
    return 0;
  }
  std::vector<std::uint8_t> image =
      mode == 0 ? std::vector<std::uint8_t>(data, data + size) : WrapPayload(data, size);
  if (config::DecodeContainerImage(image, &container) == config::LoadStatus::kOk)
    WalkAndEdit(&container);
  return 0;
}
