#pragma once
// CCorvellaView: the request list. Its rows are the only store of the requests
// while the program runs; it fills them from a file and writes them to one
// when its document says so, and carries the request
// commands, the keys and clicks, the clipboard commands, printing and the
// send command, and hands each job's rules to the object that keeps them.
//
// The members are defined by subsystem:
//   corvella_view.cpp   columns, selection walk, Delete/Add/Edit/Insert,
//                       clicks, ValidateField
//   view_file.cpp       request file load and save, sport switch
//   view_keys.cpp       in-place cell editing and keyboard navigation
//   view_edit.cpp       EditRequest (Edit Request dialog)
//   view_clipboard.cpp  Copy, Cut, Paste
//   view_print.cpp      printing and preview (PrintInfo)
// The rules live apart, each in a unit named after its job:
//   validators.h        FieldValidator, the field check of every column
//   cell_keys.h         the keys that step numbers and set codes in cells
//   clipboard_text.h    the clipboard's text of requests and the paste rules
//   print_layout.h      PageLayout, the printed page
// OnSendRequest hands the command to the RequestSending installed on the view
// (transmit/send_request.h), which owns the connection and the packet.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "listview/list_view_ex.h"
#include "listview/validators.h"
#include "listview/view_file.h"
#include "listview/view_keys.h"
#include "listview/view_services.h"
#include "platform/command.h"
#include "requests/document.h"
#include "requests/request_file.h"
#include "requests/request_record.h"

namespace corvella {

class CCorvellaDoc;
class Clipboard;
class KeyState;
class ProfileFile;
class Ui;
struct PrintInfo;

class CCorvellaView : public CListViewEx {
 public:
  CCorvellaView(CCorvellaDoc& doc, Ui& ui);
  ~CCorvellaView() override;

  CCorvellaDoc* GetDocument() const { return &m_doc; }
  Ui& GetUi() const { return m_ui; }
  // Replaces what the view works through outside its rows.
  void Connect(const ViewServices& services) { m_services = services; }

  // ---- state the commands share ---------------------------------------------
  // The field checks and their loading mode.
  FieldChecks& Checks() { return m_checks; }
  // The page OnPrepareDC set up for OnDraw.
  int32_t GetPrintPage() const { return m_nPrintPage; }

  // ---- columns, rows, selection -------------------------------------------

  // ---- commands and their enabling -----------------------------------------
  void OnDeleteRequest();
  void OnAddRequest();
  void OnEditRequest();
  void OnInsertRequest();
  void OnUpdateDeleteRequest(CCmdUI* pCmdUI);
  void OnUpdateAddRequest(CCmdUI* pCmdUI);
  void OnUpdateSingleRequest(CCmdUI* pCmdUI);
  // What Add and Insert show instead of growing the list past kMaxRequests,
  // the most a request file can hold.
  static constexpr const char* kListFullText =
      "The list already holds 300 requests, the most a request file can keep.\n"
      "Delete a request before adding another one.";
  static constexpr const char* kListFullCaption = "Too Many Requests";

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
  // The list's side of its file, which the document loads and saves through.
  ListFile& File() { return m_file; }
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
