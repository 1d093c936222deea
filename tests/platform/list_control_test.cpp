// The list-control model: items and state flags, columns, geometry and hit
// testing, scrolling, and the control's own click selection.

#include "platform/list_control.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/list_watch.h"

namespace corvella {
namespace {

// A list of `rows` rows and three columns 30, 50 and 70 pixels wide; header
// 20, rows 17 high, client 400 x 105 (five whole rows per page).
ListControl MakeList(int rows) {
  ListControl list;
  list.InsertColumn(0, "#", LVCFMT_LEFT, 30);
  list.InsertColumn(1, "A", LVCFMT_CENTER, 50);
  list.InsertColumn(2, "B", LVCFMT_RIGHT, 70);
  list.SetHeaderHeight(20);
  list.SetRowHeight(17);
  list.SetClientSize(Size{400, 20 + 5 * 17});
  for (int r = 0; r < rows; ++r) list.InsertItem(r, std::to_string(r + 1));
  return list;
}

std::vector<int> Selected(const ListControl& list) {
  std::vector<int> rows;
  for (int r = list.GetNextItem(-1, LVNI_SELECTED); r != -1;
       r = list.GetNextItem(r, LVNI_SELECTED)) {
    rows.push_back(r);
  }
  return rows;
}

// The centre of a cell in client coordinates.
Point CellCentre(const ListControl& list, int row, int column) {
  Rect rc;
  EXPECT_TRUE(list.GetSubItemRect(row, column, rc));
  return Point{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

TEST(ListControlTest, InsertsClampsAndRefusesNegativeRows) {
  ListControl list = MakeList(2);
  EXPECT_EQ(list.InsertItem(99, "x"), 2);
  EXPECT_EQ(list.InsertItem(0, "y"), 0);
  EXPECT_EQ(list.InsertItem(-1, "z"), -1);
  EXPECT_EQ(list.GetItemCount(), 4);
  EXPECT_EQ(list.GetItemText(0, 0), "y");
  EXPECT_EQ(list.GetItemText(3, 0), "x");
}

TEST(ListControlTest, TextsOfMissingRowsOrColumnsAreEmpty) {
  ListControl list = MakeList(1);
  EXPECT_EQ(list.GetItemText(0, 12), "");
  EXPECT_EQ(list.GetItemText(5, 0), "");
  EXPECT_EQ(list.GetItemText(-1, 0), "");
  EXPECT_TRUE(list.SetItemText(0, 12, "twelve"));
  EXPECT_EQ(list.GetItemText(0, 12), "twelve");
  EXPECT_FALSE(list.SetItemText(1, 0, "no row"));
  EXPECT_FALSE(list.SetItemText(0, ListControl::kMaxSubItems, "too far"));
}

TEST(ListControlTest, DeletingAColumnShiftsTheLaterTexts) {
  ListControl list = MakeList(1);
  list.SetItemText(0, 1, "a");
  list.SetItemText(0, 2, "b");
  ASSERT_TRUE(list.DeleteColumn(1));
  EXPECT_EQ(list.GetColumnCount(), 2);
  EXPECT_EQ(list.GetItemText(0, 1), "b");
  ListColumn column;
  ASSERT_TRUE(list.GetColumn(1, column));
  EXPECT_EQ(column.title, "B");
  EXPECT_EQ(column.format, LVCFMT_RIGHT);
  EXPECT_FALSE(list.GetColumn(2, column));
}

TEST(ListControlTest, StateFlagsMaskAndFocusIsUnique) {
  ListControl list = MakeList(4);
  list.SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  list.SetItemState(3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_ALL);
  EXPECT_EQ(list.GetItemState(1, LVIS_ALL), unsigned{LVIS_SELECTED});  // focus moved on
  EXPECT_EQ(list.GetItemState(3, LVIS_ALL), unsigned{LVIS_SELECTED | LVIS_FOCUSED});
  EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 3);
  EXPECT_EQ(Selected(list), (std::vector<int>{1, 3}));
  EXPECT_EQ(list.GetSelectedCount(), 2);

  // The mask limits what changes.
  list.SetItemState(3, 0, LVIS_FOCUSED);
  EXPECT_EQ(list.GetItemState(3, LVIS_ALL), unsigned{LVIS_SELECTED});

  // Row -1 addresses every item.
  list.SetItemState(-1, 0, LVIS_SELECTED);
  EXPECT_EQ(list.GetSelectedCount(), 0);
  EXPECT_FALSE(list.SetItemState(4, LVIS_SELECTED, LVIS_SELECTED));
}

TEST(ListControlTest, NextItemWalksFromAfterTheStart) {
  ListControl list = MakeList(3);
  EXPECT_EQ(list.GetNextItem(-1, LVNI_ALL), 0);
  EXPECT_EQ(list.GetNextItem(1, LVNI_ALL), 2);
  EXPECT_EQ(list.GetNextItem(2, LVNI_ALL), -1);
  EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), -1);
}

TEST(ListControlTest, RectanglesFollowRowsColumnsAndScrolling) {
  ListControl list = MakeList(10);
  Rect rc;
  ASSERT_TRUE(list.GetItemRect(2, rc, LVIR_BOUNDS));
  EXPECT_EQ(rc, (Rect{0, 20 + 2 * 17, 150, 20 + 3 * 17}));
  ASSERT_TRUE(list.GetItemRect(2, rc, LVIR_LABEL));
  EXPECT_EQ(rc, (Rect{0, 54, 30, 71}));
  ASSERT_TRUE(list.GetSubItemRect(2, 2, rc));
  EXPECT_EQ(rc, (Rect{80, 54, 150, 71}));
  EXPECT_FALSE(list.GetItemRect(10, rc, LVIR_BOUNDS));
  EXPECT_FALSE(list.GetSubItemRect(0, 3, rc));

  list.SetTopIndex(3);
  list.SetScrollX(10);
  ASSERT_TRUE(list.GetSubItemRect(4, 1, rc));
  EXPECT_EQ(rc, (Rect{20, 20 + 17, 70, 20 + 2 * 17}));
}

TEST(ListControlTest, HitTestFindsRowAndColumnOrNothing) {
  ListControl list = MakeList(3);
  int column = 99;
  EXPECT_EQ(list.SubItemHitTest(Point{35, 20 + 17 + 3}, &column), 1);
  EXPECT_EQ(column, 1);
  EXPECT_EQ(list.SubItemHitTest(Point{0, 20}, &column), 0);
  EXPECT_EQ(column, 0);
  struct Miss {
    const char* what;
    Point point;
  };
  for (const Miss& miss : {Miss{"header", {10, 5}}, Miss{"below the last row", {10, 20 + 3 * 17}},
                           Miss{"beside the columns", {150, 25}}}) {
    SCOPED_TRACE(miss.what);
    EXPECT_EQ(list.SubItemHitTest(miss.point, &column), -1);
    EXPECT_EQ(column, -1);
  }
}

TEST(ListControlTest, PageAndEnsureVisibleScrollAsLittleAsPossible) {
  ListControl list = MakeList(20);
  EXPECT_EQ(list.GetCountPerPage(), 5);
  EXPECT_TRUE(list.EnsureVisible(7));
  EXPECT_EQ(list.GetTopIndex(), 3);  // row 7 is the last whole row
  EXPECT_TRUE(list.EnsureVisible(5));
  EXPECT_EQ(list.GetTopIndex(), 3);  // already visible
  EXPECT_TRUE(list.EnsureVisible(1));
  EXPECT_EQ(list.GetTopIndex(), 1);
  EXPECT_FALSE(list.EnsureVisible(20));

  // The first row never goes past the last full page.
  list.SetTopIndex(100);
  EXPECT_EQ(list.GetTopIndex(), 15);
  list.SetTopIndex(-4);
  EXPECT_EQ(list.GetTopIndex(), 0);

  // A page never counts less than one row.
  list.SetClientSize(Size{400, 10});
  EXPECT_EQ(list.GetCountPerPage(), 1);
}

TEST(ListControlTest, DeletingRowsKeepsTheTopIndexInside) {
  ListControl list = MakeList(20);
  list.SetTopIndex(15);
  for (int i = 0; i < 10; ++i) list.DeleteItem(0);
  EXPECT_EQ(list.GetTopIndex(), 5);
  list.DeleteAllItems();
  EXPECT_EQ(list.GetTopIndex(), 0);
  EXPECT_FALSE(list.DeleteItem(0));
}

TEST(ListControlTest, ChangesAskForRepaints) {
  ListControl list = MakeList(3);
  std::vector<Rect> invalid;
  int layouts = 0;
  ListWatch watch;
  list.SetObserver(&watch);
  watch.invalidate = [&](const Rect& rect, bool) { invalid.push_back(rect); };
  watch.layout = [&] { ++layouts; };

  list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  ASSERT_EQ(invalid.size(), 1u);
  EXPECT_EQ(invalid[0], (Rect{0, 37, 150, 54}));
  list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);  // no change, no repaint
  EXPECT_EQ(invalid.size(), 1u);
  list.SetItemText(2, 1, "new");
  EXPECT_EQ(invalid.size(), 2u);

