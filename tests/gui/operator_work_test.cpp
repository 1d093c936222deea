// Nothing the operator has is lost: the real program, run as an ordinary
// user (a throw-away one when the tests run as root), on request files it
// may not read, on recovery copies that hold no list or are declined, in a
// state folder others could write to, closing while a request is on its way,
// and saying whether the list is saved.

#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QLabel>
#include <QStatusBar>
#include <QtMath>
#include <QtTest>
#include <functional>
#include <memory>
#include <string>

#include "gui/program_test_support.h"
#include "listview/corvella_view.h"
#include "listview/list_rows.h"
#include "platform/list_control.h"
#include "platform/profile.h"
#include "platform/qt/list_widget.h"
#include "platform/user_folder.h"
#include "requests/corvella_doc.h"
#include "requests/request_file.h"
#include "shell/corvella_app.h"
#include "shell/main_frame.h"
#include "shell/recovery_copy.h"
#include "support/example_files.h"
#include "support/ordinary_user.h"
#include "support/request_files.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"
#include "tools/signsim/server.h"
#include "transmit/send_request.h"

using namespace corvella;

namespace {

void AgeFile(const std::string& path, int seconds) {
  const struct utimbuf then = {time(nullptr) - seconds, time(nullptr) - seconds};
  ::utime(path.c_str(), &then);
}

QStringList SetAside() {
  return QDir(QString::fromStdString(RecoveryCopy::Folder()))
      .entryList({QStringLiteral("*.set-aside")}, QDir::Files);
}

}  // namespace

class OperatorWorkTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempDir> m_dir;
  std::unique_ptr<TempDir> m_state;
  std::unique_ptr<ScriptedUi> m_ui;
  std::unique_ptr<CCorvellaApp> m_app;

  CMainFrame* frame() const { return m_app->GetMainWnd(); }
  ListControl& list() const { return m_app->GetView().GetListCtrl(); }
  ListWidget* widget() const { return m_app->GetListWidget(); }
  std::string bask() const { return m_dir->File("BASK.REQ"); }

  // A program folder with the sample configuration and request files, and
  // a state folder for the recovery copies.
  void MakeFolders() {
    m_dir = std::make_unique<TempDir>();
    m_state = std::make_unique<TempDir>();
    WriteSampleProgramFolder(*m_dir);
    qputenv("CORVELLA_DIR", QByteArray::fromStdString(m_dir->Path()));
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(m_state->Path()));
  }

  void Start() {
    m_app = std::make_unique<CCorvellaApp>(m_ui.get());
    QVERIFY(m_app->InitInstance({}));
    frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame()));
  }

  // The program ends without saving and without removing its copy.
  void Crash() { QVERIFY(EndAsACrashWould(m_app, bask())); }

  void ClickCell(int row, int column) { corvella::ClickCell(*widget(), list(), row, column); }

  // Steps the Sign # of the first request: a change of one cell.
  void ChangeACell() {
    ClickCell(0, COL_SIGN);
    QTest::keyClick(widget(), Qt::Key_Plus, Qt::KeypadModifier);
  }

  // The status bar's message pane.
  QString StatusText() const {
    return frame()->findChild<QLabel*>(QStringLiteral("messagePane"))->text();
  }

  QString LastMessage() const {
    const auto texts = m_ui->MessageTexts();
    return texts.empty() ? QString() : QString::fromStdString(texts.back());
  }

 private slots:
  void init() { m_ui = std::make_unique<ScriptedUi>(); }
  void cleanup() {
    if (m_app) m_app->GetDocument().History().MarkSaved();
    m_app.reset();
    if (m_dir) ::chmod(m_dir->Path().c_str(), 0700);
    m_dir.reset();
    if (m_state) ::chmod(m_state->Path().c_str(), 0700);
    m_state.reset();
    qunsetenv("XDG_STATE_HOME");
    qunsetenv("CORVELLA_DIR");
  }

  // A request file that exists but cannot be read is reported with its path
  // and why, and no Save, Exit or recovery step removes or replaces it; once
  // it can be read, New loads it.
  void unreadableRequestFileIsReportedAndNeverReplaced_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no permission") << 0 << "Permission denied";
    QTest::newRow("a pipe") << 1 << "it is not a regular file";
    QTest::newRow("a link to /dev/zero") << 2 << "it is not a regular file";
  }
  void unreadableRequestFileIsReportedAndNeverReplaced() {
    QFETCH(int, kind);
    QFETCH(QString, reason);
    QVERIFY(::geteuid() != 0);
    MakeFolders();
    const std::string full = testing::ValidRequestFile(300);
    ::unlink(bask().c_str());
    if (kind == 0) {
      m_dir->Write("BASK.REQ", full);
      QCOMPARE(::chmod(bask().c_str(), 0), 0);
    } else if (kind == 1) {
      QCOMPARE(::mkfifo(bask().c_str(), 0600), 0);
    } else {
      QCOMPARE(::symlink("/dev/zero", bask().c_str()), 0);
    }
    struct stat before {};
    QCOMPARE(::lstat(bask().c_str(), &before), 0);

    Start();
    QCOMPARE(m_ui->CountMessages(), 1);
    QVERIFY2(LastMessage().startsWith("BASK.REQ could not be read: " + reason + ".\n(" +
                                      QString::fromStdString(bask()) + ")"),
             qPrintable(LastMessage()));
    QCOMPARE(list().GetItemCount(), 0);
    QCOMPARE(frame()->windowTitle(), QStringLiteral("BASK.REQ (could not be read)[*] - Corvella"));

    // Save as it is, then with a request typed in and Exit answered Yes: both
    // are refused and say why; the window stays with what was typed.
    QTest::keyClick(widget(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(m_ui->CountMessages(), 2);
    QVERIFY2(LastMessage().startsWith("BASK.REQ was not saved: it could not be read"),
             qPrintable(LastMessage()));
    frame()->RunCommand(ID_ADD_REQUEST);
    QCOMPARE(list().GetItemCount(), 1);
    m_ui->AnswerMessage(IDYES);
    QVERIFY(!frame()->close());
    QVERIFY(frame()->isVisible());
    QCOMPARE(list().GetItemCount(), 1);
    QVERIFY(LastMessage().startsWith("BASK.REQ was not saved"));

    struct stat after {};
    QCOMPARE(::lstat(bask().c_str(), &after), 0);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(after.st_ino, before.st_ino);
    if (kind == 2) {
      char target[64] = {};
      QVERIFY(::readlink(bask().c_str(), target, sizeof target - 1) > 0);
      QCOMPARE(QByteArray(target), QByteArray("/dev/zero"));
    }
    if (kind != 0) return;

    // Readable again: New (not saving what was typed) loads every request.
    QCOMPARE(::chmod(bask().c_str(), 0600), 0);
    QCOMPARE(ReadFile(bask()), full);
    m_ui->AnswerMessage(IDNO);
    frame()->RunCommand(ID_FILE_NEW);
    QCOMPARE(list().GetItemCount(), 300);
    QTest::keyClick(widget(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(ReadFile(bask()), full);
  }

  // A copy that does not hold a list is set aside with a message and never
  // offered, so it can neither empty the list nor make Save remove the file.
  void aRecoveryCopyWithoutAListIsSetAsideNotOffered_data() {
    QTest::addColumn<QByteArray>("copy");
    QTest::newRow("zero bytes") << QByteArray();
    QTest::newRow("garbage") << QByteArray(
        "\x7f"
        "ELF\x02\x01\x01\0\0garbage\xff\xfe",
        17);
    QTest::newRow("a header that does not match")
        << QByteArray("[RECOVERY]\r\nRequests=3\r\n\r\n[REQ1]\r\nName=Lost\r\n");
    QTest::newRow("no requests, then garbage")
        << QByteArray("[RECOVERY]\r\nRequests=0\r\n\r\n") + QByteArray(200 * 1024, 'g');
    QTest::newRow("more after the list")
        << QByteArray("[RECOVERY]\r\nRequests=1\r\n\r\n[REQ1]\r\nName=A\r\n[REQ2x]\r\nName=B\r\n");
  }
  void aRecoveryCopyWithoutAListIsSetAsideNotOffered() {
    QFETCH(QByteArray, copy);
    MakeFolders();
    AgeFile(bask(), 3600);
    QVERIFY(QDir().mkpath(QString::fromStdString(RecoveryCopy::Folder())));
    const std::string path = RecoveryCopy::PathFor(bask());
    {
      QFile out(QString::fromStdString(path));
      QVERIFY(out.open(QIODevice::WriteOnly));
      out.write(copy);
    }
    Start();
    QCOMPARE(m_ui->CountMessages(), 1);
    QVERIFY2(LastMessage().contains("was not used because it does not hold"),
             qPrintable(LastMessage()));
    QVERIFY(!LastMessage().contains("Restore"));
    QCOMPARE(list().GetItemText(0, COL_DESCRIPTION), std::string("Points Leaders"));
    QVERIFY(!m_app->GetDocument().IsModified());
    QCOMPARE(SetAside().size(), 1);
    const int rows = list().GetItemCount();
    QVERIFY(rows > 0);
    QTest::keyClick(widget(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(CountRequestsInFile(ProfileFile::Load(bask())), rows);
  }

  // The copy restored is the one that was checked and offered, read once:
  // a copy changed while the question is open changes nothing.
  void theCopyRestoredIsTheOneOffered() {
    MakeFolders();
    AgeFile(bask(), 3600);
    QVERIFY(QDir().mkpath(QString::fromStdString(RecoveryCopy::Folder())));
    const std::string path = RecoveryCopy::PathFor(bask());
    const std::string folder = RecoveryCopy::Folder() + "/";
    const auto write = [](const std::string& file, const char* name) {
      QFile out(QString::fromStdString(file));
      QVERIFY(out.open(QIODevice::WriteOnly));
      out.write(QByteArray("[RECOVERY]\r\nRequests=1\r\n\r\n[REQ1]\r\nName=") + name + "\r\n");
    };
    write(path, "Offered");
    m_ui->AnswerMessage(IDYES);
    m_ui->whileAsked = [&](const std::string&) {
      write(folder + "swapped", "Swapped in");
      ::rename((folder + "swapped").c_str(), path.c_str());
    };
    Start();
    m_ui->whileAsked = nullptr;
    QVERIFY(QString::fromStdString(m_ui->MessageTexts().at(0)).contains("Restore these changes?"));
    QCOMPARE(list().GetItemCount(), 1);
    QCOMPARE(list().GetItemText(0, COL_DESCRIPTION), std::string("Offered"));
  }

  // A settings file that is a FIFO never holds up the start, and widths
  // kept as 0 leave every column room for a few characters.
  void settingsFilesCannotStopTheStartOrHideColumns_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");  // empty: a FIFO
    QTest::newRow("FIFO at columns.ini") << "config/columns.ini" << QByteArray();
    QTest::newRow("FIFO at window.ini") << "state/window.ini" << QByteArray();
    QTest::newRow("zero widths") << "config/columns.ini"
                                 << QByteArray("[widths]\r\nBASK=0,0,0,0,0,0,0,0,0,0,0,0,0\r\n");
  }
  void settingsFilesCannotStopTheStartOrHideColumns() {
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    MakeFolders();
    const bool config = file.startsWith("config/");
    const std::string folder = config ? UserConfigFolderPath() : UserStateFolderPath();
    QVERIFY(QDir().mkpath(QString::fromStdString(folder)));
    const std::string path = folder + "/" + file.section('/', 1).toStdString();
    if (content.isEmpty()) {
      QCOMPARE(::mkfifo(path.c_str(), 0600), 0);
    } else {
      QFile out(QString::fromStdString(path));
      QVERIFY(out.open(QIODevice::WriteOnly));
      out.write(content);
    }
    Start();  // a FIFO that was waited on never comes back
    const int threeDigits = widget()->fontMetrics().horizontalAdvance(QStringLiteral("000"));
    for (int c = 0; c < list().GetColumnCount(); ++c)
      QVERIFY2(list().GetColumnWidth(c) >= threeDigits, qPrintable(QString::number(c)));
    m_app->GetDocument().History().MarkSaved();
    m_app.reset();
    ::unlink(path.c_str());
  }

  // The copy of a list the operator emptied himself is a list: restored, it
  // is empty, and Save then removes the file as it does for an empty list.
  void aCopyOfAnEmptiedListIsOffered() {
    MakeFolders();
    Start();
    const int rows = list().GetItemCount();
    for (int i = 0; i < rows; ++i) {
      ClickCell(0, 0);
      m_ui->AnswerMessage(IDYES);
      QTest::keyClick(widget(), Qt::Key_D, Qt::ControlModifier);
    }
    QCOMPARE(list().GetItemCount(), 0);
    const std::string path = RecoveryCopy::PathFor(bask());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QString::fromStdString(path)), 3000);
    Crash();
    m_ui = std::make_unique<ScriptedUi>();
    m_ui->AnswerMessage(IDYES);
    Start();
    QVERIFY(LastMessage().contains("Restore these changes?"));
    QCOMPARE(list().GetItemCount(), 0);
    QVERIFY(m_app->GetDocument().IsModified());
  }

  // No keeps the copy, set aside, where a wrong click can be undone by hand.
  void decliningARestoreSetsTheCopyAside() {
    MakeFolders();
    Start();
    ChangeACell();
    const std::string path = RecoveryCopy::PathFor(bask());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QString::fromStdString(path)), 3000);
    const std::string left = ReadFile(path);
    Crash();
    m_ui = std::make_unique<ScriptedUi>();
    m_ui->AnswerMessage(IDNO);
    Start();
    QCOMPARE(m_ui->CountMessages(), 1);
    QVERIFY(LastMessage().contains(
        QString::fromStdString("No sets the copy aside in " + RecoveryCopy::Folder())));
    QVERIFY(!QFile::exists(QString::fromStdString(path)));
    const QStringList aside = SetAside();
    QCOMPARE(aside.size(), 1);
    QCOMPARE(ReadFile(RecoveryCopy::Folder() + "/" + aside[0].toStdString()), left);
    QCOMPARE(ReadFile(bask()), ReadExample("BASK.REQ"));
  }

  // Copies go only into a folder of the user's own that nobody else can
  // write to, readable by the user alone, never through a symbolic link.
  void recoveryCopiesAreTheUsersAlone() {
    MakeFolders();
    const std::string folder = RecoveryCopy::Folder();
    QVERIFY(QDir().mkpath(QString::fromStdString(folder)));
    QCOMPARE(::chmod(m_state->Path().c_str(), 0777), 0);
    Start();
    ChangeACell();
    QTRY_COMPARE_WITH_TIMEOUT(m_ui->CountMessages(), 1, 3000);
    QVERIFY2(LastMessage().contains("cannot be kept in a recovery copy (" +
                                    QString::fromStdString(m_state->Path()).chopped(1) +
                                    " can be written by other users)"),
             qPrintable(LastMessage()));
    QTest::qWait(1200);
    QCOMPARE(m_ui->CountMessages(), 1);
    QVERIFY(QDir(QString::fromStdString(folder)).isEmpty());
    m_app->GetDocument().History().MarkSaved();
    m_app.reset();

    // A link planted at the copy's name is replaced, and what it named stays.
    QCOMPARE(::chmod(m_state->Path().c_str(), 0700), 0);
    const std::string victim = m_dir->Write("victim", "the operator's other file");
    const std::string copy = RecoveryCopy::PathFor(bask());
    m_ui = std::make_unique<ScriptedUi>();
    Start();
    QCOMPARE(::symlink(victim.c_str(), copy.c_str()), 0);
    ChangeACell();
    struct stat st {};
    QTRY_VERIFY_WITH_TIMEOUT(::lstat(copy.c_str(), &st) == 0 && S_ISREG(st.st_mode), 3000);
    QCOMPARE(st.st_mode & 07777, mode_t(0600));
    QCOMPARE(ReadFile(victim), std::string("the operator's other file"));
  }

  // Closing while a request is on its way: the save prompt, then a window
  // that says what it waits for and takes no edits and no sends, and that
  // closes by itself once the send has ended. What was saved is what the
  // operator had.
  void closingDuringASendWaitsAndLosesNothing() {
    MakeFolders();
    qputenv("ZELTRPC_DIR", QByteArray::fromStdString(m_dir->Path() + "sock"));
    signsim::Options options;
    options.dir = m_dir->Path() + "sock";
    options.delayMs = 2500;
    signsim::SignServer server(options);
    std::string error;
    QVERIFY2(server.start(error), error.c_str());
    Start();
    ChangeACell();
    const ListRows edited = TakeRows(list().Rows());
    ClickCell(1, 0);
    QTest::keyClick(widget(), Qt::Key_R, Qt::ControlModifier);  // Send Request
    QCOMPARE(m_app->GetSender().PendingRequest(), 2);

    m_ui->AnswerMessage(IDYES);  // save the change
    QVERIFY(!frame()->close());
    QCOMPARE(m_ui->CountMessages(), 1);
    QVERIFY(LastMessage().startsWith("Save changes to BASK.REQ?"));
    QVERIFY(frame()->isVisible());
    QVERIFY(frame()->IsWaitingToClose());
    QVERIFY2(StatusText().contains("waiting for request 2"), qPrintable(StatusText()));
    QVERIFY(frame()->windowTitle().startsWith("Closing after request 2 - BASK.REQ"));

    // No edit, no send, no second prompt while it waits.
    ChangeACell();
    QTest::keyClick(widget(), Qt::Key_Delete);
    frame()->RunCommand(ID_DELETE_REQUEST);
    frame()->RunCommand(ID_SEND_REQUEST);
    QVERIFY(!frame()->close());
    QVERIFY(SameRows(TakeRows(list().Rows()), edited));
    QVERIFY(!m_app->GetDocument().IsModified());
    QCOMPARE(m_ui->CountMessages(), 1);

    QTRY_VERIFY_WITH_TIMEOUT(!frame()->isVisible(), 15000);
    QCOMPARE(m_ui->CountMessages(), 1);
    QCOMPARE(server.service().realTimeData(0).size(), std::size_t(57));
    m_app.reset();
    QVERIFY(ReadFile(bask()) != ReadExample("BASK.REQ"));
    QVERIFY(!QFile::exists(QString::fromStdString(RecoveryCopy::PathFor(bask()))));
    qunsetenv("ZELTRPC_DIR");
  }

  // The title carries Qt's marker of a modified document, driven by the
  // document's flag; a key that changes nothing does not set it; Save says
  // in the status bar that it saved, and when.
  void titleSaysWhetherTheListIsSaved() {
    MakeFolders();
    Start();
    QCOMPARE(frame()->windowTitle(), QStringLiteral("BASK.REQ[*] - Corvella"));
    QVERIFY(!frame()->isWindowModified());
    ClickCell(0, COL_DISPLAY_MODE);
    QCOMPARE(list().GetItemText(0, COL_DISPLAY_MODE), std::string("Continuous"));
    QTest::keyClick(widget(), Qt::Key_C);  // Continuous already
    QVERIFY(!m_app->GetDocument().IsModified());
    QVERIFY(!frame()->isWindowModified());
    ChangeACell();
    QVERIFY(m_app->GetDocument().IsModified());
    QVERIFY(frame()->isWindowModified());
    QTest::keyClick(widget(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!frame()->isWindowModified());
    QVERIFY2(StatusText().startsWith("Saved BASK.REQ at "), qPrintable(StatusText()));
    QTest::keyClick(widget(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(frame()->isWindowModified());
    QCOMPARE(StatusText(), QStringLiteral("For Help, press F1"));
    // Another sport's list: the line of the saved one does not stand for it.
    QTest::keyClick(widget(), Qt::Key_S, Qt::ControlModifier);
    frame()->RunCommand(ID_SPORT_FOOTBALL);
    QCOMPARE(StatusText(), QStringLiteral("Opened FOOT.REQ"));
  }

  // Undoing a cell edit keeps the mode the operator is in; a request file
  // from another folder is named in its own messages.
  void undoKeepsTheModeAndMessagesNameTheFileRead() {
    MakeFolders();
    Start();
    ChangeACell();
    QCOMPARE(m_app->GetView().CurrentColumn(), int(COL_SIGN));
    QTest::keyClick(widget(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(list().GetItemText(0, COL_SIGN), std::string("1"));
    QCOMPARE(m_app->GetView().CurrentColumn(), int(COL_SIGN));

    TempDir other;
    const std::string omega = other.Write(
        "BASK-omega.REQ",
        testing::RequestSection(1, testing::ValidRequest("Assists \xE2\x98\x83\xE2\x98\x83")));
    QVERIFY(m_app->OpenNamedFile(QString::fromStdString(omega)));
    QCOMPARE(m_ui->CountMessages(), 1);
    QVERIFY2(LastMessage().startsWith(QString::fromStdString(omega) + " holds 2 characters"),
             qPrintable(LastMessage()));
    QCOMPARE(list().GetItemCount(), 1);
  }

  // A double-click on a heading's divider fits the column to its longest
  // entry; the widths are kept across starts, for each sport on its own.
  void columnWidthsFitAndAreKeptPerSport() {
    MakeFolders();
    Start();
    QHeaderView* header = widget()->Header();
    const int before = list().GetColumnWidth(COL_LIBRARY);
    QCOMPARE(header->sectionSize(COL_LIBRARY), before);
    const QPoint divider(
        header->sectionViewportPosition(COL_LIBRARY) + header->sectionSize(COL_LIBRARY) - 1,
        header->height() / 2);
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, divider);
    const int fitted = list().GetColumnWidth(COL_LIBRARY);
    QVERIFY2(fitted > before, qPrintable(QString::number(fitted)));  // "DEFAULT" was cut
    QCOMPARE(fitted, m_app->GetView().FittingColumnWidth(COL_LIBRARY));
    QCOMPARE(header->sectionSize(COL_LIBRARY), fitted);
    // Every entry is drawn whole: measured as the drawing measures it, with
    // the margin it keeps.
    const QFontMetricsF drawn(widget()->viewport()->font(), widget()->viewport());
    for (int row = 0; row < list().GetItemCount(); ++row) {
      const QString text = QString::fromStdString(list().GetItemText(row, COL_LIBRARY));
      QVERIFY2(qCeil(drawn.horizontalAdvance(text) - 0.01) + 12 <= fitted, qPrintable(text));
    }

    m_app.reset();
    Start();
    QCOMPARE(list().GetColumnWidth(COL_LIBRARY), fitted);
    frame()->RunCommand(ID_SPORT_FOOTBALL);
    QCOMPARE(list().GetColumnWidth(COL_LIBRARY), before);
    frame()->RunCommand(ID_SPORT_BASKETBALL);
    QCOMPARE(list().GetColumnWidth(COL_LIBRARY), fitted);
  }

  // A save the system refuses says why and where (a folder that cannot be
  // written to, not the file, which may be writable); the file stays.
  void aFailedSaveSaysWhy() {
    QVERIFY(::geteuid() != 0);
    MakeFolders();
    Start();
    ChangeACell();
    QCOMPARE(::chmod(m_dir->Path().c_str(), 0500), 0);
    QTest::keyClick(widget(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(LastMessage(),
             QString::fromStdString("Failed to save document " + bask() + ": its folder " +
                                    m_dir->Path().substr(0, m_dir->Path().size() - 1) +
                                    " cannot be written to (Permission denied).\nThe file was "
                                    "left as it was."));
    QVERIFY(m_app->GetDocument().IsModified());
    QCOMPARE(ReadFile(bask()), ReadExample("BASK.REQ"));
  }
};

// Run as an ordinary user: permissions must hold the program back as they
// hold back the operator.
int main(int argc, char** argv) {
  return RunAsOrdinaryUser([&] {
    // The column widths the program keeps go to a configuration of the test's own.
    TempDir config;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.Path()));
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    QApplication::setQuitOnLastWindowClosed(false);
    OperatorWorkTest test;
    return QTest::qExec(&test, argc, argv);
  });
}

#include "operator_work_test.moc"
