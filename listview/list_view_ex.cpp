#include "listview/list_view_ex.h"

#include <string>
#include <vector>

#include "requests/request_record.h"

namespace corvella {

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
// Every text of the grid: one line, sitting on the cell's bottom edge, never
// clipped, "&" shown as it is.
constexpr unsigned kCellTextFormat = DT_SINGLELINE | DT_BOTTOM | DT_NOCLIP | DT_NOPREFIX;

// A frame one pixel larger to the left and to the top, so neighbouring cells
// share their edges and the grid lines stay one pixel wide.
Rect GrownFrame(Rect rect) {
  rect.left -= 1;
  rect.top -= 1;
  return rect;
}

// The text, or its longest prefix that fits `width` together with the margin
// and the dots, followed by "...". Prefix widths grow with their length, so
// the longest fitting prefix is found by halving rather than by measuring
// every length from the top down; a prefix of one character is kept when
// none fits.
std::string Shorten(DeviceContext& dc, const std::string& text, int width, int margin,
                    bool* shortened) {
  if (shortened) *shortened = false;
  if (text.empty() || dc.GetTextExtent(text).cx + margin <= width) return text;
  // The dots are measured with the terminating character of the string they
  // came from, which leaves a little extra room after them.
  const int dots = dc.GetTextExtent(std::string("...\0", 4)).cx;
  std::size_t lo = 1;                // always kept
  std::size_t hi = text.size() - 1;  // longest candidate
  while (lo < hi) {
    const std::size_t mid = lo + (hi - lo + 1) / 2;
    if (dc.GetTextExtent(text.substr(0, mid)).cx + margin + dots <= width) {
      lo = mid;
    } else {
      hi = mid - 1;
    }
  }
  if (shortened) *shortened = true;
  return text.substr(0, lo) + "...";
}

// The DT_ alignment of a column's LVCFMT_ format.
unsigned Alignment(int format) {
  if (format == LVCFMT_RIGHT) return DT_RIGHT;
  if (format == LVCFMT_CENTER) return DT_CENTER;
  return DT_LEFT;
}

// A cell's grid frame and its text, `inset` pixels in from either side and
// one up from the bottom edge.
void DrawFramedText(DeviceContext& dc, const Rect& cell, const std::string& text, int inset,
                    unsigned align) {
  dc.FrameRect(GrownFrame(cell), kBlack);
  Rect rcText = cell;
  rcText.left += inset;
  rcText.right -= inset;
  rcText.bottom -= 1;
  dc.DrawText(text, rcText, kCellTextFormat | align);
}

}  // namespace

CListViewEx::CListViewEx()
    : m_crText(GetSysColor(COLOR_WINDOWTEXT)), m_crBackground(GetSysColor(COLOR_WINDOW)) {}

bool CListViewEx::IsVisiblySelected(int row) const {
  const unsigned state = m_list.GetItemState(row, LVIS_ALL);
  if (state & LVIS_DROPHILITED) return true;
  return (m_list.HasFocus() || m_list.ShowSelectionAlways()) && (state & LVIS_SELECTED) != 0;
}

bool CListViewEx::GetRowRect(int row, Rect& out) const {
  Rect label;
  if (!m_list.GetItemRect(row, out, LVIR_BOUNDS) || !m_list.GetItemRect(row, label, LVIR_LABEL)) {
    return false;
  }
  out.left = label.left;
  return true;
}

std::vector<int> CListViewEx::SelectedRows() const {
  std::vector<int> rows;
  for (int row = m_list.GetNextItem(-1, LVNI_SELECTED); row != -1;
       row = m_list.GetNextItem(row, LVNI_SELECTED)) {
    rows.push_back(row);
  }
  return rows;
}

void CListViewEx::SelectRow(int row) {
  if (row >= 0 && row < m_list.GetItemCount())
    m_list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
}

void CListViewEx::DeselectRow(int row) {
  if (row >= 0 && row < m_list.GetItemCount()) m_list.SetItemState(row, 0, LVIS_SELECTED);
}

void CListViewEx::RenumberRows() {
  const int count = m_list.GetItemCount();
  for (int row = 0; row < count; ++row) {
    m_list.SetItemText(row, COL_NUMBER, std::to_string(row + 1));
  }
}

