// Request file helpers: how values are written so that they read back exactly,
// and the count rule on parsed files.

#include "requests/request_file.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/profile.h"
#include "support/request_files.h"
#include "support/temp_dir.h"

namespace corvella {
namespace {

TEST(RequestFile, ValuesReadBackExactlyAsWritten) {
  struct Case {
    const char* value;
    const char* written;
  };
  const Case cases[] = {
      {"Points", "Points"},   {"RTD_SEQ ", "\"RTD_SEQ \""}, {" ", "\" \""}, {" lead", "\" lead\""},
      {"\"q\"", "\"\"q\"\""}, {"'q'", "\"'q'\""},           {"\"", "\""},   {"a\"b\"", "a\"b\""},
      {"\"x'", "\"x'"},       {"in side", "in side"},       {"", ""},       {"tab\t", "\"tab\t\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(QuoteRequestValue(c.value), c.written);
    ProfileFile file(std::string("[REQ1]\r\nName=") + QuoteRequestValue(c.value) + "\r\n");
    EXPECT_EQ(file.GetString("REQ1", "Name", "?", 100), c.value);
  }
  EXPECT_EQ(QuoteRequestValue("a\r\nb\n"), "\"a  b \"");
}

TEST(RequestFile, TextHoldsOneSectionPerRequest) {
  RequestFileText text;
  text.BeginRequest();
  const testing::RequestValues values = testing::ValidRequest("Points");
  for (int c = 1; c <= kLastColumn; ++c) text.AddValue(c, values[static_cast<std::size_t>(c - 1)]);
  text.BeginRequest();
  text.AddValue(COL_DESCRIPTION, "");
  EXPECT_EQ(text.Count(), 2);
  EXPECT_EQ(text.Text(), testing::RequestSection(1, values) + "\r\n[REQ2]\r\nName=\" \"\r\n");
}

TEST(RequestFile, CountAndValues) {
  ProfileFile file(testing::ValidRequestFile(3) + "[REQ4]\r\nName=\r\n[REQ5]\r\nName=x\r\n");
  EXPECT_EQ(CountRequestsInFile(file), 3);
  EXPECT_EQ(ReadRequestValue(file, 2, COL_DESCRIPTION), "Request 2");
  EXPECT_EQ(ReadRequestValue(file, 4, COL_TEAM_IND), "T");  // missing key: file default
  EXPECT_EQ(ReadRequestValue(file, 9, COL_TOP3), "Normal");
  EXPECT_EQ(RequestSectionName(300), "REQ300");
}

TEST(RequestFile, WritingNoRequestsDeletesTheFile) {
  TempDir dir;
  const std::string path = dir.Write("BASK.REQ", "old");
  RequestFileText empty;
  EXPECT_TRUE(WriteRequestFile(path, empty));
  EXPECT_FALSE(dir.Exists("BASK.REQ"));
  EXPECT_TRUE(WriteRequestFile(path, empty));  // already gone
  RequestFileText one;
  one.BeginRequest();
  one.AddValue(COL_DESCRIPTION, "x");
  EXPECT_TRUE(WriteRequestFile(path, one));
  EXPECT_EQ(dir.Read("BASK.REQ"), "[REQ1]\r\nName=x\r\n");
  EXPECT_FALSE(WriteRequestFile(dir.File("missing/BASK.REQ"), one));
}

TEST(RequestFile, AFileInUtf8IsReadAsUtf8AndAWindows1252FileAsBefore) {
  struct Case {
    const char* name;
    std::string bytes;        // the file's "Name" value
    std::string description;  // as read, in Windows-1252
    std::size_t unmapped;
  };
  std::string kFifteenEAcute;
  for (int i = 0; i < 15; ++i) kFifteenEAcute += "\xC3\xA9";
  const Case cases[] = {
      {"utf-8 umlaut", "M\xC3\xBCller", "M\xFCller", 0},
      {"utf-8 euro and dash", "\xE2\x82\xAC 5 \xE2\x80\x93 6", "\x80 5 \x96 6", 0},
      // 29 characters arrive, however many bytes they took in UTF-8.
      {"utf-8 long", std::string(15, 'a') + kFifteenEAcute,
       std::string(15, 'a') + std::string(14, '\xE9'), 0},
      {"utf-8 emoji", "Goal \xF0\x9F\x98\x80!", "Goal ?!", 1},
      // Windows-1252 bytes that do not form UTF-8 stay as they are.
      {"windows-1252 umlaut", "M\xFCller", "M\xFCller", 0},
      {"windows-1252 pair that looks like utf-8 once", "\xC3\xBC \xFC", "\xC3\xBC \xFC", 0},
      {"ascii", "Points", "Points", 0},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.Write("BASK.REQ", "[REQ1]\r\nName=" + c.bytes + "\r\n");
    std::size_t unmapped = 99;
    const ProfileFile file = LoadRequestFile(path, &unmapped);
    EXPECT_EQ(ReadRequestValue(file, 1, COL_DESCRIPTION), c.description);
    EXPECT_EQ(unmapped, c.unmapped);
  }
  std::size_t unmapped = 99;
  EXPECT_EQ(CountRequestsInFile(LoadRequestFile(dir.File("missing.REQ"), &unmapped)), 0);
  EXPECT_EQ(unmapped, 0u);
}

}  // namespace
}  // namespace corvella
