// The request list's own commands on the list-control model: columns,
// renumbering, Delete with its question, Edit, Add and Insert (and the
// 300-request limit), the enabling rules, and left, right and double clicks.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/recording_dc.h"
#include "tests/listview/list_fixture.h"

namespace corvella {
namespace {

using CorvellaViewTest = ListFixture;

TEST_F(CorvellaViewTest, SetupColumnsRebuildsTheThirteenColumns) {
  AddRows(2);
  // Five pixels a character.
  struct FiveEach : TextMeasure {
    int TextWidth(const std::string& text) const override {
      return static_cast<int>(text.size()) * 5;
    }
  } measure;
  SetupColumns(list(), &measure);
  EXPECT_EQ(list().GetItemCount(), 0);
  ASSERT_EQ(list().GetColumnCount(), kColumnCount);
  for (int c = 0; c < kColumnCount; ++c) {
    SCOPED_TRACE(c);
    ListColumn column;
    ASSERT_TRUE(list().GetColumn(c, column));
    EXPECT_EQ(column.title, kColumns[c].title);
    const int title = static_cast<int>(column.title.size()) * 5;
    EXPECT_EQ(column.width, title + 15 + (c == COL_DESCRIPTION ? 5 : 0));
    EXPECT_EQ(column.format, c <= 1 ? LVCFMT_LEFT : LVCFMT_CENTER);
  }
  EXPECT_EQ(list().GetColumnWidth(COL_NUMBER), 3 * 5 + 15);  // " # "

  // Without a font measure the titles are measured at 7 pixels a character.
  SetupColumns(list(), nullptr);
  EXPECT_EQ(list().GetColumnCount(), kColumnCount);
  EXPECT_EQ(list().GetColumnWidth(COL_DESCRIPTION), 19 * 7 + 20);
}

TEST_F(CorvellaViewTest, RenumberRowsWritesThePositions) {
  AddRows(3);
  list().SetItemText(0, COL_NUMBER, "9");
  list().SetItemText(2, COL_NUMBER, "");
  view.RenumberRows();
  EXPECT_EQ(Column(COL_NUMBER), (std::vector<std::string>{"1", "2", "3"}));
}

// ---- Delete --------------------------------------------------------------------

TEST_F(CorvellaViewTest, DeleteWithYesRemovesEverySelectedRowAfterOneQuestion) {
  AddRows(5);
  Select({1, 2, 3});
  list().SetItemState(4, LVIS_FOCUSED, LVIS_FOCUSED);
  view.SetFocusRow(1);
  ui.AnswerMessage(IDYES);

  view.OnDeleteRequest();

  ASSERT_EQ(ui.CountMessages(), 1);
  const auto question = ui.Messages()[0];
  EXPECT_EQ(question.text, "Do you wish to Delete?");
  EXPECT_EQ(question.detail, "3 requests will be deleted: 2 to 4.");
  EXPECT_EQ(question.caption, "Verify Delete!");
  EXPECT_EQ(question.flags, unsigned{MB_YESNO | MB_ICONQUESTION});
  EXPECT_EQ(Column(COL_DESCRIPTION), (std::vector<std::string>{"R1", "R5"}));
  EXPECT_EQ(Column(COL_NUMBER), (std::vector<std::string>{"1", "2"}));
  // Row m_nFocusRow is selected again, and nothing else, without the focus flag.
  EXPECT_EQ(list().GetItemState(1, LVIS_ALL), unsigned{LVIS_SELECTED});
  EXPECT_EQ(Selected(), (std::vector<int>{1}));
}

TEST_F(CorvellaViewTest, DeleteWithNoRemovesNothing) {
  AddRows(4);
  Select({0, 2});
  view.SetFocusRow(2);
  ui.AnswerMessage(IDNO);
  view.OnDeleteRequest();
  EXPECT_EQ(ui.CountMessages(), 1);
  EXPECT_EQ(list().GetItemCount(), 4);
  EXPECT_EQ(Selected(), (std::vector<int>{0, 2}));
}

TEST_F(CorvellaViewTest, DeleteWithoutFocusAsksNothingAndDeletesNothing) {
  AddRows(3);
  Select({1});
  list().SetHasFocus(false);
  view.OnDeleteRequest();
  EXPECT_EQ(ui.CountMessages(), 0);
  EXPECT_EQ(list().GetItemCount(), 3);
}

TEST_F(CorvellaViewTest, DeleteReselectsOnlyARowThatExists) {
  AddRows(5);
  // m_nFocusRow beyond the list after the deletion: nothing to reselect.
  Select({3, 4});
  view.SetFocusRow(4);
  view.OnDeleteRequest();  // Yes by default
  EXPECT_EQ(list().GetItemCount(), 3);
  EXPECT_TRUE(Selected().empty());

  // No row clicked yet (-1): the control would take -1 for every row.
  Select({0});
  view.SetFocusRow(-1);
  ui.AnswerMessage(IDNO);
  view.OnDeleteRequest();
  EXPECT_EQ(Selected(), (std::vector<int>{0}));
}

// ---- Edit, Add, Insert -----------------------------------------------------------

TEST_F(CorvellaViewTest, EditOpensOneDialogPerVisiblySelectedRowInListOrder) {
  AddRows(5);
  Select({4, 1, 3});
  view.OnEditRequest();
  ASSERT_EQ(ui.editRequestsShown.size(), 3u);
  EXPECT_EQ(ui.editRequestsShown[0].requestNumber, "2");
  EXPECT_EQ(ui.editRequestsShown[1].requestNumber, "4");
  EXPECT_EQ(ui.editRequestsShown[2].requestNumber, "5");

  ui.ClearRecord();
  list().SetHasFocus(false);
  view.OnEditRequest();
  EXPECT_TRUE(ui.editRequestsShown.empty());
}

TEST_F(CorvellaViewTest, AddAppendsANewRequest) {
  AddRows(2);
  ui.AnswerEditRequest([](EditRequestData& d) {
    d.description = "Added";
    return true;
  });
  view.OnAddRequest();
  ASSERT_EQ(list().GetItemCount(), 3);
  EXPECT_EQ(list().GetItemText(2, COL_DESCRIPTION), "Added");
  EXPECT_EQ(list().GetItemText(2, COL_NUMBER), "3");
}

TEST_F(CorvellaViewTest, AddAndInsertRefuseAFullList) {
  for (int i = 0; i < kMaxRequests; ++i) AddRow("R");
  Select({5});
  view.SetFocusRow(5);
  for (bool insert : {false, true}) {
    SCOPED_TRACE(insert ? "Insert" : "Add");
    ui.ClearRecord();
    if (insert) {
      view.OnInsertRequest();
    } else {
      view.OnAddRequest();
    }
    EXPECT_EQ(list().GetItemCount(), kMaxRequests);
    EXPECT_TRUE(ui.editRequestsShown.empty());
    ASSERT_EQ(ui.CountMessages(), 1);
    EXPECT_EQ(ui.Messages()[0].text, kListFullText);
    EXPECT_EQ(ui.Messages()[0].caption, kListFullCaption);
    EXPECT_EQ(ui.Messages()[0].flags, unsigned{MB_OK | MB_ICONEXCLAMATION});
  }
  // The row the insert would have moved down keeps its selection.
  EXPECT_EQ(Selected(), (std::vector<int>{5}));
}

TEST_F(CorvellaViewTest, InsertPutsTheNewRequestBeforeTheClickedRowAndDeselectsThatRow) {
  AddRows(6);
  view.OnLButtonDown(MK_LBUTTON, CellCentre(4, COL_NUMBER));  // the fifth request
  ui.AnswerEditRequest([](EditRequestData& d) {
    d.description = "New";
    return true;
  });
  view.OnInsertRequest();
  ASSERT_EQ(list().GetItemCount(), 7);
  EXPECT_EQ(Column(COL_DESCRIPTION),
            (std::vector<std::string>{"R1", "R2", "R3", "R4", "New", "R5", "R6"}));
  EXPECT_EQ(Column(COL_NUMBER), (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7"}));
  EXPECT_EQ(Selected(), (std::vector<int>{4}));
  EXPECT_EQ(list().GetItemState(5, LVIS_ALL), 0u);
}

// ---- enabling ----------------------------------------------------------------------

struct EnablingCase {
  const char* name;
  int curColumn;
  std::vector<int> selected;
  bool focus;
  bool showSelectionAlways;
  bool deleteEnabled;  // Delete, Copy, Cut
  bool singleEnabled;  // Edit, Insert, Send Request
};

class EnablingTest : public ListFixture, public ::testing::WithParamInterface<EnablingCase> {};

TEST_P(EnablingTest, CommandsFollowModeSelectionAndFocus) {
  const EnablingCase& c = GetParam();
  AddRows(4);
  Select(c.selected);
  view.SetCurrentColumn(c.curColumn);
  list().SetHasFocus(c.focus);
  list().SetShowSelectionAlways(c.showSelectionAlways);

  CCmdUI del(ID_DELETE_REQUEST);
  view.OnUpdateDeleteRequest(&del);
  EXPECT_EQ(del.IsEnabled(), c.deleteEnabled);
  CCmdUI single(ID_SEND_REQUEST);
  view.OnUpdateSingleRequest(&single);
  EXPECT_EQ(single.IsEnabled(), c.singleEnabled);
  CCmdUI add(ID_ADD_REQUEST);
  add.Enable(false);
  view.OnUpdateAddRequest(&add);
  EXPECT_TRUE(add.IsEnabled());
  EXPECT_EQ(ui.CountMessages(), 0);  // the test walk never asks
}

INSTANTIATE_TEST_SUITE_P(
    Rules, EnablingTest,
    ::testing::Values(EnablingCase{"OneRowInRowMode", 0, {1}, true, false, true, true},
                      EnablingCase{"TwoRows", 0, {1, 2}, true, false, true, false},
                      EnablingCase{"NoRow", 0, {}, true, false, false, false},
                      EnablingCase{"CellMode", 6, {1}, true, false, false, false},
                      EnablingCase{"FocusLost", 0, {1}, false, false, false, false},
                      EnablingCase{"SelectionAlwaysShown", 0, {1}, false, true, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- clicks ---------------------------------------------------------------------------

TEST_F(CorvellaViewTest, ClickOnTheNumberCellHighlightsTheWholeRow) {
  AddRows(4);
  view.SetCurrentColumn(7);
  view.OnLButtonDown(MK_LBUTTON, CellCentre(2, COL_NUMBER));
  EXPECT_EQ(view.CurrentColumn(), 0);
  EXPECT_EQ(view.GetFocusRow(), 2);
  EXPECT_EQ(view.SelectionTop(), 2);
  EXPECT_EQ(view.SelectionBottom(), 2);
  EXPECT_EQ(Selected(), (std::vector<int>{2}));

  RecordingDc dc;
  Rect bounds;
  list().GetItemRect(2, bounds, LVIR_BOUNDS);
  view.DrawItem(DrawItemStruct{&dc, 2, bounds});
  ASSERT_EQ(dc.Fills().size(), 1u);
  EXPECT_EQ(dc.Fills()[0].color, GetSysColor(COLOR_HIGHLIGHT));
}

TEST_F(CorvellaViewTest, ClickOnTheSignCellHighlightsOnlyThatCell) {
  AddRows(4);
  view.OnLButtonDown(MK_LBUTTON, CellCentre(1, COL_SIGN));
  EXPECT_EQ(view.CurrentColumn(), COL_SIGN);

  RecordingDc dc;
  Rect bounds;
  Rect label;
  Rect sign;
  list().GetItemRect(1, bounds, LVIR_BOUNDS);
  list().GetItemRect(1, label, LVIR_LABEL);
  list().GetSubItemRect(1, COL_SIGN, sign);
  view.DrawItem(DrawItemStruct{&dc, 1, bounds});
  ASSERT_EQ(dc.FillsAt(sign).size(), 1u);
  EXPECT_EQ(dc.FillsAt(sign)[0].color, GetSysColor(COLOR_HIGHLIGHT));
  ASSERT_EQ(dc.FillsAt(label).size(), 1u);
  EXPECT_EQ(dc.FillsAt(label)[0].color, GetSysColor(COLOR_ACTIVEBORDER));
}

TEST_F(CorvellaViewTest, ClickOnABoundaryPixelKeepsTheCurrentColumn) {
  AddRows(3);
  view.SetCurrentColumn(3);
  Rect sign;
  list().GetSubItemRect(1, COL_SIGN, sign);
  const int midY = (sign.top + sign.bottom) / 2;
  const Point onEdges[] = {{sign.left, midY},                          // the column boundary
                           {(sign.left + sign.right) / 2, sign.top}};  // the row's top edge
  for (Point p : onEdges) {
    view.OnLButtonDown(MK_LBUTTON, p);
    EXPECT_EQ(view.CurrentColumn(), 3);
    EXPECT_EQ(view.GetFocusRow(), 1);  // the row still counts
  }
  view.OnLButtonDown(MK_LBUTTON, Point{sign.left + 1, midY});
  EXPECT_EQ(view.CurrentColumn(), COL_SIGN);
}

TEST_F(CorvellaViewTest, ClickBesideTheRowsResetsRowColumnAndRange) {
  AddRows(3);
  view.OnLButtonDown(MK_LBUTTON, CellCentre(2, COL_DRIVE));
  view.OnLButtonDown(MK_LBUTTON, Point{10, 500});
  EXPECT_EQ(view.CurrentColumn(), 0);
  EXPECT_EQ(view.GetFocusRow(), 0);
  EXPECT_EQ(view.SelectionTop(), 0);
  EXPECT_EQ(view.SelectionBottom(), 0);
  EXPECT_TRUE(Selected().empty());
}

TEST_F(CorvellaViewTest, ShiftClickMovesTheRangeAndKeepsTheColumn) {
  AddRows(8);
  view.OnLButtonDown(MK_LBUTTON, CellCentre(2, COL_DISPLAY_MODE));
  view.OnKeyDown(VK_SHIFT, 1, 0);  // Shift held
  view.OnLButtonDown(MK_LBUTTON | MK_SHIFT, CellCentre(5, COL_DRIVE));
  EXPECT_EQ(view.CurrentColumn(), COL_DISPLAY_MODE);
  EXPECT_EQ(view.SelectionTop(), 2);
  EXPECT_EQ(view.SelectionBottom(), 5);
  EXPECT_EQ(view.GetFocusRow(), 5);
  EXPECT_EQ(Selected(), (std::vector<int>{2, 3, 4, 5}));  // the control's own Shift+click
  // Above the range: the range grows upward.
  view.OnLButtonDown(MK_LBUTTON | MK_SHIFT, CellCentre(1, COL_DRIVE));
  EXPECT_EQ(view.SelectionTop(), 1);
  EXPECT_EQ(view.SelectionBottom(), 5);
  // Just below the top: the range shrinks from the top.
  view.OnLButtonDown(MK_LBUTTON | MK_SHIFT, CellCentre(2, COL_DRIVE));
  EXPECT_EQ(view.SelectionTop(), 2);
  EXPECT_EQ(view.SelectionBottom(), 5);
}

TEST_F(CorvellaViewTest, CtrlClickAddsRowsThroughTheControl) {
  AddRows(5);
  view.OnLButtonDown(MK_LBUTTON, CellCentre(1, COL_NUMBER));
  view.OnLButtonDown(MK_LBUTTON | MK_CONTROL, CellCentre(3, COL_NUMBER));
  EXPECT_EQ(Selected(), (std::vector<int>{1, 3}));
  EXPECT_EQ(view.SelectionTop(), 3);
  EXPECT_EQ(view.SelectionBottom(), 3);
}

TEST_F(CorvellaViewTest, RightClickOnTheNumberCellSendsThatRow) {
  AddRows(4);
  view.OnLButtonDown(MK_LBUTTON, CellCentre(0, COL_DRIVE));
  ui.AnswerTeamPlayer([](TeamPlayerChoice&) { return false; });  // cancel the send at its dialog
  view.OnRButtonDown(MK_RBUTTON, CellCentre(2, COL_NUMBER));
  EXPECT_EQ(view.CurrentColumn(), 0);
  EXPECT_EQ(view.GetFocusRow(), 2);
  EXPECT_EQ(Selected(), (std::vector<int>{2}));
  EXPECT_EQ(sending.sends, 1);
}

TEST_F(CorvellaViewTest, RightClickOnAnotherCellOnlyMakesItsColumnCurrent) {
  AddRows(4);
  view.OnRButtonDown(MK_RBUTTON, CellCentre(2, COL_DRIVE));
  EXPECT_EQ(view.CurrentColumn(), COL_DRIVE);
  EXPECT_EQ(Selected(), (std::vector<int>{2}));
  EXPECT_EQ(sending.sends, 0);
}

TEST_F(CorvellaViewTest, RightClickInsideAMultipleSelectionSendsNothing) {
  AddRows(4);
  Select({1, 2});
  view.OnRButtonDown(MK_RBUTTON, CellCentre(2, COL_NUMBER));
  EXPECT_EQ(Selected(), (std::vector<int>{1, 2}));
  EXPECT_EQ(sending.sends, 0);
}

TEST_F(CorvellaViewTest, DoubleClickEditsTheCurrentCell) {
  AddRows(3);
  // The widget sends the button-down of the pair first.
  view.OnLButtonDown(MK_LBUTTON, CellCentre(1, COL_NUMBER));
  view.OnLButtonDblClk(MK_LBUTTON, CellCentre(1, COL_NUMBER));
  ASSERT_EQ(ui.editRequestsShown.size(), 1u);
  EXPECT_EQ(ui.editRequestsShown[0].requestNumber, "2");
  EXPECT_EQ(Selected(), (std::vector<int>{1}));
}

}  // namespace
}  // namespace corvella
