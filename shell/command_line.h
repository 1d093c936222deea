#pragma once
// The program's command line:
//   corvella [FILE]                  open FILE (or the current sport's file)
//   corvella --print FILE            print FILE's list on the default printer
//   corvella --print-to PRINTER FILE print it on PRINTER
//   --force                          a PDF printout may replace a file
// Options Qt itself takes (-platform ...) are gone before this is read.

#include <QString>
#include <QStringList>

namespace corvella {

struct CommandLineInfo {
  enum ShellCommand { FileNew, FileOpen, FilePrint, FilePrintTo };
  ShellCommand m_nShellCommand = FileNew;
  QString m_strFileName;
  QString m_strPrinterName;
  bool m_bForce = false;  // --force
  QString m_strError;     // not empty: the line cannot be carried out
};

// `arguments` without the program name. An unknown option is ignored, as the
// first argument that is not an option names the file.
CommandLineInfo ParseCommandLine(const QStringList& arguments);

}  // namespace corvella
