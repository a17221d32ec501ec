#include "config/container_codec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

#include "config/crafted_image.h"

namespace config {
namespace {

using config_test::CraftImage;
using config_test::Deflate;
using config_test::SetField;
using Bytes = std::vector<std::uint8_t>;

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

std::uint32_t Field(const Bytes& image, std::size_t offset) {
  std::uint32_t v;
  std::memcpy(&v, image.data() + offset, 4);
  return v;
}

// Expected values from the published reference routine of the corrected block TEA, run on
// words i * 0x01010101 with the settings key.
TEST(XxteaTest, MatchesTheReferenceCipher) {
  struct Case {
    std::size_t words;
    std::uint32_t first;
    std::uint32_t adler;
  };
  for (const Case& c : {Case{2, 0x91C8D865, 0x139F044A}, Case{3, 0x64041F33, 0x1E8D057C},
                        Case{100, 0x08B10964, 0xA1D4C6B2}}) {
    std::vector<std::uint32_t> words(c.words + 1);  // one spare word for an odd tail
    for (std::size_t i = 0; i < c.words; ++i)
      words[i] = static_cast<std::uint32_t>(i) * 0x01010101u;
    words[c.words] = 0xA5A5A5A5;
    auto* bytes = reinterpret_cast<std::uint8_t*>(words.data());
    const std::size_t size = c.words * 4 + 3;

    XxteaEncrypt(bytes, size, kContainerKey);
    EXPECT_EQ(c.first, words[0]) << c.words;
    EXPECT_EQ(c.adler, adler32_z(1, bytes, c.words * 4)) << c.words;
    EXPECT_EQ(0xA5A5A5A5u, words[c.words]) << "the tail is never enciphered";
    XxteaDecrypt(bytes, size, kContainerKey);
    EXPECT_EQ(0x01010101u, words[1]);
    EXPECT_EQ((c.words - 1) * 0x01010101u, words[c.words - 1]);
  }
  Bytes one_word = {1, 2, 3, 4, 5, 6, 7};
  XxteaEncrypt(one_word.data(), one_word.size(), kContainerKey);
  EXPECT_EQ((Bytes{1, 2, 3, 4, 5, 6, 7}), one_word);
}

TEST(ContainerCodecTest, RoundTripsAndWritesTheHeader) {
  for (const Bytes& container : {Bytes{}, Bytes{42}, RandomBytes(200000, 2), Bytes(3 << 20, 0)}) {
    Bytes loaded;
    ASSERT_EQ(LoadStatus::kOk, Decode(Encode(container), &loaded)) << container.size();
    EXPECT_EQ(container, loaded);
  }
  const Bytes container = RandomBytes(777, 3);
  const Bytes image = Encode(container);
  const Bytes stream = Deflate(container);
  EXPECT_EQ(0, std::memcmp(image.data(), "KVDB\0\0\1\0\0\0\0\0", 12));
  EXPECT_EQ(adler32_z(1, stream.data(), stream.size()), Field(image, 12));
  EXPECT_EQ(adler32_z(1, container.data(), container.size()), Field(image, 16));
  EXPECT_EQ(stream.size(), Field(image, 20));
  EXPECT_EQ(container.size(), Field(image, 24));
  ASSERT_EQ(kHeaderSize + stream.size(), image.size());
  Bytes payload(image.begin() + kHeaderSize, image.end());
  XxteaDecrypt(payload.data(), payload.size(), kContainerKey);
  EXPECT_EQ(stream, payload);
}

TEST(ContainerCodecTest, ChecksTheUnencipheredTail) {
  for (std::size_t remainder : {1u, 2u, 3u}) {
    Bytes container;
    for (std::size_t size = 40; Deflate(container).size() % 4 != remainder; ++size)
      container = RandomBytes(size, 7);
    const Bytes stream = Deflate(container);
    Bytes image = Encode(container);
    EXPECT_TRUE(std::equal(stream.end() - remainder, stream.end(), image.end() - remainder));
    image.back() ^= 0x01;
    EXPECT_EQ(LoadStatus::kChecksumMismatch, Decode(image)) << remainder;
  }
}

TEST(ContainerCodecTest, RejectsEachKindOfDamage) {
  const Bytes good = Encode(RandomBytes(500, 4));
  auto changed = [&good](std::size_t offset, std::uint32_t value) {
    Bytes image = good;
    SetField(image, offset, value);
    return image;
  };
  auto cut = [&good](std::size_t size) { return Bytes(good.begin(), good.begin() + size); };
  Bytes flipped = good;
  flipped[kHeaderSize + 5] ^= 0x80;
  Bytes short_stream = Deflate(RandomBytes(100, 8));
  short_stream.resize(short_stream.size() - 5);

  const std::vector<std::pair<Bytes, LoadStatus>> cases = {
      {{}, LoadStatus::kEmpty},
      {changed(0, 0x4244566B), LoadStatus::kBadHeader},
      {changed(4, 0x00020000), LoadStatus::kBadHeader},
      {cut(3), LoadStatus::kBadHeader},
      {cut(kHeaderSize - 1), LoadStatus::kShortPayload},
      {cut(good.size() - 1), LoadStatus::kShortPayload},
      {changed(20, 0xFFFFFFF0u), LoadStatus::kShortPayload},
      {flipped, LoadStatus::kChecksumMismatch},
      {changed(24, 499), LoadStatus::kDamagedData},  // L below the true length
      {CraftImage(RandomBytes(64, 6), 4096), LoadStatus::kDamagedData},
      {CraftImage(short_stream, 100), LoadStatus::kDamagedData},
  };
  for (std::size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(cases[i].second, Decode(cases[i].first)) << "case " << i;
}

TEST(ContainerCodecTest, TreatsTheHeaderLengthAsCapacityOnly) {
  const Bytes container = RandomBytes(300, 5);
  for (std::uint32_t length : {301u, 100000u, 0xFFFFFFFFu}) {
    Bytes image = Encode(container);
    SetField(image, 24, length);
    Bytes loaded;
    EXPECT_EQ(LoadStatus::kOk, Decode(image, &loaded)) << length;
    EXPECT_EQ(container, loaded);
  }
}

}  // namespace
}  // namespace config
