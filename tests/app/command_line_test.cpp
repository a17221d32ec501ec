#include "app/command_line.h"

#include <gtest/gtest.h>

namespace app {
namespace {

TEST(CommandLineTailTest, FollowsTheQuoteAndBlankRules) {
  EXPECT_EQ(CommandLineTail(u"\"C:\\Program Files\\Tavlo\\tavlo.exe\" /start"), u"/start");
  EXPECT_EQ(CommandLineTail(u"C:\\Tools\\tavlo.exe /start"), u"/start");
  EXPECT_EQ(CommandLineTail(u"C:\\Tools\\tavlo.exe"), u"");
  EXPECT_EQ(CommandLineTail(u""), u"");

  EXPECT_EQ(CommandLineTail(u"\"/opt/t\"/start"), u"/start") << "no blank after the quote";
  EXPECT_EQ(CommandLineTail(u"\"/opt/t\"  a  b"), u" a  b") << "only one blank is skipped";
  EXPECT_EQ(CommandLineTail(u"\"/opt/t /start"), u"") << "no closing quote";
  EXPECT_EQ(CommandLineTail(u"\"/opt/t\""), u"");
  EXPECT_EQ(CommandLineTail(u" /start x"), u"/start x") << "a leading blank";
  EXPECT_EQ(CommandLineTail(u"tavlo  x"), u" x");
  EXPECT_EQ(CommandLineTail(u"tavlo\t/start"), u"") << "a tab is not a blank";
}

}  // namespace
}  // namespace app
