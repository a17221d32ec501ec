// The makers' table: the registry's CSV as Debian ships it, and files that are not.
#include "platform/linux/oui_table.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/scoped_temp_dir.h"

namespace platform {
namespace {

using Mac = std::array<uint8_t, 6>;

constexpr char kHeader[] = "Registry,Assignment,Organization Name,Organization Address\n";

std::string Csv(std::string_view records) {
  return std::string(kHeader) + std::string(records);
}

std::optional<std::string> Maker(const OuiTable& table, Mac mac) {
  auto name = table.Lookup(mac);
  return name ? std::optional<std::string>(std::string(*name)) : std::nullopt;
}

TEST(OuiTableTest, FindsFirstAndLastRecordsByTheirFirstThreeBytes) {
  const OuiTable table = OuiTable::Parse(
      Csv("MA-L,F8E43B,Last Maker Ltd,Somewhere CN 518000\r\n"
          "MA-L,002272,American Micro-Fuel Device Corp.,2181 Buchanan Loop Ferndale WA US 98248 \n"
          "MA-L,00d0ef,IGT,9295 PROTOTYPE DRIVE RENO NV US 89511 \n"
          "MA-L,ACDE48,Private,\n"));  // no line feed after the last record would do as well
  EXPECT_EQ(table.size(), 4u);
  EXPECT_EQ(Maker(table, {0xF8, 0xE4, 0x3B, 0x01, 0x02, 0x03}), "Last Maker Ltd");
  EXPECT_EQ(Maker(table, {0x00, 0x22, 0x72, 0xFF, 0xFF, 0xFF}), "American Micro-Fuel Device Corp.");
  EXPECT_EQ(Maker(table, {0x00, 0xD0, 0xEF, 0, 0, 0}), "IGT");
  EXPECT_EQ(Maker(table, {0xAC, 0xDE, 0x48, 0, 0, 1}), "Private");
  EXPECT_EQ(table.MakerOf({0x00, 0xD0, 0xEF, 9, 9, 9}), "IGT");

  const OuiTable unterminated = OuiTable::Parse(Csv("MA-L,002272,Only,Addr"));
  EXPECT_EQ(Maker(unterminated, {0x00, 0x22, 0x72, 0, 0, 0}), "Only");
}

TEST(OuiTableTest, UnknownPrefixesAndMadeUpAddressesHaveNoMaker) {
  const OuiTable table =
      OuiTable::Parse(Csv("MA-L,002272,A,x\nMA-L,00D0EF,B,y\nMA-L,0050F2,C,z\n"));
  // Between, before and after the listed blocks.
  EXPECT_EQ(Maker(table, {0x00, 0x22, 0x73, 0, 0, 0}), std::nullopt);
  EXPECT_EQ(Maker(table, {0x00, 0x00, 0x00, 0, 0, 0}), std::nullopt);
  EXPECT_EQ(Maker(table, {0xFC, 0xFF, 0xFF, 0, 0, 0}), std::nullopt);
  EXPECT_EQ(table.MakerOf({0x00, 0x22, 0x73, 0, 0, 0}), "");

  // The registry lists a few blocks with the local bit set; a phone's private address that
  // happens to start with one must still name no maker.
  const OuiTable local = OuiTable::Parse(Csv("MA-L,02608C,Old Maker,x\nMA-L,001A2B,D,y\n"));
  EXPECT_EQ(Maker(local, {0x02, 0x60, 0x8C, 1, 2, 3}), std::nullopt);
  EXPECT_EQ(Maker(local, {0x02, 0x1A, 0x2B, 1, 2, 3}), std::nullopt);  // D's block, local bit
  EXPECT_EQ(Maker(local, {0x01, 0x1A, 0x2B, 1, 2, 3}), std::nullopt);  // group address
  EXPECT_EQ(Maker(local, {0x00, 0x1A, 0x2B, 1, 2, 3}), "D");
}

TEST(OuiTableTest, QuotedNamesKeepTheirCommasAndQuotes) {
  const OuiTable table = OuiTable::Parse(
      Csv("MA-L,3C5AB4,\"Google, Inc.\",\"1600 Amphitheatre Parkway, Mountain View\"\n"
          "MA-L,F0D1A9,\"Apple, Inc.\",1 Infinite Loop Cupertino CA US 95014 \n"
          "MA-L,000C29,\"VMware, Inc.\",\"3401 Hillview Avenue\nPalo Alto, CA\"\n"
          "MA-L,001122,\"The \"\"Quoted\"\" Co\",x\n"
          "MA-L,00E04C,\"  REALTEK SEMICONDUCTOR CORP.\t\",x\n"
          "MA-L,00A0C9,Intel,\"2200 Mission College Blvd.\",Suite 12\" Floor 3\n"
          "MA-L,8C8590,北京小米科技有限责任公司,北京\n"));
  EXPECT_EQ(Maker(table, {0x3C, 0x5A, 0xB4, 0, 0, 0}), "Google, Inc.");
  EXPECT_EQ(Maker(table, {0xF0, 0xD1, 0xA9, 0, 0, 0}), "Apple, Inc.");
  // A line feed inside a quoted address does not end the record.
  EXPECT_EQ(Maker(table, {0x00, 0x0C, 0x29, 0, 0, 0}), "VMware, Inc.");
  EXPECT_EQ(Maker(table, {0x00, 0x11, 0x22, 0, 0, 0}), "The \"Quoted\" Co");
  EXPECT_EQ(Maker(table, {0x00, 0xE0, 0x4C, 0, 0, 0}), "REALTEK SEMICONDUCTOR CORP.");
  EXPECT_EQ(Maker(table, {0x8C, 0x85, 0x90, 0, 0, 0}), "北京小米科技有限责任公司");
  // A stray quote inside an address does not swallow the records after it.
  EXPECT_EQ(Maker(table, {0x00, 0xA0, 0xC9, 0, 0, 0}), "Intel");
  EXPECT_EQ(Maker(table, {0x8C, 0x85, 0x90, 0, 0, 0}), "北京小米科技有限责任公司");
  EXPECT_EQ(table.size(), 7u);
}

TEST(OuiTableTest, HostileAndDamagedInputLosesOnlyTheBadRecords) {
  // Bad records among good ones: only they go.
  const OuiTable table =
      OuiTable::Parse(Csv("MA-L,00112,Too Short,x\n"
                          "MA-L,0011223,Too Long,x\n"
                          "MA-L,00G122,Not Hex,x\n"
                          "MA-L,001123\n"
                          "MA-L,001124,,empty name\n"
                          "MA-L,001125,\xff\xfe not utf-8,x\n"
                          "MA-L,001126," +
                          std::string(5000, 'A') +
                          ",x\n"
                          "\n"
                          "MA-L,001127,Good,x\n"
                          "MA-L,001127,Second Of The Same Block,x\n"
                          "MA-L,001128,\"Cut off in the middle"));
  EXPECT_EQ(table.size(), 1u);
  EXPECT_EQ(Maker(table, {0x00, 0x11, 0x27, 0, 0, 0}), "Good");
  EXPECT_EQ(Maker(table, {0x00, 0x11, 0x28, 0, 0, 0}), std::nullopt);

  // Not the registry at all: nothing.
  EXPECT_EQ(OuiTable::Parse("").size(), 0u);
  EXPECT_EQ(OuiTable::Parse("MA-L,002272,A,x\n").size(), 0u);  // no header
  EXPECT_EQ(OuiTable::Parse(std::string(100000, '"')).size(), 0u);
  EXPECT_EQ(OuiTable::Parse(std::string("\0\0\0,\n\n,,,", 10)).size(), 0u);
  // The header with a byte-order mark is still the header.
  EXPECT_EQ(OuiTable::Parse("\xEF\xBB\xBF" + Csv("MA-L,002272,A,x\n")).size(), 1u);
}

TEST(OuiTableTest, LoadReadsAFileAndGivesAnEmptyTableForOneThatIsNotThere) {
  test::ScopedTempDir dir;
  const auto path = dir.path() / "oui.csv";
  std::ofstream(path) << Csv("MA-L,002272,From A File,x\n");
  const OuiTable table = OuiTable::Load(path);
  EXPECT_EQ(Maker(table, {0x00, 0x22, 0x72, 0, 0, 0}), "From A File");

  EXPECT_EQ(OuiTable::Load(dir.path() / "missing.csv").size(), 0u);
  EXPECT_EQ(OuiTable::Load(dir.path()).size(), 0u);  // a folder
  EXPECT_EQ(OuiTable::Load("/dev/null").size(), 0u);
}

TEST(OuiTableTest, TheSystemTableKnowsWellKnownMakersWhenInstalled) {
  if (!std::filesystem::exists(OuiTable::kSystemPath))
    GTEST_SKIP() << "ieee-data is not installed";
  const OuiTable& table = OuiTable::Shared();
  EXPECT_GT(table.size(), 20000u);
  EXPECT_EQ(&table, &OuiTable::Shared());
  // 00:50:F2 has been Microsoft's since the registry began.
  EXPECT_EQ(Maker(table, {0x00, 0x50, 0xF2, 0, 0, 0}), "MICROSOFT CORP.");
  EXPECT_LT(table.MemoryBytes(), 3u << 20);
}

}  // namespace
}  // namespace platform
