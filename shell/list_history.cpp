#include "shell/list_history.h"

#include <QUndoCommand>
#include <utility>
#include <vector>

#include "listview/corvella_view.h"
#include "platform/qt/windows1252.h"
#include "requests/corvella_doc.h"

namespace corvella {

// One recorded change: the block of rows before and after it.
class ListHistory::Step : public QUndoCommand {
 public:
  Step(CCorvellaView& view, RowsChange change, const std::string& name)
      : m_view(view), m_change(std::move(change)) {
    setText(FromWindows1252(name));
  }

  // The change has already happened when the step is pushed.
  void redo() override {
    if (m_bDone) Put(m_change.before, m_change.after);
    m_bDone = true;
  }
  void undo() override { Put(m_change.after, m_change.before); }

 private:
  // Replaces the block `now` with `then`, and selects what came back: the
  // rows of `then` that are not in `now` (the rows a delete removed, the
  // cells an edit changed), or, when nothing came back, the row where the
  // block was.
  void Put(const ListRows& now, const ListRows& then) {
    ReplaceRows(m_view.GetListCtrl(), m_change.first, static_cast<int>(now.size()), then);
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
  RowsChange m_change;
  bool m_bDone = false;
};

ListHistory::ListHistory(CCorvellaView& view, CCorvellaDoc& doc) : m_view(view), m_doc(doc) {
  // Back at the saved state the document has nothing to save; anywhere else
  // it has.
  QObject::connect(&m_stack, &QUndoStack::indexChanged, [this] { WriteModifiedFlag(); });
  QObject::connect(&m_stack, &QUndoStack::cleanChanged, [this] { WriteModifiedFlag(); });
}

void ListHistory::WriteModifiedFlag() { m_doc.SetModifiedFlag(!m_stack.isClean()); }

void ListHistory::Record(const std::function<void()>& change, const Namer& name) {
  if (m_bRecording) {
    change();
    return;
  }
  m_bRecording = true;
  const std::size_t loadsBefore = m_loads;
  const ListRows before = TakeRows(m_view.GetListCtrl());
  change();
  m_bRecording = false;
  // A change that loaded a new list (a sport switch) started a new history.
  if (m_loads != loadsBefore) return;
  const std::optional<RowsChange> diff = DiffRows(before, TakeRows(m_view.GetListCtrl()));
  // Nothing changed (a key that set what was there, a cancelled dialog): no
  // step, and the list is as modified as it was.
  if (!diff) return;
  m_stack.push(new Step(m_view, *diff, name(*diff)));
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

void ListHistory::Undo() {
  if (m_stack.canUndo()) m_stack.undo();
}

void ListHistory::Redo() {
  if (m_stack.canRedo()) m_stack.redo();
}

void ListHistory::OnUpdateUndo(CCmdUI* ui) const {
  ui->Enable(m_stack.canUndo());
  ui->SetText(m_stack.canUndo() ? "&Undo " + ToWindows1252(m_stack.undoText()) : "&Undo");
}

void ListHistory::OnUpdateRedo(CCmdUI* ui) const {
  ui->Enable(m_stack.canRedo());
  ui->SetText(m_stack.canRedo() ? "&Redo " + ToWindows1252(m_stack.redoText()) : "&Redo");
}

void ListHistory::OnChange(QObject* context, std::function<void()> react) {
  QObject::connect(&m_stack, &QUndoStack::indexChanged, context, react);
  QObject::connect(&m_stack, &QUndoStack::cleanChanged, context, react);
}

void ListHistory::Reset() {
  ++m_loads;
  m_stack.clear();
  // A load that corrected values of the file leaves a list to save.
  if (m_view.CorrectedOnLoad()) m_stack.resetClean();
  WriteModifiedFlag();
}

void ListHistory::MarkUnsaved() {
  m_stack.resetClean();
  WriteModifiedFlag();
}

void ListHistory::SyncWithDocument() {
  if (!m_doc.IsModified() && !m_stack.isClean()) m_stack.setClean();
}

}  // namespace corvella
