#pragma once
// The editors of the request list: the Edit Request dialog over one row
// (adding a request at the end, inserting one before a row, or editing a
// row), and the small editor each column is edited with in place.

#include <string>

namespace corvella {

class ListControl;
class Ui;

// Runs the Edit Request dialog for `row` of `list` and writes what the
// operator confirmed into it: -1 or a row past the end is a new request at
// the end, `bInsert` a new request before `row`; `football` lets the dialog
// offer Top 3 statistics. The "#" cells are not renumbered. False when
// nothing was written: the dialog was cancelled, or a new request would
// grow the list past kMaxRequests.
bool EditRequestRow(ListControl& list, Ui& ui, int row, bool bInsert, bool football);

// Asks for a new text of a cell of `column` (Description to Offset, but not
// Game/Season, which has no editor) in the column's own editor, a text
// prompt or a drop-down selection, starting from `current`, the cell's text.
// "" when the operator cancelled or emptied the prompt.
std::string AskForCellText(Ui& ui, int column, const std::string& current);

}  // namespace corvella