  list.InsertItem(3, "4");
  list.SetColumnWidth(1, 60);
  EXPECT_EQ(layouts, 2);
}

// What a watcher of the items (the accessible table) is told: each item
// touched once, after the change, nothing for a change that changes nothing.
TEST(ListControlTest, ItemChangesAreReportedPerItemTouched) {
  using Change = ListControl::ItemChange;
  ListControl list = MakeList(3);
  std::vector<Change> seen;
  ListWatch watch;
  list.SetObserver(&watch);
  watch.item = [&](const Change& c) { seen.push_back(c); };
  const auto expect = [&](std::vector<Change> want, const char* step) {
    ASSERT_EQ(seen.size(), want.size()) << step;
    for (std::size_t i = 0; i < want.size(); ++i) {
      EXPECT_EQ(seen[i].kind, want[i].kind) << step << " #" << i;
      EXPECT_EQ(seen[i].row, want[i].row) << step << " #" << i;
      EXPECT_EQ(seen[i].column, want[i].column) << step << " #" << i;
      EXPECT_EQ(seen[i].oldState, want[i].oldState) << step << " #" << i;
      EXPECT_EQ(seen[i].newState, want[i].newState) << step << " #" << i;
    }
    seen.clear();
  };

  list.SetItemText(1, 2, "x");
  expect({{Change::kText, 1, 2, 0, 0}}, "text");
  list.SetItemText(1, 2, "x");
  expect({}, "same text");
  list.SetItemState(0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_ALL);
  expect({{Change::kState, 0, -1, 0, LVIS_FOCUSED | LVIS_SELECTED}}, "focus row 0");
  // The focus moves: the row that loses it is reported too.
  list.SetItemState(2, LVIS_FOCUSED, LVIS_FOCUSED);
  expect({{Change::kState, 0, -1, LVIS_FOCUSED | LVIS_SELECTED, LVIS_SELECTED},
          {Change::kState, 2, -1, 0, LVIS_FOCUSED}},
         "focus to row 2");
  list.SetItemState(-1, 0, LVIS_SELECTED);
  expect({{Change::kState, 0, -1, LVIS_SELECTED, 0}}, "deselect all");
  list.InsertItem(1, "new");
  expect({{Change::kInserted, 1, -1, 0, 0}}, "insert");
  list.DeleteItem(0);
  expect({{Change::kDeleted, 0, -1, 0, 0}}, "delete");
  list.DeleteItem(7);
  expect({}, "delete a row that does not exist");
  list.DeleteColumn(2);
  expect({{Change::kReset, -1, -1, 0, 0}}, "delete column");
  list.DeleteAllItems();
  expect({{Change::kReset, -1, -1, 0, 0}}, "delete all");
}

