#include "base/random.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <vector>

namespace {

// Hands out the given bytes, then fails.
base::RandomSource Scripted(std::vector<std::uint8_t> bytes) {
  auto left = std::make_shared<std::vector<std::uint8_t>>(std::move(bytes));
  return [left](void* buffer, std::size_t size) {
    if (left->size() < size)
      return EIO;
    std::memcpy(buffer, left->data(), size);
    left->erase(left->begin(), left->begin() + static_cast<std::ptrdiff_t>(size));
    return 0;
  };
}

TEST(RandomTest, SystemSourceFillsEveryByte) {
  // 4096 bytes that stayed zero would have a chance of 2^-32768.
  std::vector<std::uint8_t> bytes(4096, 0);
  ASSERT_EQ(base::SystemRandomBytes(bytes.data(), bytes.size()), 0);
  std::set<std::uint8_t> seen(bytes.begin(), bytes.end());
  EXPECT_GT(seen.size(), 200u);
  EXPECT_NE(std::vector<std::uint8_t>(bytes.end() - 16, bytes.end()),
            std::vector<std::uint8_t>(16, 0));
}

TEST(RandomTest, BytesThatWouldFavourSomeCharactersAreDrawnAgain) {
  // Three characters: a byte of 255 would fold onto the first one, so it is thrown away.
  std::vector<std::uint8_t> bytes(20, 255);
  bytes[3] = 0;
  bytes[7] = 4;
  bytes[11] = 254;  // 254 % 3 = 2, and below the limit of 255
  auto text = base::RandomText(u"xyz", 3, Scripted(bytes));
  EXPECT_EQ(text, u"xyz");

  // Over many draws each character comes up about equally often.
  std::map<char16_t, int> counts;
  auto many =
      base::RandomText(u"abcdefghjkmnpqrstuvwxyz23456789", 31 * 2000, base::SystemRandomBytes);
  ASSERT_TRUE(many);
  for (char16_t c : *many)
    ++counts[c];
  EXPECT_EQ(counts.size(), 31u);
  for (const auto& [c, n] : counts) {
    EXPECT_GT(n, 1700) << static_cast<char>(c);
    EXPECT_LT(n, 2300) << static_cast<char>(c);
  }
}

TEST(RandomTest, AFailingSourceGivesNoTextAndItsError) {
  int error = 0;
  EXPECT_EQ(base::RandomText(u"ab", 8, Scripted({}), &error), std::nullopt);
  EXPECT_EQ(error, EIO);
  EXPECT_EQ(base::RandomText(u"a", 8, base::SystemRandomBytes, &error), std::nullopt);
  EXPECT_EQ(error, EINVAL);
}

}  // namespace
