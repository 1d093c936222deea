// The request record: names shown by dialogs against the stored texts, the
// sport codes, and the column table the file format depends on.

#include "requests/request_record.h"

#include <gtest/gtest.h>

#include <string>

namespace corvella {
namespace {

TEST(RequestRecord, LongNamesMapToStoredTexts) {
  struct Case {
    std::string (*map)(std::string_view);
    const char* text;
    const char* stored;
  };
  const Case cases[] = {
      {TeamIndFromText, "Individual", "I"},
      {TeamIndFromText, "team", "T"},
      {TeamIndFromText, "", ""},
      {Top3FromText, "Receiving", "C"},
      {Top3FromText, "re", "C"},
      {Top3FromText, "rE", "C"},
      {Top3FromText, "Rushing", "R"},
      {Top3FromText, "r", "R"},
      {Top3FromText, "Tackles/Defense", "T"},
      {Top3FromText, "Normal", "N"},
      {Top3FromText, "passing", "P"},
      {Top3FromText, "", ""},
      {GameSeasonFromText, "Game", "G"},
      {GameSeasonFromText, "season", "S"},
      {DisplayModeFromText, "sel", "Selected Frame"},
      {DisplayModeFromText, "f", "Selected Frame"},
      {DisplayModeFromText, "co", "Continuous"},
      {DisplayModeFromText, "CONTINUOUS", "Continuous"},
      {DisplayModeFromText, "single", "Single Step"},
      {DisplayModeFromText, "s", "Single Step"},
      {DisplayModeFromText, "Selected Frame", "Selected Frame"},
      {DisplayModeFromText, "x", ""},
      {DisplayModeFromText, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.map(c.text), c.stored);
  }
}

TEST(RequestRecord, StoredTextsMapBackToTheNamesDialogsShow) {
  for (const char* name : {"Individual", "Team"})
    EXPECT_EQ(TeamIndName(TeamIndFromText(name)), name);
  for (const char* name : {"Normal", "Passing", "Receiving", "Rushing", "Tackles/Defense"}) {
    EXPECT_EQ(Top3Name(Top3FromText(name)), name);
  }
  for (const char* name : {"Game", "Season"})
    EXPECT_EQ(GameSeasonName(GameSeasonFromText(name)), name);
  EXPECT_EQ(TeamIndName("X"), "");
  EXPECT_EQ(Top3Name(""), "");
  EXPECT_EQ(GameSeasonName("g"), "");
}

TEST(RequestRecord, SportSettingSelectsByItsFirstFourCharacters) {
  struct Case {
    const char* setting;
    const char* code;
  };
  const Case cases[] = {
      {"BASKETBALL", "BASK"}, {"Football", "FOOT"}, {"FOOT.REQ", "FOOT"}, {"hockey", "HOCK"},
      {"baseball", "BASE"},   {"BASKET", "BASK"},   {"Bas", ""},          {"", ""},
      {"TENNIS", ""},         {" FOOT", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.setting);
    EXPECT_EQ(SportCodeOfSetting(c.setting), c.code);
  }
}

TEST(RequestRecord, Top3ListNameTakesTheLastEntryForAnUnknownCode) {
  EXPECT_EQ(Top3ListName("C"), "Receiving");
  EXPECT_EQ(Top3ListName("N"), "Normal");
  EXPECT_EQ(Top3ListName("X"), "Tackles/Defense");
  EXPECT_EQ(Top3ListName(""), "Tackles/Defense");
}

TEST(RequestRecord, ColumnsCarryTheFileKeysInFileOrder) {
  const char* keys[] = {"Number", "Name",  "Team",    "Top3",     "Game",  "Sign",  "Mode",
                        "Times",  "Drive", "Library", "Sequence", "Frame", "Offset"};
  for (int c = 0; c < kColumnCount; ++c) EXPECT_STREQ(kColumns[c].key, keys[c]) << c;
  EXPECT_STREQ(kColumns[COL_TEAM_IND].fileDefault, "T");
}

}  // namespace
}  // namespace corvella
