#pragma once
// The rows of the request list as plain values, and the change between two
// states of the list as the one block of rows that differs: what undo and
// redo put back, and what the recovery copy compares. Taking the rows of a
// full list (300 requests of 13 cells) and comparing them costs a few tens of
// microseconds, so every command can be measured before and after rather
// than each one describing its own change.

#include <optional>
#include <vector>

#include "requests/request_record.h"

namespace corvella {

class TextRows;

// Every row's cells, in list order. Column 0 (the position) is kept too, but
// no comparison looks at it: renumbering is not a change.
using ListRows = std::vector<RequestCells>;

ListRows TakeRows(const TextRows& rows);
// Rows [first, end) only.
ListRows TakeRows(const TextRows& rows, int first, int end);
bool SameRequest(const RequestCells& a, const RequestCells& b);
bool SameRows(const ListRows& a, const ListRows& b);

// Rows [first, first + before.size()) of the old state became `after`; the
// rows above and below the block are the same in both states.
struct RowsChange {
  int first = 0;
  ListRows before;
  ListRows after;

  // How many requests the change removed, added, and changed in place.
  int Removed() const;
  int Added() const;
  int ChangedInPlace() const;
};

// The smallest block that turns `before` into `after`; none when the two
// hold the same requests.
std::optional<RowsChange> DiffRows(const ListRows& before, const ListRows& after);

// Replaces `removeCount` rows at `first` with `rows`, and renumbers the list.
// A list control showing the rows drops the selection of the rows replaced.
void ReplaceRows(TextRows& list, int first, int removeCount, const ListRows& rows);

}  // namespace corvella
