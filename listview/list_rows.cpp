#include "listview/list_rows.h"

#include <algorithm>
#include <string>

#include "platform/text_rows.h"

namespace corvella {

ListRows TakeRows(const TextRows& list) { return TakeRows(list, 0, list.Count()); }

ListRows TakeRows(const TextRows& list, int first, int end) {
  ListRows rows(static_cast<std::size_t>(std::max(0, end - first)));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    for (int column = 0; column < kColumnCount; ++column) {
      rows[i][column] = list.Text(first + static_cast<int>(i), column);
    }
  }
  return rows;
}

bool SameRequest(const RequestCells& a, const RequestCells& b) {
  return std::equal(a.begin() + COL_DESCRIPTION, a.end(), b.begin() + COL_DESCRIPTION);
}

bool SameRows(const ListRows& a, const ListRows& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), SameRequest);
}

int RowsChange::Removed() const {
  return before.size() > after.size() ? static_cast<int>(before.size() - after.size()) : 0;
}

int RowsChange::Added() const {
  return after.size() > before.size() ? static_cast<int>(after.size() - before.size()) : 0;
}

int RowsChange::ChangedInPlace() const {
  const std::size_t common = std::min(before.size(), after.size());
  int changed = 0;
  for (std::size_t i = 0; i < common; ++i) changed += !SameRequest(before[i], after[i]);
  return changed;
}

std::optional<RowsChange> DiffRows(const ListRows& before, const ListRows& after) {
  std::size_t head = 0;
  const std::size_t shorter = std::min(before.size(), after.size());
  while (head < shorter && SameRequest(before[head], after[head])) ++head;
  if (head == before.size() && head == after.size()) return std::nullopt;
  std::size_t tail = 0;
  while (tail < shorter - head &&
         SameRequest(before[before.size() - 1 - tail], after[after.size() - 1 - tail])) {
    ++tail;
  }
  RowsChange change;
  change.first = static_cast<int>(head);
  change.before.assign(before.begin() + static_cast<std::ptrdiff_t>(head),
                       before.end() - static_cast<std::ptrdiff_t>(tail));
  change.after.assign(after.begin() + static_cast<std::ptrdiff_t>(head),
                      after.end() - static_cast<std::ptrdiff_t>(tail));
  return change;
}

void ReplaceRows(TextRows& list, int first, int removeCount, const ListRows& rows) {
  for (int i = 0; i < removeCount; ++i) list.Remove(first);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int row = list.Insert(first + static_cast<int>(i), rows[i][COL_NUMBER]);
    for (int column = COL_DESCRIPTION; column < kColumnCount; ++column) {
      list.SetText(row, column, rows[i][column]);
    }
  }
  const int count = list.Count();
  for (int row = first; row < count; ++row) list.SetText(row, COL_NUMBER, std::to_string(row + 1));
}

}  // namespace corvella
