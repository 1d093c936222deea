// The field checks: every message of the table in the three modes (editing,
// loading, the quiet save pass), the normalising rules, the cross-column
// rules, the always-shown Top 3 messages, and ValidateField's marking of the
// document.

#include <gtest/gtest.h>

#include <string>

#include "tests/listview/list_fixture.h"

namespace corvella {
namespace {

enum class Mode { Editing, Loading, Saving };

const char* ModeName(Mode mode) {
  switch (mode) {
    case Mode::Editing: return "editing";
    case Mode::Loading: return "loading";
    case Mode::Saving: return "saving";
  }
  return "";
}

// What one validation gives in one mode.
struct Outcome {
  int result;
  const char* value;
  bool message;  // the row's message is shown
};

// One row of the message table, with the cells of the row it is checked on.
struct MessageCase {
  const char* name;
  int column;
  const char* input;
  const char* mode;  // the row's Display Mode cell
  const char* text;  // the message
  Outcome editing;
  Outcome loading;
  Outcome saving;
};

class ValidatorMessageTest : public ListFixture, public ::testing::WithParamInterface<MessageCase> {
 protected:
  void SetMode(Mode mode) {
    view.Checks().SetLoading(mode == Mode::Loading);
    showMessages = mode != Mode::Saving;
  }
  bool showMessages = true;
};

TEST_P(ValidatorMessageTest, MessageResultAndValueInEveryMode) {
  const MessageCase& c = GetParam();
  UseFootball();  // Top 3 is judged on its own rules only in Football
  for (Mode mode : {Mode::Editing, Mode::Loading, Mode::Saving}) {
    SCOPED_TRACE(ModeName(mode));
    list().DeleteAllItems();
    AddRows(3);
    list().SetItemText(2, COL_DISPLAY_MODE, c.mode);
    list().SetItemText(2, COL_TIMES, std::string(c.mode) == "Continuous" ? "1" : "0");
    ui.ClearRecord();
    SetMode(mode);
    const Outcome& want = mode == Mode::Editing   ? c.editing
                          : mode == Mode::Loading ? c.loading
                                                  : c.saving;

    std::string value = c.input;
    EXPECT_EQ(view.ValidateField(value, 2, showMessages, c.column), want.result);
    EXPECT_EQ(value, want.value);
    if (want.message) {
      ASSERT_EQ(ui.CountMessages(), 1) << testing::PrintToString(ui.MessageTexts());
      const auto message = ui.Messages()[0];
      EXPECT_EQ(message.text, c.text);
      EXPECT_EQ(message.caption, "Field 3");  // the request number, not the column
      EXPECT_EQ(message.flags, unsigned{MB_OK | MB_ICONEXCLAMATION});
    } else {
      EXPECT_EQ(ui.CountMessages(), 0) << testing::PrintToString(ui.MessageTexts());
    }
  }
}

constexpr const char* kCont = "Continuous";
constexpr const char* kSel = "Selected Frame";
constexpr const char* kSin = "Single Step";

INSTANTIATE_TEST_SUITE_P(
    Table, ValidatorMessageTest,
    ::testing::Values(MessageCase{"TeamInd",
                                  COL_TEAM_IND,
                                  "x",
                                  kCont,
                                  "Team/Individual must be 'I' or 'T'",
                                  {0, "X", true},
                                  {-1, "I", true},
                                  {0, "X", false}},
                      MessageCase{"Top3Illegal",
                                  COL_TOP3,
                                  "x",
                                  kCont,
                                  "Only R, P, C, T, and N are legal entries.",
                                  {0, "X", true},
                                  {-1, "N", true},
                                  {0, "X", false}},
                      MessageCase{"GameSeason",
                                  COL_GAME_SEASON,
                                  "season",
                                  kCont,
                                  "Only the 'G'ame option is available Currently.",
                                  {0, "S", true},
                                  {-1, "G", true},
                                  {0, "S", false}},
                      MessageCase{"SignLess",
                                  COL_SIGN,
                                  "0",
                                  kCont,
                                  "Sign Number can NOT be LESS than 1",
                                  {0, "0", true},
                                  {-1, "1", true},
                                  {0, "0", false}},
                      MessageCase{"SignGreater",
                                  COL_SIGN,
                                  "17",
                                  kCont,
                                  "Sign Number can NOT be GREATER than 16",
                                  {0, "17", true},
                                  {-1, "1", true},
                                  {0, "17", false}},
                      MessageCase{
                          "DisplayMode",
                          COL_DISPLAY_MODE,
                          "x",
                          kCont,
                          "Display Mode must be 'C'ontinuous 'S'ingle Step or Selected 'F'rame",
                          {0, "X", true},
                          {-1, "Continuous", true},
                          {0, "X", false}},
                      MessageCase{"TimesSelectedFrame",
                                  COL_TIMES,
                                  "5",
                                  kSel,
                                  "Times to Display can not be changed in Selected Frame mode",
                                  {0, "5", true},
                                  {-1, "0", false},
                                  {0, "5", false}},
                      MessageCase{"TimesSingleStep",
                                  COL_TIMES,
                                  "5",
                                  kSin,
                                  "Times to Display can not be changed in SINGLE STEP mode",
                                  {0, "5", true},
                                  {-1, "0", false},
                                  {0, "5", false}},
                      MessageCase{"TimesLess",
                                  COL_TIMES,
                                  "0",
                                  kCont,
                                  "Times to Display can not be LESS than 1",
                                  {0, "0", true},
                                  {-1, "1", true},
                                  {0, "0", false}},
                      MessageCase{"TimesGreater",
                                  COL_TIMES,
                                  "100000",
                                  kCont,
                                  "Times to Display can not be GREATER than 99999",
                                  {0, "100000", true},
                                  {-1, "1", true},
                                  {0, "100000", false}},
                      MessageCase{"Drive",
                                  COL_DRIVE,
                                  "1",
                                  kCont,
                                  "Drive is not a valid letter.  A-Z",
                                  {0, "1", true},
                                  {-1, "C", true},
                                  {0, "1", false}},
                      MessageCase{"LibraryExtension",
                                  COL_LIBRARY,
                                  "scores.lib",
                                  kCont,
                                  ".LIB extension does not need to be included in Library name.",
                                  {1, "SCORES", true},
                                  {1, "SCORES", true},
                                  {1, "SCORES", false}},
                      MessageCase{"LibraryLength",
                                  COL_LIBRARY,
                                  "abcdefghij",
                                  kCont,
                                  "Libraries being requested must be 8 or LESS characters.",
                                  {1, "ABCDEFGH", true},
                                  {1, "ABCDEFGH", true},
                                  {1, "ABCDEFGH", false}},
                      MessageCase{"LibraryCharacter",
                                  COL_LIBRARY,
                                  "a/b",
                                  kCont,
                                  "Illegal character in Library Name.",
                                  {0, "A/B", true},
                                  {-1, "DEFAULT", true},
                                  {0, "A/B", false}},
                      MessageCase{"SequenceExtension",
                                  COL_SEQUENCE,
                                  "lead.sqz",
                                  kCont,
                                  ".SQZ extension does not need to be included in Sequence name.",
                                  {1, "LEAD", true},
                                  {1, "LEAD", true},
                                  {1, "LEAD", false}},
                      MessageCase{"SequenceLength",
                                  COL_SEQUENCE,
                                  "abcdefghij",
                                  kCont,
                                  "Sequences being requested must be 8 or LESS characters.",
                                  {1, "ABCDEFGH", true},
                                  {1, "ABCDEFGH", true},
                                  {1, "ABCDEFGH", false}},
                      MessageCase{"SequenceCharacter",
                                  COL_SEQUENCE,
                                  "a\\b",
                                  kCont,
                                  "Illegal character in Sequence Name.",
                                  {0, "A\\B", true},
                                  {-1, "RTD", true},
                                  {0, "A\\B", false}},
                      MessageCase{"FrameInSelectedFrame",
                                  COL_FRAME,
                                  "0",
                                  kSel,
                                  "Frame Number must be GREATER than 0.",
                                  {0, "0", true},
                                  {-1, "1", true},
                                  {0, "0", false}},
                      MessageCase{"FrameInOtherMode",
                                  COL_FRAME,
                                  "3",
                                  kCont,
                                  "Frame Number is for Selected Frame Mode ONLY.",
                                  {0, "3", true},
                                  {-1, "0", true},
                                  {0, "3", false}},
                      MessageCase{"OffsetLess",
                                  COL_OFFSET,
                                  "-1",
                                  kCont,
                                  "RTD Offset must be 0 or GREATER.",
                                  {0, "-1", true},
                                  {-1, "0", true},
                                  {0, "-1", false}},
                      MessageCase{"OffsetGreater",
                                  COL_OFFSET,
                                  "5000",
                                  kCont,
                                  "RTD Offset must be less than 5000.",
                                  {0, "5000", true},
                                  {-1, "0", true},
                                  {0, "5000", false}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the always-shown Top 3 messages ---------------------------------------------

class Top3Test : public ListFixture {
 protected:
  Top3Test() { AddRows(3); }
};

TEST_F(Top3Test, OutsideFootballAnyTextButNIsReplacedWithTheSportMessageInEveryMode) {
  for (const char* text : {"P", "n", "Normal", ""}) {
    for (bool loading : {false, true}) {
      for (bool show : {true, false}) {
        SCOPED_TRACE(std::string(text) + (loading ? " loading" : " not loading") +
                     (show ? " shown" : " quiet"));
        ui.ClearRecord();
        view.Checks().SetLoading(loading);
        std::string value = text;
        EXPECT_EQ(view.ValidateField(value, 1, show, COL_TOP3), -1);
        EXPECT_EQ(value, "N");
        ASSERT_EQ(ui.CountMessages(), 1);
        EXPECT_EQ(ui.Messages()[0].text, "Top 3 is used in Football Only");
        EXPECT_EQ(ui.Messages()[0].caption, "Illegal Sport Setting!!");
        EXPECT_EQ(ui.Messages()[0].flags, unsigned{MB_OK | MB_ICONEXCLAMATION});
      }
    }
  }
  std::string n = "N";
  ui.ClearRecord();
  EXPECT_EQ(view.ValidateField(n, 1, true, COL_TOP3), 1);
  EXPECT_EQ(ui.CountMessages(), 0);
}

TEST_F(Top3Test, FootballNamesMapToCodes) {
  UseFootball();
  struct Case {
    const char* in;
    int result;
    const char* out;
  };
  for (const Case& c : {Case{"Normal", 1, "N"}, Case{"n", 1, "N"}, Case{"Passing", 1, "P"},
                        Case{"Receiving", 1, "C"}, Case{"re", 1, "C"}, Case{"Rushing", 1, "R"},
                        Case{"Tackles/Defense", 1, "T"}, Case{"c", 1, "C"}, Case{" ", -1, "N"}}) {
    SCOPED_TRACE(c.in);
    ui.ClearRecord();
    std::string value = c.in;
    EXPECT_EQ(view.ValidateField(value, 0, true, COL_TOP3), c.result);
    EXPECT_EQ(value, c.out);
    EXPECT_EQ(ui.CountMessages(), 0);
  }
}

TEST_F(Top3Test, AStatisticOnATeamRowAsksWhateverTheMessageSwitch) {
  UseFootball();
  for (bool show : {true, false}) {
    SCOPED_TRACE(show ? "shown" : "quiet");
    // No: the statistic is dropped, the row stays a team request.
    list().SetItemText(1, COL_TEAM_IND, "T");
    ui.ClearRecord();
    ui.AnswerMessage(IDNO);
    std::string value = "p";
    EXPECT_EQ(view.ValidateField(value, 1, show, COL_TOP3), -1);
    EXPECT_EQ(value, "N");
    EXPECT_EQ(list().GetItemText(1, COL_TEAM_IND), "T");
    ASSERT_EQ(ui.CountMessages(), 1);
    EXPECT_EQ(ui.Messages()[0].text,
              "Top 3 is for INDIVIDUAL Stats Only\nChange Current Request to INDIVIDUAL?");
    EXPECT_EQ(ui.Messages()[0].caption, "Illegal Team Setting!!");
    EXPECT_EQ(ui.Messages()[0].flags, unsigned{MB_YESNO | MB_ICONEXCLAMATION});

    // Yes: the row becomes individual and keeps the statistic.
    ui.AnswerMessage(IDYES);
    value = "Passing";
    EXPECT_EQ(view.ValidateField(value, 1, show, COL_TOP3), 1);
    EXPECT_EQ(value, "P");
    EXPECT_EQ(list().GetItemText(1, COL_TEAM_IND), "I");
  }
  // An individual row is not asked.
  ui.ClearRecord();
  std::string value = "T";
  EXPECT_EQ(view.ValidateField(value, 1, true, COL_TOP3), 1);
  EXPECT_EQ(ui.CountMessages(), 0);
}

// ---- normalising and cross-column rules ------------------------------------------------

class RuleTest : public ListFixture {
 protected:
  RuleTest() { AddRows(2); }
  // Editing mode, messages on.
  int Check(int column, std::string& value, int row = 0) {
    return view.ValidateField(value, row, true, column);
  }
};

TEST_F(RuleTest, TeamIndTakesTheFirstLetterAndTeamClearsTop3) {
  std::string value = "individual";
  EXPECT_EQ(Check(COL_TEAM_IND, value), 1);
  EXPECT_EQ(value, "I");
  list().SetItemText(0, COL_TOP3, "P");
  value = "team";
  EXPECT_EQ(Check(COL_TEAM_IND, value), 1);
  EXPECT_EQ(value, "T");
  EXPECT_EQ(list().GetItemText(0, COL_TOP3), "N");
  EXPECT_EQ(ui.CountMessages(), 0);
}

TEST_F(RuleTest, NumbersAreJudgedByTheirLeadingIntegerAndKeptAsTyped) {
  struct Case {
    int column;
    const char* in;
    int result;
  };
  for (const Case& c :
       {Case{COL_SIGN, "5x", 1}, Case{COL_SIGN, "007", 1}, Case{COL_SIGN, " +16", 1},
        Case{COL_SIGN, "abc", 0}, Case{COL_TIMES, "99999", 1}, Case{COL_OFFSET, "4999", 1},
        Case{COL_OFFSET, "0", 1}, Case{COL_OFFSET, "99999999999999999999", 0},
        Case{COL_FRAME, "0", 1}}) {
    SCOPED_TRACE(c.in);
    std::string value = c.in;
    EXPECT_EQ(Check(c.column, value), c.result);
    EXPECT_EQ(value, c.in);
  }
  EXPECT_EQ(ui.CountMessages("Sign Number can NOT be LESS than 1"), 1);  // "abc" reads 0
}

TEST_F(RuleTest, DisplayModeSetsItsFullNameAndTimesToDisplay) {
  struct Case {
    const char* in;
    const char* timesBefore;
    const char* out;
    const char* timesAfter;
  };
  for (const Case& c :
       {Case{"s", "5", "Single Step", "0"}, Case{"cont", "0", "Continuous", "1"},
        Case{"Continuous", "25", "Continuous", "25"}, Case{"sel", "3", "Selected Frame", "0"},
        Case{"f", "0", "Selected Frame", "0"}, Case{"co", "0", "Continuous", "1"},
        Case{"single", "1", "Single Step", "0"},
        Case{"SELECTED FRAME", "1", "Selected Frame", "0"}}) {
    SCOPED_TRACE(c.in);
    list().SetItemText(0, COL_TIMES, c.timesBefore);
    list().SetItemText(0, COL_FRAME, "7");
    std::string value = c.in;
    EXPECT_EQ(Check(COL_DISPLAY_MODE, value), 1);
    EXPECT_EQ(value, c.out);
    EXPECT_EQ(list().GetItemText(0, COL_TIMES), c.timesAfter);
    EXPECT_EQ(list().GetItemText(0, COL_FRAME), "7");  // the frame is not touched
  }
}

TEST_F(RuleTest, TimesOutsideContinuousAcceptsOnlyTheExactZeroAfterItsMessage) {
  list().SetItemText(0, COL_DISPLAY_MODE, "Single Step");
  std::string value = "0";
  EXPECT_EQ(Check(COL_TIMES, value), 1);
  EXPECT_EQ(ui.CountMessages("Times to Display can not be changed in SINGLE STEP mode"), 1);
  value = "00";
  EXPECT_EQ(Check(COL_TIMES, value), 0);
  EXPECT_EQ(ui.CountMessages("Times to Display can not be changed in SINGLE STEP mode"), 2);
}

TEST_F(RuleTest, DriveTakesTheFirstLetterOfTheCodePage) {
  struct Case {
    const char* in;
    int result;
    const char* out;
  };
  for (const Case& c : {Case{"d:", 1, "D"}, Case{"z", 1, "Z"}, Case{"\xC9", 1, "\xC9"},
                        Case{"\xD7", 0, "\xD7"}, Case{"", 0, ""}, Case{":", 0, ":"}}) {
    SCOPED_TRACE(c.in);
    std::string value = c.in;
    EXPECT_EQ(Check(COL_DRIVE, value), c.result);
    EXPECT_EQ(value, c.out);
  }
}

TEST_F(RuleTest, LibraryExtensionAndLengthRules) {
  // ".LIB" at the start: "DEFAULT" in every mode.
  for (bool loading : {false, true}) {
    view.Checks().SetLoading(loading);
    std::string value = ".lib";
    EXPECT_EQ(view.ValidateField(value, 0, true, COL_LIBRARY), -1);
    EXPECT_EQ(value, "DEFAULT");
  }
  // A long name with the extension: "Default" while loading, cut while editing.
  view.Checks().SetLoading(true);
  ui.ClearRecord();
  std::string value = "LONGNAME12.LIB";
  EXPECT_EQ(view.ValidateField(value, 0, true, COL_LIBRARY), -1);
  EXPECT_EQ(value, "Default");
  EXPECT_EQ(ui.CountMessages(), 2);
  view.Checks().SetLoading(false);
  value = "longname12.lib";
  EXPECT_EQ(view.ValidateField(value, 0, true, COL_LIBRARY), 1);
  EXPECT_EQ(value, "LONGNAME");
  // A long name without the extension is only cut, also while loading.
  view.Checks().SetLoading(true);
  value = "LONGNAME12";
  EXPECT_EQ(view.ValidateField(value, 0, true, COL_LIBRARY), 1);
  EXPECT_EQ(value, "LONGNAME");
}

TEST_F(RuleTest, SequenceEmptyIsValidAndAnExtensionAloneGivesRtd) {
  std::string value;
  EXPECT_EQ(Check(COL_SEQUENCE, value), 1);
  EXPECT_EQ(value, "");
  value = ".SQZ";
  EXPECT_EQ(Check(COL_SEQUENCE, value), -1);
  EXPECT_EQ(value, "RTD");
  value = "rtd_seq ";
  EXPECT_EQ(Check(COL_SEQUENCE, value), 1);
  EXPECT_EQ(value, "RTD_SEQ ");
}

TEST_F(RuleTest, FrameHasNoUpperBoundInSelectedFrameMode) {
  list().SetItemText(0, COL_DISPLAY_MODE, "Selected Frame");
  std::string value = "12345";
  EXPECT_EQ(Check(COL_FRAME, value), 1);
  list().SetItemText(0, COL_DISPLAY_MODE, "Single Step");
  EXPECT_EQ(Check(COL_FRAME, value), 0);
}

// ---- ValidateField: dispatch and the load's correction mark ---------------------------

TEST_F(RuleTest, ValidateFieldNotesACorrectionOnlyWhileLoading) {
  struct Case {
    const char* name;
    bool loading;
    int column;
    const char* in;
    int result;
    bool corrected;
  };
  // The mark stays until the next load starts: the correcting case comes last.
  for (const Case& c : {Case{"load valid", true, COL_SIGN, "3", 1, false},
                        Case{"edit valid", false, COL_SIGN, "3", 1, false},
                        Case{"edit corrected", false, COL_LIBRARY, ".LIB", -1, false},
                        Case{"edit rejected", false, COL_SIGN, "30", 0, false},
                        Case{"number column", false, COL_NUMBER, "1", 0, false},
                        Case{"description", false, COL_DESCRIPTION, "Any", 0, false},
                        Case{"unknown column", false, 13, "x", 0, false},
                        Case{"load replaced", true, COL_SIGN, "30", -1, true}}) {
    SCOPED_TRACE(c.name);
    view.Checks().SetLoading(c.loading);
    std::string value = c.in;
    EXPECT_EQ(view.ValidateField(value, 0, false, c.column), c.result);
    EXPECT_EQ(view.Checks().CorrectedOnLoad(), c.corrected);
    // The document's modified flag is the list history's alone.
    EXPECT_FALSE(doc.IsModified());
  }
  EXPECT_EQ(ui.CountMessages(), 0);
}

TEST_F(RuleTest, ARowValidatedInColumnOrderWhileFillingSeesEmptyLaterCells) {
  // The fill stores each cell after its check; later cells are still empty.
  view.Checks().SetLoading(true);
  list().InsertItem(2, "3");
  std::string team = "T";
  EXPECT_EQ(view.ValidateField(team, 2, true, COL_TEAM_IND), 1);
  EXPECT_EQ(list().GetItemText(2, COL_TOP3), "N");  // set before the file's value arrives
  std::string mode = "Continuous";
  EXPECT_EQ(view.ValidateField(mode, 2, true, COL_DISPLAY_MODE), 1);
  EXPECT_EQ(list().GetItemText(2, COL_TIMES), "1");
  EXPECT_EQ(ui.CountMessages(), 0);
}

}  // namespace
}  // namespace corvella
