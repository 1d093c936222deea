// Shell open: a later start of the real program hands its file to the one
// running here, which comes to the front and opens it as named: the file's
// name selects the sport, a file from another folder is loaded into that
// sport's list as unsaved changes, anything else is refused with a message.

#include <QLabel>
#include <QProcess>
#include <QStatusBar>
#include <QtTest>

#include "listview/corvella_view.h"
#include "requests/corvella_doc.h"
#include "shell/corvella_app.h"
#include "shell/main_frame.h"
#include "support/request_files.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

using namespace corvella;

class ShellOpenTest : public QObject {
  Q_OBJECT

 private slots:
  void laterStartHandsItsFileOver() {
    TempDir dir;
    dir.Write("CORVELLA.INI", "[REQUEST]\r\nSPORT=BASK.REQ\r\n");
    dir.Write("BASK.REQ", testing::ValidRequestFile(3));
    dir.Write("FOOT.REQ", testing::ValidRequestFile(2));
    TempDir runtime;  // where the running program's socket lies
    qputenv("CORVELLA_DIR", QByteArray::fromStdString(dir.Path()));
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.Path()));

    ScriptedUi ui;
    CCorvellaApp app(&ui);
    QVERIFY(app.InitInstance({}));
    app.GetDocument().History().MarkUnsaved();
    ui.AnswerMessage(IDNO);  // "Save changes to BASK.REQ?"

    // The second start names the file relative to its own folder.
    const auto runSecond = [&](const QStringList& args) {
      QProcess second;
      second.setWorkingDirectory(QString::fromStdString(dir.Path()));
      second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
      second.start(QStringLiteral(CORVELLA_EXE), args);
      // The running program answers from this event loop, so wait in it.
      QDeadlineTimer deadline(60000);
      while (second.state() != QProcess::NotRunning && !deadline.hasExpired()) QTest::qWait(20);
      if (second.state() != QProcess::NotRunning) second.kill();
      return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
    };
    // The program directory's FOOT.REQ: Football, as it is on the disk.
    const auto rows = [&app] { return app.GetView().GetListCtrl().GetItemCount(); };
    QCOMPARE(runSecond({QStringLiteral("FOOT.REQ")}), 0);
    QTRY_COMPARE(app.GetDocument().GetPathName(), dir.File("FOOT.REQ"));
    QCOMPARE(ui.CountMessages("Save changes to BASK.REQ?"), 1);
    QCOMPARE(app.GetDocument().GetSportFile(), std::string("FOOT.REQ"));
    QCOMPARE(rows(), 2);
    QVERIFY(!app.GetDocument().IsModified());

    // A Basketball file from another folder: Basketball's list holds its
    // requests, unsaved, and says where they came from.
    TempDir other;
    other.Write("basketball-final.req", testing::ValidRequestFile(5));
    const QString otherFile = QString::fromStdString(other.File("basketball-final.req"));
    ui.ClearRecord();
    QCOMPARE(runSecond({otherFile}), 0);
    QTRY_COMPARE(rows(), 5);
    QCOMPARE(app.GetDocument().GetSportFile(), std::string("BASK.REQ"));
    QVERIFY(app.GetDocument().IsModified());
    QCOMPARE(app.GetDocument().GetPathName(), dir.File("BASK.REQ"));
    QVERIFY2(app.GetMainWnd()->windowTitle().contains(otherFile),
             qPrintable(app.GetMainWnd()->windowTitle()));
    QVERIFY(app.GetMainWnd()
                ->findChild<QLabel*>(QStringLiteral("messagePane"))
                ->text()
                .contains(otherFile));
    QCOMPARE(dir.Read("BASK.REQ"), testing::ValidRequestFile(3));  // not saved yet
    QCOMPARE(ui.CountMessages(), 0);

    // A file whose name names no sport: a message, and nothing changes.
    other.Write("notes.txt", testing::ValidRequestFile(1));
    QCOMPARE(runSecond({QString::fromStdString(other.File("notes.txt"))}), 0);
    QTRY_COMPARE(ui.CountMessages(), 1);
    QVERIFY(ui.MessageTexts().front().find("not the request file of a sport") != std::string::npos);
    QCOMPARE(rows(), 5);
    QVERIFY(app.GetDocument().IsModified());

    // Back to the program's own file: the save prompt comes first.
    ui.ClearRecord();
    ui.AnswerMessage(IDNO);
    QCOMPARE(runSecond({QStringLiteral("FOOT.REQ")}), 0);
    QTRY_COMPARE(app.GetDocument().GetSportFile(), std::string("FOOT.REQ"));
    QCOMPARE(ui.CountMessages("Save changes to BASK.REQ?"), 1);
    QVERIFY(!app.GetDocument().IsModified());

    // Without a file the later start only brings the window up.
    ui.ClearRecord();
    QCOMPARE(runSecond({}), 0);
    QCOMPARE(app.GetDocument().GetPathName(), dir.File("FOOT.REQ"));
    QCOMPARE(ui.CountMessages(), 0);

    qunsetenv("CORVELLA_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
  }
};

QTEST_MAIN(ShellOpenTest)
#include "shell_open_test.moc"
