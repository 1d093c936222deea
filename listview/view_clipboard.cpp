// Copy, Cut and Paste of whole requests through the clipboard.

#include <algorithm>
#include <string>
#include <vector>

#include "listview/clipboard_text.h"
#include "listview/corvella_view.h"
#include "platform/clipboard.h"
#include "platform/ui.h"
#include "requests/corvella_doc.h"
#include "requests/request_file.h"

namespace corvella {

void CCorvellaView::OnEditCopy() { CopySelectedRows(false); }

// The whole text is built first and handed to the clipboard in one piece; Cut
// removes its rows only once the clipboard has taken them, so a refusal loses
// nothing.
void CCorvellaView::CopySelectedRows(bool cut) {
  if (m_pClipboard == nullptr) return;
  ListControl& list = GetListCtrl();
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) return;

  std::string text;
  text.reserve(rows.size() * 128);
  for (int row : rows) {
    RequestCells cells;
    for (int c = 0; c < kColumnCount; ++c)
      cells[static_cast<std::size_t>(c)] = m_doc.Requests().Text(row, c);
    AppendClipboardLine(text, cells);
  }

  if (!m_pClipboard->SetText(text)) {
    m_ui.MessageBox("Unable to set Clipboard data", "", MB_OK);
    return;
  }
  if (cut) {
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) list.DeleteItem(*it);
  }
  SelectRow(m_nFocusRow);
}

void CCorvellaView::OnEditCut() {
  CopySelectedRows(true);
  RenumberRows();
}

void CCorvellaView::OnEditPaste() {
  ListControl& list = GetListCtrl();
  int row = list.GetNextItem(-1, LVNI_SELECTED);
  if (row == -1) row = list.GetItemCount();
  if (m_pClipboard == nullptr) return;

  PastePlan plan;
  if (const std::optional<std::string> text = m_pClipboard->GetText()) {
    // Refused rather than stored with '?' in their place; the list and its
    // selection stay as they were.
    if (m_pClipboard->TextOutsideCodePage()) {
      m_ui.MessageBox(kPasteOutsideCodePageMessage, kPasteCaption, MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    // The list never grows past what a request file can hold.
    plan = PlanPaste(*text, kMaxRequests - list.GetItemCount());
    if (plan.Refused()) {
      // Refused as a whole: the list and its selection stay as they were, so
      // Send and Delete still act on the rows the operator had chosen.
      m_ui.MessageBox(DroppedLinesMessage(plan.dropped), kPasteFullCaption,
                      MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    // Pasted text may come from any program: each value meets its column's
    // check as a value read from a request file does (corrected, with the
    // load's message), before its own cell is filled.
    const bool loading = m_bLoading;
    m_bLoading = true;
    for (const RequestCells& cells : plan.requests) {
      list.InsertItem(row, std::to_string(row + 1));
      for (int c = 1; c < kColumnCount; ++c) {
        // A cell keeps no more than a request file gives back.
        std::string value = cells[static_cast<std::size_t>(c)].substr(0, kMaxRequestValue);
        ValidateField(value, row, true, c);
        list.SetItemText(row, c, value);
      }
      ++row;
    }
    m_bLoading = loading;
  }

  RenumberRows();
  list.SetItemState(-1, 0, LVIS_SELECTED);
  SelectRow(m_nFocusRow);
  if (plan.overfull > 0) {
    m_ui.MessageBox(SplitLinesMessage(plan.overfull), kPasteCaption, MB_OK | MB_ICONEXCLAMATION);
  }
  if (plan.dropped > 0) {
    m_ui.MessageBox(DroppedLinesMessage(plan.dropped), kPasteFullCaption,
                    MB_OK | MB_ICONEXCLAMATION);
  }
}

void CCorvellaView::OnUpdateEditPaste(CCmdUI* pCmdUI) {
  if (m_pClipboard == nullptr || !m_pClipboard->HasText()) {
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

}  // namespace corvella
