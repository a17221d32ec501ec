#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "base/result.h"
#include "platform/last_error.h"

namespace {

using platform::GetLastError;
using platform::IconvCodePage;

std::string ToBytes(const IconvCodePage& cp, std::u16string_view text, DWORD flags, BOOL* used) {
  char out[128];
  int n = cp.WideCharToMultiByte(CP_ACP, flags, text.data(), static_cast<int>(text.size()), out,
                                 sizeof(out), nullptr, used);
  return std::string(out, n > 0 ? n : 0);
}

TEST(CodePageTest, SizesCountBytesOfTheCodePageAndBuffersMustFitThem) {
  IconvCodePage utf8("UTF-8"), gbk("GBK");
  EXPECT_EQ(utf8.WideCharToMultiByte(CP_ACP, 0, u"中文", -1, nullptr, 0, nullptr, nullptr), 7);
  EXPECT_EQ(gbk.WideCharToMultiByte(CP_ACP, 0, u"中文", -1, nullptr, 0, nullptr, nullptr), 5);
  EXPECT_EQ(gbk.WideCharToMultiByte(CP_ACP, 0, u"中文", 2, nullptr, 0, nullptr, nullptr), 4);
  EXPECT_EQ(gbk.MultiByteToWideChar(CP_ACP, 0, "\xD6\xD0\xCE\xC4", 4, nullptr, 0), 2);
  // A character outside the BMP is two UTF-16 units.
  EXPECT_EQ(utf8.MultiByteToWideChar(CP_ACP, 0, "\xF0\x9F\x98\x80", 4, nullptr, 0), 2);
  char bytes[4];
  EXPECT_EQ(gbk.WideCharToMultiByte(CP_ACP, 0, u"中文", -1, bytes, 4, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  WCHAR wide[1];
  EXPECT_EQ(gbk.MultiByteToWideChar(CP_ACP, 0, "ab", 2, wide, 1), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST(CodePageTest, RoundTripsInEachCodePage) {
  for (const char* charset : {"UTF-8", "GBK", "WINDOWS-1252"}) {
    IconvCodePage cp(charset);
    std::u16string text = cp.charset() == "WINDOWS-1252" ? u"Café €5" : u"Wi-Fi 热点";
    std::string bytes = ToBytes(cp, text, WC_NO_BEST_FIT_CHARS, nullptr);
    WCHAR wide[64];
    int n = cp.MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(),
                                   static_cast<int>(bytes.size()), wide, 64);
    EXPECT_EQ(std::u16string(wide, n), text) << charset;
  }
}

TEST(CodePageTest, NoBestFitGivesTheDefaultCharacterAndSaysSo) {
  IconvCodePage cp1252("WINDOWS-1252");
  BOOL used = TRUE;
  EXPECT_EQ(ToBytes(cp1252, u"abc", WC_NO_BEST_FIT_CHARS, &used), "abc");
  EXPECT_FALSE(used);
  EXPECT_EQ(ToBytes(cp1252, u"a中b", WC_NO_BEST_FIT_CHARS, &used), "a?b");
  EXPECT_TRUE(used);
  EXPECT_EQ(ToBytes(cp1252, u"ā", WC_NO_BEST_FIT_CHARS, &used), "?");
  EXPECT_TRUE(used);
  // A caller's default character replaces '?'.
  char out[4];
  int n = cp1252.WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, u"中", 1, out, 4, "#", &used);
  EXPECT_EQ(std::string(out, n), "#");
}

TEST(CodePageTest, BestFitAppliesOnlyWithoutTheFlag) {
  // iconv's transliteration tables come with the locale; the plain C locale has none.
  if (!std::setlocale(LC_CTYPE, "C.UTF-8"))
    GTEST_SKIP() << "no C.UTF-8 locale";
  IconvCodePage cp1252("WINDOWS-1252");
  BOOL used = TRUE;
  EXPECT_EQ(ToBytes(cp1252, u"ā", 0, &used), "a");
  EXPECT_FALSE(used);
  EXPECT_EQ(ToBytes(cp1252, u"中", 0, &used), "?");
  EXPECT_TRUE(used);
}

TEST(CodePageTest, LoneSurrogatesAreNotRepresentableAnywhere) {
  IconvCodePage utf8("UTF-8");
  BOOL used = FALSE;
  const char16_t lone[] = {u'a', 0xD800, u'b'};
  EXPECT_EQ(ToBytes(utf8, std::u16string_view(lone, 3), WC_NO_BEST_FIT_CHARS, &used), "a?b");
  EXPECT_TRUE(used);
  EXPECT_EQ(
      utf8.WideCharToMultiByte(CP_ACP, WC_ERR_INVALID_CHARS, lone, 3, nullptr, 0, nullptr, nullptr),
      0);
  EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
}

TEST(CodePageTest, InvalidBytesFailOnlyWithTheFlagAndOtherwiseBecomeReplacements) {
  IconvCodePage utf8("UTF-8"), gbk("GBK");
  WCHAR wide[8];
  EXPECT_EQ(utf8.MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, "a\xC3", 2, wide, 8), 0);
  EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
  ASSERT_EQ(utf8.MultiByteToWideChar(CP_ACP, 0,
                                     "a\xFF"
                                     "b",
                                     3, wide, 8),
            3);
  EXPECT_EQ(std::u16string(wide, 3), u"a\uFFFDb");
  EXPECT_EQ(gbk.MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, "\xD6", 1, wide, 8), 0);
  EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
}

TEST(CodePageTest, RefusesBadArgumentsLikeTheSystem) {
  IconvCodePage utf8("UTF-8"), unknown("NO-SUCH-CHARSET");
  BOOL used;
  EXPECT_EQ(utf8.WideCharToMultiByte(1234, 0, u"a", 1, nullptr, 0, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(utf8.WideCharToMultiByte(CP_UTF8, 0, u"a", 1, nullptr, 0, nullptr, &used), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(unknown.MultiByteToWideChar(CP_ACP, 0, "a", 1, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  // CP_UTF8 is UTF-8 whatever CP_ACP stands for.
  EXPECT_EQ(unknown.MultiByteToWideChar(CP_UTF8, 0, "a", 1, nullptr, 0), 1);
}

}  // namespace
