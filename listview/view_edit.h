#pragma once
// The Edit Request dialog over one row of the list (CCorvellaView::EditRequest
// in view_edit.cpp): adding a request at the end, inserting one before a row,
// or editing a row. These two pure functions carry a request between the
// row's stored codes and the dialog's long names.

#include "platform/ui.h"
#include "requests/request_record.h"

namespace corvella {

// What the dialog shows for a row's cells: the codes in the dialog's long
// form ("Individual", "Game", the Top 3 list names), numbers as numbers.
EditRequestData EditDataFromCells(const RequestCells& cells, bool football);

// The cells Description to Offset of what the dialog returned: long names
// back to their stored codes (each by its first letter, Top 3 by its first
// two), numbers as text, an empty description as one blank so the request
// keeps its place in the file. The "#" cell is left empty.
RequestCells CellsFromEditData(const EditRequestData& data);

}  // namespace corvella
