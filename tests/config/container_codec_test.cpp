#include "config/container_codec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "config/crafted_image.h"
#include "config/xxtea.h"

namespace config {
namespace {

using config_test::CraftImage;
using config_test::Deflate;
using config_test::Field;
using config_test::SetField;
using Bytes = std::vector<std::uint8_t>;

// The published reference routine (Wheeler and Needham's corrected block TEA, n < 0 decodes),
// kept verbatim in shape so that our word-by-word version is checked against it.
#define MX (((z >> 5 ^ y << 2) + (y >> 3 ^ z << 4)) ^ ((sum ^ y) + (key[(p & 3) ^ e] ^ z)))
void ReferenceBtea(std::uint32_t* v, int n, const std::uint32_t key[4]) {
  std::uint32_t y, z, sum;
  unsigned p, rounds, e;
  if (n > 1) {
    rounds = 6 + 52 / n;
    sum = 0;
    z = v[n - 1];
    do {
      sum += 0x9e3779b9;
      e = (sum >> 2) & 3;
      for (p = 0; p < static_cast<unsigned>(n - 1); p++) {
        y = v[p + 1];
        z = v[p] += MX;
      }
      y = v[0];
      z = v[n - 1] += MX;
    } while (--rounds);
  } else if (n < -1) {
    n = -n;
    rounds = 6 + 52 / n;
    sum = rounds * 0x9e3779b9;
    y = v[0];
    do {
      e = (sum >> 2) & 3;
      for (p = n - 1; p > 0; p--) {
        z = v[p - 1];
        y = v[p] -= MX;
      }
      z = v[n - 1];
      y = v[0] -= MX;
      sum -= 0x9e3779b9;
    } while (--rounds);
  }
}
#undef MX

Bytes RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  Bytes bytes(size);
  for (auto& b : bytes)
    b = static_cast<std::uint8_t>(gen());
  return bytes;
}

Bytes Encode(const Bytes& container) {
  ByteBuffer image;
  EXPECT_TRUE(EncodeContainerImage(container, &image));
  return Bytes(image.begin(), image.end());
}

LoadStatus Decode(Bytes image, Bytes* container = nullptr) {
  ByteBuffer out;
  const LoadStatus status = DecodeContainerImage(image, &out);
  if (container)
    container->assign(out.begin(), out.end());
  return status;
}

// A container whose zlib stream has a length of |remainder| modulo 4.
Bytes ContainerWithPayloadRemainder(std::size_t remainder) {
  for (std::size_t size = 40;; ++size) {
    Bytes container = RandomBytes(size, 7);
    if (Deflate(container).size() % 4 == remainder)
      return container;
  }
}

TEST(XxteaTest, MatchesReferenceAndInverts) {
  for (std::size_t words : {2u, 3u, 7u, 52u, 53u, 300u}) {
    Bytes data = RandomBytes(words * 4 + 3, static_cast<unsigned>(words));
    const Bytes original = data;
    std::vector<std::uint32_t> reference(words);
    std::memcpy(reference.data(), data.data(), words * 4);

    XxteaEncrypt(data.data(), data.size(), kContainerKey);
    ReferenceBtea(reference.data(), static_cast<int>(words), kContainerKey.data());
    EXPECT_EQ(0, std::memcmp(reference.data(), data.data(), words * 4)) << words << " words";
    EXPECT_TRUE(std::equal(data.end() - 3, data.end(), original.end() - 3)) << "tail enciphered";

    XxteaDecrypt(data.data(), data.size(), kContainerKey);
    EXPECT_EQ(original, data);
  }
}

TEST(XxteaTest, LeavesFewerThanTwoWordsAlone) {
  Bytes data = {1, 2, 3, 4, 5, 6, 7};
  XxteaEncrypt(data.data(), data.size(), kContainerKey);
  EXPECT_EQ((Bytes{1, 2, 3, 4, 5, 6, 7}), data);
}

TEST(ContainerCodecTest, RoundTripsEveryKindOfContainer) {
  const std::vector<Bytes> containers = {
      {}, {42}, RandomBytes(1000, 1), RandomBytes(200000, 2), Bytes(3 << 20, 0)};
  for (const Bytes& container : containers) {
    const Bytes image = Encode(container);
    Bytes loaded;
    ASSERT_EQ(LoadStatus::kOk, Decode(image, &loaded)) << container.size();
    EXPECT_EQ(container, loaded);
  }
}

TEST(ContainerCodecTest, WritesTheHeaderAndTheDeflatedPayload) {
  const Bytes container = RandomBytes(777, 3);
  const Bytes image = Encode(container);
  const Bytes stream = Deflate(container);

  EXPECT_EQ(0, std::memcmp(image.data(), "KVDB", 4));
  EXPECT_EQ(kFormatVersion, Field(image, 4));
  EXPECT_EQ(0u, Field(image, 8));
  EXPECT_EQ(adler32(1, stream.data(), static_cast<uInt>(stream.size())), Field(image, 12));
  EXPECT_EQ(adler32(1, container.data(), static_cast<uInt>(container.size())), Field(image, 16));
  EXPECT_EQ(stream.size(), Field(image, 20));
  EXPECT_EQ(container.size(), Field(image, 24));
  ASSERT_EQ(kHeaderSize + stream.size(), image.size());

  Bytes payload(image.begin() + kHeaderSize, image.end());
  XxteaDecrypt(payload.data(), payload.size(), kContainerKey);
  EXPECT_EQ(stream, payload);
}

TEST(ContainerCodecTest, KeepsTheTailUnencipheredAndStillChecksIt) {
  for (std::size_t remainder : {1u, 2u, 3u}) {
    const Bytes container = ContainerWithPayloadRemainder(remainder);
    const Bytes stream = Deflate(container);
    Bytes image = Encode(container);
    EXPECT_TRUE(std::equal(stream.end() - remainder, stream.end(), image.end() - remainder));

    image.back() ^= 0x01;
    EXPECT_EQ(LoadStatus::kChecksumMismatch, Decode(image)) << remainder;
  }
}

TEST(ContainerCodecTest, RejectsDamagedImages) {
  const Bytes container = RandomBytes(500, 4);
  const Bytes good = Encode(container);

  EXPECT_EQ(LoadStatus::kEmpty, Decode({}));

  Bytes magic = good;
  magic[0] = 'k';
  EXPECT_EQ(LoadStatus::kBadHeader, Decode(magic));
  Bytes version = good;
  SetField(version, 4, 0x00020000);
  EXPECT_EQ(LoadStatus::kBadHeader, Decode(version));
  EXPECT_EQ(LoadStatus::kBadHeader, Decode(Bytes(good.begin(), good.begin() + 3)));

  // Every cut between the header's end and the payload's end is a short payload.
  for (std::size_t size : {kHeaderSize - 1, kHeaderSize, kHeaderSize + 1, good.size() - 1}) {
    Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
    const LoadStatus expected = size < 8 ? LoadStatus::kBadHeader : LoadStatus::kShortPayload;
    EXPECT_EQ(expected, Decode(cut)) << size;
  }

  Bytes flipped = good;
  flipped[kHeaderSize + 5] ^= 0x80;
  EXPECT_EQ(LoadStatus::kChecksumMismatch, Decode(flipped));

  // A payload longer than the file, stated by a header that is otherwise fine.
  Bytes huge = good;
  SetField(huge, 20, 0xFFFFFFF0u);
  EXPECT_EQ(LoadStatus::kShortPayload, Decode(huge));
}

TEST(ContainerCodecTest, UsesTheHeaderLengthOnlyAsCapacity) {
  const Bytes container = RandomBytes(300, 5);
  Bytes image = Encode(container);

  Bytes smaller = image;
  SetField(smaller, 24, 299);
  EXPECT_EQ(LoadStatus::kDamagedData, Decode(smaller));

  for (std::uint32_t length : {301u, 100000u, 0xFFFFFFFFu}) {
    Bytes larger = image;
    SetField(larger, 24, length);
    Bytes loaded;
    EXPECT_EQ(LoadStatus::kOk, Decode(larger, &loaded)) << length;
    EXPECT_EQ(container, loaded);
  }
}

TEST(ContainerCodecTest, RejectsAPayloadThatPassesTheChecksumButIsNotZlib) {
  const Bytes garbage = RandomBytes(64, 6);
  EXPECT_EQ(LoadStatus::kDamagedData, Decode(CraftImage(garbage, {.container_length = 4096})));

  // A stream cut short passes the checksum too (it is over the payload as stored).
  Bytes stream = Deflate(RandomBytes(100, 8));
  stream.resize(stream.size() - 5);
  EXPECT_EQ(LoadStatus::kDamagedData, Decode(CraftImage(stream, {.container_length = 100})));
}

}  // namespace
}  // namespace config
