#include "helper/request.h"

#include <gtest/gtest.h>

#include <string>

namespace helper {
namespace {

std::string RefusalOf(std::string_view line) {
  const ParseResult r = ParseRequest(line);
  const auto* refusal = std::get_if<Refusal>(&r);
  return refusal ? refusal->reason : std::string();
}

template <typename T>
const T* As(const ParseResult& r) {
  const auto* req = std::get_if<Request>(&r);
  return req ? std::get_if<T>(req) : nullptr;
}

TEST(HelperRequest, AcceptsEachWellFormedRequest) {
  EXPECT_TRUE(As<HelloRequest>(ParseRequest("hello 1")));
  EXPECT_TRUE(As<UnshareRequest>(ParseRequest("unshare")));
  EXPECT_TRUE(As<StopApRequest>(ParseRequest("stop-ap")));
  EXPECT_TRUE(As<QuitRequest>(ParseRequest("quit")));
  const ParseResult share = ParseRequest("share eth0 wlan0.1");
  ASSERT_TRUE(As<ShareRequest>(share));
  EXPECT_EQ(As<ShareRequest>(share)->public_if, "eth0");
  EXPECT_EQ(As<ShareRequest>(share)->private_if, "wlan0.1");

  const ParseResult ap = ParseRequest("ap wlan0 e4bda0e5a5bd pass:3132333435363738");
  ASSERT_TRUE(As<ApRequest>(ap));
  EXPECT_EQ(As<ApRequest>(ap)->ssid,
            (std::vector<std::uint8_t>{0xe4, 0xbd, 0xa0, 0xe5, 0xa5, 0xbd}));
  EXPECT_EQ(As<ApRequest>(ap)->passphrase, "12345678");
  const ParseResult psk = ParseRequest("ap wlan0 41 psk:" + std::string(64, 'A'));
  ASSERT_TRUE(As<ApRequest>(psk));
  EXPECT_EQ(As<ApRequest>(psk)->psk.size(), 32u);
  EXPECT_TRUE(As<ApRequest>(psk)->passphrase.empty());
}

TEST(HelperRequest, RefusesBadFraming) {
  EXPECT_EQ(RefusalOf(""), "empty line");
  EXPECT_EQ(RefusalOf("hello  1"), "fields are separated by exactly one space");
  EXPECT_EQ(RefusalOf(" quit"), "fields are separated by exactly one space");
  EXPECT_EQ(RefusalOf("quit "), "fields are separated by exactly one space");
  EXPECT_EQ(RefusalOf("hello\t1"), "control character");
  EXPECT_EQ(RefusalOf("quit\r"), "control character");
  EXPECT_EQ(RefusalOf(std::string_view("quit\0x", 6)), "NUL byte");
  EXPECT_EQ(RefusalOf("share eth0\nwlan0"), "control character");
  EXPECT_EQ(RefusalOf("share \xC0\xAF wlan0"), "not UTF-8");      // overlong '/'
  EXPECT_EQ(RefusalOf("share \xED\xA0\x80 wlan0"), "not UTF-8");  // surrogate
  EXPECT_EQ(RefusalOf("share eth0 \xE4\xBD"), "not UTF-8");       // cut short
  EXPECT_EQ(RefusalOf("QUIT"), "unknown request");
  EXPECT_EQ(RefusalOf("quit now"), "unexpected arguments");
  EXPECT_EQ(RefusalOf("hello 2"), "unsupported protocol version");
  EXPECT_EQ(RefusalOf("hello"), "unsupported protocol version");
}

TEST(HelperRequest, LengthLimitCountsTheNewline) {
  // "share " + 15 + " " + name: stays under the limit; pad with an unknown verb instead.
  const std::string at_limit = "x" + std::string(kMaxLineBytes - 2, 'y');  // 511 + newline
  EXPECT_EQ(RefusalOf(at_limit), "unknown request");
  EXPECT_EQ(RefusalOf(at_limit + "y"), "line too long");
  EXPECT_EQ(RefusalOf(std::string(100000, 'a')), "line too long");
}

TEST(HelperRequest, RefusesHostileInterfaceNames) {
  for (const char* name : {".", "..", "a b", "eth0;reboot", "$(id)", "`id`", "eth0\"", "e'0",
                           "../../etc", "a/b", "0123456789abcdef", "eth*", "wl\xc3\xa4n"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(IsValidInterfaceName(name));
    EXPECT_FALSE(As<ShareRequest>(ParseRequest(std::string("share ") + name + " wlan0")));
    EXPECT_FALSE(As<ShareRequest>(ParseRequest(std::string("share eth0 ") + name)));
  }
  EXPECT_TRUE(IsValidInterfaceName("0123456789abcde"));  // 15 bytes
  EXPECT_TRUE(IsValidInterfaceName("..."));
  EXPECT_EQ(RefusalOf("share eth0 eth0"), "PUBLIC and PRIVATE must differ");
  EXPECT_EQ(RefusalOf("share eth0"), "share takes PUBLIC PRIVATE");
  EXPECT_EQ(RefusalOf("share a b c"), "share takes PUBLIC PRIVATE");
}

TEST(HelperRequest, RefusesBadApFields) {
  const std::string pass8 = "pass:3132333435363738";
  EXPECT_FALSE(As<ApRequest>(ParseRequest("ap wlan0 4 " + pass8)));   // odd
  EXPECT_FALSE(As<ApRequest>(ParseRequest("ap wlan0 4g " + pass8)));  // not hex
  EXPECT_FALSE(As<ApRequest>(ParseRequest("ap wlan0 " + std::string(66, 'a') + " " + pass8)));
  EXPECT_TRUE(As<ApRequest>(ParseRequest("ap wlan0 " + std::string(64, 'a') + " " + pass8)));
  EXPECT_FALSE(As<ApRequest>(ParseRequest("ap wlan0 41 pass:31323334353637")));  // 7 bytes
  EXPECT_FALSE(As<ApRequest>(ParseRequest("ap wlan0 41 pass:" + std::string(128, '3'))));  // 64
  EXPECT_TRUE(As<ApRequest>(ParseRequest("ap wlan0 41 pass:" + std::string(126, '3'))));   // 63
  EXPECT_EQ(RefusalOf("ap wlan0 41 pass:3132333435363709"),
            "the passphrase must be printable ASCII");
  EXPECT_FALSE(As<ApRequest>(ParseRequest("ap wlan0 41 psk:" + std::string(63, 'a'))));
  EXPECT_FALSE(As<ApRequest>(ParseRequest("ap wlan0 41 psk:" + std::string(62, 'a') + "zz")));
  EXPECT_EQ(RefusalOf("ap wlan0 41 wep:1234"), "KEY must start with pass: or psk:");
  EXPECT_EQ(RefusalOf("ap wlan0 41"), "ap takes IFNAME SSID_HEX KEY");
  EXPECT_EQ(RefusalOf("ap ; 41 " + pass8), "bad interface name");
}

}  // namespace
}  // namespace helper
