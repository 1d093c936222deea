// Keyboard navigation and single-key editing of the request list: selection
// ranges with Up, Down, Shift, the page keys, Home and End; column moves with
// Tab and the arrows; the keypad's stepping with its wraps; the letter keys
// per column and sport; Delete and Insert in row mode.

#include <string>
#include <vector>

#include "support/request_files.h"
#include "tests/listview/list_fixture.h"

namespace corvella {
namespace {

using Rows = std::vector<int>;

class ViewKeysTest : public ListFixture {};
class FootballKeysTest : public FootballListFixture {};

// ---- selection range ---------------------------------------------------------------

TEST_F(ViewKeysTest, ShiftUpTwiceFromSixThenShiftDownKeepsFiveAndSix) {
  AddRows(10);
  Click(6, 0);
  ASSERT_EQ(Selected(), Rows{6});

  HoldShift();
  Key(VK_UP);
  Key(VK_UP);
  EXPECT_EQ(Selected(), (Rows{4, 5, 6}));
  EXPECT_EQ(view.SelectionTop(), 4);
  EXPECT_EQ(view.SelectionBottom(), 6);

  // Down shrinks the range from the top.
  Key(VK_DOWN);
  EXPECT_EQ(Selected(), (Rows{5, 6}));
  EXPECT_EQ(view.SelectionTop(), 5);
  EXPECT_EQ(view.GetFocusRow(), 5);
  ReleaseShift();
}

TEST_F(ViewKeysTest, ShiftDownTwiceFromFourThenShiftUpAlsoDropsFour) {
  AddRows(10);
  Click(4, 0);

  HoldShift();
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(Selected(), (Rows{4, 5, 6}));
  EXPECT_EQ(view.SelectionBottom(), 6);

  // The caret lands on the row just below the top of the range: the top goes.
  Key(VK_UP);
  EXPECT_EQ(Selected(), (Rows{5, 6}));
  EXPECT_EQ(view.SelectionTop(), 5);
  EXPECT_EQ(view.SelectionBottom(), 6);
  ReleaseShift();
}

TEST_F(ViewKeysTest, ShiftRangeShrinksFromTheBottomWhenTheCaretMovesBackUp) {
  AddRows(10);
  Click(2, 0);
  HoldShift();
  for (int i = 0; i < 4; ++i) Key(VK_DOWN);  // 2..6, caret 6
  Key(VK_UP);                                // caret 5: the bottom goes
  EXPECT_EQ(Selected(), (Rows{2, 3, 4, 5}));
  EXPECT_EQ(view.SelectionBottom(), 5);
  ReleaseShift();
}

TEST_F(ViewKeysTest, UpAndDownWithoutShiftMoveOneSelectedRowAndStopAtTheEnds) {
  AddRows(5);
  Click(3, 0);
  Key(VK_DOWN);
  EXPECT_EQ(Selected(), Rows{4});
  EXPECT_EQ(view.GetFocusRow(), 4);
  Key(VK_DOWN);  // already the last row
  EXPECT_EQ(Selected(), Rows{4});
  EXPECT_EQ(view.GetFocusRow(), 4);

  // A Shift range is dropped as a whole by the next plain move.
  HoldShift();
  Key(VK_UP);
  Key(VK_UP);
  ReleaseShift();
  EXPECT_EQ(Selected(), (Rows{2, 3, 4}));
  Key(VK_UP);
  EXPECT_EQ(Selected(), Rows{1});
  EXPECT_EQ(view.SelectionTop(), 1);
  EXPECT_EQ(view.SelectionBottom(), 1);

  Key(VK_UP);
  Key(VK_UP);
  EXPECT_EQ(Selected(), Rows{0});
  EXPECT_EQ(view.GetFocusRow(), 0);
}

TEST_F(ViewKeysTest, DownScrollsTheCaretIntoView) {
  AddRows(30);
  SetRowsPerPage(10);
  Click(9, 0);
  Key(VK_DOWN);
  EXPECT_EQ(list().GetTopIndex(), 1);
  EXPECT_EQ(Selected(), Rows{10});
}

TEST_F(ViewKeysTest, FirstDownBeforeAnyClickSelectsRowZeroOnly) {
  AddRows(5);
  list().SetItemState(3, LVIS_SELECTED, LVIS_SELECTED);  // selected by other means
  Key(VK_DOWN);
  // No range was ever set: nothing but the new caret row changes.
  EXPECT_EQ(view.GetFocusRow(), 0);
  EXPECT_EQ(Selected(), (Rows{0, 3}));
}

// ---- page keys, Home, End ------------------------------------------------------------

TEST_F(ViewKeysTest, PageUpWithinTheFirstPageSelectsRowZero) {
  AddRows(50);
  SetRowsPerPage(10);
  Click(3, 0);
  Key(VK_PRIOR);
  EXPECT_EQ(Selected(), Rows{0});
  EXPECT_EQ(view.SelectionTop(), 0);
  EXPECT_EQ(view.SelectionBottom(), 0);
  EXPECT_EQ(view.GetFocusRow(), 0);
}

TEST_F(ViewKeysTest, PageKeysMoveByAPageLessOneAndStopAtTheLastRow) {
  AddRows(50);
  SetRowsPerPage(10);
  struct Case {
    int from;
    unsigned key;
    int target;
  };
  const Case cases[] = {
      {3, VK_NEXT, 12},    // 3 + 10 - 1
      {25, VK_PRIOR, 16},  // 25 - 10 + 1
      {10, VK_PRIOR, 0},   // 10 - 10 <= 0
      {11, VK_PRIOR, 2},  {39, VK_NEXT, 48},
      {40, VK_NEXT, 49},  // 40 + 10 is not below the count: the last row
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("from row " + std::to_string(c.from) +
                 (c.key == VK_NEXT ? " Page Down" : " Page Up"));
    list().SetTopIndex(0);
    list().EnsureVisible(c.from);
    Click(c.from, 0);
    Key(c.key);
    EXPECT_EQ(Selected(), Rows{c.target});
    EXPECT_EQ(view.SelectionTop(), c.target);
    EXPECT_EQ(view.SelectionBottom(), c.target);
    EXPECT_EQ(view.GetFocusRow(), c.target);
    // The target is scrolled into view.
    EXPECT_LE(list().GetTopIndex(), c.target);
    EXPECT_GT(list().GetTopIndex() + list().GetCountPerPage(), c.target);
  }
}

TEST_F(ViewKeysTest, PageKeysFromARangeLeftBehindByDeletedRowsLandOnTheLastRow) {
  AddRows(20);
  SetRowsPerPage(10);
  for (unsigned key : {VK_PRIOR, VK_NEXT}) {
    view.SetSelectionRange(40, 40);
    view.SetFocusRow(40);  // rows 20 to 40 were deleted
    Key(key);
    EXPECT_EQ(Selected(), Rows{19});
    EXPECT_EQ(view.GetFocusRow(), 19);
  }
}

TEST_F(ViewKeysTest, PageKeysHomeAndEndReplaceAShiftRangeAsAWhole) {
  AddRows(50);
  SetRowsPerPage(10);
  for (unsigned key : {VK_NEXT, VK_PRIOR, VK_HOME, VK_END}) {
    SCOPED_TRACE("key " + std::to_string(key));
    list().SetTopIndex(0);
    Click(4, 0);
    HoldShift();
    Key(VK_DOWN);
    Key(VK_DOWN);
    ReleaseShift();
    ASSERT_EQ(Selected(), (Rows{4, 5, 6}));
    Key(key);
    // Only the target row is left selected: nothing the drawing would not
    // show as selected is left for Delete, Copy or Cut.
    ASSERT_EQ(Selected().size(), 1u);
    EXPECT_EQ(Selected()[0], view.SelectionTop());
    EXPECT_EQ(view.SelectionTop(), view.SelectionBottom());
  }
}

TEST_F(ViewKeysTest, HomeAndEndSelectTheFirstAndLastVisibleRowsAndMoveTheCaretThere) {
  AddRows(50);
  SetRowsPerPage(10);
  list().SetTopIndex(20);
  Click(24, 5);
  Key(VK_END);
  EXPECT_EQ(Selected(), Rows{29});
  EXPECT_EQ(view.SelectionTop(), 29);
  EXPECT_EQ(view.SelectionBottom(), 29);
  EXPECT_EQ(view.GetFocusRow(), 29);
  EXPECT_EQ(view.CurrentColumn(), 5);

  Key(VK_HOME);
  EXPECT_EQ(Selected(), Rows{20});
  EXPECT_EQ(view.GetFocusRow(), 20);
  EXPECT_EQ(view.CurrentColumn(), 5);
  // The next line key goes on from where Home went, not from the old caret.
  Key(VK_DOWN);
  EXPECT_EQ(Selected(), Rows{21});
  Key(VK_END, {VK_CONTROL});
  Key(VK_UP);
  EXPECT_EQ(Selected(), Rows{48});
}

TEST_F(ViewKeysTest, EndOnAShortListSelectsTheLastRow) {
  AddRows(4);
  SetRowsPerPage(10);
  Click(1, 0);
  Key(VK_END);
  EXPECT_EQ(Selected(), Rows{3});
}

TEST_F(ViewKeysTest, CtrlHomeAndCtrlEndGoToTheEndsInRowMode) {
  AddRows(50);
  SetRowsPerPage(10);
  Click(5, 7);
  Key(VK_END, {VK_CONTROL});
  EXPECT_EQ(Selected(), Rows{49});
  EXPECT_EQ(view.CurrentColumn(), 0);
  EXPECT_LE(list().GetTopIndex(), 49);
  EXPECT_GT(list().GetTopIndex() + 10, 49);

  view.SetCurrentColumn(7);
  Key(VK_HOME, {VK_CONTROL});
  EXPECT_EQ(Selected(), Rows{0});
  EXPECT_EQ(view.CurrentColumn(), 0);
  EXPECT_EQ(list().GetTopIndex(), 0);
}

// ---- columns -----------------------------------------------------------------------

TEST_F(ViewKeysTest, TabAndArrowsMoveTheCurrentColumnWithWrapsAndCtrlJumps) {
  AddRows(3);
  struct Case {
    int from;
    unsigned key;
    std::vector<unsigned> modifiers;
    int to;
  };
  const Case cases[] = {
      {12, VK_TAB, {}, 0},
      {3, VK_TAB, {}, 4},
      {0, VK_TAB, {VK_SHIFT}, 12},
      {5, VK_TAB, {VK_SHIFT}, 4},
      {3, VK_RIGHT, {}, 4},
      {12, VK_RIGHT, {}, 0},
      {0, VK_LEFT, {}, 12},
      {4, VK_RIGHT, {VK_CONTROL}, 12},
      {4, VK_LEFT, {VK_CONTROL}, 0},
      {4, VK_TAB, {VK_CONTROL}, 12},
      {4, VK_TAB, {VK_CONTROL, VK_SHIFT}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("from column " + std::to_string(c.from) + " key " + std::to_string(c.key));
    view.SetCurrentColumn(c.from);
    Key(c.key, c.modifiers);
    EXPECT_EQ(view.CurrentColumn(), c.to);
  }
  EXPECT_FALSE(doc.IsModified());
}

// ---- keypad ----------------------------------------------------------------------

struct StepCase {
  const char* name;
  int column;
  const char* mode;
  const char* before;
  unsigned key;
  const char* after;
};

const StepCase kStepCases[] = {
    {"sign minus below 1 wraps to 16", COL_SIGN, "Continuous", "1", VK_SUBTRACT, "16"},
    {"sign plus above 16 wraps to 1", COL_SIGN, "Continuous", "16", VK_ADD, "1"},
    {"sign steps its leading integer", COL_SIGN, "Continuous", "5x", VK_ADD, "6"},
    // The keypad stops where the Offset check does: 5000 is never reached.
    {"offset 4999 plus wraps to 0", COL_OFFSET, "Continuous", "4999", VK_ADD, "0"},
    {"offset minus below 0 wraps to 4999", COL_OFFSET, "Continuous", "0", VK_SUBTRACT, "4999"},
    {"offset 4998 plus gives 4999", COL_OFFSET, "Single Step", "4998", VK_ADD, "4999"},
    {"offset 5000 from a file plus wraps to 0", COL_OFFSET, "Single Step", "5000", VK_ADD, "0"},
    {"times plus above 99999 wraps to 1", COL_TIMES, "Continuous", "99999", VK_ADD, "1"},
    {"times minus below 1 wraps to 99999", COL_TIMES, "Continuous", "1", VK_SUBTRACT, "99999"},
    {"times of a single step row is skipped", COL_TIMES, "Single Step", "0", VK_ADD, "0"},
    {"times of a selected frame row is skipped", COL_TIMES, "Selected Frame", "0", VK_SUBTRACT,
     "0"},
    {"frame of a single step row steps", COL_FRAME, "Single Step", "0", VK_ADD, "1"},
    {"frame plus above 9999 wraps to 1", COL_FRAME, "Selected Frame", "9999", VK_ADD, "1"},
    {"frame minus below 1 wraps to 9999", COL_FRAME, "Selected Frame", "1", VK_SUBTRACT, "9999"},
    {"frame of a continuous row is skipped", COL_FRAME, "Continuous", "0", VK_ADD, "0"},
    {"a huge number wraps instead of overflowing", COL_OFFSET, "Continuous", "99999999999", VK_ADD,
     "0"},
};

class KeypadTest : public ListFixture, public ::testing::WithParamInterface<StepCase> {};

TEST_P(KeypadTest, StepsTheCellOfEverySelectedRow) {
  const StepCase& c = GetParam();
  AddRows(4);
  SetCells({1, 2}, COL_DISPLAY_MODE, c.mode);
  SetCells({0, 1, 2, 3}, c.column, c.before);
  SelectRange({1, 2});
  view.SetCurrentColumn(c.column);
  Key(c.key);
  EXPECT_EQ(Column(c.column), (std::vector<std::string>{c.before, c.after, c.after, c.before}));
}

// A screen reader keeps the keypad for itself: the main keyboard's plus (and
// the equals key it shares) and minus step the same way.
TEST_P(KeypadTest, MainKeyboardPlusAndMinusStepAsTheKeypadDoes) {
  const StepCase& c = GetParam();
  AddRows(4);
  SetCells({1, 2}, COL_DISPLAY_MODE, c.mode);
  SetCells({0, 1, 2, 3}, c.column, c.before);
  SelectRange({1, 2});
  view.SetCurrentColumn(c.column);
  Key(c.key == VK_ADD ? VK_OEM_PLUS : VK_OEM_MINUS);
  EXPECT_EQ(Column(c.column), (std::vector<std::string>{c.before, c.after, c.after, c.before}));
}

INSTANTIATE_TEST_SUITE_P(Wraps, KeypadTest, ::testing::ValuesIn(kStepCases),
                         [](const ::testing::TestParamInfo<StepCase>& info) {
                           std::string name;
                           for (const char* p = info.param.name; *p; ++p) {
                             name +=
                                 (*p >= 'a' && *p <= 'z') || (*p >= '0' && *p <= '9') ? *p : '_';
                           }
                           return name;
                         });

TEST_F(ViewKeysTest, KeypadStepsOnlyTheRowsWhoseModeAllowsIt) {
  AddRows(3);
  SetCells({0}, COL_DISPLAY_MODE, "Continuous");
  SetCells({1}, COL_DISPLAY_MODE, "Single Step");
  SetCells({2}, COL_DISPLAY_MODE, "Selected Frame");
  SetCells({0}, COL_TIMES, "7");
  SetCells({1, 2}, COL_TIMES, "0");
  SetCells({0}, COL_FRAME, "0");
  SetCells({1}, COL_FRAME, "0");
  SetCells({2}, COL_FRAME, "4");
  SelectRange({0, 1, 2});

  view.SetCurrentColumn(COL_TIMES);
  Key(VK_ADD);
  EXPECT_EQ(Column(COL_TIMES), (std::vector<std::string>{"8", "0", "0"}));

  view.SetCurrentColumn(COL_FRAME);
  Key(VK_SUBTRACT);
  EXPECT_EQ(Column(COL_FRAME), (std::vector<std::string>{"0", "9999", "3"}));
}

TEST_F(ViewKeysTest, KeypadChangesNothingWithoutSelectedRowsOrOnOtherColumns) {
  AddRows(2);
  view.SetCurrentColumn(COL_SIGN);
  Key(VK_ADD);
  EXPECT_EQ(Column(COL_SIGN), (std::vector<std::string>{"1", "1"}));

  SelectRange({0});
  const auto before = testing::Cells(list());
  for (int column : {COL_NUMBER, COL_DESCRIPTION, COL_TEAM_IND, COL_DISPLAY_MODE, COL_DRIVE}) {
    view.SetCurrentColumn(column);
    Key(VK_ADD);
    Key(VK_SUBTRACT);
  }
  EXPECT_EQ(testing::Cells(list()), before);
  // Keys never mark the document: the list's history does.
  EXPECT_FALSE(doc.IsModified());
}

// ---- letter keys -------------------------------------------------------------------

TEST_F(ViewKeysTest, TeamKeyClearsTopThreeAndIndividualKeyKeepsIt) {
  AddRows(3);
  SetCells({0, 1, 2}, COL_TOP3, "P");
  SetCells({2}, COL_TOP3, "N");
  SelectRange({0, 2});
  view.SetCurrentColumn(COL_TEAM_IND);
  Key('T');
  EXPECT_EQ(Column(COL_TEAM_IND), (std::vector<std::string>{"T", "I", "T"}));
  EXPECT_EQ(Column(COL_TOP3), (std::vector<std::string>{"N", "P", "N"}));

  SetCells({0}, COL_TOP3, "R");
  Key('I');
  EXPECT_EQ(Column(COL_TEAM_IND), (std::vector<std::string>{"I", "I", "I"}));
  EXPECT_EQ(Column(COL_TOP3), (std::vector<std::string>{"R", "P", "N"}));
}

TEST_F(ViewKeysTest, TopThreeKeysDoNothingOutsideFootball) {
  AddRows(2);
  SelectRange({0, 1});
  view.SetCurrentColumn(COL_TOP3);
  for (unsigned key : {'P', 'C', 'R', 'T', 'N'}) Key(key);
  EXPECT_EQ(Column(COL_TOP3), (std::vector<std::string>{"N", "N"}));
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(ui.CountMessages(), 0);
}

TEST_F(FootballKeysTest, TopThreeKeysSetIndividualRowsAndSkipTeamRows) {
  AddRows(3);
  SetCells({1}, COL_TEAM_IND, "T");
  SelectRange({0, 1, 2});
  view.SetCurrentColumn(COL_TOP3);
  Key('P');
  EXPECT_EQ(Column(COL_TOP3), (std::vector<std::string>{"P", "N", "P"}));
  EXPECT_EQ(ui.CountMessages(), 0);

  for (unsigned key : {'C', 'R', 'T', 'N'}) {
    Key(key);
    EXPECT_EQ(list().GetItemText(0, COL_TOP3), std::string(1, static_cast<char>(key)));
  }
  // Other letters are no Top 3 codes.
  Key('X');
  EXPECT_EQ(list().GetItemText(0, COL_TOP3), "N");
}

TEST_F(ViewKeysTest, DisplayModeKeysSetTheModeAndTheTimesThatGoWithIt) {
  AddRows(2);
  SetCells({0, 1}, COL_TIMES, "25");
  SetCells({0, 1}, COL_FRAME, "3");
  SelectRange({0, 1});
  view.SetCurrentColumn(COL_DISPLAY_MODE);

  Key('S');
  EXPECT_EQ(Column(COL_DISPLAY_MODE), (std::vector<std::string>{"Single Step", "Single Step"}));
  EXPECT_EQ(Column(COL_TIMES), (std::vector<std::string>{"0", "0"}));

  Key('C');
  EXPECT_EQ(Column(COL_DISPLAY_MODE), (std::vector<std::string>{"Continuous", "Continuous"}));
  EXPECT_EQ(Column(COL_TIMES), (std::vector<std::string>{"1", "1"}));

  SetCells({1}, COL_TIMES, "40");
  Key('C');  // a Times that is not "0..." stays
  EXPECT_EQ(Column(COL_TIMES), (std::vector<std::string>{"1", "40"}));

  Key('F');
  EXPECT_EQ(Column(COL_DISPLAY_MODE),
            (std::vector<std::string>{"Selected Frame", "Selected Frame"}));
  EXPECT_EQ(Column(COL_TIMES), (std::vector<std::string>{"0", "0"}));
  // The frame is not touched.
  EXPECT_EQ(Column(COL_FRAME), (std::vector<std::string>{"3", "3"}));

  doc.History().MarkSaved();
  Key('X');
  EXPECT_EQ(Column(COL_DISPLAY_MODE)[0], "Selected Frame");
  EXPECT_FALSE(doc.IsModified());
}

TEST_F(ViewKeysTest, EveryLetterSetsTheDriveAndNothingElse) {
  AddRows(2);
  SelectRange({0, 1});
  view.SetCurrentColumn(COL_DRIVE);
  for (unsigned key = 'A'; key <= 'Z'; ++key) {
    Key(key);
    EXPECT_EQ(Column(COL_DRIVE),
              std::vector<std::string>(2, std::string(1, static_cast<char>(key))));
  }
  EXPECT_EQ(Column(COL_DISPLAY_MODE), (std::vector<std::string>{"Continuous", "Continuous"}));
  EXPECT_EQ(Column(COL_TIMES), (std::vector<std::string>{"1", "1"}));
  // Digits are no drive letters.
  Key('7');
  EXPECT_EQ(Column(COL_DRIVE)[0], "Z");
}

TEST_F(ViewKeysTest, LetterKeysOnTheWrongColumnChangeNothing) {
  AddRows(1);
  SelectRange({0});
  for (int column : {COL_NUMBER, COL_DESCRIPTION, COL_SIGN, COL_LIBRARY, COL_OFFSET}) {
    view.SetCurrentColumn(column);
    for (unsigned key : {'T', 'I', 'C', 'S', 'F', 'P'}) Key(key);
  }
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(list().GetItemText(0, COL_TEAM_IND), "I");
  EXPECT_EQ(list().GetItemText(0, COL_DRIVE), "C");
}

// ---- Delete, Insert, Enter ----------------------------------------------------------

TEST_F(ViewKeysTest, DeleteKeyDeletesInRowModeOnly) {
  AddRows(3);
  Click(1, COL_SIGN);
  Key(VK_DELETE);
  EXPECT_EQ(ui.CountMessages(), 0);
  EXPECT_EQ(list().GetItemCount(), 3);

  Click(1, 0);
  ui.AnswerMessage(IDYES);
  Key(VK_DELETE);
  ASSERT_EQ(ui.CountMessages("Do you wish to Delete?"), 1);
  EXPECT_EQ(Column(COL_DESCRIPTION), (std::vector<std::string>{"R1", "R3"}));
  EXPECT_EQ(Column(COL_NUMBER), (std::vector<std::string>{"1", "2"}));
}

TEST_F(ViewKeysTest, InsertKeyWithRowFiveSelectedInsertsTheNewRequestAsRowFive) {
  AddRows(8);
  Click(5, 0);
  ui.AnswerEditRequest([](EditRequestData& data) {
    data.description = "New";
    data.frame = 0;
    return true;
  });
  Key(VK_INSERT);

  ASSERT_EQ(ui.editRequestsShown.size(), 1u);
  EXPECT_EQ(ui.editRequestsShown[0].requestNumber, "6");
  ASSERT_EQ(list().GetItemCount(), 9);
  EXPECT_EQ(list().GetItemText(5, COL_DESCRIPTION), "New");
  EXPECT_EQ(list().GetItemText(6, COL_DESCRIPTION), "R6");
  EXPECT_EQ(Column(COL_NUMBER),
            (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9"}));
  // The new request is selected, the one that moved down is not.
  EXPECT_EQ(Selected(), Rows{5});
}

TEST_F(ViewKeysTest, InsertKeyNeedsRowModeAndExactlyOneSelectedRow) {
  AddRows(4);
  SelectRange({1, 2});
  view.SetCurrentColumn(0);
  Key(VK_INSERT);
  SelectRange({1});
  view.SetCurrentColumn(COL_SIGN);
  Key(VK_INSERT);
  EXPECT_EQ(ui.CountCalls(ScriptedUi::Kind::EditRequest), 0);
  EXPECT_EQ(list().GetItemCount(), 4);
}

TEST_F(ViewKeysTest, EnterOnColumnZeroEditsTheOneSelectedRowAndNothingWithTwo) {
  AddRows(4);
  Click(2, 0);
  ui.AnswerEditRequest([](EditRequestData& data) {
    data.description = "Changed";
    return true;
  });
  Key(VK_RETURN);
  ASSERT_EQ(ui.editRequestsShown.size(), 1u);
  EXPECT_EQ(ui.editRequestsShown[0].requestNumber, "3");
  EXPECT_EQ(list().GetItemText(2, COL_DESCRIPTION), "Changed");

  ui.ClearRecord();
  SelectRange({1, 2});
  view.SetCurrentColumn(0);
  Key(VK_RETURN);
  EXPECT_EQ(ui.calls.size(), 0u);
}

}  // namespace
}  // namespace corvella
