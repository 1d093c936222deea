// The clipboard line format and the paste parser, apart from the view: the
// worked example byte for byte, the cell rules, and text from elsewhere.

#include "listview/clipboard_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace corvella {
namespace {

RequestCells Leaders() {
  return {"3", "Leaders", "I", "N", "G", "1", "Continuous", "1", "C", "DEFAULT", "RTD", "0", "0"};
}

// Cells 1 to 12 of a parsed request, for readable comparisons.
std::vector<std::string> Tail(const RequestCells& cells) {
  return std::vector<std::string>(cells.begin() + 1, cells.end());
}

TEST(ClipboardLineTest, WritesTheWorkedExample) {
  std::string text;
  AppendClipboardLine(text, Leaders());
  EXPECT_EQ(text, " 3|Leaders|I|N|G|1|Continuous|1|C|DEFAULT|RTD|0|0|\r\n");
}

TEST(ClipboardLineTest, AppendsToTheTextSoFar) {
  std::string text = "x";
  AppendClipboardLine(text, Leaders());
  AppendClipboardLine(text, Leaders());
  EXPECT_EQ(text,
            "x 3|Leaders|I|N|G|1|Continuous|1|C|DEFAULT|RTD|0|0|\r\n"
            " 3|Leaders|I|N|G|1|Continuous|1|C|DEFAULT|RTD|0|0|\r\n");
}

TEST(ClipboardLineTest, EmptyCellsAreTwoBlanks) {
  RequestCells cells = Leaders();
  cells[COL_NUMBER] = "";
  cells[COL_SEQUENCE] = "";
  std::string text;
  AppendClipboardLine(text, cells);
  EXPECT_EQ(text, "   |Leaders|I|N|G|1|Continuous|1|C|DEFAULT|  |0|0|\r\n");
}

TEST(ClipboardLineTest, LongCellsAreCutToThirtyAndTheLineIsWhole) {
  RequestCells cells;
  for (auto& cell : cells) cell = std::string(40, 'w');
  std::string text;
  AppendClipboardLine(text, cells);
  // 13 cells of 30, 13 bars, the leading blank and CR LF: longer than the
  // 256 bytes a fixed block per row would have held.
  ASSERT_EQ(text.size(), 1u + 13 * 30 + 13 + 2);
  EXPECT_EQ(text.substr(0, 32), " " + std::string(30, 'w') + "|");
  EXPECT_EQ(text.substr(text.size() - 3), "|\r\n");
}

struct ParseCase {
  const char* name;
  std::string text;
  std::vector<std::vector<std::string>> rows;  // cells 1..12, trailing empties omitted
};

class ClipboardParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ClipboardParseTest, ProducesTheRequests) {
  const ParseCase& c = GetParam();
  const std::vector<RequestCells> rows = ParseClipboardText(c.text);
  ASSERT_EQ(rows.size(), c.rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    SCOPED_TRACE("row " + std::to_string(r));
    EXPECT_EQ(rows[r][COL_NUMBER], "");
    std::vector<std::string> expected = c.rows[r];
    expected.resize(12);
    EXPECT_EQ(Tail(rows[r]), expected);
  }
  // With a limit: the first requests only, and the count of all of them.
  for (std::size_t limit : {std::size_t{0}, std::size_t{1}, rows.size()}) {
    SCOPED_TRACE("limit " + std::to_string(limit));
    std::size_t total = 99;
    const std::vector<RequestCells> first = ParseClipboardText(c.text, limit, total);
    EXPECT_EQ(total, rows.size());
    EXPECT_EQ(first,
              std::vector<RequestCells>(rows.begin(), rows.begin() + std::min(limit, rows.size())));
  }
}

const std::string kLine = " 3|Leaders|I|N|G|1|Continuous|1|C|DEFAULT|RTD|0|0|\r\n";
const std::vector<std::string> kCells = {"Leaders", "I", "N",       "G",   "1", "Continuous",
                                         "1",       "C", "DEFAULT", "RTD", "0", "0"};

