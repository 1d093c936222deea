#include "shell/shell_print.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <cstdio>

#include "platform/command.h"
#include "shell/command_line.h"
#include "shell/command_table.h"
#include "shell/printing.h"

namespace corvella {

namespace {

// Says on the terminal that the pages went to `pdf` and why: no printer, or
// none is the default (then they are named, for --print-to).
void SayWherePdfPrintoutWent(const QString& pdf) {
  const QStringList printers = QPrinterInfo::availablePrinterNames();
  if (printers.isEmpty()) {
    std::printf("No printer is installed: the pages were written to %s\n", qPrintable(pdf));
  } else {
    std::printf("None of the printers (%s) is the default: the pages were written to %s\n",
                qPrintable(printers.join(QStringLiteral(", "))), qPrintable(pdf));
  }
}

// Aims the printer as ShellPrint needs; `pdf` is the file the pages go to
// when there is no printer. False with a message when it cannot be aimed.
bool SetUpShellPrinter(Printing& printing, const CommandLineInfo& info, QString* pdf) {
  QPrinter& printer = printing.printer();
  if (info.m_nShellCommand == CommandLineInfo::FilePrintTo) {
    if (QPrinterInfo::printerInfo(info.m_strPrinterName).isNull()) {
      std::fprintf(stderr, "corvella: There is no printer named %s.\n",
                   qPrintable(info.m_strPrinterName));
      return false;
    }
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setPrinterName(info.m_strPrinterName);
    return true;
  }
  if (const QPrinterInfo fallback = QPrinterInfo::defaultPrinter(); !fallback.isNull()) {
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setPrinterName(fallback.printerName());
    return true;
  }
  // No printer: the pages go to a PDF file beside the file, named after
  // it, never over another file unless asked to.
  const QFileInfo source(info.m_strFileName);
  *pdf = source.absoluteDir().filePath(source.completeBaseName() + QStringLiteral(".pdf"));
  if (!info.m_bForce && QFileInfo::exists(*pdf)) {
    std::fprintf(stderr, "corvella: %s exists already; --force replaces it.\n", qPrintable(*pdf));
    return false;
  }
  printing.setReplaceFiles(info.m_bForce);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(*pdf);
  return true;
}

}  // namespace

bool ShellPrint(Printing& printing, CommandTable& commands, const CommandLineInfo& info) {
  QString pdf;
  if (!SetUpShellPrinter(printing, info, &pdf)) return false;
  QString failure;
  printing.setErrorHandler([&failure](const QString& text) { failure = text; });
  if (!commands.Execute(ID_FILE_PRINT_DIRECT))
    failure = QStringLiteral("Printing is not available.");
  printing.setErrorHandler(nullptr);
  if (!failure.isEmpty()) {
    std::fprintf(stderr, "corvella: %s\n", qPrintable(failure));
    return false;
  }
  if (!pdf.isEmpty()) SayWherePdfPrintoutWent(pdf);
  return true;
}

}  // namespace corvella
