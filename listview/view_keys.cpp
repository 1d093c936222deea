// In-place cell editing and keyboard navigation of the request list
// (CCorvellaView::EditCurrentCell, OnKeyDown, OnKeyUp). The keyboard
// selection range is m_nSelTop..m_nSelBottom, with the caret row m_nFocusRow.
//
// A cell edit changes the current column of every selected row at once: a
// small modal editor (text prompt or drop-down selection) asks for the value,
// the column's field check judges it against the first selected row, and the
// accepted text goes into all selected rows. Single keys change codes and
// numbers directly; the arrow, Tab, Home, End and page keys move the current
// column and the keyboard selection range.

#include <algorithm>
#include <string>
#include <vector>

#include "listview/cell_keys.h"
#include "listview/corvella_view.h"
#include "platform/ui.h"
#include "platform/vk.h"
#include "requests/corvella_doc.h"
#include "requests/request_file.h"

namespace corvella {

namespace {

// How a column is edited in place.
enum class CellEditor {
  None,         // "#": the whole request is edited (Edit Request dialog)
  Prompt,       // a text prompt
  Selection,    // a drop-down list of `choices`
  GameMessage,  // Game/Season: only a message that Game is the one option
};

struct ColumnEditor {
  CellEditor editor;
  const char* label;  // the editor's caption
  Choices choices;    // the entries of a Selection
};

const ColumnEditor kColumnEditors[kColumnCount] = {
    {CellEditor::None, "", {}},
    {CellEditor::Prompt, "Description", {}},
    {CellEditor::Selection, "Request Type", kTeamIndChoices},
    {CellEditor::Selection, "Top 3 Statistic", kTop3Choices},
    {CellEditor::GameMessage, "", {}},
    {CellEditor::Selection, "Sign Number", kSignChoices},
    {CellEditor::Selection, "Display Mode", kDisplayModeChoices},
    {CellEditor::Prompt, "Times to Display -- 0 thru 99999 -- Omit Commas", {}},
    {CellEditor::Selection, "Drive Letter", kDriveChoices},
    {CellEditor::Prompt, "Library Name -- 8 letters or less", {}},
    {CellEditor::Prompt, "Sequence Name -- 8 letters or less", {}},
    {CellEditor::Prompt, "Frame Number -- 0 thru 9999 -- Omit Commas", {}},
    {CellEditor::Prompt, "RTD Offset -- 0 thru 4999 -- Omit Commas", {}},
};

// The in-place editor of a column (0 to kLastColumn).
const ColumnEditor& ColumnEditorOf(int column) { return kColumnEditors[column]; }

}  // namespace

void CCorvellaView::EditCurrentCell() {
  ListControl& list = GetListCtrl();
  const std::vector<int> rows = SelectedRows();

  if (m_nCurColumn == COL_NUMBER) {
    if (rows.size() == 1) EditRequest(rows.front(), false);
    return;
  }
  if (m_nCurColumn == COL_GAME_SEASON) {
    m_ui.MessageBox("Currently, Only the Game option is available.", "Game/Seaon Warning!",
                    MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (m_nCurColumn < COL_DESCRIPTION || m_nCurColumn > kLastColumn) return;
  // Without a selected row there is no cell to take the value: no editor is
  // opened and the document stays as it was.
  if (rows.empty()) return;

  const ColumnEditor& editor = ColumnEditorOf(m_nCurColumn);
  const int firstRow = rows.front();
  std::string current = list.GetItemText(firstRow, m_nCurColumn);
  if (m_nCurColumn == COL_TOP3) current = Top3ListName(current);

  std::string text = editor.editor == CellEditor::Prompt
                         ? m_ui.PromptForText(editor.label, current)
                         : m_ui.ChooseSelection(editor.label, current, ChoiceNames(editor.choices));
  // Cancel, or an emptied prompt: a cell cannot be emptied this way.
  if (text.empty()) return;

  // No more than a request file gives back, so the text reads back as shown.
  if (text.size() > kMaxRequestValue) text.resize(kMaxRequestValue);
  // The check reads and corrects the other cells of the first selected row
  // only; a rejected value (its message already shown) changes nothing. The
  // description is taken as typed.
  if (m_nCurColumn != COL_DESCRIPTION && ValidateField(text, firstRow, true, m_nCurColumn) == 0)
    return;

  for (int row : rows) list.SetItemText(row, m_nCurColumn, text);
  // The document has no other view to update; the cells repaint themselves.
}

void CCorvellaView::OnKeyDown(unsigned nChar, unsigned /*nRepCnt*/, unsigned /*nFlags*/) {
  // Every part looks at the key; more than one may act on it.
  // Shift held: Up and Down extend the range while it is down.
  if (nChar == VK_SHIFT) m_bShiftDown = true;
  if (const int delta = StepOfKey(nChar); delta != 0) {
    StepCellsOfColumn(m_list, SelectedRows(), m_nCurColumn, delta);
  }
  SetCodesByLetter(m_list, SelectedRows(), m_nCurColumn, nChar, m_doc.IsFootball());
  // Delete and Insert act on whole rows only.
  if (nChar == VK_DELETE && m_nCurColumn == COL_NUMBER) OnDeleteRequest();
  if (nChar == VK_INSERT && m_nCurColumn == COL_NUMBER && GetListCtrl().GetSelectedCount() == 1) {
    OnInsertRequest();
  }
  MoveByKey(nChar);
}

void CCorvellaView::MoveByKey(unsigned nChar) {
  switch (nChar) {
    case VK_TAB:
    case VK_RIGHT:
    case VK_LEFT: StepColumnByKey(nChar); break;
    case VK_RETURN: EditCurrentCell(); break;
    case VK_PRIOR:
    case VK_NEXT: MoveRangeByPage(nChar == VK_NEXT); break;
    case VK_HOME:
    case VK_END: MoveRangeToEdge(nChar == VK_END); break;
    case VK_UP:
    case VK_DOWN: MoveCaretByLine(nChar == VK_DOWN); break;
    default: break;
  }
}

void CCorvellaView::StepColumnByKey(unsigned nChar) {
  const bool shiftForTab = m_services.keys != nullptr && m_services.keys->IsKeyDown(VK_SHIFT);
  const bool forward = nChar == VK_RIGHT || (nChar == VK_TAB && !shiftForTab);
  if (ControlDown()) {
    m_nCurColumn = forward ? m_nLastColumn : 0;
  } else {
    m_nCurColumn += forward ? 1 : -1;
  }
  if (m_nCurColumn > m_nLastColumn) m_nCurColumn = 0;
  if (m_nCurColumn < 0) m_nCurColumn = m_nLastColumn;
  RepaintSelection();
}

// The page keys, Home and End replace the whole range, as a plain Up or Down
// does, so the keyboard moves one selected row rather than leaving the old
// range selected behind it.
void CCorvellaView::DropKeyboardRange() {
  for (int row = std::max(m_nSelTop, 0); row <= m_nSelBottom; ++row) DeselectRow(row);
  DeselectRow(m_nSelBottom);
}

void CCorvellaView::MoveRangeTo(int target) {
  m_nSelTop = target;
  m_nSelBottom = target;
  m_nFocusRow = target;
  m_list.EnsureVisible(target);
  SelectRow(target);
  RepaintSelection();
}

void CCorvellaView::MoveRangeByPage(bool down) {
  DropKeyboardRange();
  const int count = m_list.GetItemCount();
  const int lastRow = count - 1;
  const int perPage = m_list.GetCountPerPage();
  int target = 0;
  if (!down) {
    target = m_nSelBottom - perPage <= 0 ? 0 : m_nSelBottom - perPage + 1;
  } else {
    target = m_nSelBottom + perPage < count ? m_nSelBottom + perPage - 1 : lastRow;
  }
  // A range left behind by deleted rows still lands on a row that exists.
  target = std::min(target, lastRow);
  MoveRangeTo(target);
}

void CCorvellaView::MoveRangeToEdge(bool end) {
  DropKeyboardRange();
  const int count = m_list.GetItemCount();
  int target = end ? count - 1 : 0;
  if (ControlDown()) {
    m_nCurColumn = 0;
  } else if (end) {
    const int top = m_list.GetTopIndex();
    const int perPage = m_list.GetCountPerPage();
    target = count < top + perPage ? count - 1 : top + perPage - 1;
  } else {
    target = m_list.GetTopIndex();
  }
  // The caret goes along, so the next Up or Down goes on from the row that
  // Home or End selected (and a screen reader hears that row).
  MoveRangeTo(target);
}

void CCorvellaView::MoveCaretByLine(bool down) {
  int f = m_nFocusRow + (down ? 1 : -1);
  f = std::min(f, m_list.GetItemCount() - 1);
  f = std::max(f, 0);
  m_nFocusRow = f;
  if (!m_bShiftDown) {
    for (int row = m_nSelTop; row <= m_nSelBottom; ++row) DeselectRow(row);
    m_nSelTop = f;
    m_nSelBottom = f;
  } else if (f < m_nSelTop) {
    m_nSelTop = f;  // the range grows upward
  } else if (f == m_nSelTop + 1 && f < m_nSelBottom) {
    DeselectRow(m_nSelTop);  // the range shrinks from the top
    m_nSelTop = f;
  } else {
    if (m_nSelBottom > f) DeselectRow(m_nSelBottom);  // shrinks from the bottom
    m_nSelBottom = f;
  }
  m_list.EnsureVisible(f);
  SelectRow(f);
  RepaintSelection();
}

void CCorvellaView::OnKeyUp(unsigned nChar, unsigned /*nRepCnt*/, unsigned /*nFlags*/) {
  if (nChar == VK_SHIFT) m_bShiftDown = false;
  // The control's own key-up handling has nothing to do for the list.
}

}  // namespace corvella
