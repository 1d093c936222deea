#include "shell/command_line.h"

namespace corvella {

CommandLineInfo ParseCommandLine(const QStringList& arguments) {
  CommandLineInfo info;
  QStringList rest = arguments;
  info.m_bForce = rest.removeAll(QStringLiteral("--force")) > 0;
  while (!rest.isEmpty()) {
    const QString arg = rest.takeFirst();
    if (arg == QLatin1String("--print") || arg == QLatin1String("--print-to")) {
      const bool to = arg == QLatin1String("--print-to");
      if (rest.size() < (to ? 2 : 1)) {
        info.m_strError = to ? QStringLiteral("--print-to needs a printer name and a file name.")
                             : QStringLiteral("--print needs a file name.");
        return info;
      }
      info.m_nShellCommand = to ? CommandLineInfo::FilePrintTo : CommandLineInfo::FilePrint;
      if (to) info.m_strPrinterName = rest.takeFirst();
      info.m_strFileName = rest.takeFirst();
      return info;
    }
    if (!arg.startsWith(u'-') && info.m_strFileName.isEmpty()) {
      info.m_nShellCommand = CommandLineInfo::FileOpen;
      info.m_strFileName = arg;
    }
  }
  return info;
}

}  // namespace corvella
