#include "listview/view_keys.h"

#include <algorithm>

#include "listview/list_view_ex.h"
#include "listview/view_services.h"
#include "platform/list_control.h"
#include "platform/vk.h"

namespace corvella {

KeyboardWalk::KeyboardWalk(CListViewEx& view, const ViewServices& services)
    : m_view(view), m_services(services) {}

bool KeyboardWalk::ControlDown() const {
  return m_services.keys && m_services.keys->IsKeyDown(VK_CONTROL);
}

void KeyboardWalk::Move(unsigned nChar) {
  switch (nChar) {
    case VK_TAB:
    case VK_RIGHT:
    case VK_LEFT: StepColumnByKey(nChar); break;
    case VK_PRIOR:
    case VK_NEXT: MoveRangeByPage(nChar == VK_NEXT); break;
    case VK_HOME:
    case VK_END: MoveRangeToEdge(nChar == VK_END); break;
    case VK_UP:
    case VK_DOWN: MoveCaretByLine(nChar == VK_DOWN); break;
    default: break;
  }
}

void KeyboardWalk::StepColumnByKey(unsigned nChar) {
  const bool shiftForTab = m_services.keys != nullptr && m_services.keys->IsKeyDown(VK_SHIFT);
  const bool forward = nChar == VK_RIGHT || (nChar == VK_TAB && !shiftForTab);
  int column = m_view.CurrentColumn();
  if (ControlDown()) {
    column = forward ? m_nLastColumn : 0;
  } else {
    column += forward ? 1 : -1;
  }
  if (column > m_nLastColumn) column = 0;
  if (column < 0) column = m_nLastColumn;
  m_view.SetCurrentColumn(column);
  m_view.RepaintSelection();
}

// The page keys, Home and End replace the whole range, as a plain Up or Down
// does, so the keyboard moves one selected row rather than leaving the old
// range selected behind it.
void KeyboardWalk::DropKeyboardRange() {
  const int bottom = m_view.SelectionBottom();
  for (int row = std::max(m_view.SelectionTop(), 0); row <= bottom; ++row) m_view.DeselectRow(row);
  m_view.DeselectRow(bottom);
}

void KeyboardWalk::MoveRangeTo(int target) {
  m_view.SetSelectionRange(target, target);
  m_view.SetFocusRow(target);
  m_view.GetListCtrl().EnsureVisible(target);
  m_view.SelectRow(target);
  m_view.RepaintSelection();
}

void KeyboardWalk::MoveRangeByPage(bool down) {
  DropKeyboardRange();
  const ListControl& list = m_view.GetListCtrl();
  const int count = list.GetItemCount();
  const int lastRow = count - 1;
  const int perPage = list.GetCountPerPage();
  const int bottom = m_view.SelectionBottom();
  int target = 0;
  if (!down) {
    target = bottom - perPage <= 0 ? 0 : bottom - perPage + 1;
  } else {
    target = bottom + perPage < count ? bottom + perPage - 1 : lastRow;
  }
  // A range left behind by deleted rows still lands on a row that exists.
  target = std::min(target, lastRow);
  MoveRangeTo(target);
}

void KeyboardWalk::MoveRangeToEdge(bool end) {
  DropKeyboardRange();
  const ListControl& list = m_view.GetListCtrl();
  const int count = list.GetItemCount();
  int target = end ? count - 1 : 0;
  if (ControlDown()) {
    m_view.SetCurrentColumn(0);
  } else if (end) {
    const int top = list.GetTopIndex();
    const int perPage = list.GetCountPerPage();
    target = count < top + perPage ? count - 1 : top + perPage - 1;
  } else {
    target = list.GetTopIndex();
  }
  // The caret goes along, so the next Up or Down goes on from the row that
  // Home or End selected (and a screen reader hears that row).
  MoveRangeTo(target);
}

void KeyboardWalk::MoveCaretByLine(bool down) {
  ListControl& list = m_view.GetListCtrl();
  int f = m_view.GetFocusRow() + (down ? 1 : -1);
  f = std::min(f, list.GetItemCount() - 1);
  f = std::max(f, 0);
  m_view.SetFocusRow(f);
  int top = m_view.SelectionTop();
  int bottom = m_view.SelectionBottom();
  if (!m_bShiftDown) {
    for (int row = top; row <= bottom; ++row) m_view.DeselectRow(row);
    top = f;
    bottom = f;
  } else if (f < top) {
    top = f;  // the range grows upward
  } else if (f == top + 1 && f < bottom) {
    m_view.DeselectRow(top);  // the range shrinks from the top
    top = f;
  } else {
    if (bottom > f) m_view.DeselectRow(bottom);  // shrinks from the bottom
    bottom = f;
  }
  m_view.SetSelectionRange(top, bottom);
  list.EnsureVisible(f);
  m_view.SelectRow(f);
  m_view.RepaintSelection();
}

}  // namespace corvella
