#pragma once
// CCorvellaView: the request list. It shows its document's rows (the list
// control reads them), turns the operator's commands, keys and clicks into
// changes of them, draws them and their printed pages, and hands each job to
// the unit that does it:
//   view_file.h       ListFile, the list's side of its file (load and save),
//                     and the Sport menu
//   view_keys.h       KeyboardWalk, the current column and the selection
//                     range under the movement keys
//   cell_keys.h       the keys that step numbers and set codes in cells
//   view_edit.h       the Edit Request dialog's row, the in-place editors
//   view_clipboard.h  Copy, Cut and Paste of whole requests
//   validators.h      FieldChecks and FieldValidator, the field check of
//                     every column
//   view_columns.h    the columns and their widths
//   print_layout.h    PageLayout, the printed page (view_print.h: the job)
// OnSendRequest hands the command to the RequestSending connected to the
// view (transmit/send_request.h), which owns the connection and the packet.

#include <cstdint>
#include <string>
#include <vector>

#include "listview/list_view_ex.h"
#include "listview/validators.h"
#include "listview/view_file.h"
#include "listview/view_keys.h"
#include "listview/view_services.h"
#include "platform/command.h"

namespace corvella {

class CCorvellaDoc;
class Ui;
struct PrintInfo;

// What Add and Insert show instead of growing the list past kMaxRequests,
// the most a request file can hold.
inline constexpr const char* kListFullText =
    "The list already holds 300 requests, the most a request file can keep.\n"
    "Delete a request before adding another one.";
inline constexpr const char* kListFullCaption = "Too Many Requests";

class CCorvellaView : public CListViewEx {
 public:
  CCorvellaView(CCorvellaDoc& doc, Ui& ui);
  ~CCorvellaView() override;

  CCorvellaDoc* GetDocument() const { return &m_doc; }
  // Replaces what the view works through outside its rows.
  void Connect(const ViewServices& services) { m_services = services; }
  // The field checks and their loading mode.
  FieldChecks& Checks() { return m_checks; }
  // The list's side of its file, which the document loads and saves through.
  ListFile& File() { return m_file; }
  // The page OnPrepareDC set up for OnDraw.
  int32_t GetPrintPage() const { return m_nPrintPage; }

  // ---- commands and their enabling -----------------------------------------
  void OnDeleteRequest();
  void OnAddRequest();
  void OnEditRequest();
  void OnInsertRequest();
  void OnUpdateDeleteRequest(CCmdUI* pCmdUI);
  void OnUpdateAddRequest(CCmdUI* pCmdUI);
  void OnUpdateSingleRequest(CCmdUI* pCmdUI);

  // ---- mouse and keys --------------------------------------------------------
  void OnLButtonDown(unsigned nFlags, Point point);
  void OnLButtonDblClk(unsigned nFlags, Point point);
  void OnRButtonDown(unsigned nFlags, Point point);
  void OnKeyDown(unsigned nChar, unsigned nRepCnt, unsigned nFlags);
  void OnKeyUp(unsigned nChar, unsigned nRepCnt, unsigned nFlags);
  void EditCurrentCell();

  // ---- editing dialogs --------------------------------------------------------
  void EditRequest(int row, bool bInsert);

  // ---- field checks: 1 valid, 0 rejected, -1 replaced -------------------------
  // Routes the cell text of `column` to its check (listview/validators.h),
  // in the loading mode of the moment; "#" and Description are not checked
  // (0).
  int ValidateField(std::string& value, int row, bool showMessage, int column);

  // ---- request file and sport -------------------------------------------------
  // Loads the current sport's own request file through the document.
  void OnInitialUpdate();
  void OnSportFootball();
  void OnSportBasketball();
  void OnUpdateSportFootball(CCmdUI* pCmdUI);
  void OnUpdateSportBasketball(CCmdUI* pCmdUI);

  // ---- clipboard -------------------------------------------------------------
  void OnEditCopy();
  void OnEditCut();
  void OnEditPaste();
  void OnUpdateEditPaste(CCmdUI* pCmdUI);

  // ---- printing --------------------------------------------------------------
  bool OnPreparePrinting(PrintInfo& info);
  void OnPrepareDC(DeviceContext& dc, PrintInfo* info);
  void OnDraw(DeviceContext& dc);

  // ---- sending ------------------------------------------------------------------
  void OnSendRequest();

 private:
  // The selected rows the operator sees as selected, in list order.
  std::vector<int> VisiblySelectedRows() const;
  // True when some selected row is visibly selected (the enabling of the
  // row commands).
  bool AnyRowVisiblySelected() const;
  // Edit Request for each visibly selected row, top to bottom.
  void EditVisiblySelectedRows();
  // After the operator confirms, deletes the visibly selected rows.
  void DeleteVisiblySelectedRows();
  // A left button press at `point` (and the first part of a right one): the
  // caret, the keyboard range and the current column follow it; with
  // `defaultSelection` the control's own click selection follows too.
  void ButtonDown(unsigned nFlags, Point point, bool defaultSelection);

  // Shows kListFullText and returns true when the list is full.
  bool RefuseWhenFull();

  CCorvellaDoc& m_doc;
  Ui& m_ui;
  ViewServices m_services;
  FieldChecks m_checks;
  ListFile m_file;
  KeyboardWalk m_walk;

  int32_t m_nPrintPage = 0;
};

}  // namespace corvella
