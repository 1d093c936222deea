// The floor of the start-up benchmark: the least a Qt 6 program with the
// request program's shape costs. A main window with a menu bar, a toolbar, a
// status bar and an 8 x 13 table, shown at once; nothing else is loaded or
// read. The request program is measured against it (start_bench.sh).

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolBar>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Floor"));

  QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
  QToolBar* tools = window.addToolBar(QStringLiteral("Standard"));
  for (const char* name : {"&New", "&Open...", "&Save", "&Print...", "E&xit"}) {
    QAction* action = file->addAction(QString::fromLatin1(name));
    tools->addAction(action);
  }
  QMenu* edit = window.menuBar()->addMenu(QStringLiteral("&Edit"));
  for (const char* name : {"Cu&t", "&Copy", "&Paste", "&Delete"}) edit->addAction(name);
  window.menuBar()->addMenu(QStringLiteral("&Help"))->addAction(QStringLiteral("&About"));

  auto* table = new QTableWidget(8, 13, &window);
  for (int row = 0; row < table->rowCount(); ++row) {
    for (int column = 0; column < table->columnCount(); ++column)
      table->setItem(row, column,
                     new QTableWidgetItem(QStringLiteral("%1.%2").arg(row).arg(column)));
  }
  window.setCentralWidget(table);
  window.statusBar()->showMessage(QStringLiteral("Ready"));
  // The size the request program opens at: the same pixels to paint.
  window.resize(960, 600);
  window.show();
  return QApplication::exec();
}