TEST(ListControlTest, ClickSelectsOneRowAndMakesItFocusAndAnchor) {
  ListControl list = MakeList(6);
  list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
  list.SetItemState(4, LVIS_SELECTED, LVIS_SELECTED);
  list.DefaultLButtonDown(MK_LBUTTON, CellCentre(list, 2, 1));
  EXPECT_EQ(Selected(list), (std::vector<int>{2}));
  EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 2);
  EXPECT_EQ(list.GetAnchor(), 2);
}

TEST(ListControlTest, CtrlClickTogglesAndShiftClickSelectsFromTheAnchor) {
  ListControl list = MakeList(8);
  list.SetClientSize(Size{400, 300});  // every row on show
  list.DefaultLButtonDown(MK_LBUTTON, CellCentre(list, 2, 0));
  list.DefaultLButtonDown(MK_LBUTTON | MK_CONTROL, CellCentre(list, 4, 0));
  EXPECT_EQ(Selected(list), (std::vector<int>{2, 4}));
  list.DefaultLButtonDown(MK_LBUTTON | MK_CONTROL, CellCentre(list, 2, 0));
  EXPECT_EQ(Selected(list), (std::vector<int>{4}));
  EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 2);

  // Anchor is row 2 (the last Ctrl+click): Shift+click on 0 selects 0..2.
  list.DefaultLButtonDown(MK_LBUTTON | MK_SHIFT, CellCentre(list, 0, 2));
  EXPECT_EQ(Selected(list), (std::vector<int>{0, 1, 2}));
  // The anchor stays: Shift+click on 3 gives 2..3.
  list.DefaultLButtonDown(MK_LBUTTON | MK_SHIFT, CellCentre(list, 3, 2));
  EXPECT_EQ(Selected(list), (std::vector<int>{2, 3}));
  EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 3);
  // Ctrl+Shift adds the range to the selection.
  list.DefaultLButtonDown(MK_LBUTTON | MK_CONTROL, CellCentre(list, 6, 2));
  list.DefaultLButtonDown(MK_LBUTTON | MK_CONTROL | MK_SHIFT, CellCentre(list, 7, 2));
  EXPECT_EQ(Selected(list), (std::vector<int>{2, 3, 6, 7}));
}

