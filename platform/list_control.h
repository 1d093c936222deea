#pragma once
// A plain C++ model of the report-mode list control the request list is built
// on: items of thirteen texts, item state flags, columns, row height, scrolling
// position and the geometry the painter and the click handling need.
//
// The texts are not the control's own: it shows a TextRows (text_rows.h),
// by default one of its own, else one its owner hands it (the document's
// requests), and keeps only each row's state flags in step with that
// model's notifications. Writing a text through the control writes the
// model; whoever else writes the model is shown all the same.
//
// The Qt widget in platform/qt paints this model through the view's DrawItem
// and feeds mouse, key and focus events back into the view. Tests drive the
// model directly. Geometry is in client pixels: the header occupies the top
// GetHeaderHeight() pixels, item rows follow, each GetRowHeight() high,
// starting with GetTopIndex(); GetScrollX() shifts every column to the left.

#include <memory>
#include <string>
#include <vector>

#include "platform/geometry.h"
#include "platform/text_rows.h"

namespace corvella {

// Item state flags.
enum : unsigned {
  LVIS_FOCUSED = 0x0001,
  LVIS_SELECTED = 0x0002,
  LVIS_CUT = 0x0004,
  LVIS_DROPHILITED = 0x0008,
  LVIS_ALL = 0x000F,
};

// GetNextItem flags.
enum : unsigned { LVNI_ALL = 0x0000, LVNI_FOCUSED = 0x0001, LVNI_SELECTED = 0x0002 };

// Column alignments.
enum : int { LVCFMT_LEFT = 0, LVCFMT_RIGHT = 1, LVCFMT_CENTER = 2 };

// GetItemRect portions.
enum : int { LVIR_BOUNDS = 0, LVIR_ICON = 1, LVIR_LABEL = 2 };

// Mouse key flags passed with clicks.
enum : unsigned {
  MK_LBUTTON = 0x0001,
  MK_RBUTTON = 0x0002,
  MK_SHIFT = 0x0004,
  MK_CONTROL = 0x0008
};

struct ListColumn {
  std::string title;
  int format = LVCFMT_LEFT;
  int width = 0;
};

// What changed in the items, for a watcher other than the painting (the
// accessible table): an item inserted or deleted at `row`, every item or
// column replaced, one cell's text, one item's state flags.
struct ListItemChange {
  enum Kind { kInserted, kDeleted, kReset, kText, kState };
  Kind kind = kReset;
  int row = -1;
  int column = -1;        // kText
  unsigned oldState = 0;  // kState
  unsigned newState = 0;  // kState
};

// The window that shows a ListControl: told what to repaint and what
// changed. Every call comes after the change.
class ListControlObserver {
 public:
  virtual ~ListControlObserver() = default;
  // Repaint a client rectangle; `erase` false keeps the background.
  virtual void OnInvalidate(const Rect& rect, bool erase) = 0;
  // Paint what is pending now.
  virtual void OnUpdate() = 0;
  // Items or columns added/removed, a column width, the row or header
  // height, or the scroll position changed (scroll bars need a new look).
  virtual void OnLayoutChanged() = 0;
  // Once per item touched.
  virtual void OnItemChanged(const ListItemChange& change) = 0;
};

class ListControl : private TextRowsObserver {
 public:
  // Shows rows of its own.
  ListControl();
  ~ListControl() override;
  // A moved control shows the rows the other showed.
  ListControl(ListControl&& other) noexcept;
  ListControl(const ListControl&) = delete;
  ListControl& operator=(const ListControl&) = delete;
  ListControl& operator=(ListControl&&) = delete;

  // Sub-item texts beyond this column are refused (the program uses 13).
  static constexpr int kMaxSubItems = TextRows::kMaxColumns;

  // ---- the rows shown -------------------------------------------------------
  // Shows `rows` from now on (they must outlive the control, or be replaced
  // before they go); the items' state flags start afresh. Without a call the
  // control shows rows of its own.
  void ShowRows(TextRows& rows);
  const TextRows& Rows() const { return *m_rows; }
  TextRows& Rows() { return *m_rows; }

  // ---- items -------------------------------------------------------------
  int GetItemCount() const;
  // Tells the control how many items to expect (reserves storage only).
  void SetItemCountHint(int count);
  // Inserts an item before `row` (clamped to the end) with column-0 text;
  // returns its index, or -1 when `row` is negative.
  int InsertItem(int row, const std::string& text);
  bool DeleteItem(int row);
  bool DeleteAllItems();
  // Empty text for a row or column that does not exist.
  std::string GetItemText(int row, int column) const;
  bool SetItemText(int row, int column, const std::string& text);
  unsigned GetItemState(int row, unsigned mask) const;
  // Row -1 addresses every item. Setting LVIS_FOCUSED takes it from any
  // other item. A change invalidates the rows it touches, as a text change does.
  bool SetItemState(int row, unsigned state, unsigned mask);
  // Next item after `start` (-1: from the first) that has all `flags`;
  // LVNI_ALL means any item. -1 when there is none.
  int GetNextItem(int start, unsigned flags) const;
  int GetSelectedCount() const;

