// Shell open: a later start of the real program hands its file to the one
// running here, which comes to the front and opens it as Open does.

#include <QProcess>
#include <QtTest>

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
    app.GetDocument().SetModifiedFlag(true);
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
    QCOMPARE(runSecond({QStringLiteral("FOOT.REQ")}), 0);
    QTRY_COMPARE(app.GetDocument().GetPathName(), dir.File("FOOT.REQ"));
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