TEST(ListControlTest, ShiftClickWithoutAnchorSelectsFromTheFocusedRow) {
  ListControl list = MakeList(5);
  list.SetItemState(1, LVIS_FOCUSED, LVIS_FOCUSED);
  list.DefaultLButtonDown(MK_LBUTTON | MK_SHIFT, CellCentre(list, 3, 0));
  EXPECT_EQ(Selected(list), (std::vector<int>{1, 2, 3}));
}

TEST(ListControlTest, ClickBelowTheRowsClearsTheSelection) {
  ListControl list = MakeList(3);
  list.DefaultLButtonDown(MK_LBUTTON, CellCentre(list, 1, 0));
  list.DefaultLButtonDown(MK_LBUTTON | MK_CONTROL, Point{10, 100});
  EXPECT_EQ(Selected(list), (std::vector<int>{1}));
  list.DefaultLButtonDown(MK_LBUTTON, Point{10, 100});
  EXPECT_TRUE(Selected(list).empty());
}

TEST(ListControlTest, ClickOnAPartlyHiddenRowScrollsItIn) {
  ListControl list = MakeList(10);
  list.SetClientSize(Size{400, 20 + 5 * 17 + 8});  // row 5 shows its top half
  list.DefaultLButtonDown(MK_LBUTTON, Point{10, 20 + 5 * 17 + 2});
  EXPECT_EQ(Selected(list), (std::vector<int>{5}));
  EXPECT_EQ(list.GetTopIndex(), 1);
}

TEST(ListControlTest, RightClickKeepsAMultipleSelectionOrSelectsTheRowAlone) {
  ListControl list = MakeList(6);
  list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
  list.DefaultRButtonDown(MK_RBUTTON, CellCentre(list, 2, 1));
  EXPECT_EQ(Selected(list), (std::vector<int>{1, 2}));
  EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 2);
  list.DefaultRButtonDown(MK_RBUTTON, CellCentre(list, 4, 1));
  EXPECT_EQ(Selected(list), (std::vector<int>{4}));
  list.DefaultRButtonDown(MK_RBUTTON, Point{10, 200});
  EXPECT_TRUE(Selected(list).empty());
}

}  // namespace
}  // namespace corvella

namespace corvella {
namespace {

// Rows changed by their owner, not through the control (undo writes the
// document's rows): the control shows them, its state flags stay with their
// rows, and its window is told what changed.
TEST(ListControlShowingRows, ChangesOfTheRowsKeepTheStateFlagsWithTheirRows) {
  using Change = ListControl::ItemChange;
  TextRows rows;
  for (int r = 0; r < 4; ++r) rows.Insert(r, std::to_string(r + 1));
  ListControl list = MakeList(2);
  list.ShowRows(rows);
  EXPECT_EQ(list.GetItemCount(), 4);
  EXPECT_TRUE(Selected(list).empty());
  std::vector<Change> seen;
  ListWatch watch;
  watch.item = [&](const Change& c) { seen.push_back(c); };
  list.SetObserver(&watch);
  list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  list.SetItemState(3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  seen.clear();

  struct Step {
    const char* what;
    std::function<void()> change;
    std::vector<int> selected;
    int focused;
    Change told;
  };
  for (const Step& step : {
           Step{"insert above", [&] { rows.Insert(0, "0"); }, {2, 4}, 4, {Change::kInserted, 0}},
           Step{"remove a selected row", [&] { rows.Remove(2); }, {3}, 3, {Change::kDeleted, 2}},
           Step{"a cell", [&] { rows.SetText(3, 1, "x"); }, {3}, 3, {Change::kText, 3, 1}},
           Step{"through the control",
                [&] {
                  list.SetItemText(0, 2, "y");
                  EXPECT_EQ(rows.Text(0, 2), "y");
                },
                {3},
                3,
                {Change::kText, 0, 2}},
           Step{"every row gone", [&] { rows.Clear(); }, {}, -1, {Change::kReset, -1}},
       }) {
    SCOPED_TRACE(step.what);
    step.change();
    EXPECT_EQ(list.GetItemCount(), rows.Count());
    EXPECT_EQ(Selected(list), step.selected);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), step.focused);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].kind, step.told.kind);
    EXPECT_EQ(seen[0].row, step.told.row);
    EXPECT_EQ(seen[0].column, step.told.column);
    seen.clear();
  }
  list.SetObserver(nullptr);
}

}  // namespace
}  // namespace corvella
