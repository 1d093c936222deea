#include "listview/view_clipboard.h"

#include <algorithm>
#include <string>
#include <vector>

#include "listview/clipboard_text.h"
#include "listview/list_view_ex.h"
#include "listview/validators.h"
#include "platform/clipboard.h"
#include "platform/text_rows.h"
#include "platform/ui.h"
#include "requests/request_file.h"

namespace corvella {

// The whole text is built first and handed to the clipboard in one piece; Cut
// removes its rows only once the clipboard has taken them, so a refusal loses
// nothing.
void CopySelectedRows(CListViewEx& view, const TextRows& requests, Clipboard* clipboard, Ui& ui,
                      bool cut) {
  if (clipboard == nullptr) return;
  ListControl& list = view.GetListCtrl();
  const std::vector<int> rows = view.SelectedRows();
  if (rows.empty()) return;

  std::string text;
  text.reserve(rows.size() * 128);
  for (int row : rows) {
    RequestCells cells;
    for (int c = 0; c < kColumnCount; ++c)
      cells[static_cast<std::size_t>(c)] = requests.Text(row, c);
    AppendClipboardLine(text, cells);
  }

  if (!clipboard->SetText(text)) {
    ui.MessageBox("Unable to set Clipboard data", "", MB_OK);
    return;
  }
  if (cut) {
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) list.DeleteItem(*it);
  }
  view.SelectRow(view.GetFocusRow());
}

void PasteRequests(CListViewEx& view, Clipboard* clipboard, Ui& ui, FieldChecks& checks) {
  ListControl& list = view.GetListCtrl();
  int row = list.GetNextItem(-1, LVNI_SELECTED);
  if (row == -1) row = list.GetItemCount();
  if (clipboard == nullptr) return;

  PastePlan plan;
  if (const std::optional<std::string> text = clipboard->GetText()) {
    // Refused rather than stored with '?' in their place; the list and its
    // selection stay as they were.
    if (clipboard->TextOutsideCodePage()) {
      ui.MessageBox(kPasteOutsideCodePageMessage, kPasteCaption, MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    // The list never grows past what a request file can hold.
    plan = PlanPaste(*text, kMaxRequests - list.GetItemCount());
    if (plan.Refused()) {
      // Refused as a whole: the list and its selection stay as they were, so
      // Send and Delete still act on the rows the operator had chosen.
      ui.MessageBox(DroppedLinesMessage(plan.dropped), kPasteFullCaption,
                    MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    // Pasted text may come from any program: each value meets its column's
    // check as a value read from a request file does (corrected, with the
    // load's message), before its own cell is filled.
    const bool loading = checks.IsLoading();
    checks.SetLoading(true);
    for (const RequestCells& cells : plan.requests) {
      list.InsertItem(row, std::to_string(row + 1));
      for (int c = 1; c < kColumnCount; ++c) {
        // A cell keeps no more than a request file gives back.
        std::string value = cells[static_cast<std::size_t>(c)].substr(0, kMaxRequestValue);
        checks.ValidateField(value, row, true, c);
        list.SetItemText(row, c, value);
      }
      ++row;
    }
    checks.SetLoading(loading);
  }

  view.RenumberRows();
  list.SetItemState(-1, 0, LVIS_SELECTED);
  view.SelectRow(view.GetFocusRow());
  if (plan.overfull > 0) {
    ui.MessageBox(SplitLinesMessage(plan.overfull), kPasteCaption, MB_OK | MB_ICONEXCLAMATION);
  }
  if (plan.dropped > 0) {
    ui.MessageBox(DroppedLinesMessage(plan.dropped), kPasteFullCaption, MB_OK | MB_ICONEXCLAMATION);
  }
}

}  // namespace corvella
