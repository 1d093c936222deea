#pragma once
// The printing module: Print, Print Preview, Print Setup and printing from
// the command line, built as a shared module of its own (corvella-print.so)
// that the program loads on the first print, preview or set-up. Qt's print
// support and the print system's client library are loaded with it, so a
// start that never prints loads neither.
//
// The module knows Qt's printing; the program knows what to draw and keeps
// the files (the PDF's temporary file and its commit). The two
// meet only through the interfaces below: the module links nothing of the
// program, and the program links nothing of Qt's print support.

#include <QString>
#include <functional>

class QPainter;
class QPrinter;
class QWidget;

namespace corvella {

struct PrintInfo;

// What the module asks of the program: the pages of the list.
class PrintSource {
 public:
  virtual ~PrintSource() = default;
  // The view's preparation of a job (CCorvellaView::OnPreparePrinting): the
  // page range, then the DoPreparePrinting of info.job. False: nothing is
  // printed.
  virtual bool PreparePrinting(PrintInfo& info) = 0;
  // Draws the page info.curPage with `painter`, active on the printer.
  virtual void DrawPage(QPainter& painter, PrintInfo& info) = 0;
  // The document's title, the job's name.
  virtual QString DocumentTitle() const = 0;
  // A new temporary file beside `final`, with the mode a new file of the
  // user gets, named in `temp`. "" when made, else why not.
  virtual QString CreateTemporaryFor(const QString& final, QString* temp) = 0;
  // Checks that the PDF file `temp` is complete (it ends with the marker Qt
  // writes last), then gives it the name `final` with the program's
  // crash-safe commit; with `replace` false an existing `final` stays and the
  // commit fails. "" when done, else why not; `temp` is left for the caller
  // to remove.
  virtual QString CommitPdf(const QString& temp, const QString& final, bool replace) = 0;
};

// What the program asks of the module. One QPrinter serves the whole run, so
// the landscape orientation the view asks for stays in effect for later jobs
// and for the set-up dialog. Without an installed printer the pages go to a
// PDF file through Qt's own PDF output.
class PrintJobs {
 public:
  virtual ~PrintJobs() = default;
  // Print: the print dialog with the page range 1 to the view's page count,
  // then the chosen pages. With `direct`, no dialog: every page on the current
  // printer settings (a PDF file name is asked for when there is no printer
  // and none was chosen yet).
  virtual void Print(bool direct) = 0;
  // The preview window, showing the same pages as the printout.
  virtual void Preview() = 0;
  // The printer set-up dialog on the application's printer settings.
  virtual void Setup() = 0;
  // The application's printer settings, kept for the run.
  virtual QPrinter& printer() = 0;
  // Why the last job failed: it could not start, the print system did not
  // take it, or its PDF file was not written completely (no file of that
  // name is left then). "" when the last job was taken or written.
  virtual QString lastError() const = 0;
  // Receives that failure instead of a message box; empty: the message box.
  virtual void setErrorHandler(std::function<void(const QString&)> handler) = 0;
  // Whether a PDF file may replace a file of its name (the default: the
  // operator chose the name in a dialog that asked). False: the job fails
  // instead.
  virtual void setReplaceFiles(bool replace) = 0;
  // Aims the printer for printing `file` from the command line: at
  // `printerName` when one is named (not null), else at the default printer,
  // else at a
  // PDF file beside `file` named after it (set in `pdf`), which replaces an
  // existing file only with `force`. "" when aimed, else why not.
  virtual QString AimForCommandLine(const QString& printerName, const QString& file, bool force,
                                    QString* pdf) = 0;
  // Where a command-line printout into `pdf` went and why (no printer, or
  // none is the default), for the terminal.
  virtual QString PdfDestinationNote(const QString& pdf) const = 0;
};

// The module's one exported function, by this name: the jobs of a run whose
// dialogs belong to `parent` (may be null) and whose pages come from
// `source`, which must outlive them. Null when the module was built for
// another `version` of these interfaces.
inline constexpr int kPrintModuleVersion = 1;
inline constexpr char kPrintModuleEntry[] = "corvella_print_module_create";
using PrintModuleEntry = PrintJobs* (*)(int version, QWidget* parent, PrintSource* source);

}  // namespace corvella
