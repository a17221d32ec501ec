// DNS answers to a PTR query, whole and damaged, and the names that may be handed on.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/nm/reverse_lookup.h"

namespace {

using platform::nm::IsUsableHostName;
using platform::nm::PtrNameFromAnswer;

void Name(std::vector<uint8_t>* out, const std::vector<std::string>& labels) {
  for (const std::string& label : labels) {
    out->push_back(static_cast<uint8_t>(label.size()));
    out->insert(out->end(), label.begin(), label.end());
  }
  out->push_back(0);
}

void U16(std::vector<uint8_t>* out, uint16_t value) {
  out->push_back(value >> 8);
  out->push_back(value & 0xff);
}

// An answer to "79.0.42.10.in-addr.arpa PTR" with one record whose target is `labels`
// (written as given, so a test can put any bytes there). `flags`: QR, RD, RA, rcode.
std::vector<uint8_t> Answer(const std::vector<std::string>& labels,
                            uint16_t flags = 0x8180,
                            uint16_t type = 12) {
  std::vector<uint8_t> out;
  U16(&out, 0x1234);
  U16(&out, flags);
  U16(&out, 1);  // question
  U16(&out, 1);  // answer
  U16(&out, 0);
  U16(&out, 0);
  Name(&out, {"79", "0", "42", "10", "in-addr", "arpa"});
  U16(&out, 12);
  U16(&out, 1);
  out.push_back(0xc0);  // the owner: a pointer to the question's name
  out.push_back(12);
  U16(&out, type);
  U16(&out, 1);
  U16(&out, 0);
  U16(&out, 0);  // time to live
  std::vector<uint8_t> target;
  Name(&target, labels);
  U16(&out, static_cast<uint16_t>(target.size()));
  out.insert(out.end(), target.begin(), target.end());
  return out;
}

std::optional<std::string> Parse(const std::vector<uint8_t>& answer) {
  return PtrNameFromAnswer(answer.data(), answer.size());
}

TEST(ReverseLookup, TheRecordsNameWithoutItsFinalDot) {
  EXPECT_EQ(Parse(Answer({"phone-1"})), "phone-1");
  EXPECT_EQ(Parse(Answer({"phone-1", "lan"})), "phone-1.lan");
}

TEST(ReverseLookup, NoNameFromErrorsOtherRecordsOrDamage) {
  EXPECT_EQ(Parse(Answer({"phone-1"}, 0x8183)), std::nullopt);     // NXDOMAIN
  EXPECT_EQ(Parse(Answer({"phone-1"}, 0x0100)), std::nullopt);     // a query, not an answer
  EXPECT_EQ(Parse(Answer({"phone-1"}, 0x8180, 1)), std::nullopt);  // an A record
  const auto whole = Answer({"phone-1"});
  for (size_t size = 0; size < whole.size(); ++size)
    EXPECT_EQ(PtrNameFromAnswer(whole.data(), size), std::nullopt) << size;
  EXPECT_EQ(PtrNameFromAnswer(nullptr, 100), std::nullopt);
  // A target that points at itself.
  auto loop = whole;
  const size_t target = loop.size() - 9;  // where "\x07phone-1\0" starts
  loop[target] = 0xc0;
  loop[target + 1] = static_cast<uint8_t>(target);
  EXPECT_EQ(Parse(loop), std::nullopt);
}

TEST(ReverseLookup, NamesThatCannotBeShownAreDropped) {
  EXPECT_EQ(Parse(Answer({std::string("ph\x01one")})), std::nullopt);
  EXPECT_EQ(Parse(Answer({"my phone"})), std::nullopt);
  EXPECT_EQ(Parse(Answer({std::string("\xe6\x89\x8b\xe6\x9c\xba")})), std::nullopt);
  EXPECT_TRUE(IsUsableHostName("phone-1"));
  EXPECT_TRUE(IsUsableHostName(std::string(253, 'a')));
  EXPECT_FALSE(IsUsableHostName(std::string(254, 'a')));
  EXPECT_FALSE(IsUsableHostName(""));
  EXPECT_FALSE(IsUsableHostName("a\\b"));
  EXPECT_FALSE(IsUsableHostName(std::string("a\0b", 3)));
}

TEST(ReverseLookup, NobodyListeningMeansNoNameWithinTheTimeout) {
  const auto start = std::chrono::steady_clock::now();
  // Nothing answers there: refused at once or silent, the bound holds either way.
  EXPECT_EQ(platform::nm::ReverseLookup("10.42.0.79", "127.0.0.9", std::chrono::milliseconds(300)),
            std::nullopt);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(
      platform::nm::ReverseLookup("not an address", "127.0.0.1", std::chrono::milliseconds(300)),
      std::nullopt);
}

}  // namespace
