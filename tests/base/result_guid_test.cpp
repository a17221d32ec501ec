#include <gtest/gtest.h>

#include "base/guid.h"
#include "base/result.h"

namespace {

TEST(ResultTest, Win32CodesBecomeHresults) {
  EXPECT_EQ(HresultFromWin32(ERROR_SUCCESS), S_OK);
  EXPECT_EQ(static_cast<DWORD>(HresultFromWin32(ERROR_INVALID_STATE)), 0x8007139Fu);
  EXPECT_EQ(HresultFromWin32(ERROR_INVALID_PARAMETER), E_INVALIDARG);
  EXPECT_EQ(static_cast<DWORD>(HresultFromWin32(0x12345)), 0x80072345u) << "only the low word";
  // A value that already reads as a negative HRESULT passes through.
  EXPECT_EQ(HresultFromWin32(static_cast<DWORD>(E_FAIL)), E_FAIL);
  EXPECT_TRUE(SUCCEEDED(S_FALSE));
  EXPECT_TRUE(FAILED(E_UNEXPECTED));
  EXPECT_EQ(base::HresultToString(HresultFromWin32(ERROR_INVALID_STATE)), "0x8007139F");
}

TEST(GuidTest, TextRoundTripAndByteEquality) {
  GUID g = base::NewGuid();
  std::string text = base::GuidToString(g);
  ASSERT_EQ(text.size(), 38u);
  auto back = base::GuidFromString(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, g);
  EXPECT_EQ(base::GuidFromString(text.substr(1, 36)), g);

  auto known = base::GuidFromString("{288907ab-f22b-43bd-bcf7-658c54abec49}");
  ASSERT_TRUE(known);
  EXPECT_EQ(known->Data1, 0x288907ABu);
  EXPECT_EQ(known->Data4[7], 0x49);
  EXPECT_EQ(base::GuidToString(*known), "{288907AB-F22B-43BD-BCF7-658C54ABEC49}");

  GUID other = *known;
  other.Data4[7] ^= 1;
  EXPECT_NE(other, *known);
  EXPECT_TRUE(*known < other || other < *known);
}

TEST(GuidTest, MalformedTextIsRejected) {
  for (const char* bad :
       {"", "{}", "288907AB-F22B-43BD-BCF7-658C54ABEC4", "288907AB-F22B-43BD-BCF7_658C54ABEC49",
        "{288907AB-F22B-43BD-BCF7-658C54ABEC4G}", "{288907AB-F22B-43BD-BCF7-658C54ABEC49"})
    EXPECT_FALSE(base::GuidFromString(bad)) << bad;
}

}  // namespace
