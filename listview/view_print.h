#pragma once
// Printing the request list: what the print job tells the view, and the page
// layout the view draws (CCorvellaView::OnPreparePrinting, OnPrepareDC and
// OnDraw in view_print.cpp).
//
// A page is laid out in screen pixels: the mapping makes one logical unit one
// screen pixel at its physical size on paper, so the printed table has the
// row height and column widths the list has on the screen. Only when that
// would run off the paper is the whole page shrunk evenly to fit.

#include <cstddef>
#include <functional>

#include "requests/request_record.h"

namespace corvella {

// What the print job tells the view (page range and the page being drawn).
struct PrintInfo {
  int minPage = 1;
  int maxPage = 1;
  int curPage = 1;
  bool preview = false;
  bool direct = false;  // print without the dialog
  // Runs the print dialog (or takes the printer defaults when `direct` or
  // `preview`); false when the operator cancels or no printer can be had.
  std::function<bool(PrintInfo&)> doPreparePrinting;
  // Sets the application's printer settings to landscape (kept for the run).
  std::function<void()> setLandscape;
};

// Requests on one page.
constexpr int kRowsPerPage = 40;
// Resolution taken before the list has drawn a row on the screen.
constexpr int kDefaultScreenDpi = 96;
// Longest cell text the page reads from the list.
constexpr std::size_t kPrintCellLimit = 259;
// Pixels kept free beside a heading's and a cell's text.
constexpr int kHeadingMargin = 4;
constexpr int kCellMargin = 12;
// The headings of the printed table (the list's own titles are shorter).
inline constexpr const char* kPrintHeadings[kColumnCount] = {
    " #",           "Description",      "Team/Ind", "Top3",    "Game/Season", "Sign #",
    "Display Mode", "Times to Display", "Drive",    "Library", "Sequence",    "Frame",
    "Offset"};

// The pages a list of `rows` requests prints on: one more than the full
// pages, so an empty list still prints its heading.
constexpr int PrintPageCount(int rows) { return rows / kRowsPerPage + 1; }

}  // namespace corvella
