#include <QApplication>

#include "shell/corvella_app.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Corvella"));
  QApplication::setOrganizationName(QStringLiteral("Corvella"));

  corvella::CCorvellaApp theApp;
  if (!theApp.InitInstance(QApplication::arguments().mid(1))) return 1;
  return QApplication::exec();
}
