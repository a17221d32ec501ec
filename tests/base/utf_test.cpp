#include "base/utf.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using base::InvalidText;
using base::Utf16ToUtf8;
using base::Utf8ToUtf16;

constexpr char16_t kFffd = 0xFFFD;

std::u16string Replaced(std::string_view utf8) {
  return Utf8ToUtf16(utf8, InvalidText::kReplace).value();
}

TEST(UtfTest, WellFormedTextRoundTripsExactlyEmbeddedNulAndFourByteSequencesIncluded) {
  const std::u16string wide = std::u16string(u"a\0b", 3) + u"热点" + u"\U0001F4F6" + u"\U0010FFFF";
  const std::string utf8 =
      std::string("a\0b", 3) + "\xE7\x83\xAD\xE7\x82\xB9" + "\xF0\x9F\x93\xB6" + "\xF4\x8F\xBF\xBF";
  for (InvalidText policy : {InvalidText::kRefuse, InvalidText::kReplace}) {
    EXPECT_EQ(Utf16ToUtf8(wide, policy), utf8);
    EXPECT_EQ(Utf8ToUtf16(utf8, policy), wide);
    EXPECT_EQ(Utf16ToUtf8(u"", policy), "");
    EXPECT_EQ(Utf8ToUtf16("", policy), u"");
  }
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x93\xB6", InvalidText::kRefuse)->size(), 2u);  // a pair
  EXPECT_TRUE(base::IsValidUtf8(utf8));
  EXPECT_TRUE(base::IsValidUtf16(wide));
}

TEST(UtfTest, LoneSurrogatesAreRefusedOrEachBecomesOneReplacement) {
  const std::u16string cases[] = {
      std::u16string(1, char16_t(0xD800)),                 // high at the end
      std::u16string(1, char16_t(0xDC00)),                 // low alone
      std::u16string{u'a', char16_t(0xDBFF), u'b'},        // high before a non-surrogate
      std::u16string{char16_t(0xDC00), char16_t(0xD800)},  // a pair the wrong way round
  };
  const std::string replaced[] = {"\xEF\xBF\xBD", "\xEF\xBF\xBD",
                                  "a\xEF\xBF\xBD"
                                  "b",
                                  "\xEF\xBF\xBD\xEF\xBF\xBD"};
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(Utf16ToUtf8(cases[i], InvalidText::kRefuse), std::nullopt) << i;
    EXPECT_EQ(Utf16ToUtf8(cases[i], InvalidText::kReplace), replaced[i]) << i;
    EXPECT_FALSE(base::IsValidUtf16(cases[i])) << i;
  }
  // The same units paired are one character.
  EXPECT_EQ(Utf16ToUtf8(std::u16string{char16_t(0xD83D), char16_t(0xDCF6)}, InvalidText::kRefuse),
            "\xF0\x9F\x93\xB6");
}

TEST(UtfTest, IllFormedUtf8IsRefusedOrReplacedOnePerMaximalPart) {
  struct Case {
    std::string bytes;
    std::u16string replaced;
  } cases[] = {
      {"\x80", {kFffd}},                        // a lone continuation byte
      {"\xC0\xAF", {kFffd, kFffd}},             // overlong '/'
      {"\xE0\x80\xAF", {kFffd, kFffd, kFffd}},  // overlong, three bytes
      {"\xF0\x80\x80\xAF", {kFffd, kFffd, kFffd, kFffd}},
      {"\xED\xA0\x80", {kFffd, kFffd, kFffd}},             // an encoded surrogate
      {"\xF4\x90\x80\x80", {kFffd, kFffd, kFffd, kFffd}},  // above U+10FFFF
      {"\xF5\x80", {kFffd, kFffd}},                        // a byte that never occurs
      {"\xFF", {kFffd}},
      {"\xE4\xB8", {kFffd}},  // truncated: one for the whole
      {"\xF0\x9F\x93", {kFffd}},
      {"\xE4\xB8"
       "a",
       {kFffd, u'a'}},  // truncated, then the next character
      {"a\xE4\xB8\xADz\xC3", {u'a', u'中', u'z', kFffd}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.bytes, InvalidText::kRefuse), std::nullopt) << c.bytes;
    EXPECT_EQ(Replaced(c.bytes), c.replaced) << c.bytes;
    EXPECT_FALSE(base::IsValidUtf8(c.bytes)) << c.bytes;
    // What replacement gives is well-formed and converts back unchanged.
    auto back = Utf16ToUtf8(Replaced(c.bytes), InvalidText::kRefuse);
    ASSERT_TRUE(back) << c.bytes;
    EXPECT_EQ(Utf8ToUtf16(*back, InvalidText::kRefuse), c.replaced) << c.bytes;
  }
  // The edges of the valid ranges are characters.
  EXPECT_EQ(Replaced("\xC2\x80"), u"\u0080");
  EXPECT_EQ(Replaced("\xE0\xA0\x80"), u"\u0800");
  EXPECT_EQ(Replaced("\xED\x9F\xBF"), u"\uD7FF");
  EXPECT_EQ(Replaced("\xEE\x80\x80"), u"\uE000");
  EXPECT_EQ(Replaced("\xF0\x90\x80\x80"), u"\U00010000");
}

}  // namespace
