// The shown list's file and saved state, in the real main window: every way
// of opening a file loads that file and marks it the same way, the title
// keeps what it says of the file, and undo leaves a selection the keys can
// go on from.

#include <sys/stat.h>
#include <unistd.h>

#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QtTest>
#include <memory>
#include <string>

#include "gui/program_test_support.h"
#include "listview/corvella_view.h"
#include "platform/list_control.h"
#include "platform/qt/list_widget.h"
#include "requests/corvella_doc.h"
#include "shell/corvella_app.h"
#include "shell/main_frame.h"
#include "support/request_files.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

using namespace corvella;

namespace {

// A Basketball list of `count` good requests and one whose sign number the
// load replaces (17 is past the last sign).
std::string CorrectedBasketballFile(int count) {
  testing::RequestValues bad = testing::ValidRequest("Bad");
  bad[COL_SIGN - 1] = "17";
  return testing::ValidRequestFile(count) + "\r\n" + testing::RequestSection(count + 1, bad);
}

}  // namespace

class DocumentTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempDir> m_dir;
  std::unique_ptr<TempDir> m_other;
  std::unique_ptr<TempDir> m_state;
  std::unique_ptr<ScriptedUi> m_ui;
  std::unique_ptr<CCorvellaApp> m_app;

  CMainFrame* frame() const { return m_app->GetMainWnd(); }
  ListControl& list() const { return m_app->GetView().GetListCtrl(); }
  ListWidget* widget() const { return m_app->GetListWidget(); }
  CCorvellaDoc& doc() const { return m_app->GetDocument(); }
  QString pane() const {
    return frame()->findChild<QLabel*>(QStringLiteral("messagePane"))->text();
  }

  // A program folder with Basketball and Football lists, `sport` current.
  void MakeFolder(const std::string& sport, const std::string& bask) {
    m_dir = std::make_unique<TempDir>();
    m_other = std::make_unique<TempDir>();
    m_state = std::make_unique<TempDir>();
    m_dir->Write("CORVELLA.INI", "[REQUEST]\r\nSPORT=" + sport + "\r\nZLRTDINPUT=1\r\n");
    m_dir->Write("BASK.REQ", bask);
    m_dir->Write("FOOT.REQ", testing::ValidRequestFile(2));
    qputenv("CORVELLA_DIR", QByteArray::fromStdString(m_dir->Path()));
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(m_state->Path()));
  }

  void Start(const QStringList& arguments = {}) {
    m_app = std::make_unique<CCorvellaApp>(m_ui.get());
    QVERIFY(m_app->InitInstance(arguments));
    frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame()));
  }

  void Drop(const QString& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame(), &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame(), &drop);
  }

  // Ctrl+O, and `path` chosen in the file dialog.
  void OpenByDialog(const QString& path) {
    QTimer::singleShot(0, frame(), [path] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      dialog->selectFile(path);
      static_cast<QDialog*>(dialog)->accept();
    });
    QTest::keyClick(widget(), Qt::Key_O, Qt::ControlModifier);
  }

  std::vector<int> Selected() const {
    std::vector<int> rows;
    for (int r = list().GetNextItem(-1, LVNI_SELECTED); r != -1;
         r = list().GetNextItem(r, LVNI_SELECTED))
      rows.push_back(r);
    return rows;
  }

 private slots:
  void init() { m_ui = std::make_unique<ScriptedUi>(); }
  void cleanup() {
    m_ui->AnswerMessage(IDNO);
    m_app.reset();
    qunsetenv("XDG_STATE_HOME");
    qunsetenv("CORVELLA_DIR");
  }

  // A list another folder handed over holds unsaved changes; the sport
  // switched to after it (its changes given up) is as it is on the disk.
  void aSportSwitchAfterAHandOverShowsTheNewListSaved() {
    MakeFolder("FOOTBALL", testing::ValidRequestFile(3));
    m_other->Write("BASK.REQ", testing::ValidRequestFile(5));
    Start();
    m_app->OnShellOpen(QString::fromStdString(m_other->File("BASK.REQ")));
    QTRY_COMPARE(list().GetItemCount(), 5);
    QVERIFY(doc().IsModified());
    const QString handedOver = pane();

    m_ui->AnswerMessage(IDNO);  // "Save changes to BASK.REQ?"
    frame()->RunCommand(ID_SPORT_FOOTBALL);
    QCOMPARE(list().GetItemCount(), 2);
    QVERIFY(!doc().IsModified());
    QVERIFY(!frame()->isWindowModified());
    QCOMPARE(frame()->windowTitle(), QStringLiteral("FOOT.REQ[*] - Corvella"));
    QVERIFY(!m_app->GetCommands().IsEnabled(ID_EDIT_UNDO));
    QCOMPARE(pane(), QStringLiteral("Opened FOOT.REQ"));
    QVERIFY2(handedOver.contains(QString::fromStdString(m_other->File("BASK.REQ"))),
             qPrintable(handedOver));
  }

  // A load that replaced a bad value leaves a list to save, whichever way
  // the file was opened.
  void aCorrectedLoadIsUnsavedByEveryWayOfOpening_data() {
    QTest::addColumn<QString>("way");
    for (const char* way :
         {"start-up", "sport switch", "New", "Open", "command line", "drop", "hand-over"})
      QTest::newRow(way) << QString::fromLatin1(way);
  }
  void aCorrectedLoadIsUnsavedByEveryWayOfOpening() {
    QFETCH(QString, way);
    const bool startsThere = way == "start-up" || way == "New" || way == "command line";
    MakeFolder(startsThere ? "BASKETBALL" : "FOOTBALL", CorrectedBasketballFile(2));
    const QString bask = QString::fromStdString(m_dir->File("BASK.REQ"));
    Start(way == "command line" ? QStringList{bask} : QStringList{});
    m_ui->AnswerMessage(IDNO);  // a save prompt of the list before
    if (way == "sport switch") frame()->RunCommand(ID_SPORT_BASKETBALL);
    if (way == "New") frame()->RunCommand(ID_FILE_NEW);
    if (way == "Open") OpenByDialog(bask);
    if (way == "drop") Drop(bask);
    if (way == "hand-over") m_app->OnShellOpen(bask);
    QTRY_COMPARE(doc().GetSportFile(), std::string("BASK.REQ"));
    QTRY_COMPARE(list().GetItemCount(), 3);
    QCOMPARE(list().GetItemText(2, COL_SIGN), std::string("1"));
    QVERIFY(doc().IsModified());
    QVERIFY(frame()->isWindowModified());
    QCOMPARE(ReadFile(bask.toStdString()), CorrectedBasketballFile(2));
  }

  // Ctrl+O loads the chosen file, not the current sport's.
  void openLoadsTheChosenFileFromAnotherFolder() {
    MakeFolder("BASKETBALL", testing::ValidRequestFile(3));
    m_other->Write("FOOT.REQ", testing::ValidRequestFile(6));
    Start();
    const QString chosen = QString::fromStdString(m_other->File("FOOT.REQ"));
    OpenByDialog(chosen);
    QTRY_COMPARE(list().GetItemCount(), 6);
    QCOMPARE(doc().GetSportFile(), std::string("FOOT.REQ"));
    QVERIFY(doc().IsModified());  // not in the program folder yet
    QVERIFY2(pane().contains(chosen), qPrintable(pane()));
    QCOMPARE(ReadFile(m_dir->File("FOOT.REQ")), testing::ValidRequestFile(2));
  }

  // The title of a list whose file could not be read says so, also when the
  // file was handed over and after a refused save.
  void theTitleKeepsThatTheFileCouldNotBeRead() {
    MakeFolder("BASKETBALL", testing::ValidRequestFile(3));
    QCOMPARE(::truncate(m_dir->File("FOOT.REQ").c_str(), off_t{65} << 20), 0);  // too large
    Start();
    m_app->OnShellOpen(QString::fromStdString(m_dir->File("FOOT.REQ")));
    QTRY_COMPARE(doc().GetSportFile(), std::string("FOOT.REQ"));
    const QString title = QStringLiteral("FOOT.REQ (could not be read)[*] - Corvella");
    QCOMPARE(frame()->windowTitle(), title);
    QTest::keyClick(widget(), Qt::Key_S, Qt::ControlModifier);  // refused
    QCOMPARE(frame()->windowTitle(), title);
  }

  // The window comes back at the size and place it was closed at.
  void theWindowKeepsItsSizeAndPlace() {
    MakeFolder("BASKETBALL", testing::ValidRequestFile(2));
    Start();
    const QRect placed(60, 70, 720, 430);
    frame()->setGeometry(placed);
    QTRY_COMPARE(frame()->geometry(), placed);
    QVERIFY(frame()->close());
    m_app.reset();
    Start();
    QCOMPARE(frame()->geometry(), placed);
  }

  // Undo of a delete selects the rows it put back; the next plain Down
  // leaves one row selected, and Ctrl+R sends it.
  void afterUndoOfADeleteDownSelectsOneRow() {
    MakeFolder("BASKETBALL", testing::ValidRequestFile(6));
    Start();
    ClickCell(*widget(), list(), 1, 0);
    ClickCell(*widget(), list(), 3, 0, Qt::ShiftModifier);
    m_ui->AnswerMessage(IDYES);
    QTest::keyClick(widget(), Qt::Key_Delete);
    QCOMPARE(list().GetItemCount(), 3);
    QTest::keyClick(widget(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(list().GetItemCount(), 6);
    QCOMPARE(Selected(), (std::vector<int>{1, 2, 3}));
    QTest::keyClick(widget(), Qt::Key_Down);
    QCOMPARE(Selected().size(), std::size_t(1));
    QVERIFY(m_app->GetCommands().IsEnabled(ID_SEND_REQUEST));
  }
};

QTEST_MAIN(DocumentTest)
#include "document_test.moc"
