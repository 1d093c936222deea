#pragma once
// Print, Print Preview and Print Setup of the request list, and printing from
// the command line: the program's side of the printing module
// (shell/print_module.h). The module, and with it Qt's print support and the
// print system's client, is loaded on the first call that needs it; until
// then printing costs the program nothing. A module that cannot be loaded
// makes every job fail with lastError() saying why.

#include <QString>
#include <functional>
#include <memory>

class QPrinter;
class QWidget;

namespace corvella {

class CCorvellaView;
class PrintJobs;

class Printing {
 public:
  // `parent` owns the dialogs (may be null); `view` must outlive this object.
  // `modulePath`: the module to load; "" the program's own (DefaultModulePath).
  Printing(QWidget* parent, CCorvellaView& view, QString modulePath = {});
  ~Printing();
  Printing(const Printing&) = delete;
  Printing& operator=(const Printing&) = delete;

  // The module installed with the running program: beside the executable in
  // the build tree, else in the program's folder under the library folder.
  static QString DefaultModulePath();

  // Print: the print dialog with the page range, then the chosen pages. With
  // `direct`, no dialog: every page on the current printer settings.
  void Print(bool direct = false);
  // The preview window, showing the same pages as the printout.
  void Preview();
  // The printer set-up dialog on the application's printer settings.
  void Setup();
  // Aims the printer for printing `file` from the command line (see
  // PrintJobs::AimForCommandLine). "" when aimed, else why not.
  QString AimForCommandLine(const QString& printerName, const QString& file, bool force,
                            QString* pdf);
  // Where a command-line printout into `pdf` went and why.
  QString PdfDestinationNote(const QString& pdf);

  // The application's printer settings, kept for the run; null when the
  // module cannot be loaded.
  QPrinter* printer();
  // Why the last job failed ("" when it was taken or written), or why the
  // module could not be loaded.
  QString lastError() const;
  // Receives a failure instead of a message box (printing from the command
  // line has nobody to click it away); empty: the message box.
  void setErrorHandler(std::function<void(const QString&)> handler);
  // Whether a PDF file may replace a file of its name (default true).
  void setReplaceFiles(bool replace);

 private:
  class Pages;
  // The module's jobs, loaded on first use; null with m_loadError when the
  // module cannot be had.
  PrintJobs* Jobs();
  // Shows m_loadError as a failed job does.
  void ReportLoadError();

  QWidget* m_parent;
  QString m_modulePath;
  std::unique_ptr<Pages> m_pages;
  std::unique_ptr<PrintJobs> m_jobs;
  QString m_loadError;
  std::function<void(const QString&)> m_errorHandler;
  bool m_replaceFiles = true;
};

}  // namespace corvella
