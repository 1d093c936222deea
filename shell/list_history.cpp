#include "shell/list_history.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include "listview/corvella_view.h"
#include "platform/text_rows.h"
#include "requests/corvella_doc.h"

namespace corvella {

// One recorded change: the block of rows before and after it.
class ListHistory::Step : public EditStep {
 public:
  Step(CCorvellaView& view, TextRows& rows, RowsChange change, std::string name)
      : m_view(view), m_rows(rows), m_change(std::move(change)), m_name(std::move(name)) {}

  std::string Name() const override { return m_name; }
  void Redo() override { Put(m_change.before, m_change.after); }
  void Undo() override { Put(m_change.after, m_change.before); }

 private:
  // Replaces the block `now` with `then`, and selects what came back: the
  // rows of `then` that are not in `now` (the rows a delete removed, the
  // cells an edit changed), or, when nothing came back, the row where the
  // block was.
  void Put(const ListRows& now, const ListRows& then) {
    ReplaceRows(m_rows, m_change.first, static_cast<int>(now.size()), then);
    std::vector<int> back;
    std::size_t j = 0;
    for (std::size_t i = 0; i < then.size(); ++i) {
      if (j < now.size() && SameRequest(then[i], now[j])) {
        ++j;
      } else {
        back.push_back(m_change.first + static_cast<int>(i));
      }
    }
    if (back.empty()) back.push_back(m_change.first);
    // Cells changed in place come back in the mode the operator is in;
    // rows that come or go are shown in row mode.
    m_view.SelectRowsForReview(back, now.size() == then.size());
  }

  CCorvellaView& m_view;
  TextRows& m_rows;
  RowsChange m_change;
  std::string m_name;
};

ListHistory::ListHistory(CCorvellaView& view, CCorvellaDoc& doc) : m_view(view), m_doc(doc) {}

void ListHistory::Record(const std::function<void()>& change, const Namer& name) {
  if (m_bRecording) {
    change();
    return;
  }
  m_bRecording = true;
  // What changed since the last step (a save's normalised texts, an undo,
  // a restored copy) is no part of this one.
  Follow();
  const std::size_t loadsBefore = m_doc.LoadCount();
  change();
  m_bRecording = false;
  // A change that loaded another list started a new history.
  if (m_doc.LoadCount() != loadsBefore) return;
  // Nothing changed (a key that set what was there, a cancelled dialog): no
  // step, and the list is as modified as it was.
  const std::optional<RowsChange> diff = Follow();
  if (!diff) return;
  m_doc.History().Push(std::make_unique<Step>(m_view, m_doc.Requests(), *diff, name(*diff)));
}

std::optional<RowsChange> ListHistory::Follow() {
  TextRows& list = m_doc.Requests();
  const TextRows::ChangedRows changed = list.TakeChangedRows();
  const int thenEnd = changed.end - changed.delta;
  if (m_rowsLoad != m_doc.LoadCount() || thenEnd > static_cast<int>(m_rows.size()) ||
      changed.first > changed.end) {
    // Another list: it is taken whole, once.
    m_rows = TakeRows(list);
    m_rowsLoad = m_doc.LoadCount();
    return std::nullopt;
  }
  if (!changed.any) return std::nullopt;
  const auto from = m_rows.begin() + changed.first;
  ListRows before(std::make_move_iterator(from), std::make_move_iterator(m_rows.begin() + thenEnd));
  ListRows after = TakeRows(list, changed.first, changed.end);
  // The block's rows are replaced in place; only rows added or removed move
  // the rows below it (a key that edits cells moves none).
  const std::size_t common = std::min(before.size(), after.size());
  std::copy(after.begin(), after.begin() + static_cast<std::ptrdiff_t>(common), from);
  const auto rest = from + static_cast<std::ptrdiff_t>(common);
  if (after.size() > common) {
    m_rows.insert(rest, after.begin() + static_cast<std::ptrdiff_t>(common), after.end());
  } else {
    m_rows.erase(rest, m_rows.begin() + thenEnd);
  }
  std::optional<RowsChange> diff = DiffRows(before, after);
  if (diff) diff->first += changed.first;
  return diff;
}

std::string ListHistory::Counted(const std::string& verb, int count) {
  if (count == 1) return verb + " Request";
  return verb + " " + std::to_string(count) + " Requests";
}

std::string ListHistory::NameOfEdit(const RowsChange& change) {
  if (change.Removed() > 0) return Counted("Delete", change.Removed());
  if (change.Added() > 0) return Counted("Add", change.Added());
  // Changes in place: one column of one or more requests, or several.
  int column = -1;
  for (std::size_t row = 0; row < change.before.size(); ++row) {
    for (int c = COL_DESCRIPTION; c < kColumnCount; ++c) {
      if (change.before[row][c] == change.after[row][c]) continue;
      if (column >= 0 && column != c) return Counted("Edit", change.ChangedInPlace());
      column = c;
    }
  }
  std::string name = std::string("Edit ") + (column >= 0 ? kColumns[column].title : "Request");
  const int rows = change.ChangedInPlace();
  if (rows > 1) name += " of " + std::to_string(rows) + " Requests";
  return name;
}

void ListHistory::Undo() { m_doc.History().Undo(); }

void ListHistory::Redo() { m_doc.History().Redo(); }

void ListHistory::OnUpdateUndo(CCmdUI* ui) const {
  const EditHistory& history = m_doc.History();
  ui->Enable(history.CanUndo());
  ui->SetText(history.CanUndo() ? "&Undo " + history.UndoName() : "&Undo");
}

void ListHistory::OnUpdateRedo(CCmdUI* ui) const {
  const EditHistory& history = m_doc.History();
  ui->Enable(history.CanRedo());
  ui->SetText(history.CanRedo() ? "&Redo " + history.RedoName() : "&Redo");
}

}  // namespace corvella