  // ---- columns -----------------------------------------------------------
  int InsertColumn(int column, const std::string& title, int format, int width);
  bool DeleteColumn(int column);
  int GetColumnCount() const;
  // False when there is no such column.
  bool GetColumn(int column, ListColumn& out) const;
  int GetColumnWidth(int column) const;
  // Widths below the minimum are raised to it (none when 0, as before any
  // is set): no column can be hidden, on the screen or in print.
  bool SetColumnWidth(int column, int width);
  void SetMinimumColumnWidth(int width);
  int GetMinimumColumnWidth() const { return m_minColumnWidth; }

  // ---- geometry ----------------------------------------------------------
  int GetRowHeight() const;
  void SetRowHeight(int height);
  int GetHeaderHeight() const;
  void SetHeaderHeight(int height);
  void SetClientSize(Size size);
  int GetTopIndex() const;
  void SetTopIndex(int row);  // clamped to the valid range
  int GetScrollX() const;
  void SetScrollX(int x);
  // Whole rows that fit below the header (at least 1).
  int GetCountPerPage() const;
  // Scrolls as little as possible so that `row` is fully visible.
  bool EnsureVisible(int row);
  // LVIR_BOUNDS: the whole row across all columns; LVIR_LABEL: column 0.
  // False for a row that does not exist.
  bool GetItemRect(int row, Rect& out, int portion) const;
  // Rectangle of one cell (column > 0 uses the column's own extent).
  bool GetSubItemRect(int row, int column, Rect& out) const;
  // Row under a client point, or -1; `column` receives the column or -1.
  int SubItemHitTest(Point point, int* column) const;

  // ---- focus, style, repainting ------------------------------------------
  bool HasFocus() const;
  void SetHasFocus(bool focus);
  bool ShowSelectionAlways() const;
  void SetShowSelectionAlways(bool on);
  // Requests a repaint of a client rectangle; `erase` false keeps the
  // background. The window (the observer) repaints; the model only forwards.
  void InvalidateRect(const Rect& rect, bool erase);
  void Invalidate();
  void UpdateWindow();
  using ItemChange = ListItemChange;
  // The window told of changes (nullptr: none); it must be taken out
  // (nullptr) before it goes.
  void SetObserver(ListControlObserver* observer) { m_observer = observer; }

  // ---- the control's own default click handling ---------------------------
  // Click selects one row and makes it the focused row and the anchor;
  // with MK_CONTROL it toggles the row; with MK_SHIFT it selects the range
  // from the anchor. A click below the last row clears the selection.
  void DefaultLButtonDown(unsigned keyFlags, Point point);
  // Right click: a row that is not selected becomes the only selected row
  // (focused, anchor); a selected row only takes the focus, so a right click
  // keeps a multiple selection. A click below the last row clears the
  // selection.
  void DefaultRButtonDown(unsigned keyFlags, Point point);
  // Row Shift+click extends from (-1 before the first click).
  int GetAnchor() const { return m_anchor; }

 private:
  void SetTopIndexQuietly(int row);
  int TotalColumnWidth() const;
  void InvalidateRow(int row);
  void ItemChanged(ItemChange::Kind kind, int row, int column = -1, unsigned oldState = 0,
                   unsigned newState = 0);
  // Rows, columns or the scroll position changed: tells the window and
  // repaints everything.
  void LayoutChanged();
  // Selects `row` alone and makes it the anchor of Shift+clicks.
  void SelectOnly(int row);

  // ---- implements TextRowsObserver -------------------------------------------
  void OnRowInserted(int row) override;
  void OnRowRemoved(int row) override;
  void OnRowsReset() override;
  void OnColumnRemoved(int column) override;
  void OnCellChanged(int row, int column) override;

  std::unique_ptr<TextRows> m_ownRows;  // shown until ShowRows
  TextRows* m_rows;
  ListControlObserver* m_observer = nullptr;
  std::vector<unsigned> m_states;  // each row's state flags
  std::vector<ListColumn> m_columns;
  int m_rowHeight = 17;
  int m_minColumnWidth = 0;
  int m_headerHeight = 20;
  Size m_clientSize{800, 600};
  int m_topIndex = 0;
  int m_scrollX = 0;
  int m_anchor = -1;
  bool m_hasFocus = false;
  bool m_showSelAlways = false;
};

}  // namespace corvella
