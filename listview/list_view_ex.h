#pragma once
// CListViewEx: a report-mode list whose rows the program draws itself, as a
// grid with either the whole row or one current cell highlighted, and the
// selection the keys and clicks move: the current column, the keyboard
// range and the caret row, which every part of the request view shares.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/dc.h"
#include "platform/list_control.h"

namespace corvella {

// What the owner-draw notification carries for one row.
struct DrawItemStruct {
  DeviceContext* dc = nullptr;
  int itemID = -1;
  Rect rcItem;
};

class CListViewEx {
 public:
  CListViewEx();
  virtual ~CListViewEx() = default;
  CListViewEx(const CListViewEx&) = delete;
  CListViewEx& operator=(const CListViewEx&) = delete;

  ListControl& GetListCtrl() { return m_list; }
  const ListControl& GetListCtrl() const { return m_list; }

  // Draws one row (owner-draw notification).
  virtual void DrawItem(const DrawItemStruct& item);

  // The text, or a shortened copy ending in "..." that fits `width` with
  // `margin` pixels to spare; widths measured on `dc`. When not even one
  // character fits, the copy keeps its first character.
  static std::string ShortenToFit(DeviceContext& dc, const std::string& text, int width,
                                  int margin);

  // Invalidates (without erasing) the focused row and, unless the list shows
  // its selection always, every selected row; then updates at once.
  void RepaintSelection();

  // Focus gained or lost: sets the control's focus flag, then repaints the
  // selection; `otherIsChild` when the other window of the change is a child
  // of the list (an in-place editor), which changes nothing more.
  void OnSetFocus(bool otherIsChild);
  void OnKillFocus(bool otherIsChild);

  // The colour messages: the colours are kept for drawing and printing.
  void SetTextColor(COLORREF color) { m_crText = color; }
  void SetBkColor(COLORREF color) { m_crBackground = color; }
  COLORREF TextColor() const { return m_crText; }
  COLORREF BackgroundColor() const { return m_crBackground; }

  // The resolution the rows were last drawn at (0 before the first row):
  // the printed page is laid out in those pixels.
  int32_t ScreenDpiX() const { return m_nLogPixelsX; }
  int32_t ScreenDpiY() const { return m_nLogPixelsY; }
  void SetScreenDpi(int32_t x, int32_t y) {
    m_nLogPixelsX = x;
    m_nLogPixelsY = y;
  }

  // A row that the operator sees as selected.
  bool IsVisiblySelected(int row) const;

  // The current column: 0 highlights whole rows, any other column one cell
  // of each selected row.
  int CurrentColumn() const { return m_nCurColumn; }
  void SetCurrentColumn(int column) { m_nCurColumn = column; }
  // The keyboard selection range, top and bottom row (-1: none yet).
  int SelectionTop() const { return m_nSelTop; }
  int SelectionBottom() const { return m_nSelBottom; }
  // Sets the range only; the rows' selected flags stay as they are.
  void SetSelectionRange(int top, int bottom) {
    m_nSelTop = top;
    m_nSelBottom = bottom;
  }
  // The caret row: the last row clicked or moved to (-1: none yet).
  int32_t GetFocusRow() const { return m_nFocusRow; }
  void SetFocusRow(int32_t row) { m_nFocusRow = row; }

  // The rows with the selected flag, in list order.
  std::vector<int> SelectedRows() const;
  // Set or clear the selected flag of one existing row; any other row,
  // -1 included (which the control takes as "every row"), is left alone.
  void SelectRow(int row);
  void DeselectRow(int row);
  // Writes each row's position (from 1) into its "#" cell.
  void RenumberRows();
  // Exactly `rows` selected (ascending; rows past the end are left out,
  // none: the last row), the caret on the first of them, scrolled into view:
  // what undo shows of the rows it put back. In row mode, unless
  // `keepColumn` (cells changed in place): then the current column stays.
  void SelectRowsForReview(const std::vector<int>& rows, bool keepColumn = false);

 protected:
  // The row's bounds with the left edge at its column-0 label; false for a
  // row that does not exist.
  bool GetRowRect(int row, Rect& out) const;

  ListControl m_list;
  int32_t m_nCurColumn = 0;
  int32_t m_nSelBottom = -1;
  int32_t m_nSelTop = -1;
  int32_t m_nFocusRow = -1;

 private:
  void OnFocusChange(bool focus, bool otherIsChild);

  int32_t m_nLogPixelsY = 0;
  int32_t m_nLogPixelsX = 0;
  COLORREF m_crText;
  COLORREF m_crBackground;
};

}  // namespace corvella
