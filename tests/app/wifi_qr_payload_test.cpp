// The join code's text: what a phone's camera reader splits into name, type and password.
#include "app/wifi_qr_payload.h"

#include <gtest/gtest.h>

namespace app {
namespace {

TEST(WifiQrPayloadTest, PlainNameAndPassword) {
  EXPECT_EQ(WifiQrPayload(u"Tavlo-8655", u"abcdefgh12"), "WIFI:T:WPA;S:Tavlo-8655;P:abcdefgh12;;");
  // Blanks and characters the readers do not split on stay as they are.
  EXPECT_EQ(WifiQrPayload(u" my net ", u"p@ss w0rd!'&="),
            "WIFI:T:WPA;S: my net ;P:p@ss w0rd!'&=;;");
}

TEST(WifiQrPayloadTest, EverySeparatorIsEscapedInNameAndPassword) {
  EXPECT_EQ(WifiQrPayload(u"a\\b;c,d:e\"f", u"1\\2;3,4:5\"6"),
            "WIFI:T:WPA;S:a\\\\b\\;c\\,d\\:e\\\"f;P:1\\\\2\\;3\\,4\\:5\\\"6;;");
  // A name that looks like the end of a field, or is nothing but separators.
  EXPECT_EQ(WifiQrPayload(u";;", u";P:x;;;;"), "WIFI:T:WPA;S:\\;\\;;P:\\;P\\:x\\;\\;\\;\\;;;");
  // A trailing backslash must not swallow the field's end.
  EXPECT_EQ(WifiQrPayload(u"net\\", u"password\\"), "WIFI:T:WPA;S:net\\\\;P:password\\\\;;");
}

TEST(WifiQrPayloadTest, NamesOutsideAsciiAreUtf8) {
  EXPECT_EQ(WifiQrPayload(u"我的热点", u"12345678"),
            "WIFI:T:WPA;S:\xE6\x88\x91\xE7\x9A\x84\xE7\x83\xAD\xE7\x82\xB9;P:12345678;;");
  // A character outside the basic plane (a surrogate pair) and a Chinese name with a colon.
  EXPECT_EQ(WifiQrPayload(u"\U0001F4F6热:点", u"12345678"),
            "WIFI:T:WPA;S:\xF0\x9F\x93\xB6\xE7\x83\xAD\\:\xE7\x82\xB9;P:12345678;;");
  // An unpaired surrogate cannot be encoded: it becomes U+FFFD rather than broken bytes.
  const std::u16string broken{u'a', char16_t{0xD800}, u'b'};
  EXPECT_EQ(WifiQrPayload(broken, u"12345678"),
            "WIFI:T:WPA;S:a\xEF\xBF\xBD"
            "b;P:12345678;;");
}

TEST(WifiQrPayloadTest, EdgeCases) {
  // No name, no network to join.
  EXPECT_EQ(WifiQrPayload(u"", u"12345678"), "");
  EXPECT_EQ(WifiQrPayload(u"", u""), "");
  // No password is an open network, not a WPA one with an empty key.
  EXPECT_EQ(WifiQrPayload(u"open", u""), "WIFI:T:nopass;S:open;;");
  // The longest password the hotspot takes, all of it escaped.
  const std::u16string password(63, u';');
  std::string expected = "WIFI:T:WPA;S:n;P:";
  for (int i = 0; i < 63; ++i)
    expected += "\\;";
  EXPECT_EQ(WifiQrPayload(u"n", password), expected + ";;");
}

}  // namespace
}  // namespace app
