// The history follows the list through the block of rows each change made
// differ: whatever mix of edits, insertions and deletions a step made, undo
// puts back every earlier state and redo every later one.

#include "shell/list_history.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listview/list_fixture.h"
#include "listview/list_rows.h"

namespace corvella {
namespace {

class ListHistoryTest : public ListFixture {};

TEST_F(ListHistoryTest, UndoAndRedoPutBackEveryStateOfMixedChanges) {
  unsigned seed = 4711;
  const auto next = [&seed](int below) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) % static_cast<unsigned>(below));
  };
  AddRows(6);
  ListHistory history(view, doc);
  TextRows& rows = doc.Requests();
  std::vector<ListRows> states{TakeRows(rows)};
  int made = 0;
  for (int round = 0; round < 300; ++round) {
    history.Record(
        [&] {
          for (int op = next(4); op >= 0; --op) {
            const int count = rows.Count();
            const int kind = count == 0 ? 0 : next(3);
            const std::string text = "t" + std::to_string(++made);
            if (kind == 0 && count < 20) {
              const int row = rows.Insert(next(count + 1), "");
              for (int c = 1; c < kColumnCount; ++c) rows.SetText(row, c, text);
            } else if (kind == 1) {
              rows.Remove(next(count));
            } else if (count > 0) {
              rows.SetText(next(count), 1 + next(kColumnCount - 1), text);
            }
          }
        },
        &ListHistory::NameOfEdit);
    if (!SameRows(TakeRows(rows), states.back())) states.push_back(TakeRows(rows));
  }
  ASSERT_GT(states.size(), 100u);
  for (std::size_t i = states.size() - 1; i > 0; --i) {
    SCOPED_TRACE(i);
    ASSERT_TRUE(doc.History().CanUndo());
    history.Undo();
    ASSERT_TRUE(SameRows(TakeRows(rows), states[i - 1]));
  }
  EXPECT_FALSE(doc.History().CanUndo());
  for (std::size_t i = 1; i < states.size(); ++i) {
    SCOPED_TRACE(i);
    history.Redo();
    ASSERT_TRUE(SameRows(TakeRows(rows), states[i]));
  }
}

}  // namespace
}  // namespace corvella
