// Undo and redo of the request list, and the recovery copy that a crash
// leaves behind, in the real main window on the sample files.

#include <sys/stat.h>
#include <utime.h>

#include <QFile>
#include <QMenu>
#include <QtTest>
#include <memory>
#include <string>

#include "gui/program_test_support.h"
#include "listview/corvella_view.h"
#include "listview/list_rows.h"
#include "platform/list_control.h"
#include "platform/qt/list_widget.h"
#include "requests/corvella_doc.h"
#include "shell/corvella_app.h"
#include "shell/main_frame.h"
#include "shell/recovery_copy.h"
#include "support/example_files.h"
#include "support/request_files.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

using namespace corvella;

class UndoRecoveryTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempDir> m_dir;
  std::unique_ptr<TempDir> m_state;
  std::unique_ptr<ScriptedUi> m_ui;
  std::unique_ptr<CCorvellaApp> m_app;

  ListControl& list() const { return m_app->GetView().GetListCtrl(); }
  ListWidget* widget() const { return m_app->GetListWidget(); }

  // The program on the sample folder (made afresh unless `keepFolder`).
  void Start(bool keepFolder = false) {
    if (!keepFolder) {
      m_dir = std::make_unique<TempDir>();
      m_state = std::make_unique<TempDir>();
      WriteSampleProgramFolder(*m_dir);
    }
    qputenv("CORVELLA_DIR", QByteArray::fromStdString(m_dir->Path()));
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(m_state->Path()));
    m_app = std::make_unique<CCorvellaApp>(m_ui.get());
    QVERIFY(m_app->InitInstance({}));
    m_app->GetMainWnd()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_app->GetMainWnd()));
  }

  void ClickCell(int row, int column, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    corvella::ClickCell(*widget(), list(), row, column, modifiers);
  }

  QString MenuText(unsigned id) {
    CCmdUI ui(id);
    m_app->GetCommands().QueryState(id, ui);
    return QString::fromStdString(ui.GetText()) + (ui.IsEnabled() ? "" : " (disabled)");
  }

  std::vector<int> Selected() {
    std::vector<int> rows;
    for (int r = list().GetNextItem(-1, LVNI_SELECTED); r != -1;
         r = list().GetNextItem(r, LVNI_SELECTED))
      rows.push_back(r);
    return rows;
  }

 private slots:
  void init() { m_ui = std::make_unique<ScriptedUi>(); }
  void cleanup() {
    if (m_app) m_app->GetDocument().History().MarkSaved();
    m_app.reset();
    qunsetenv("XDG_STATE_HOME");
  }

  void deleteOfScatteredRowsIsOneStepThatComesBackSelected() {
    Start();
    const ListRows loaded = TakeRows(list().Rows());
    QCOMPARE(MenuText(ID_EDIT_UNDO), QStringLiteral("&Undo (disabled)"));
    ClickCell(1, 0);
    ClickCell(4, 0, Qt::ControlModifier);
    m_ui->AnswerMessage(IDYES);
    QTest::keyClick(widget(), Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(list().GetItemCount(), int(loaded.size()) - 2);
    QVERIFY(m_app->GetDocument().IsModified());
    QCOMPARE(MenuText(ID_EDIT_UNDO), QStringLiteral("&Undo Delete 2 Requests"));
    QCOMPARE(MenuText(ID_EDIT_REDO), QStringLiteral("&Redo (disabled)"));

    // The menu names the step, with its key.
    QMenu* edit = m_app->GetMainWnd()->findChild<QMenu*>(QStringLiteral("EditMenu"));
    m_app->GetMainWnd()->UpdateMenu(edit);
    QCOMPARE(edit->actions().at(0)->text(), QStringLiteral("&Undo Delete 2 Requests\tCtrl+Z"));
    QVERIFY(edit->actions().at(2)->isSeparator());

    QTest::keyClick(widget(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(SameRows(TakeRows(list().Rows()), loaded));
    QCOMPARE(Selected(), (std::vector<int>{1, 4}));
    QVERIFY(!m_app->GetDocument().IsModified());  // back at the state of the load

    QTest::keyClick(widget(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(list().GetItemCount(), int(loaded.size()) - 2);
    QVERIFY(m_app->GetDocument().IsModified());
    QTest::keyClick(widget(), Qt::Key_Backspace, Qt::AltModifier);
    QVERIFY(SameRows(TakeRows(list().Rows()), loaded));
    QTest::keyClick(widget(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(list().GetItemCount(), int(loaded.size()) - 2);
  }

  void cellEditIsAStepAndTheSavedStateIsTheCleanOne() {
    Start();
    const std::string sign = list().GetItemText(0, COL_SIGN);
    ClickCell(0, COL_SIGN);
    QTest::keyClick(widget(), Qt::Key_Plus, Qt::KeypadModifier);
    const std::string stepped = list().GetItemText(0, COL_SIGN);
    QVERIFY(stepped != sign);
    QCOMPARE(MenuText(ID_EDIT_UNDO), QStringLiteral("&Undo Edit Sign #"));

    QTest::keyClick(widget(), Qt::Key_S, Qt::ControlModifier);  // Save
    QVERIFY(!m_app->GetDocument().IsModified());
    QTest::keyClick(widget(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(list().GetItemText(0, COL_SIGN), sign);
    QVERIFY(m_app->GetDocument().IsModified());  // away from what was saved
    QTest::keyClick(widget(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(list().GetItemText(0, COL_SIGN), stepped);
    QVERIFY(!m_app->GetDocument().IsModified());
  }

  // A value of the file replaced while loading: the list differs from its
  // file with no step to undo, and stays unsaved when an edit is undone.
  void aLoadThatCorrectedValuesLeavesAListToSave() {
    m_dir = std::make_unique<TempDir>();
    m_state = std::make_unique<TempDir>();
    m_dir->Write("CORVELLA.INI", ReadExample("CORVELLA.INI"));
    testing::RequestValues bad = testing::ValidRequest("Bad");
    bad[COL_SIGN - 1] = "17";
    m_dir->Write("BASK.REQ",
                 testing::ValidRequestFile(1) + "\r\n" + testing::RequestSection(2, bad));
    Start(true);
    QCOMPARE(list().GetItemText(1, COL_SIGN), std::string("1"));
    QVERIFY(m_app->GetView().CorrectedOnLoad());
    QVERIFY(m_app->GetDocument().IsModified());
    QVERIFY(!m_app->GetCommands().IsEnabled(ID_EDIT_UNDO));
    ClickCell(0, COL_SIGN);
    QTest::keyClick(widget(), Qt::Key_Plus, Qt::KeypadModifier);
    QTest::keyClick(widget(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(m_app->GetDocument().IsModified());
    QTest::keyClick(widget(), Qt::Key_S, Qt::ControlModifier);  // Save
    QVERIFY(!m_app->GetDocument().IsModified());
  }

  void aSportSwitchStartsAnEmptyHistory() {
    Start();
    ClickCell(0, 0);
    m_ui->AnswerMessage(IDYES);
    QTest::keyClick(widget(), Qt::Key_D, Qt::ControlModifier);
    QVERIFY(m_app->GetCommands().IsEnabled(ID_EDIT_UNDO));
    m_ui->AnswerMessage(IDNO);  // do not save
    m_app->GetMainWnd()->RunCommand(ID_SPORT_FOOTBALL);
    QCOMPARE(m_app->GetDocument().GetSportFile(), std::string("FOOT.REQ"));
    QVERIFY(!m_app->GetCommands().IsEnabled(ID_EDIT_UNDO));
    QVERIFY(!m_app->GetCommands().IsEnabled(ID_EDIT_REDO));
  }

  // A crash leaves the recovery copy behind; the next start offers it, and
  // what it restores is unsaved until Save.
  void unsavedChangesComeBackAfterACrash() {
    Start();
    const std::string file = m_dir->File("BASK.REQ");
    const std::string copy = RecoveryCopy::PathFor(file);
    QVERIFY(copy.rfind(m_state->Path(), 0) == 0);  // in the state folder, not the program's
    ClickCell(2, 0);
    m_ui->AnswerMessage(IDYES);
    QTest::keyClick(widget(), Qt::Key_D, Qt::ControlModifier);
    const ListRows changed = TakeRows(list().Rows());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QString::fromStdString(copy)), 3000);
    const std::string left = ReadFile(copy);
    QVERIFY(!left.empty());

    // The program dies: nothing removes the copy.
    QVERIFY(EndAsACrashWould(m_app, file));
    m_ui = std::make_unique<ScriptedUi>();
    m_ui->AnswerMessage(IDYES);  // restore
    Start(true);
    QCOMPARE(m_ui->CountMessages(), 1);
    QVERIFY(QString::fromStdString(m_ui->MessageTexts()[0]).contains("Restore these changes?"));
    QVERIFY(SameRows(TakeRows(list().Rows()), changed));
    QVERIFY(m_app->GetDocument().IsModified());
    QVERIFY(!m_app->GetCommands().IsEnabled(ID_EDIT_UNDO));

    QTest::keyClick(widget(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!m_app->GetDocument().IsModified());
    QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(QString::fromStdString(copy)), 3000);
    QVERIFY(ReadFile(file) != ReadExample("BASK.REQ"));  // the restored rows were saved
  }

  // A copy that cannot be written is said once: a crash would lose the
  // changes, and the operator must know.
  void aCopyThatCannotBeWrittenIsSaidOnce() {
    Start();
    m_state->Write("corvella", "a file where the folder of the copies would be");
    ClickCell(0, 0);
    m_ui->AnswerMessage(IDYES);
    QTest::keyClick(widget(), Qt::Key_D, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(m_ui->CountMessages(), 2, 3000);
    QTest::qWait(1200);  // more checks, no more messages
    QCOMPARE(m_ui->CountMessages(), 2);
    QVERIFY(QString::fromStdString(m_ui->MessageTexts()[1])
                .contains("cannot be kept in a recovery copy"));
  }

  void aCopyOlderThanTheFileIsSetAsideWithAMessage() {
    m_dir = std::make_unique<TempDir>();
    m_state = std::make_unique<TempDir>();
    m_dir->Write("CORVELLA.INI", ReadExample("CORVELLA.INI"));
    m_dir->Write("BASK.REQ", ReadExample("BASK.REQ"));
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(m_state->Path()));
    const std::string copy = RecoveryCopy::PathFor(m_dir->File("BASK.REQ"));
    QVERIFY(QDir().mkpath(QString::fromStdString(RecoveryCopy::Folder())));
    {
      QFile out(QString::fromStdString(copy));
      QVERIFY(out.open(QIODevice::WriteOnly));
      out.write("[REQ1]\r\nName=Stale\r\n");
    }
    const struct utimbuf hourAgo = {time(nullptr) - 3600, time(nullptr) - 3600};
    QVERIFY(::utime(copy.c_str(), &hourAgo) == 0);

    Start(true);
    QCOMPARE(m_ui->CountMessages(), 1);
    const QString message = QString::fromStdString(m_ui->MessageTexts()[0]);
    QVERIFY2(message.contains("was not used because it is older than BASK.REQ"),
             qPrintable(message));
    QVERIFY(!QFile::exists(QString::fromStdString(copy)));
    QCOMPARE(QDir(QString::fromStdString(RecoveryCopy::Folder()))
                 .entryList({QStringLiteral("*.set-aside")}, QDir::Files)
                 .size(),
             1);
    QCOMPARE(list().GetItemText(0, COL_DESCRIPTION), std::string("Points Leaders"));
    QVERIFY(!m_app->GetDocument().IsModified());
  }
};

QTEST_MAIN(UndoRecoveryTest)
#include "undo_recovery_test.moc"
