#pragma once
// Printing the request list: what the print job tells the view
// (CCorvellaView::OnPreparePrinting, OnPrepareDC and OnDraw in
// view_print.cpp). The page itself is laid out and drawn by PageLayout
// (listview/print_layout.h).

#include <functional>

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

}  // namespace corvella
