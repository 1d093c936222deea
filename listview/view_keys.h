#pragma once
// The keyboard's walk over the request list. Tab, Left and Right move the
// current column; the page keys, Home and End move the keyboard range and the
// caret to one row; Up and Down move the caret and, with Shift, grow or
// shrink the range. The keyboard selection range is the view's
// SelectionTop..SelectionBottom, with the caret row GetFocusRow.
//
// The keys that change cells are listview/cell_keys.h; Enter, Delete and
// Insert are the view's own commands.

#include <cstdint>

#include "requests/request_record.h"

namespace corvella {

class CListViewEx;
struct ViewServices;

class KeyboardWalk {
 public:
  // Walks the rows and columns of `view`, reading Ctrl and Shift from the
  // key state of `services`; both must outlive the walk.
  KeyboardWalk(CListViewEx& view, const ViewServices& services);

  // Shift went down or up: while it is down, Up, Down and clicks grow or
  // shrink the range.
  void SetShiftDown(bool down) { m_bShiftDown = down; }
  bool ShiftDown() const { return m_bShiftDown; }

  // Moves the current column or the selection by the movement key `nChar`
  // (a virtual-key code); any other key changes nothing.
  void Move(unsigned nChar);

 private:
  bool ControlDown() const;
  void StepColumnByKey(unsigned nChar);
  void MoveRangeByPage(bool down);
  void MoveRangeToEdge(bool end);
  void MoveCaretByLine(bool down);
  void DropKeyboardRange();
  void MoveRangeTo(int target);

  CListViewEx& m_view;
  const ViewServices& m_services;
  int32_t m_nLastColumn = kLastColumn;
  bool m_bShiftDown = false;
};

}  // namespace corvella
