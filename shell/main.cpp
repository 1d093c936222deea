#include <QApplication>

#include "shell/corvella_app.h"

int main(int argc, char* argv[]) {
  // Printing from the command line needs no screen: without one, Qt's
  // window-less platform does.
  bool print = false;
  for (int i = 1; i < argc; ++i) {
    if (qstrcmp(argv[i], "--print") == 0 || qstrcmp(argv[i], "--print-to") == 0) print = true;
  }
  if (print && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
      qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Corvella"));
  QApplication::setOrganizationName(QStringLiteral("Corvella"));
  QGuiApplication::setDesktopFileName(QStringLiteral("org.corvella.Corvella"));

  corvella::CCorvellaApp theApp;
  if (!theApp.InitInstance(QApplication::arguments().mid(1))) return theApp.ExitCode();
  return QApplication::exec();
}
