#include "listview/corvella_view.h"

#include <algorithm>
#include <string>
#include <vector>

#include "listview/cell_keys.h"
#include "listview/print_layout.h"
#include "listview/validators.h"
#include "listview/view_clipboard.h"
#include "listview/view_edit.h"
#include "listview/view_print.h"
#include "platform/clipboard.h"
#include "platform/list_control.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "platform/vk.h"
#include "requests/corvella_doc.h"
#include "requests/request_file.h"

namespace corvella {

namespace {

// A point strictly inside a rectangle: on its edge pixels it is not.
bool StrictlyInside(const Rect& rect, Point p) {
  return rect.top < p.y && p.y < rect.bottom && rect.left < p.x && p.x < rect.right;
}

}  // namespace

CCorvellaView::CCorvellaView(CCorvellaDoc& doc, Ui& ui)
    : m_doc(doc),
      m_ui(ui),
      m_checks(m_list, ui, doc),
      m_file(*this, ui, m_checks, m_services),
      m_walk(*this, m_services) {
  m_list.ShowRows(m_doc.Requests());
  m_doc.SetView(&m_file);
}

CCorvellaView::~CCorvellaView() {
  if (m_doc.GetDocView() == &m_file) m_doc.SetView(nullptr);
}

// ---- selection -------------------------------------------------------------------

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

void CCorvellaView::OnUpdateDeleteRequest(CCmdUI* pCmdUI) {
  pCmdUI->Enable(m_nCurColumn == 0 && m_list.GetSelectedCount() > 0 && AnyRowVisiblySelected());
}

void CCorvellaView::OnUpdateAddRequest(CCmdUI* pCmdUI) { pCmdUI->Enable(true); }

void CCorvellaView::OnUpdateSingleRequest(CCmdUI* pCmdUI) {
  pCmdUI->Enable(m_nCurColumn == 0 && m_list.GetSelectedCount() == 1 && AnyRowVisiblySelected());
}

// ---- field checks -------------------------------------------------------------------

int CCorvellaView::ValidateField(std::string& value, int row, bool showMessage, int column) {
  return m_checks.ValidateField(value, row, showMessage, column);
}

// ---- keys and in-place editing ---------------------------------------------------

void CCorvellaView::OnKeyDown(unsigned nChar, unsigned /*nRepCnt*/, unsigned /*nFlags*/) {
  // Every part looks at the key; more than one may act on it.
  // Shift held: Up and Down extend the range while it is down.
  if (nChar == VK_SHIFT) m_walk.SetShiftDown(true);
  if (const int delta = StepOfKey(nChar); delta != 0) {
    StepCellsOfColumn(m_list, SelectedRows(), m_nCurColumn, delta);
  }
  SetCodesByLetter(m_list, SelectedRows(), m_nCurColumn, nChar, m_doc.IsFootball());
  // Delete and Insert act on whole rows only.
  if (nChar == VK_DELETE && m_nCurColumn == COL_NUMBER) OnDeleteRequest();
  if (nChar == VK_INSERT && m_nCurColumn == COL_NUMBER && GetListCtrl().GetSelectedCount() == 1) {
    OnInsertRequest();
  }
  if (nChar == VK_RETURN) {
    EditCurrentCell();
  } else {
    m_walk.Move(nChar);
  }
}

void CCorvellaView::OnKeyUp(unsigned nChar, unsigned /*nRepCnt*/, unsigned /*nFlags*/) {
  if (nChar == VK_SHIFT) m_walk.SetShiftDown(false);
  // The control's own key-up handling has nothing to do for the list.
}

// A cell edit changes the current column of every selected row at once: the
// column's editor asks for the value, the column's field check judges it
// against the first selected row, and the accepted text goes into all
// selected rows.
void CCorvellaView::EditCurrentCell() {
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

  const int firstRow = rows.front();
  std::string text = AskForCellText(m_ui, m_nCurColumn, m_list.GetItemText(firstRow, m_nCurColumn));
  // Cancel, or an emptied prompt: a cell cannot be emptied this way.
  if (text.empty()) return;

  // No more than a request file gives back, so the text reads back as shown.
  if (text.size() > kMaxRequestValue) text.resize(kMaxRequestValue);
  // The check reads and corrects the other cells of the first selected row
  // only; a rejected value (its message already shown) changes nothing. The
  // description is taken as typed.
  if (m_nCurColumn != COL_DESCRIPTION && ValidateField(text, firstRow, true, m_nCurColumn) == 0)
    return;

  for (int row : rows) m_list.SetItemText(row, m_nCurColumn, text);
  // The document has no other view to update; the cells repaint themselves.
}

void CCorvellaView::EditRequest(int row, bool bInsert) {
  if (!EditRequestRow(m_list, m_ui, row, bInsert, m_doc.IsFootball())) return;
  if (bInsert) {
    RenumberRows();
    SelectRow(m_nFocusRow);
  }
}

// ---- clipboard ------------------------------------------------------------------

void CCorvellaView::OnEditCopy() {
  CopySelectedRows(*this, m_doc.Requests(), m_services.clipboard, m_ui, false);
}

void CCorvellaView::OnEditCut() {
  CopySelectedRows(*this, m_doc.Requests(), m_services.clipboard, m_ui, true);
  RenumberRows();
}

void CCorvellaView::OnEditPaste() { PasteRequests(*this, m_services.clipboard, m_ui, m_checks); }

void CCorvellaView::OnUpdateEditPaste(CCmdUI* pCmdUI) {
  if (m_services.clipboard == nullptr || !m_services.clipboard->HasText()) {
    pCmdUI->Enable(false);
    return;
  }
  const int selected = GetListCtrl().GetSelectedCount();
  if (m_nCurColumn != 0 || selected != 1) {
    // Only pasting at the end is offered then.
    pCmdUI->Enable(selected == 0);
  } else {
    pCmdUI->Enable(true);
  }
}

// ---- printing: the page count, the page's device context and the drawing of one page

bool CCorvellaView::OnPreparePrinting(PrintInfo& info) {
  info.minPage = 1;
  info.maxPage = PrintPageCount(m_doc.Requests().Count());
  if (info.job == nullptr) return false;
  return info.job->DoPreparePrinting(info);
}

void CCorvellaView::OnPrepareDC(DeviceContext&, PrintInfo* info) {
  if (info == nullptr) return;  // the screen: nothing to prepare
  m_nPrintPage = info->curPage;
  // Every page comes out in landscape, and the program's printer settings
  // keep that orientation for the rest of the run.
  if (info->job) info->job->SetLandscape();
}

void CCorvellaView::OnDraw(DeviceContext& dc) {
  const PageLayout layout(GetListCtrl(), m_doc.Requests(), ScreenDpiX(), ScreenDpiY());
  layout.DrawPage(dc, m_doc.GetTitle(), m_nPrintPage, TextColor(), BackgroundColor());
}

// ---- request file and sport ----------------------------------------------------

void CCorvellaView::OnInitialUpdate() { m_doc.Reload(); }

void CCorvellaView::OnSportFootball() { SwitchSport(m_doc, FootballFile()); }

void CCorvellaView::OnSportBasketball() { SwitchSport(m_doc, BasketballFile()); }

// The sport on show is checked, so a menu (and a screen reader) tells which
// one it is; a sport whose file cannot be read is greyed and says why.
void CCorvellaView::OnUpdateSportFootball(CCmdUI* pCmdUI) {
  UpdateSportItem(m_doc, FootballFile(), pCmdUI);
}

void CCorvellaView::OnUpdateSportBasketball(CCmdUI* pCmdUI) {
  UpdateSportItem(m_doc, BasketballFile(), pCmdUI);
}

// ---- mouse ------------------------------------------------------------------------

void CCorvellaView::OnLButtonDown(unsigned nFlags, Point point) { ButtonDown(nFlags, point, true); }

void CCorvellaView::ButtonDown(unsigned nFlags, Point point, bool defaultSelection) {
  Rect label;
  const int hit = m_list.SubItemHitTest(point, nullptr);
  if (hit != -1 && m_list.GetItemRect(hit, label, LVIR_LABEL)) {
    m_nFocusRow = hit;
    if (m_walk.ShiftDown()) {
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
  if (m_services.sending) m_services.sending->OnSendRequest();
}

}  // namespace corvella