void CListViewEx::SelectRowsForReview(const std::vector<int>& rows, bool keepColumn) {
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

void CListViewEx::DrawItem(const DrawItemStruct& item) {
  if (!item.dc) return;
  DeviceContext& dc = *item.dc;
  const int row = item.itemID;

  m_nLogPixelsX = dc.GetDeviceCaps(LOGPIXELSX);
  m_nLogPixelsY = dc.GetDeviceCaps(LOGPIXELSY);

  const std::string numberText = m_list.GetItemText(row, 0);
  const bool selected = IsVisiblySelected(row);

  Rect rcItem;
  Rect rcLabel;
  if (!GetRowRect(row, rcItem) || !m_list.GetItemRect(row, rcLabel, LVIR_LABEL)) return;

  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  const COLORREF highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);

  dc.SetBkColor(m_crBackground);
  dc.FrameRect(rcItem, kBlack);

  // Row mode: the whole row of every visibly selected row is highlighted,
  // whether it came from the keyboard range or from a Ctrl+click, since
  // Delete, Cut, Copy and the cell edits act on all of them. Otherwise
  // column 0 is a grey row header.
  const bool wholeRow = selected && m_nCurColumn == 0;
  if (wholeRow) {
    dc.SetTextColor(highlightText);
    dc.SetBkColor(highlight);
    dc.FillSolidRect(rcItem, highlight);
  } else {
    dc.FillSolidRect(rcLabel, GetSysColor(COLOR_ACTIVEBORDER));
  }

  // Column 0: the request number.
  DrawFramedText(dc, rcLabel, Shorten(dc, numberText, rcLabel.Width(), 4, nullptr), 2, DT_LEFT);

  // The other columns, each starting where the previous one ends.
  bool cellHighlighted = false;
  Rect rcCell = rcItem;
  rcCell.right = rcLabel.right;
  ListColumn column;
  for (int c = 1; m_list.GetColumn(c, column); ++c) {
    rcCell.left = rcCell.right;
    rcCell.right = rcCell.left + column.width;

    const std::string text = m_list.GetItemText(row, c);
    if (text.empty()) continue;  // an empty cell is neither filled nor framed

    bool shortened = false;
    const std::string shown = Shorten(dc, text, rcCell.Width(), 12, &shortened);
    // A shortened text starts at the left, whatever the column's alignment.
    const unsigned align = shortened ? DT_LEFT : Alignment(column.format);

    if (cellHighlighted && !wholeRow) {
      dc.SetTextColor(m_crText);
      dc.SetBkColor(m_crBackground);
      cellHighlighted = false;
    }

    // Cell mode: only the current column's cell is highlighted.
    if (selected && c == m_nCurColumn) {
      dc.SetTextColor(highlightText);
      dc.SetBkColor(highlight);
      dc.FillSolidRect(rcCell, highlight);
      cellHighlighted = true;
    } else if (!wholeRow) {
      dc.FillSolidRect(rcCell, m_crBackground);
    }

    DrawFramedText(dc, rcCell, shown, 6, align);
  }

  if (selected) {
    dc.SetTextColor(m_crText);
    dc.SetBkColor(m_crBackground);
  }
}

std::string CListViewEx::ShortenToFit(DeviceContext& dc, const std::string& text, int width,
                                      int margin) {
  return Shorten(dc, text, width, margin, nullptr);
}

void CListViewEx::RepaintSelection() {
  Rect rc;
  const int focused = m_list.GetNextItem(-1, LVNI_FOCUSED);
  if (focused != -1 && GetRowRect(focused, rc)) m_list.InvalidateRect(rc, false);
  if (!m_list.ShowSelectionAlways()) {
    for (int row = m_list.GetNextItem(-1, LVNI_SELECTED); row != -1;
         row = m_list.GetNextItem(row, LVNI_SELECTED)) {
      if (GetRowRect(row, rc)) m_list.InvalidateRect(rc, false);
    }
  }
  m_list.UpdateWindow();
}

void CListViewEx::OnFocusChange(bool focus, bool otherIsChild) {
  // The control's own handling first: it now has, or no longer has, the focus.
  m_list.SetHasFocus(focus);
  if (otherIsChild) return;
  // Selected rows look selected only while the list has the focus. The list
  // is always in report mode.
  RepaintSelection();
}

void CListViewEx::OnSetFocus(bool otherIsChild) { OnFocusChange(true, otherIsChild); }

void CListViewEx::OnKillFocus(bool otherIsChild) { OnFocusChange(false, otherIsChild); }

}  // namespace corvella
