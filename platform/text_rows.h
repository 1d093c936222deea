#pragma once
// TextRows: rows of cell texts with change notifications. It holds the data
// a list shows; a ListControl (platform/list_control.h) shows one of these
// and keeps only its own per-row state (selection, focus) in step with it.
//
// Every change tells the observers once, after it happened, which rows and
// cells it touched: one row inserted or removed, every row removed, a column
// removed, one cell's text. Besides the notifications, the rows changed since the last
// look are kept as one block (TakeChangedRows), so a watcher that keeps a
// copy of the rows follows a change without copying them all.
//
// Column 0 holds a row's label (in the request list its position): a change
// of that text alone is notified but does not make the row a changed row.

#include <string>
#include <vector>

namespace corvella {

// Told of every change of a TextRows, after it happened.
class TextRowsObserver {
 public:
  virtual ~TextRowsObserver() = default;
  // A row was inserted at `row` (the rows from `row` on moved down one).
  virtual void OnRowInserted(int row) = 0;
  // The row at `row` was removed (the later rows moved up one).
  virtual void OnRowRemoved(int row) = 0;
  // Every row was removed.
  virtual void OnRowsReset() = 0;
  // The texts of `column` were removed from every row; the later columns'
  // texts moved one column to the left.
  virtual void OnColumnRemoved(int column) = 0;
  // The text of one cell changed.
  virtual void OnCellChanged(int row, int column) = 0;
};

class TextRows {
 public:
  // Rows are made with room for `columnsHint` texts (storage only: a row
  // holds as many texts as its highest column set).
  explicit TextRows(int columnsHint = 0);
  ~TextRows();
  TextRows(const TextRows&) = delete;
  TextRows& operator=(const TextRows&) = delete;

  // Texts beyond this column are refused.
  static constexpr int kMaxColumns = 64;

  int Count() const { return static_cast<int>(m_rows.size()); }
  // Tells the rows how many to expect (reserves storage only).
  void Reserve(int count);
  // Inserts a row before `row` (clamped to the end) whose column-0 text is
  // `label`; returns its index, or -1 when `row` is negative.
  int Insert(int row, const std::string& label);
  // False when there is no such row.
  bool Remove(int row);
  void Clear();
  // Removes the texts of `column`; the later columns' texts move one left.
  void RemoveColumn(int column);
  // Empty for a row or column that does not exist.
  const std::string& Text(int row, int column) const;
  // False for a row that does not exist or a column outside [0, kMaxColumns).
  // Setting the text a cell holds already changes and notifies nothing.
  bool SetText(int row, int column, const std::string& text);

  // Counts every change; equal counts mean equal rows.
  unsigned long Revision() const { return m_revision; }

  // `observer` is told of changes until it is removed; it must be removed
  // before it goes.
  void AddObserver(TextRowsObserver* observer);
  void RemoveObserver(TextRowsObserver* observer);

  // ---- the rows changed since the last look --------------------------------
  // Today's rows [first, end) took the place of the rows [first, end - delta)
  // of the last look; every other row is as it was.
  struct ChangedRows {
    bool any = false;
    int first = 0;
    int end = 0;
    int delta = 0;  // rows now minus rows then
  };
  // The block since the last call; the next call starts afresh. Only one
  // watcher may look (the history of the shown list).
  ChangedRows TakeChangedRows();

 private:
  template <typename Event>
  void Tell(const Event& event);
  // Widens m_changed by a change of the text of `row`, a row inserted at
  // `row`, or the row at `row` removed.
  void NoteTextChanged(int row);
  void NoteInserted(int row);
  void NoteDeleted(int row);

  int m_columnsHint;
  std::vector<std::vector<std::string>> m_rows;
  std::vector<TextRowsObserver*> m_observers;
  ChangedRows m_changed;
  unsigned long m_revision = 0;
};

}  // namespace corvella
