#pragma once
// Print, Print Preview and Print Setup of the request list: the platform's
// printing flow around the view's three hooks (OnPreparePrinting, OnPrepareDC,
// OnDraw). One QPrinter serves the whole run, so the landscape orientation the
// view asks for stays in effect for later jobs and for the set-up dialog.
// Without an installed printer the pages go to a PDF file through Qt's own
// PDF output.

#include <functional>
#include <memory>

class QPrinter;
class QString;
class QWidget;

namespace corvella {

class CCorvellaView;

class Printing {
 public:
  // `parent` owns the dialogs (may be null); `view` must outlive this object.
  Printing(QWidget* parent, CCorvellaView& view);
  ~Printing();
  Printing(const Printing&) = delete;
  Printing& operator=(const Printing&) = delete;

  // Print: the print dialog with the page range 1 to the view's page count,
  // then the chosen pages. With `direct`, no dialog: every page on the current
  // printer settings (a PDF file name is asked for when there is no printer
  // and none was chosen yet).
  void Print(bool direct = false);
  // The preview window, showing the same pages as the printout.
  void Preview();
  // The printer set-up dialog on the application's printer settings.
  void Setup();

  // The application's printer settings, kept for the run.
  QPrinter& printer();
  // Why the last job failed: it could not start, the print system did not
  // take it, or its PDF file was not written completely (no file of that
  // name is left then). "" when the last job was taken or written.
  const QString& lastError() const;
  // Receives that failure instead of a message box (printing from the
  // command line has nobody to click it away); empty: the message box.
  void setErrorHandler(std::function<void(const QString&)> handler);
  // Whether a PDF file may replace a file of its name (the default: the
  // operator chose the name in a dialog that asked). False: the job fails
  // instead.
  void setReplaceFiles(bool replace);

 private:
  struct Impl;
  std::unique_ptr<Impl> m_pImpl;
};

}  // namespace corvella
