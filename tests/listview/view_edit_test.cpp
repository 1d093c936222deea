// In-place cell editing (EditCurrentCell) and the Edit Request dialog's
// operation on the list (EditRequest): which editor each column gets, what
// the checks do to the selected rows, what a new, inserted or edited request
// writes.

#include <string>
#include <vector>

#include "tests/listview/list_fixture.h"

namespace corvella {
namespace {

using Rows = std::vector<int>;
using Texts = std::vector<std::string>;
using Kind = ScriptedUi::Kind;

class EditCellTest : public ListFixture {};
class FootballEditCellTest : public FootballListFixture {};
class EditRequestTest : public ListFixture {};

// ---- the editor of each column -------------------------------------------------------

struct EditorCase {
  int column;
  Kind kind;
  const char* label;
  const char* choices;
};

const EditorCase kEditors[] = {
    {COL_DESCRIPTION, Kind::Prompt, "Description", ""},
    {COL_TEAM_IND, Kind::Selection, "Request Type", "Individual,Team"},
    {COL_TOP3, Kind::Selection, "Top 3 Statistic",
     "Normal,Passing,Receiving,Rushing,Tackles/Defense"},
    {COL_SIGN, Kind::Selection, "Sign Number", "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16"},
    {COL_DISPLAY_MODE, Kind::Selection, "Display Mode", "Continuous,Single Step,Selected Frame"},
    {COL_TIMES, Kind::Prompt, "Times to Display -- 0 thru 99999 -- Omit Commas", ""},
    {COL_DRIVE, Kind::Selection, "Drive Letter",
     "A,B,C,D,E,F,G,H,I,J,K,L,M,N,O,P,Q,R,S,T,U,V,W,X,Y,Z"},
    {COL_LIBRARY, Kind::Prompt, "Library Name -- 8 letters or less", ""},
    {COL_SEQUENCE, Kind::Prompt, "Sequence Name -- 8 letters or less", ""},
    {COL_FRAME, Kind::Prompt, "Frame Number -- 0 thru 9999 -- Omit Commas", ""},
    {COL_OFFSET, Kind::Prompt, "RTD Offset -- 0 thru 4999 -- Omit Commas", ""},
};

TEST_F(EditCellTest, EachColumnOpensItsEditorWithLabelChoicesAndTheFirstRowsText) {
  AddRows(3);
  list().SetItemText(1, COL_SIGN, "7");
  list().SetItemText(1, COL_LIBRARY, "SCORES");
  for (const EditorCase& e : kEditors) {
    SCOPED_TRACE("column " + std::to_string(e.column));
    ui.ClearRecord();
    SelectRange({1, 2});
    view.SetCurrentColumn(e.column);
    ui.AnswerPrompt("");  // Cancel, whichever editor comes
    ui.AnswerSelection("");
    view.EditCurrentCell();
    ui.promptAnswers.clear();
    ui.selectionAnswers.clear();

    ASSERT_EQ(ui.calls.size(), 1u);
    const ScriptedUi::Call& call = ui.calls[0];
    EXPECT_EQ(call.kind, e.kind);
    EXPECT_EQ(call.text, e.label);
    EXPECT_EQ(call.choices, e.choices);
    std::string current = list().GetItemText(1, e.column);
    if (e.column == COL_TOP3) current = "Normal";
    EXPECT_EQ(call.caption, current);
  }
  EXPECT_FALSE(doc.IsModified());
}

TEST_F(EditCellTest, TopThreeCodeIsShownByItsName) {
  AddRows(1);
  const std::pair<const char*, const char*> names[] = {
      {"N", "Normal"},    {"P", "Passing"},         {"R", "Rushing"},
      {"C", "Receiving"}, {"T", "Tackles/Defense"}, {"X", "Tackles/Defense"}};
  SelectRange({0});
  view.SetCurrentColumn(COL_TOP3);
  for (const auto& [code, name] : names) {
    list().SetItemText(0, COL_TOP3, code);
    ui.ClearRecord();
    ui.AnswerSelection("");
    view.EditCurrentCell();
    ASSERT_EQ(ui.calls.size(), 1u);
    EXPECT_EQ(ui.calls[0].caption, name) << code;
  }
}

TEST_F(EditCellTest, GameSeasonOnlyShowsItsMessage) {
  AddRows(2);
  SelectRange({0, 1});
  view.SetCurrentColumn(COL_GAME_SEASON);
  view.EditCurrentCell();
  ASSERT_EQ(ui.calls.size(), 1u);
  EXPECT_EQ(ui.calls[0].kind, Kind::Message);
  EXPECT_EQ(ui.calls[0].text, "Currently, Only the Game option is available.");
  EXPECT_EQ(ui.calls[0].caption, "Game/Seaon Warning!");
  EXPECT_EQ(ui.calls[0].flags, static_cast<unsigned>(MB_OK | MB_ICONEXCLAMATION));
  EXPECT_EQ(Column(COL_GAME_SEASON), (Texts{"G", "G"}));
  EXPECT_FALSE(doc.IsModified());
}

// ---- the value in every selected row ---------------------------------------------------

TEST_F(EditCellTest, LibraryWithExtensionGoesIntoAllThreeRowsAfterTheMessage) {
  AddRows(6);
  SelectRange({3, 4, 5});
  view.SetCurrentColumn(COL_LIBRARY);
  ui.AnswerPrompt("scores.lib");
  view.EditCurrentCell();

  EXPECT_EQ(Column(COL_LIBRARY),
            (Texts{"DEFAULT", "DEFAULT", "DEFAULT", "SCORES", "SCORES", "SCORES"}));
  const auto messages = ui.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, ".LIB extension does not need to be included in Library name.");
  EXPECT_EQ(messages[0].caption, "Field 4");  // the first selected row, counted from 1
}

TEST_F(EditCellTest, TeamResetsTopThreeInTheFirstSelectedRowOnly) {
  AddRows(5);
  SetCells({1, 2, 3}, COL_TOP3, "P");
  SelectRange({1, 2, 3});
  view.SetCurrentColumn(COL_TEAM_IND);
  ui.AnswerSelection("Team");
  view.EditCurrentCell();

  EXPECT_EQ(Column(COL_TEAM_IND), (Texts{"I", "T", "T", "T", "I"}));
  EXPECT_EQ(Column(COL_TOP3), (Texts{"N", "N", "P", "P", "N"}));
  EXPECT_EQ(ui.CountMessages(), 0);
}

TEST_F(EditCellTest, DisplayModeSetsTimesInTheFirstSelectedRowOnly) {
  AddRows(3);
  SetCells({0, 1, 2}, COL_TIMES, "5");
  SelectRange({0, 1, 2});
  view.SetCurrentColumn(COL_DISPLAY_MODE);
  ui.AnswerSelection("Single Step");
  view.EditCurrentCell();
  EXPECT_EQ(Column(COL_DISPLAY_MODE), (Texts{"Single Step", "Single Step", "Single Step"}));
  EXPECT_EQ(Column(COL_TIMES), (Texts{"0", "5", "5"}));
}

TEST_F(EditCellTest, DescriptionOfThirtyFiveCharactersKeepsWhatAFileCanHold) {
  AddRows(3);
  SelectRange({0, 2});
  view.SetCurrentColumn(COL_DESCRIPTION);
  const std::string typed = "ABCDEFGHIJKLMNOPQRSTUVWXYZ123456789";
  ASSERT_EQ(typed.size(), 35u);
  ui.AnswerPrompt(typed);
  view.EditCurrentCell();
  EXPECT_EQ(Column(COL_DESCRIPTION), (Texts{typed.substr(0, 29), "R2", typed.substr(0, 29)}));
  EXPECT_EQ(ui.CountMessages(), 0);
}

TEST_F(EditCellTest, NumbersAreStoredAsTyped) {
  AddRows(2);
  SelectRange({0, 1});
  view.SetCurrentColumn(COL_OFFSET);
  ui.AnswerPrompt("007");
  view.EditCurrentCell();
  EXPECT_EQ(Column(COL_OFFSET), (Texts{"007", "007"}));
}

TEST_F(EditCellTest, RejectedValueCancelAndEmptyEntryChangeNothing) {
  AddRows(2);
  SelectRange({0, 1});

  view.SetCurrentColumn(COL_SIGN);
  ui.AnswerSelection("17");  // not offered by the list, but judged all the same
  view.EditCurrentCell();
  EXPECT_EQ(ui.CountMessages("Sign Number can NOT be GREATER than 16"), 1);
  EXPECT_EQ(Column(COL_SIGN), (Texts{"1", "1"}));

  view.SetCurrentColumn(COL_TIMES);
  ui.AnswerPrompt("0");
  view.EditCurrentCell();
  EXPECT_EQ(ui.CountMessages("Times to Display can not be LESS than 1"), 1);
  EXPECT_EQ(Column(COL_TIMES), (Texts{"1", "1"}));

  // Cancel, and a prompt emptied by the operator: no message, no change.
  ui.ClearRecord();
  view.SetCurrentColumn(COL_LIBRARY);
  ui.AnswerPrompt("");
  view.EditCurrentCell();
  view.SetCurrentColumn(COL_DRIVE);
  ui.AnswerSelection("");
  view.EditCurrentCell();
  EXPECT_EQ(ui.CountMessages(), 0);
  EXPECT_EQ(Column(COL_LIBRARY), (Texts{"DEFAULT", "DEFAULT"}));
  EXPECT_EQ(Column(COL_DRIVE), (Texts{"C", "C"}));
  EXPECT_FALSE(doc.IsModified());
}

TEST_F(EditCellTest, NormalOutsideFootballShowsTheSportMessageAndStoresN) {
  AddRows(2);
  SetCells({0, 1}, COL_TOP3, "P");  // as a paste can leave it
  SelectRange({0, 1});
  view.SetCurrentColumn(COL_TOP3);
  ui.AnswerSelection("Normal");
  view.EditCurrentCell();
  EXPECT_EQ(ui.CountMessages("Top 3 is used in Football Only"), 1);
  EXPECT_EQ(Column(COL_TOP3), (Texts{"N", "N"}));
}

TEST_F(FootballEditCellTest, TopThreeOnATeamRowAsksAndChangesTheFirstRowOnly) {
  AddRows(3);
  SetCells({0, 1, 2}, COL_TEAM_IND, "T");
  SelectRange({0, 1, 2});
  view.SetCurrentColumn(COL_TOP3);
  ui.AnswerSelection("Passing");
  ui.AnswerMessage(IDYES);
  view.EditCurrentCell();
  EXPECT_EQ(
      ui.CountMessages("Top 3 is for INDIVIDUAL Stats Only\nChange Current Request to INDIVIDUAL?"),
      1);
  EXPECT_EQ(Column(COL_TOP3), (Texts{"P", "P", "P"}));
  EXPECT_EQ(Column(COL_TEAM_IND), (Texts{"I", "T", "T"}));
}

TEST_F(EditCellTest, WithoutASelectedRowNoEditorOpens) {
  AddRows(2);
  for (int column = 1; column <= kLastColumn; ++column) {
    if (column == COL_GAME_SEASON) continue;
    view.SetCurrentColumn(column);
    view.EditCurrentCell();
  }
  EXPECT_EQ(ui.calls.size(), 0u);
  EXPECT_FALSE(doc.IsModified());
}

TEST_F(EditCellTest, DoubleClickOnASignCellOpensTheSignSelectionWithThatRowsNumber) {
  AddRows(4);
  list().SetItemText(2, COL_SIGN, "12");
  ui.AnswerSelection("3");
  DoubleClick(2, COL_SIGN);
  ASSERT_EQ(ui.calls.size(), 1u);
  EXPECT_EQ(ui.calls[0].text, "Sign Number");
  EXPECT_EQ(ui.calls[0].caption, "12");
  EXPECT_EQ(list().GetItemText(2, COL_SIGN), "3");
  EXPECT_EQ(Column(COL_SIGN), (Texts{"1", "1", "3", "1"}));
}

TEST_F(EditCellTest, ColumnZeroEditsOneRowOnly) {
  AddRows(3);
  view.SetCurrentColumn(0);
  SelectRange({0, 1});
  view.EditCurrentCell();
  EXPECT_EQ(ui.CountCalls(Kind::EditRequest), 0);
  SelectRange({1});
  view.EditCurrentCell();
  ASSERT_EQ(ui.editRequestsShown.size(), 1u);
  EXPECT_EQ(ui.editRequestsShown[0].description, "R2");
  EXPECT_EQ(list().GetItemCount(), 3);
}

// ---- EditRequest ----------------------------------------------------------------------

// The dialog's display-mode rule as it runs when the dialog opens.
bool OkAsOpened(EditRequestData& data) {
  if (data.displayMode == "Continuous") data.frame = 0;
  return true;
}

TEST_F(EditRequestTest, AddOnAnEmptyListCreatesRequestOneWithTheDefaults) {
  ui.AnswerEditRequest(OkAsOpened);
  view.EditRequest(-1, false);

  ASSERT_EQ(ui.editRequestsShown.size(), 1u);
  const EditRequestData& shown = ui.editRequestsShown[0];
  EXPECT_EQ(shown.requestNumber, "1");
  EXPECT_EQ(shown.description, "");
  EXPECT_EQ(shown.type, "Individual");
  EXPECT_EQ(shown.top3, "Normal");
  EXPECT_EQ(shown.style, "Game");
  EXPECT_EQ(shown.sign, 1);
  EXPECT_EQ(shown.displayMode, "Continuous");
  EXPECT_EQ(shown.times, 1);
  EXPECT_EQ(shown.drive, "C");
  EXPECT_EQ(shown.library, "DEFAULT");
  EXPECT_EQ(shown.sequence, "RTD_SEQ ");
  EXPECT_EQ(shown.frame, 1);
  EXPECT_EQ(shown.offset, 0);
  EXPECT_FALSE(shown.football);

  ASSERT_EQ(list().GetItemCount(), 1);
  Texts row;
  for (int c = 0; c < kColumnCount; ++c) row.push_back(list().GetItemText(0, c));
  EXPECT_EQ(row, (Texts{"1", " ", "I", "N", "G", "1", "Continuous", "1", "C", "DEFAULT", "RTD_SEQ ",
                        "0", "0"}));
}

TEST_F(EditRequestTest, EditReadsTheRowAndWritesTheDialogBack) {
  AddRows(2);
  const char* cells[kColumnCount] = {"2", "Leaders", "T",      "C",    "G",  "5x", "Selected Frame",
                                     "0", "D",       "SCORES", "SEQ1", "12", "300"};
  for (int c = 0; c < kColumnCount; ++c) list().SetItemText(1, c, cells[c]);

  ui.AnswerEditRequest([](EditRequestData& data) {
    data.description = "Passing leaders";
    data.type = "Individual";
    data.top3 = "Receiving";
    data.sign = 16;
    data.displayMode = "Continuous";
    data.times = 25;
    data.drive = "E";
    data.library = "my.lib";
    data.sequence = "S";
    data.frame = 0;
    data.offset = 5000;
    return true;
  });
  view.EditRequest(1, false);

  ASSERT_EQ(ui.editRequestsShown.size(), 1u);
  const EditRequestData& shown = ui.editRequestsShown[0];
  EXPECT_EQ(shown.requestNumber, "2");
  EXPECT_EQ(shown.description, "Leaders");
  EXPECT_EQ(shown.type, "Team");
  EXPECT_EQ(shown.top3, "Receiving");
  EXPECT_EQ(shown.style, "Game");
  EXPECT_EQ(shown.sign, 5);
  EXPECT_EQ(shown.displayMode, "Selected Frame");
  EXPECT_EQ(shown.times, 0);
  EXPECT_EQ(shown.drive, "D");
  EXPECT_EQ(shown.library, "SCORES");
  EXPECT_EQ(shown.sequence, "SEQ1");
  EXPECT_EQ(shown.frame, 12);
  EXPECT_EQ(shown.offset, 300);

  Texts row;
  for (int c = 0; c < kColumnCount; ++c) row.push_back(list().GetItemText(1, c));
  // Library as typed: the dialog does not run the field checks.
  EXPECT_EQ(row, (Texts{"2", "Passing leaders", "I", "C", "G", "16", "Continuous", "25", "E",
                        "my.lib", "S", "0", "5000"}));
  EXPECT_EQ(list().GetItemCount(), 2);
}

TEST_F(EditRequestTest, TopThreeNamesBecomeCodesByTheirFirstTwoLetters) {
  AddRows(1);
  const std::pair<const char*, const char*> cases[] = {{"Rushing", "R"},   {"Passing", "P"},
                                                       {"Receiving", "C"}, {"Tackles/Defense", "T"},
                                                       {"Normal", "N"},    {"", "N"}};
  for (const auto& [name, code] : cases) {
    const std::string top3 = name;
    ui.AnswerEditRequest([top3](EditRequestData& data) {
      data.top3 = top3;
      return true;
    });
    view.EditRequest(0, false);
    EXPECT_EQ(list().GetItemText(0, COL_TOP3), code) << name;
  }
}

TEST_F(EditRequestTest, CancelChangesNoRow) {
  AddRows(2);
  ui.AnswerEditRequest([](EditRequestData& data) {
    data.description = "Gone";
    data.sign = 9;
    return false;
  });
  view.EditRequest(0, false);
  EXPECT_EQ(list().GetItemText(0, COL_DESCRIPTION), "R1");
  EXPECT_EQ(list().GetItemText(0, COL_SIGN), "1");

  // A cancelled new request adds nothing.
  ui.AnswerEditRequest([](EditRequestData&) { return false; });
  view.EditRequest(-1, false);
  EXPECT_EQ(list().GetItemCount(), 2);
}

TEST_F(EditRequestTest, EmptyDescriptionIsStoredAsOneBlank) {
  AddRows(1);
  ui.AnswerEditRequest([](EditRequestData& data) {
    data.description = "";
    return true;
  });
  view.EditRequest(0, false);
  EXPECT_EQ(list().GetItemText(0, COL_DESCRIPTION), " ");
}

TEST_F(EditRequestTest, InsertAtRowThreeRenumbersAndSelectsTheFocusRow) {
  AddRows(6);
  view.SetFocusRow(3);
  ui.AnswerEditRequest([](EditRequestData& data) {
    data.description = "Inserted";
    return true;
  });
  view.EditRequest(3, true);

  ASSERT_EQ(ui.editRequestsShown.size(), 1u);
  EXPECT_EQ(ui.editRequestsShown[0].requestNumber, "4");
  EXPECT_EQ(Column(COL_DESCRIPTION), (Texts{"R1", "R2", "R3", "Inserted", "R4", "R5", "R6"}));
  EXPECT_EQ(Column(COL_NUMBER), (Texts{"1", "2", "3", "4", "5", "6", "7"}));
  EXPECT_EQ(Selected(), Rows{3});
}

TEST_F(EditRequestTest, InsertWithoutAFocusRowSelectsNothing) {
  AddRows(2);
  view.SetFocusRow(-1);
  view.EditRequest(-1, true);
  ASSERT_EQ(list().GetItemCount(), 3);
  EXPECT_EQ(list().GetItemText(2, COL_NUMBER), "3");
  EXPECT_EQ(Selected(), Rows{});
}

TEST_F(EditRequestTest, RowPastTheEndAddsAtTheEnd) {
  AddRows(2);
  view.EditRequest(7, false);
  ASSERT_EQ(ui.editRequestsShown.size(), 1u);
  EXPECT_EQ(ui.editRequestsShown[0].requestNumber, "3");
  ASSERT_EQ(list().GetItemCount(), 3);
  EXPECT_EQ(list().GetItemText(2, COL_NUMBER), "3");
  EXPECT_EQ(list().GetItemText(1, COL_DESCRIPTION), "R2");
}

TEST_F(EditRequestTest, NoNewRequestPastThreeHundred) {
  AddRows(kMaxRequests);
  view.EditRequest(-1, false);
  view.EditRequest(5, true);
  EXPECT_EQ(ui.CountCalls(Kind::EditRequest), 0);
  EXPECT_EQ(list().GetItemCount(), kMaxRequests);

  // Editing an existing request still works.
  view.EditRequest(5, false);
  EXPECT_EQ(ui.CountCalls(Kind::EditRequest), 1);
}

TEST_F(EditRequestTest, EditCommandOpensOneDialogPerSelectedRowInListOrder) {
  AddRows(5);
  SelectRange({1, 3, 4});
  view.SetCurrentColumn(0);
  view.OnEditRequest();
  ASSERT_EQ(ui.editRequestsShown.size(), 3u);
  EXPECT_EQ(ui.editRequestsShown[0].requestNumber, "2");
  EXPECT_EQ(ui.editRequestsShown[1].requestNumber, "4");
  EXPECT_EQ(ui.editRequestsShown[2].requestNumber, "5");
}

class FootballEditRequestTest : public FootballListFixture {};

TEST_F(FootballEditRequestTest, TheDialogKnowsItIsFootball) {
  AddRows(1);
  view.EditRequest(0, false);
  ASSERT_EQ(ui.editRequestsShown.size(), 1u);
  EXPECT_TRUE(ui.editRequestsShown[0].football);
}

}  // namespace
}  // namespace corvella
