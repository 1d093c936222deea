#include "platform/list_control.h"

#include <algorithm>

namespace corvella {

ListControl::ListControl() : m_ownRows(std::make_unique<TextRows>()), m_rows(m_ownRows.get()) {
  m_rows->AddObserver(this);
}

ListControl::~ListControl() {
  if (m_rows != nullptr) m_rows->RemoveObserver(this);
}

ListControl::ListControl(ListControl&& other) noexcept
    : m_ownRows(std::move(other.m_ownRows)),
      m_rows(other.m_rows),
      m_observer(other.m_observer),
      m_states(std::move(other.m_states)),
      m_columns(std::move(other.m_columns)),
      m_rowHeight(other.m_rowHeight),
      m_minColumnWidth(other.m_minColumnWidth),
      m_headerHeight(other.m_headerHeight),
      m_clientSize(other.m_clientSize),
      m_topIndex(other.m_topIndex),
      m_scrollX(other.m_scrollX),
      m_anchor(other.m_anchor),
      m_hasFocus(other.m_hasFocus),
      m_showSelAlways(other.m_showSelAlways) {
  m_rows->RemoveObserver(&other);
  m_rows->AddObserver(this);
  other.m_rows = nullptr;
  other.m_observer = nullptr;
}

void ListControl::ShowRows(TextRows& rows) {
  if (&rows == m_rows) return;
  m_rows->RemoveObserver(this);
  m_rows = &rows;
  m_rows->AddObserver(this);
  // Rows of its own that nothing shows any more are of no use.
  if (m_ownRows && m_ownRows.get() != m_rows) m_ownRows.reset();
  OnRowsReset();
}

// ---- items -------------------------------------------------------------

int ListControl::GetItemCount() const { return static_cast<int>(m_states.size()); }

void ListControl::SetItemCountHint(int count) {
  m_rows->Reserve(count);
  if (count > 0) m_states.reserve(static_cast<std::size_t>(count));
}

int ListControl::InsertItem(int row, const std::string& text) { return m_rows->Insert(row, text); }

bool ListControl::DeleteItem(int row) { return m_rows->Remove(row); }

bool ListControl::DeleteAllItems() {
  m_rows->Clear();
  return true;
}

void ListControl::OnRowInserted(int row) {
  m_states.insert(m_states.begin() + row, 0u);
  // The anchor keeps pointing at the same item.
  if (m_anchor >= row) ++m_anchor;
  ItemChanged(ItemChange::kInserted, row);
  LayoutChanged();
}

void ListControl::OnRowRemoved(int row) {
  m_states.erase(m_states.begin() + row);
  if (m_anchor == row) {
    m_anchor = -1;
  } else if (m_anchor > row) {
    --m_anchor;
  }
  // Keep the first visible row inside the list.
  SetTopIndexQuietly(m_topIndex);
  ItemChanged(ItemChange::kDeleted, row);
  LayoutChanged();
}

void ListControl::OnRowsReset() {
  m_states.assign(static_cast<std::size_t>(m_rows->Count()), 0u);
  m_anchor = -1;
  m_topIndex = 0;
  ItemChanged(ItemChange::kReset, -1);
  LayoutChanged();
}

void ListControl::OnColumnRemoved(int) {
  ItemChanged(ItemChange::kReset, -1);
  LayoutChanged();
}

void ListControl::OnCellChanged(int row, int column) {
  InvalidateRow(row);
  ItemChanged(ItemChange::kText, row, column);
}

std::string ListControl::GetItemText(int row, int column) const {
  return m_rows->Text(row, column);
}

bool ListControl::SetItemText(int row, int column, const std::string& text) {
  return m_rows->SetText(row, column, text);
}

unsigned ListControl::GetItemState(int row, unsigned mask) const {
  if (row < 0 || row >= GetItemCount()) return 0;
  return m_states[static_cast<std::size_t>(row)] & mask;
}

bool ListControl::SetItemState(int row, unsigned state, unsigned mask) {
  if (row == -1) {
    // As the control does: -1 addresses every item.
    for (int r = 0; r < GetItemCount(); ++r) SetItemState(r, state, mask);
    return true;
  }
  if (row < 0 || row >= GetItemCount()) return false;
  unsigned& current = m_states[static_cast<std::size_t>(row)];
  const unsigned next = (current & ~mask) | (state & mask);
  if ((mask & LVIS_FOCUSED) && (state & LVIS_FOCUSED)) {
    // Only one item carries the focus.
    for (int r = 0; r < GetItemCount(); ++r) {
      if (r == row) continue;
      unsigned& other = m_states[static_cast<std::size_t>(r)];
      if (other & LVIS_FOCUSED) {
        const unsigned old = other;
        other &= ~static_cast<unsigned>(LVIS_FOCUSED);
        InvalidateRow(r);
        ItemChanged(ItemChange::kState, r, -1, old, other);
      }
    }
  }
  if (next != current) {
    const unsigned old = current;
    current = next;
    InvalidateRow(row);
    ItemChanged(ItemChange::kState, row, -1, old, next);
  }
  return true;
}

int ListControl::GetNextItem(int start, unsigned flags) const {
  const int count = GetItemCount();
  for (int r = std::max(start + 1, 0); r < count; ++r) {
    if (flags == LVNI_ALL) return r;
    unsigned need = 0;
    if (flags & LVNI_SELECTED) need |= LVIS_SELECTED;
    if (flags & LVNI_FOCUSED) need |= LVIS_FOCUSED;
    if ((m_states[static_cast<std::size_t>(r)] & need) == need) return r;
  }
  return -1;
}

int ListControl::GetSelectedCount() const {
  return static_cast<int>(std::count_if(m_states.begin(), m_states.end(), [](unsigned state) {
    return (state & LVIS_SELECTED) != 0;
  }));
}

// ---- columns -----------------------------------------------------------

int ListControl::InsertColumn(int column, const std::string& title, int format, int width) {
  if (column < 0) return -1;
  column = std::min(column, GetColumnCount());
  m_columns.insert(m_columns.begin() + column,
                   ListColumn{title, format, std::max(width, m_minColumnWidth)});
  ItemChanged(ItemChange::kReset, -1);
  LayoutChanged();
  return column;
}

bool ListControl::DeleteColumn(int column) {
  if (column < 0 || column >= GetColumnCount()) return false;
  m_columns.erase(m_columns.begin() + column);
  // The texts of the later sub-items move one column to the left; the rows
  // tell the control.
  m_rows->RemoveColumn(column);
  return true;
}

int ListControl::GetColumnCount() const { return static_cast<int>(m_columns.size()); }

bool ListControl::GetColumn(int column, ListColumn& out) const {
  if (column < 0 || column >= GetColumnCount()) return false;
  out = m_columns[static_cast<std::size_t>(column)];
  return true;
}

int ListControl::GetColumnWidth(int column) const {
  if (column < 0 || column >= GetColumnCount()) return 0;
  return m_columns[static_cast<std::size_t>(column)].width;
}

bool ListControl::SetColumnWidth(int column, int width) {
  if (column < 0 || column >= GetColumnCount()) return false;
  m_columns[static_cast<std::size_t>(column)].width = std::max(width, m_minColumnWidth);
  LayoutChanged();
  return true;
}

void ListControl::SetMinimumColumnWidth(int width) {
  m_minColumnWidth = std::max(width, 0);
  for (ListColumn& column : m_columns) column.width = std::max(column.width, m_minColumnWidth);
  LayoutChanged();
}

// ---- geometry ----------------------------------------------------------

int ListControl::GetRowHeight() const { return m_rowHeight; }

void ListControl::SetRowHeight(int height) {
  m_rowHeight = std::max(height, 1);
  SetTopIndexQuietly(m_topIndex);
  LayoutChanged();
}

int ListControl::GetHeaderHeight() const { return m_headerHeight; }

void ListControl::SetHeaderHeight(int height) {
  m_headerHeight = std::max(height, 0);
  SetTopIndexQuietly(m_topIndex);
  LayoutChanged();
}

void ListControl::SetClientSize(Size size) {
  m_clientSize = Size{std::max(size.cx, 0), std::max(size.cy, 0)};
  // A taller window may show rows above the old first row.
  SetTopIndexQuietly(m_topIndex);
}

int ListControl::GetTopIndex() const { return m_topIndex; }

void ListControl::SetTopIndex(int row) {
  const int before = m_topIndex;
  SetTopIndexQuietly(row);
  if (m_topIndex != before) {
    LayoutChanged();
  }
}

void ListControl::SetTopIndexQuietly(int row) {
  // The last page is kept full, as the control scrolls.
  const int maxTop = std::max(0, GetItemCount() - GetCountPerPage());
  m_topIndex = std::clamp(row, 0, maxTop);
}

int ListControl::GetScrollX() const { return m_scrollX; }

void ListControl::SetScrollX(int x) {
  const int next = std::max(x, 0);
  if (next == m_scrollX) return;
  m_scrollX = next;
  LayoutChanged();
}

int ListControl::GetCountPerPage() const {
  return std::max(1, (m_clientSize.cy - m_headerHeight) / m_rowHeight);
}

bool ListControl::EnsureVisible(int row) {
  if (row < 0 || row >= GetItemCount()) return false;
  const int perPage = GetCountPerPage();
  if (row < m_topIndex) {
    SetTopIndex(row);
  } else if (row >= m_topIndex + perPage) {
    SetTopIndex(row - perPage + 1);
  }
  return true;
}

int ListControl::TotalColumnWidth() const {
  int total = 0;
  for (const ListColumn& c : m_columns) total += c.width;
  return total;
}

bool ListControl::GetItemRect(int row, Rect& out, int portion) const {
  if (row < 0 || row >= GetItemCount()) return false;
  const int top = m_headerHeight + (row - m_topIndex) * m_rowHeight;
  const int left = -m_scrollX;
  out.top = top;
  out.bottom = top + m_rowHeight;
  out.left = left;
  // Without icons the label of column 0 begins where the row begins.
  out.right = portion == LVIR_LABEL  ? left + GetColumnWidth(0)
              : portion == LVIR_ICON ? left
                                     : left + TotalColumnWidth();
  return true;
}

bool ListControl::GetSubItemRect(int row, int column, Rect& out) const {
  if (column < 0 || column >= GetColumnCount()) return false;
  if (!GetItemRect(row, out, LVIR_BOUNDS)) return false;
  int left = -m_scrollX;
  for (int c = 0; c < column; ++c) left += GetColumnWidth(c);
  out.left = left;
  out.right = left + GetColumnWidth(column);
  return true;
}

int ListControl::SubItemHitTest(Point point, int* column) const {
  if (column) *column = -1;
  if (point.y < m_headerHeight || point.y >= m_clientSize.cy) return -1;
  const int row = m_topIndex + (point.y - m_headerHeight) / m_rowHeight;
  if (row >= GetItemCount()) return -1;
  int left = -m_scrollX;
  for (int c = 0; c < GetColumnCount(); ++c) {
    const int right = left + GetColumnWidth(c);
    if (point.x >= left && point.x < right) {
      if (column) *column = c;
      return row;
    }
    left = right;
  }
  // Beside the columns: on no item.
  return -1;
}

// ---- focus, style, repainting ------------------------------------------

bool ListControl::HasFocus() const { return m_hasFocus; }
void ListControl::SetHasFocus(bool focus) { m_hasFocus = focus; }
bool ListControl::ShowSelectionAlways() const { return m_showSelAlways; }

void ListControl::SetShowSelectionAlways(bool on) {
  if (m_showSelAlways == on) return;
  m_showSelAlways = on;
  Invalidate();
}

void ListControl::InvalidateRect(const Rect& rect, bool erase) {
  if (m_observer) m_observer->OnInvalidate(rect, erase);
}

void ListControl::Invalidate() {
  InvalidateRect(Rect{0, 0, m_clientSize.cx, m_clientSize.cy}, true);
}

void ListControl::ItemChanged(ItemChange::Kind kind, int row, int column, unsigned oldState,
                              unsigned newState) {
  if (m_observer) m_observer->OnItemChanged(ItemChange{kind, row, column, oldState, newState});
}

void ListControl::LayoutChanged() {
  if (m_observer) m_observer->OnLayoutChanged();
  Invalidate();
}

void ListControl::SelectOnly(int row) {
  for (int r = 0; r < GetItemCount(); ++r) {
    if (r != row) SetItemState(r, 0, LVIS_SELECTED);
  }
  SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
  m_anchor = row;
}

void ListControl::UpdateWindow() {
  if (m_observer) m_observer->OnUpdate();
}

void ListControl::InvalidateRow(int row) {
  if (!m_observer) return;  // nothing draws the list
  Rect rect;
  if (GetItemRect(row, rect, LVIR_BOUNDS)) InvalidateRect(rect, true);
}

// ---- the control's own default click handling ---------------------------

void ListControl::DefaultLButtonDown(unsigned keyFlags, Point point) {
  const int row = SubItemHitTest(point, nullptr);
  const bool ctrl = (keyFlags & MK_CONTROL) != 0;
  const bool shift = (keyFlags & MK_SHIFT) != 0;
  if (row < 0) {
    // A click on empty space drops the selection (Ctrl keeps it).
    if (!ctrl) SetItemState(-1, 0, LVIS_SELECTED);
    return;
  }
  if (shift) {
    int anchor = m_anchor;
    if (anchor < 0 || anchor >= GetItemCount()) anchor = GetNextItem(-1, LVNI_FOCUSED);
    if (anchor < 0) anchor = row;
    const int lo = std::min(anchor, row);
    const int hi = std::max(anchor, row);
    for (int r = 0; r < GetItemCount(); ++r) {
      const bool inside = r >= lo && r <= hi;
      // Ctrl+Shift adds the range to what is selected already.
      if (inside) {
        SetItemState(r, LVIS_SELECTED, LVIS_SELECTED);
      } else if (!ctrl) {
        SetItemState(r, 0, LVIS_SELECTED);
      }
    }
    m_anchor = anchor;
  } else if (ctrl) {
    const unsigned now = GetItemState(row, LVIS_SELECTED);
    SetItemState(row, now ^ LVIS_SELECTED, LVIS_SELECTED);
    m_anchor = row;
  } else {
    SelectOnly(row);
  }
  SetItemState(row, LVIS_FOCUSED, LVIS_FOCUSED);
  EnsureVisible(row);
}

void ListControl::DefaultRButtonDown(unsigned keyFlags, Point point) {
  const int row = SubItemHitTest(point, nullptr);
  if (row < 0) {
    if (!(keyFlags & (MK_CONTROL | MK_SHIFT))) SetItemState(-1, 0, LVIS_SELECTED);
    return;
  }
  if (!GetItemState(row, LVIS_SELECTED)) {
    SelectOnly(row);
  }
  SetItemState(row, LVIS_FOCUSED, LVIS_FOCUSED);
  EnsureVisible(row);
}

}  // namespace corvella
