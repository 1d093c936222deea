// The rows a list shows: the block of rows changed since the last look.

#include "platform/text_rows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvella {
namespace {

// Whatever mix of edits, insertions and deletions happened since the last
// look, the block the rows name turns the rows of then into the rows of now
// (column 1 stands for every text a watcher keeps).
TEST(TextRowsChangedRows, TheBlockTurnsTheRowsOfThenIntoTheRowsOfNow) {
  unsigned seed = 12345;
  const auto next = [&seed](int below) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) % static_cast<unsigned>(below));
  };
  TextRows list;
  int made = 0;
  const auto texts = [&list] {
    std::vector<std::string> rows;
    for (int r = 0; r < list.Count(); ++r) rows.push_back(list.Text(r, 1));
    return rows;
  };
  for (int round = 0; round < 2000; ++round) {
    SCOPED_TRACE(round);
    list.TakeChangedRows();
    const std::vector<std::string> then = texts();
    for (int op = next(4); op >= 0; --op) {
      const int count = list.Count();
      const int kind = next(4);
      if (kind == 0 || count == 0) {
        const int row = list.Insert(next(count + 1), "");
        list.SetText(row, 1, "n" + std::to_string(++made));
      } else if (kind == 1) {
        list.Remove(next(count));
      } else if (kind == 2) {
        list.SetText(next(count), 1, "e" + std::to_string(++made));
      } else if (next(20) == 0) {
        list.Clear();
      } else {
        list.SetText(next(count), 0, "renumbered");  // not looked at
      }
    }
    const std::vector<std::string> now = texts();
    const TextRows::ChangedRows changed = list.TakeChangedRows();
    if (!changed.any) {
      EXPECT_EQ(now, then);
      continue;
    }
    ASSERT_LE(0, changed.first);
    ASSERT_LE(changed.first, changed.end);
    ASSERT_LE(changed.end, static_cast<int>(now.size()));
    ASSERT_LE(changed.end - changed.delta, static_cast<int>(then.size()));
    std::vector<std::string> rebuilt(then.begin(), then.begin() + changed.first);
    rebuilt.insert(rebuilt.end(), now.begin() + changed.first, now.begin() + changed.end);
    rebuilt.insert(rebuilt.end(), then.begin() + (changed.end - changed.delta), then.end());
    EXPECT_EQ(rebuilt, now);
  }
}

}  // namespace
}  // namespace corvella
