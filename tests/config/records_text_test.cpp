#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "config/records.h"
#include "config/text.h"

namespace config {
namespace {

ByteBuffer Container(std::initializer_list<std::u16string> keys) {
  static const std::uint8_t kValue[] = {'v'};
  ByteBuffer container;
  for (const auto& key : keys)
    EXPECT_TRUE(AppendRecord(&container, key, 0, 4, kValue));
  return container;
}

std::vector<std::u16string> Keys(std::span<const std::uint8_t> container, bool* damaged) {
  std::vector<std::u16string> keys;
  RecordWalker walker(container);
  RecordView record;
  while (walker.Next(&record))
    keys.push_back(record.Key());
  *damaged = walker.damaged();
  return keys;
}

TEST(TextTest, ParsesIntegersAndComparesKeysLikeTheSettingsAlwaysDid) {
  const std::vector<std::pair<std::u16string_view, std::optional<std::int32_t>>> cases = {
      {u"0x1F", 31},
      {u"0X1f", 31},
      {u"-5", -5},
      {u"+7", 7},
      {u"  \t12abc", 12},
      {u"-0x10", -16},
      {u"4294967297", 1},
      {u"-2147483648", INT_MIN},
      {u"abc", std::nullopt},
      {u"", std::nullopt},
      {u"0x", std::nullopt},
      {u"- 1", std::nullopt},
      {u"0y12", 0},
      {std::u16string_view(u"12\0"
                           u"34",
                           5),
       12},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(expected, ParseInt(text)) << std::string(text.begin(), text.end());

  EXPECT_TRUE(EqualsIgnoreCase(u"AutoRun", u"autorun"));
  EXPECT_TRUE(EqualsIgnoreCase(u"ÄrgerПАРОЛЬ", u"äRGERпароль"));
  EXPECT_FALSE(EqualsIgnoreCase(u"ssid", u"ssid2"));
  EXPECT_FALSE(EqualsIgnoreCase(u"a[", u"a{"));  // 0x5B and 0x7B are not a case pair
  EXPECT_EQ(u"-9223372036854775808", FormatDecimal(INT64_MIN));
}

TEST(RecordWalkTest, StopsAtTheFirstImpossibleRecord) {
  const ByteBuffer good = Container({u"A", u"B", u"C"});
  const std::size_t second = 12 + 2 + 1;
  for (std::uint32_t length : {0u, 11u, 13u /* no room for the key's NUL */, 1000u}) {
    ByteBuffer container = good;
    std::memcpy(container.data() + second, &length, 4);
    bool damaged = false;
    EXPECT_EQ(std::vector<std::u16string>{u"A"}, Keys(container, &damaged)) << length;
    EXPECT_TRUE(damaged) << length;
  }
  ByteBuffer tail = good;
  tail.insert(tail.end(), {1, 2, 3});
  bool damaged = false;
  EXPECT_EQ(3u, Keys(tail, &damaged).size());
  EXPECT_TRUE(damaged);

  RecordView record;
  ASSERT_TRUE(FindRecord(good, u"c", &record));
  EXPECT_EQ(2 * second, record.offset);
  EXPECT_EQ(1u, record.value_size);
}

TEST(RecordWalkTest, RemovesEveryMatchAndCutsDamage) {
  ByteBuffer container = Container({u"K", u"X", u"k", u"Y"});
  EXPECT_TRUE(RemoveRecords(&container, u"k"));
  bool damaged = false;
  EXPECT_EQ((std::vector<std::u16string>{u"X", u"Y"}), Keys(container, &damaged));

  container.insert(container.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_FALSE(RemoveRecords(&container, u"Y"));
  EXPECT_EQ((std::vector<std::u16string>{u"X"}), Keys(container, &damaged));
  EXPECT_FALSE(damaged);
}

}  // namespace
}  // namespace config
