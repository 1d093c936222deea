#include "listview/corvella_view.h"

#include <algorithm>
#include <string>
#include <vector>

#include "listview/validators.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "platform/vk.h"
#include "requests/corvella_doc.h"

namespace corvella {

namespace {

// Width of a text when no font measure has been installed (no widget yet):
// about the average character of the list's font.
constexpr int kFallbackCharWidth = 7;

// A point strictly inside a rectangle: on its edge pixels it is not.
bool StrictlyInside(const Rect& rect, Point p) {
  return rect.top < p.y && p.y < rect.bottom && rect.left < p.x && p.x < rect.right;
}

}  // namespace

CCorvellaView::CCorvellaView(CCorvellaDoc& doc, Ui& ui) : m_doc(doc), m_ui(ui) {
  m_list.ShowRows(m_doc.Requests());
  m_doc.SetView(this);
}

CCorvellaView::~CCorvellaView() {
  if (m_doc.GetDocView() == this) m_doc.SetView(nullptr);
}

// ---- columns, rows, selection -------------------------------------------------

void CCorvellaView::SetupColumns() {
  m_list.DeleteAllItems();
  // From the last, so no column moves down on each deletion.
  while (m_list.GetColumnCount() > 0) m_list.DeleteColumn(m_list.GetColumnCount() - 1);
  m_list.Invalidate();
  m_list.UpdateWindow();

  // Every column keeps room for three digits and the narrowest margins the
  // drawing keeps (the number column's), whatever width was stored or
  // dragged: no column can vanish on the screen or in print.
  m_list.SetMinimumColumnWidth((m_measureText ? m_measureText("000") : 3 * kFallbackCharWidth) + 4 +
                               1);
  for (int c = 0; c < kColumnCount; ++c) {
    const std::string title = kColumns[c].title;
    const int titleWidth =
        m_measureText ? m_measureText(title) : static_cast<int>(title.size()) * kFallbackCharWidth;
    m_list.InsertColumn(c, title, kColumns[c].format, titleWidth + kColumns[c].margin);
  }
}

int CCorvellaView::FittingColumnWidth(int column) const {
  const auto measure = [this](const std::string& text) {
    return m_measureText ? m_measureText(text) : static_cast<int>(text.size()) * kFallbackCharWidth;
  };
  // The margins the drawing keeps around a text before it shortens it, and
  // a pixel more: a width measured in whole pixels can be a fraction short
  // of the one the drawing measures.
  const int margin = (column == COL_NUMBER ? 4 : 12) + 1;
  int width = measure(kColumns[column].title) + kColumns[column].margin;
  for (int row = 0; row < m_list.GetItemCount(); ++row) {
    width = std::max(width, measure(m_list.GetItemText(row, column)) + margin);
  }
  return width;
}

void CCorvellaView::RenumberRows() {
  const int count = m_list.GetItemCount();
  for (int row = 0; row < count; ++row) {
    m_list.SetItemText(row, COL_NUMBER, std::to_string(row + 1));
  }
}

// The rows are taken as the operator sees them now, before any dialog or
// message box: one that takes the keyboard focus leaves no row visibly
// selected until the list has the focus back, which the window system
// returns only later. Editing and deleting then act on exactly these rows.
std::vector<int> CCorvellaView::VisiblySelectedRows() const {
  std::vector<int> rows;
  for (int row : SelectedRows()) {
    if (IsVisiblySelected(row)) rows.push_back(row);
  }
  return rows;
}

bool CCorvellaView::AnyRowVisiblySelected() const { return !VisiblySelectedRows().empty(); }

void CCorvellaView::EditVisiblySelectedRows() {
  // Editing an existing row keeps every row where it is.
  for (int row : VisiblySelectedRows()) EditRequest(row, false);
}

void CCorvellaView::DeleteVisiblySelectedRows() {
  const std::vector<int> rows = VisiblySelectedRows();
  if (rows.empty()) return;
  // The box says how many requests go and which, under its question (a
  // screen reader reads both).
  std::vector<int> numbers;
  for (int row : rows) numbers.push_back(row + 1);
  const std::string count =
      rows.size() == 1 ? std::string("1 request") : std::to_string(rows.size()) + " requests";
  if (m_ui.MessageBoxWithDetail("Do you wish to Delete?",
                                count + " will be deleted: " + NumbersAsSaid(numbers) + ".",
                                "Verify Delete!", MB_YESNO | MB_ICONQUESTION) != IDYES) {
    return;
  }
  // From the bottom up, so the rows still to go keep their indices.
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) m_list.DeleteItem(*it);
}

// ---- commands and their enabling -----------------------------------------------

void CCorvellaView::OnDeleteRequest() {
  DeleteVisiblySelectedRows();
  RenumberRows();
  // Row m_nFocusRow alone is selected again, without the focus flag. A row
  // beyond the list (or none clicked yet) is left alone.
  if (m_nFocusRow >= 0 && m_nFocusRow < m_list.GetItemCount()) {
    m_list.SetItemState(m_nFocusRow, LVIS_SELECTED, LVIS_ALL);
  }
}

bool CCorvellaView::RefuseWhenFull() {
  if (m_list.GetItemCount() < kMaxRequests) return false;
  m_ui.MessageBox(kListFullText, kListFullCaption, MB_OK | MB_ICONEXCLAMATION);
  return true;
}

