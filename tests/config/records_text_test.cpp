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

ByteBuffer Container(std::initializer_list<std::pair<std::u16string, std::string>> records) {
  ByteBuffer container;
  for (const auto& [key, value] : records) {
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(value.data()), value.size());
    EXPECT_TRUE(AppendRecord(&container, key, 0, 4, bytes));
  }
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

void PutLength(ByteBuffer* container, std::size_t offset, std::uint32_t length) {
  std::memcpy(container->data() + offset, &length, 4);
}

TEST(ParseIntTest, AcceptsDecimalAndHexLikeTheSettingsAlwaysDid) {
  const std::vector<std::pair<std::u16string, std::optional<std::int32_t>>> cases = {
      {u"0x1F", 31},
      {u"0X1f", 31},
      {u"-5", -5},
      {u"+7", 7},
      {u"  \t12abc", 12},
      {u"-0x10", -16},
      {u"2147483647", INT_MAX},
      {u"4294967297", 1},
      {u"-2147483648", INT_MIN},
      {u"abc", std::nullopt},
      {u"", std::nullopt},
      {u"0x", std::nullopt},
      {u"0xZ1", std::nullopt},
      {u"-", std::nullopt},
      {u"- 1", std::nullopt},
      {u"0", 0},
      {u"0y12", 0},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(expected, ParseInt(text)) << std::string(text.begin(), text.end());
  }
  // Parsing stops at a NUL inside the view, as it does at the end of a stored text.
  EXPECT_EQ(12, ParseInt(std::u16string_view(u"12\0"
                                             u"34",
                                             5)));
}

TEST(TextTest, ComparesKeysWithoutRegardToCase) {
  EXPECT_TRUE(EqualsIgnoreCase(u"AutoRun", u"autorun"));
  EXPECT_TRUE(EqualsIgnoreCase(u"Ärger", u"äRGER"));
  EXPECT_TRUE(EqualsIgnoreCase(u"ПАРОЛЬ", u"пароль"));
  EXPECT_TRUE(EqualsIgnoreCase(u"热点", u"热点"));
  EXPECT_FALSE(EqualsIgnoreCase(u"ssid", u"ssid2"));
  EXPECT_FALSE(EqualsIgnoreCase(u"a[", u"a{"));  // '[' and '{' are not a case pair
  EXPECT_EQ(u"-9223372036854775808", FormatDecimal(INT64_MIN));
}

TEST(RecordWalkTest, FindsRecordsByKeyAndLaysThemOutAsStored) {
  ByteBuffer container = Container({{u"One", "1"}, {u"", "empty key"}, {u"Two", "22"}});
  RecordView record;
  ASSERT_TRUE(FindRecord(container, u"TWO", &record));
  EXPECT_EQ(12u + 2 * 3 + 2, record.length);
  EXPECT_EQ(std::string("22"), std::string(reinterpret_cast<const char*>(record.value), 2));
  ASSERT_TRUE(FindRecord(container, u"", &record));
  EXPECT_EQ(9u, record.value_size);
  EXPECT_FALSE(FindRecord(container, u"Three", &record));
  // Offsets 4 (time) and 8 (type) of the first record.
  EXPECT_EQ(4, container[8]);
  EXPECT_EQ(0, container[9]);
}

TEST(RecordWalkTest, StopsAtTheFirstImpossibleRecord) {
  ByteBuffer good = Container({{u"A", "x"}, {u"B", "y"}, {u"C", "z"}});
  const std::size_t second = 12 + 2 + 1;
  struct Case {
    const char* what;
    std::uint32_t length;
  };
  for (const Case& c : {Case{"below the fixed part", 11}, Case{"zero", 0},
                        Case{"beyond the container", 1000}, Case{"key without NUL", 13}}) {
    ByteBuffer container = good;
    PutLength(&container, second, c.length);
    bool damaged = false;
    EXPECT_EQ(std::vector<std::u16string>{u"A"}, Keys(container, &damaged)) << c.what;
    EXPECT_TRUE(damaged) << c.what;
  }
  // A few stray bytes after the last record.
  ByteBuffer tail = good;
  tail.insert(tail.end(), {1, 2, 3});
  bool damaged = false;
  EXPECT_EQ(3u, Keys(tail, &damaged).size());
  EXPECT_TRUE(damaged);
  EXPECT_EQ(3u, Keys(good, &damaged).size());
  EXPECT_FALSE(damaged);
}

TEST(RecordWalkTest, RemovesEveryMatchAndCutsDamage) {
  ByteBuffer container = Container({{u"K", "1"}, {u"X", "2"}, {u"k", "3"}, {u"Y", "4"}});
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
