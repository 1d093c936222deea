#include "shell/shell_print.h"

#include <QString>
#include <cstdio>

#include "platform/command.h"
#include "shell/command_line.h"
#include "shell/command_table.h"
#include "shell/printing.h"

namespace corvella {

bool IsPrintCommand(const CommandLineInfo& info) {
  return info.m_nShellCommand == CommandLineInfo::FilePrint ||
         info.m_nShellCommand == CommandLineInfo::FilePrintTo;
}

bool ShellPrint(Printing& printing, CommandTable& commands, const CommandLineInfo& info) {
  QString pdf;
  const QString printerName =
      info.m_nShellCommand == CommandLineInfo::FilePrintTo ? info.m_strPrinterName : QString();
  QString failure =
      printing.AimForCommandLine(printerName, info.m_strFileName, info.m_bForce, &pdf);
  if (failure.isEmpty()) {
    printing.setErrorHandler([&failure](const QString& text) { failure = text; });
    if (!commands.Execute(ID_FILE_PRINT_DIRECT))
      failure = QStringLiteral("Printing is not available.");
    printing.setErrorHandler(nullptr);
  }
  if (!failure.isEmpty()) {
    std::fprintf(stderr, "corvella: %s\n", qPrintable(failure));
    return false;
  }
  if (!pdf.isEmpty()) std::printf("%s\n", qPrintable(printing.PdfDestinationNote(pdf)));
  return true;
}

}  // namespace corvella
