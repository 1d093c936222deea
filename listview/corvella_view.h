#pragma once
// CCorvellaView: the request list. It shows its document's rows (the list
// control reads them) and turns keys, clicks and commands into changes of
// them; it fills them from a file and writes them to one when its document
// says so, and carries the request
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
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "listview/list_view_ex.h"
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

// Send Request, carried out outside the list (transmit/send_request.h).
class RequestSending {
 public:
  virtual ~RequestSending() = default;
  virtual void OnSendRequest() = 0;
};

class CCorvellaView : public CListViewEx, public DocumentView {
 public:
  CCorvellaView(CCorvellaDoc& doc, Ui& ui);
  ~CCorvellaView() override;

  CCorvellaDoc* GetDocument() const { return &m_doc; }
  Ui& GetUi() const { return m_ui; }
  void SetClipboard(Clipboard* clipboard) { m_pClipboard = clipboard; }
  void SetKeyState(const KeyState* keys) { m_pKeyState = keys; }
  // Who sends a request; none: Send Request does nothing. Must outlive its
  // use by the view.
  void SetRequestSending(RequestSending* sending) { m_pSending = sending; }

  // Pixel width of a text in the list's font; the widget installs it and
  // removes it (nullptr) before it goes. Without one, titles are measured by
  // an average character width.
  void SetTextMeasure(std::function<int(const std::string&)> measure) {
    m_measureText = std::move(measure);
  }

  // ---- state the commands share ---------------------------------------------
  // The caret row: the last row clicked or moved to (-1: none yet).
  int32_t GetFocusRow() const { return m_nFocusRow; }
  void SetFocusRow(int32_t row) { m_nFocusRow = row; }
  // Loading mode of the field checks: a bad value is replaced instead of
  // rejected. On from construction until the first load has filled the list.
  bool IsLoading() const { return m_bLoading; }
  void SetLoading(bool loading) { m_bLoading = loading; }
  // The last load replaced a bad value of the file: the list differs from
  // its file although nobody edited it. The view never marks the document
  // itself; the document's history does.
  bool CorrectedOnLoad() const { return m_bCorrectedOnLoad; }
  // The page OnPrepareDC set up for OnDraw.
  int32_t GetPrintPage() const { return m_nPrintPage; }

  // ---- columns, rows, selection -------------------------------------------
  void SetupColumns();
  // The width at which `column` shows its title and every entry whole (on
  // the screen, and on paper, which follows the screen's widths).
  int FittingColumnWidth(int column) const;
  void RenumberRows();
  // Exactly `rows` selected (ascending; rows past the end are left out,
  // none: the last row), the caret on the first of them, scrolled into view:
  // what undo shows of the rows it put back. In row mode, unless
  // `keepColumn` (cells changed in place): then the current column stays.
  void SelectRowsForReview(const std::vector<int>& rows, bool keepColumn = false);

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

  // ---- request file and sport (DocumentView) ---------------------------------
  // Loads the current sport's own request file through the document.
  void OnInitialUpdate();
  ListLoad LoadList(const std::string& path, const std::string& name) override;
  // Fills the list from the requests of `file` instead of the sport's own
  // file (the recovery copy), with the load's field checks; the document's
  // file stays as it is (a file without requests empties the list).
  void LoadRowsFrom(const ProfileFile& file);
  FileWriteResult SaveRequests(const std::string& path) override;
  // The text a save writes: every cell first meets its check (without
  // messages) and keeps what the check made of it.
  RequestFileText RequestsAsFileText();
  void OnSportFootball();
  void OnSportBasketball();
  void OnUpdateSportFootball(CCmdUI* pCmdUI);
  void OnUpdateSportBasketball(CCmdUI* pCmdUI);
  // True when the shown list is Football's (the document's file says so).
  bool IsFootball() const;

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
  // Copy, and with `cut` Cut: the selected rows go to the clipboard as one
  // text, and Cut removes them once the clipboard has taken it.
  void CopySelectedRows(bool cut);
  // A left button press at `point` (and the first part of a right one): the
  // caret, the keyboard range and the current column follow it; with
  // `defaultSelection` the control's own click selection follows too.
  void ButtonDown(unsigned nFlags, Point point, bool defaultSelection);

  bool ControlDown() const;
  // The part of OnKeyDown that moves the current column and the selection
  // (the keys that set cells are listview/cell_keys.h).
  void MoveByKey(unsigned nChar);
  // The parts of MoveByKey: Tab, Left and Right move the current column;
  // the page keys, Home and End move the keyboard range and the caret to one
  // row; Up and Down move the caret and, with Shift, grow or shrink the range.
  void StepColumnByKey(unsigned nChar);
  void MoveRangeByPage(bool down);
  void MoveRangeToEdge(bool end);
  void MoveCaretByLine(bool down);
  void DropKeyboardRange();
  void MoveRangeTo(int target);
  // Shows kListFullText and returns true when the list is full.
  bool RefuseWhenFull();
  CCorvellaDoc& m_doc;
  Ui& m_ui;
  Clipboard* m_pClipboard = nullptr;
  const KeyState* m_pKeyState = nullptr;
  RequestSending* m_pSending = nullptr;
  std::function<int(const std::string&)> m_measureText;

  int32_t m_nPrintPage = 0;
  int32_t m_nLastColumn = kLastColumn;
  int32_t m_nFocusRow = -1;
  bool m_bLoading = true;
  bool m_bCorrectedOnLoad = false;
  bool m_bShiftDown = false;
};

}  // namespace corvella
