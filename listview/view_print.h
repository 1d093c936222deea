#pragma once
// Printing the request list: what the print job tells the view and what it
// does for it (CCorvellaView::OnPreparePrinting, OnPrepareDC and OnDraw).
// The page itself is laid out and drawn by PageLayout
// (listview/print_layout.h).

namespace corvella {

struct PrintInfo;

// The print job's side of the view's preparation, on the application's
// printer.
class PrintJob {
 public:
  virtual ~PrintJob() = default;
  // Runs the print dialog (or takes the printer defaults when `info.direct`
  // or `info.preview`); false when the operator cancels or no printer can be
  // had.
  virtual bool DoPreparePrinting(PrintInfo& info) = 0;
  // Sets the application's printer settings to landscape (kept for the run).
  virtual void SetLandscape() = 0;
};

// What the print job tells the view (page range and the page being drawn).
struct PrintInfo {
  int minPage = 1;
  int maxPage = 1;
  int curPage = 1;
  bool preview = false;
  bool direct = false;  // print without the dialog
  // The job being prepared and drawn; none: nothing can be printed, and the
  // printer's orientation is left alone. Must outlive the info's use.
  PrintJob* job = nullptr;
};

}  // namespace corvella
