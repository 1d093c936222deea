// The C runtime's text rules: atoi's leading integer and ASCII-only case
// changes.

#include "platform/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace corvella {
namespace {

TEST(Text, LeadingIntReadsLikeAtoi) {
  struct Case {
    const char* text;
    int value;
  };
  const Case cases[] = {{"007", 7},
                        {"5x", 5},
                        {"  -12", -12},
                        {"+3", 3},
                        {"abc", 0},
                        {"", 0},
                        {"- 1", 0},
                        {"\t\n 42", 42},
                        {"1 2", 1},
                        {"99999", 99999},
                        {"99999999999", INT_MAX},
                        {"-99999999999", INT_MIN},
                        {"2147483647", INT_MAX},
                        {"-2147483648", INT_MIN}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(LeadingInt(c.text), c.value);
  }
}

TEST(Text, CaseChangesTouchOnlyAsciiLetters) {
  std::string text = "scores.lib \xE9\xC9 z9";
  MakeUpper(text);
  EXPECT_EQ(text, "SCORES.LIB \xE9\xC9 Z9");
  EXPECT_EQ(UpperAscii('q'), 'Q');
  EXPECT_EQ(LowerAscii('Q'), 'q');
  EXPECT_EQ(LowerAscii('\xC9'), '\xC9');
}

}  // namespace
}  // namespace corvella
