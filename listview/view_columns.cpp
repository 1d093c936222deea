#include "listview/view_columns.h"

#include <algorithm>
#include <string>

#include "listview/view_services.h"
#include "platform/list_control.h"
#include "requests/request_record.h"

namespace corvella {

namespace {

// Width of a text when no font measure has been installed (no widget yet):
// about the average character of the list's font.
constexpr int kFallbackCharWidth = 7;

int Measure(const TextMeasure* measure, const std::string& text) {
  return measure ? measure->TextWidth(text) : static_cast<int>(text.size()) * kFallbackCharWidth;
}

}  // namespace

void SetupColumns(ListControl& list, const TextMeasure* measure) {
  list.DeleteAllItems();
  // From the last, so no column moves down on each deletion.
  while (list.GetColumnCount() > 0) list.DeleteColumn(list.GetColumnCount() - 1);
  list.Invalidate();
  list.UpdateWindow();

  // Every column keeps room for three digits and the narrowest margins the
  // drawing keeps (the number column's), whatever width was stored or
  // dragged: no column can vanish on the screen or in print.
  list.SetMinimumColumnWidth(Measure(measure, "000") + 4 + 1);
  for (int c = 0; c < kColumnCount; ++c) {
    const std::string title = kColumns[c].title;
    list.InsertColumn(c, title, kColumns[c].format, Measure(measure, title) + kColumns[c].margin);
  }
}

int FittingColumnWidth(const ListControl& list, const TextMeasure* measure, int column) {
  // The margins the drawing keeps around a text before it shortens it, and
  // a pixel more: a width measured in whole pixels can be a fraction short
  // of the one the drawing measures.
  const int margin = (column == COL_NUMBER ? 4 : 12) + 1;
  int width = Measure(measure, kColumns[column].title) + kColumns[column].margin;
  for (int row = 0; row < list.GetItemCount(); ++row) {
    width = std::max(width, Measure(measure, list.GetItemText(row, column)) + margin);
  }
  return width;
}

}  // namespace corvella