INSTANTIATE_TEST_SUITE_P(
    Texts, ClipboardParseTest,
    ::testing::Values(
        ParseCase{"OneLine", kLine, {kCells}},
        ParseCase{"TwoLines", kLine + kLine, {kCells, kCells}}, ParseCase{"Empty", "", {}},
        ParseCase{"NoBars", "just some words\r\nand another line\r\n", {}},
        ParseCase{"OnlyBars", "|||||\r\n|", {}},
        // Two blanks are a piece of their own and stay in the cell.
        ParseCase{"TwoBlanksKept", " 1|Desc|  |N\r\n", {{"Desc", "  ", "N"}}},
        // Runs of "|" count as one separator.
        ParseCase{"RunsOfBars", "1||a|||b\r\n", {{"a", "b"}}},
        ParseCase{"RunsOutWithinTheRow", "x|only", {{"only"}}},
        ParseCase{"LfLineEnds", " 1|a|b|\n 2|c|d|\n", {{"a", "b"}, {"c", "d"}}},
        ParseCase{"CrLineEnds", " 1|a|b|\r 2|c|d|\r", {{"a", "b"}, {"c", "d"}}},
        ParseCase{"NoFinalBarNorLineEnd", " 1|a|b", {{"a", "b"}}},
        // A "|" in the description would shift that row's later cells by
        // one: the line is left out whole and the next line is intact.
        ParseCase{"BarInDescription",
                  " 1|Lead|ers|I|N|G|1|Continuous|1|C|DEFAULT|RTD|0|0|\r\n" + kLine,
                  {kCells}},
        // Blanks after the last cell are no thirteenth field.
        ParseCase{"BlanksAfterTheLastCell",
                  " 3|Leaders|I|N|G|1|Continuous|1|C|DEFAULT|RTD|0|0|  \r\n",
                  {kCells}},
        // A short line leaves its last cells empty rather than pulling in the next line.
        ParseCase{"ShortLineThenFullLine", " 1|a|b|\r\n" + kLine, {{"a", "b"}, kCells}},
        // Clipboard text ends at its first zero byte.
        ParseCase{"EndsAtZeroByte", kLine + std::string("\0", 1) + kLine, {kCells}},
        ParseCase{"BlankLinesBetween", "\r\n\r\n" + kLine + "\r\n\n" + kLine, {kCells, kCells}}),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return info.param.name; });

TEST(ClipboardRoundTripTest, ABarInsideACellIsCopiedAsTheBrokenBarAndPastesUnshifted) {
  // A description from a file written elsewhere holds the separator.
  RequestCells cells = Leaders();
  cells[COL_DESCRIPTION] = "A|B";
  std::string text;
  AppendClipboardLine(text, cells);
  EXPECT_EQ(text,
            " 3|A\xA6"
            "B|I|N|G|1|Continuous|1|C|DEFAULT|RTD|0|0|\r\n");
  std::size_t total = 0;
  std::size_t overfull = 9;
  const std::vector<RequestCells> rows = ParseClipboardText(text, 300, total, &overfull);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(overfull, 0u);
  RequestCells expected = cells;
  expected[COL_DESCRIPTION] =
      "A\xA6"
      "B";
  EXPECT_EQ(Tail(rows[0]), Tail(expected));
}

TEST(ClipboardParseCountTest, LinesWithMoreFieldsThanARequestAreCountedAsLeftOut) {
  const std::string shifted = " 1|Lead|ers|I|N|G|1|Continuous|1|C|DEFAULT|RTD|0|0|\r\n";
  for (std::size_t limit : {std::size_t{0}, std::size_t{5}}) {
    SCOPED_TRACE(limit);
    std::size_t total = 0;
    std::size_t overfull = 0;
    const auto rows = ParseClipboardText(shifted + kLine + shifted, limit, total, &overfull);
    EXPECT_EQ(rows.size(), std::min<std::size_t>(limit, 1));
    EXPECT_EQ(total, 1u);
    EXPECT_EQ(overfull, 2u);
  }
}

TEST(ClipboardRoundTripTest, CopiedLinesPasteBackAsCopied) {
  RequestCells cells = Leaders();
  cells[COL_SEQUENCE] = "";
  cells[COL_DESCRIPTION] = "Points & Rebounds (home)";
  std::string text;
  for (int i = 1; i <= 3; ++i) {
    cells[COL_NUMBER] = std::to_string(i);
    AppendClipboardLine(text, cells);
  }
  const std::vector<RequestCells> rows = ParseClipboardText(text);
  ASSERT_EQ(rows.size(), 3u);
  for (const RequestCells& row : rows) {
    EXPECT_EQ(row[COL_DESCRIPTION], "Points & Rebounds (home)");
    EXPECT_EQ(row[COL_SEQUENCE], "  ");
    EXPECT_EQ(row[COL_OFFSET], "0");
  }
}

}  // namespace
}  // namespace corvella