void CCorvellaView::OnAddRequest() {
  if (RefuseWhenFull()) return;
  EditRequest(-1, false);
}

void CCorvellaView::OnEditRequest() { EditVisiblySelectedRows(); }

void CCorvellaView::OnInsertRequest() {
  if (RefuseWhenFull()) return;
  const int row = m_list.GetNextItem(-1, LVNI_SELECTED);
  EditRequest(row, true);
  // The request that moved down below the new one is no longer selected,
  // whether or not the dialog was confirmed.
  const int below = m_nFocusRow + 1;
  if (below >= 0 && below < m_list.GetItemCount()) m_list.SetItemState(below, 0, LVIS_ALL);
}

void CCorvellaView::SelectRowsForReview(const std::vector<int>& rows, bool keepColumn) {
  const int count = m_list.GetItemCount();
  if (count == 0) return;
  std::vector<int> shown;
  for (int row : rows) {
    if (row >= 0 && row < count) shown.push_back(row);
  }
  if (shown.empty()) shown.push_back(count - 1);
  for (int row : SelectedRows()) DeselectRow(row);
  for (int row : shown) SelectRow(row);
  if (!keepColumn) m_nCurColumn = 0;
  // The keyboard range spans what came back, so the next plain Up or Down
  // leaves one row selected, as it does after any other selection.
  m_nSelTop = shown.front();
  m_nSelBottom = shown.back();
  m_nFocusRow = shown.front();
  m_list.EnsureVisible(shown.back());
  m_list.EnsureVisible(shown.front());
  m_list.Invalidate();
}

void CCorvellaView::OnUpdateDeleteRequest(CCmdUI* pCmdUI) {
  pCmdUI->Enable(m_nCurColumn == 0 && m_list.GetSelectedCount() > 0 && AnyRowVisiblySelected());
}

void CCorvellaView::OnUpdateAddRequest(CCmdUI* pCmdUI) { pCmdUI->Enable(true); }

void CCorvellaView::OnUpdateSingleRequest(CCmdUI* pCmdUI) {
  pCmdUI->Enable(m_nCurColumn == 0 && m_list.GetSelectedCount() == 1 && AnyRowVisiblySelected());
}

// ---- field checks -------------------------------------------------------------------

int CCorvellaView::ValidateField(std::string& value, int row, bool showMessage, int column) {
  FieldValidator validator(m_list, m_ui, m_bLoading, IsFootball());
  const int result = validator.ValidateField(value, row, showMessage, column);
  // A load that corrected a value leaves a list that differs from its file;
  // whoever starts the list's history counts it as unsaved.
  if (result == -1 && m_bLoading) m_bCorrectedOnLoad = true;
  return result;
}

// ---- mouse ------------------------------------------------------------------------

void CCorvellaView::OnLButtonDown(unsigned nFlags, Point point) { ButtonDown(nFlags, point, true); }

void CCorvellaView::ButtonDown(unsigned nFlags, Point point, bool defaultSelection) {
  Rect label;
  const int hit = m_list.SubItemHitTest(point, nullptr);
  if (hit != -1 && m_list.GetItemRect(hit, label, LVIR_LABEL)) {
    m_nFocusRow = hit;
    if (m_bShiftDown) {
      // The range follows the click as it follows Shift+Up/Down; the
      // control's own click handling selects the rows.
      const int f = hit;
      if (f < m_nSelTop) {
        m_nSelTop = f;
      } else if (f == m_nSelTop + 1 && f < m_nSelBottom) {
        m_nSelTop = f;
      } else {
        m_nSelBottom = f;
      }
    } else {
      m_nSelTop = hit;
      m_nSelBottom = hit;
      // The column whose span holds the point strictly inside becomes
      // current; a click on a boundary pixel keeps the current column.
      Rect span = label;
      if (StrictlyInside(span, point)) {
        m_nCurColumn = 0;
      } else {
        ListColumn column;
        for (int c = 1; m_list.GetColumn(c, column); ++c) {
          span.left = span.right;
          span.right = span.left + column.width;
          if (StrictlyInside(span, point)) {
            m_nCurColumn = c;
            break;
          }
        }
      }
    }
    RepaintSelection();
  } else {
    m_nSelTop = 0;
    m_nSelBottom = 0;
    m_nFocusRow = 0;
    m_nCurColumn = 0;
  }
  if (defaultSelection) m_list.DefaultLButtonDown(nFlags, point);
}

void CCorvellaView::OnLButtonDblClk(unsigned, Point) {
  // The button-down of the pair has already selected and placed the current
  // cell; the control's own double-click handling only tells its parent,
  // which is this edit.
  EditCurrentCell();
}

void CCorvellaView::OnRButtonDown(unsigned nFlags, Point point) {
  ButtonDown(nFlags, point, false);

  m_list.DefaultRButtonDown(nFlags, point);

  // A right click on the "#" cell that leaves one row selected sends it.
  if (m_nCurColumn == 0 && m_list.GetSelectedCount() == 1) OnSendRequest();
}

void CCorvellaView::OnSendRequest() {
  if (m_pSending) m_pSending->OnSendRequest();
}

bool CCorvellaView::ControlDown() const {
  return m_pKeyState && m_pKeyState->IsKeyDown(VK_CONTROL);
}

}  // namespace corvella
