// The change between two states of the list as one block of rows, and
// putting either state back from it: what undo and redo rely on.

#include "listview/list_rows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/list_control.h"

namespace corvella {
namespace {

// A request whose cells all carry `name` (column 0 left for the position).
RequestCells Request(const std::string& name) {
  RequestCells cells;
  for (int c = 1; c < kColumnCount; ++c) cells[c] = name + std::to_string(c);
  return cells;
}

ListRows Rows(const std::string& names) {
  ListRows rows;
  for (char n : names) rows.push_back(Request(std::string(1, n)));
  return rows;
}

void Fill(ListControl& list, const ListRows& rows) {
  list.DeleteAllItems();
  for (int c = list.GetColumnCount(); c < kColumnCount; ++c) list.InsertColumn(c, "C", 0, 50);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const int row = list.InsertItem(static_cast<int>(r), std::to_string(r + 1));
    for (int c = 1; c < kColumnCount; ++c) list.SetItemText(row, c, rows[r][c]);
  }
}

TEST(ListRows, TheChangeIsTheSmallestBlockAndPutsEitherStateBack) {
  struct Case {
    const char* what;
    const char* before;
    const char* after;
    int first, removed, added;
  };
  for (const Case& c : {
           Case{"scattered delete", "ABCDEF", "ACDF", 1, 2, 0},
           Case{"insert", "ABC", "AXBC", 1, 0, 1},
           Case{"append", "AB", "ABX", 2, 0, 1},
           Case{"edit of two rows", "ABCD", "AXCY", 1, 0, 0},
           Case{"everything deleted", "ABC", "", 0, 3, 0},
           Case{"paste into an empty list", "", "XY", 0, 0, 2},
           Case{"same request twice, one deleted", "AAB", "AB", 1, 1, 0},
       }) {
    SCOPED_TRACE(c.what);
    ListRows before = Rows(c.before);
    ListRows after = Rows(c.after);
    const auto change = DiffRows(before, after);
    ASSERT_TRUE(change);
    EXPECT_EQ(change->first, c.first);
    EXPECT_EQ(change->Removed(), c.removed);
    EXPECT_EQ(change->Added(), c.added);

    ListControl list;
    Fill(list, before);
    ReplaceRows(list.Rows(), change->first, static_cast<int>(change->before.size()), change->after);
    EXPECT_TRUE(SameRows(TakeRows(list.Rows()), after));
    ReplaceRows(list.Rows(), change->first, static_cast<int>(change->after.size()), change->before);
    const ListRows back = TakeRows(list.Rows());
    EXPECT_TRUE(SameRows(back, before));
    // Every row is numbered by its position again.
    for (std::size_t r = 0; r < back.size(); ++r)
      EXPECT_EQ(back[r][COL_NUMBER], std::to_string(r + 1));
  }
}

TEST(ListRows, RenumberingAloneIsNoChange) {
  ListRows before = Rows("AB");
  ListRows after = before;
  after[0][COL_NUMBER] = "7";
  EXPECT_FALSE(DiffRows(before, after));
  after[1][COL_OFFSET] = "12";
  ASSERT_TRUE(DiffRows(before, after));
  EXPECT_EQ(DiffRows(before, after)->ChangedInPlace(), 1);
}

}  // namespace
}  // namespace corvella
