#pragma once
// In-place cell editing and keyboard navigation of the request list
// (CCorvellaView::EditCurrentCell, OnKeyDown, OnKeyUp in view_keys.cpp): how
// each column is edited in place, and the stepping of numbers by the keypad.
//
// A cell edit changes the current column of every selected row at once: a
// small modal editor (text prompt or drop-down selection) asks for the value,
// the column's field check judges it against the first selected row, and the
// accepted text goes into all selected rows. Single keys change codes and
// numbers directly; the arrow, Tab, Home, End and page keys move the current
// column and the keyboard selection range.

#include <string>

#include "requests/request_record.h"

namespace corvella {

// How a column is edited in place.
enum class CellEditor {
  None,         // "#": the whole request is edited (Edit Request dialog)
  Prompt,       // a text prompt
  Selection,    // a drop-down list of `choices`
  GameMessage,  // Game/Season: only a message that Game is the one option
};

struct ColumnEditor {
  CellEditor editor;
  const char* label;  // the editor's caption
  Choices choices;    // the entries of a Selection
};

// The in-place editor of a column (0 to kLastColumn).
const ColumnEditor& ColumnEditorOf(int column);

// A cell's leading integer stepped by `delta`; a result below `low` wraps to
// `high` and one above `high` wraps to `low`.
std::string StepWrapped(const std::string& text, int delta, int low, int high);

}  // namespace corvella
