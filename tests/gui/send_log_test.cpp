// The send outcomes in the real main window: a refused Ctrl+R says why, the
// status bar's line goes with its list, the Send Log dock lists and cancels
// sends and is remembered, and one send's status line, Send Log row and
// journal line agree for every kind of outcome. The sign service is the
// embedded stand-in, the serial port a pseudo-terminal; the Select Desired
// Team/Player dialog is answered by a scripted user interface.

#include "shell/send_log.h"

#include <QAccessible>
#include <QDialog>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QtTest>
#include <memory>

#include "listview/corvella_view.h"
#include "platform/list_control.h"
#include "platform/profile.h"
#include "platform/qt/announcer.h"
#include "platform/qt/list_widget.h"
#include "requests/corvella_doc.h"
#include "shell/corvella_app.h"
#include "shell/eliding_label.h"
#include "shell/main_frame.h"
#include "support/example_files.h"
#include "support/pseudo_terminal.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"
#include "tools/signsim/server.h"
#include "transmit/send_journal.h"
#include "transmit/send_request.h"

using namespace corvella;

namespace {

// The program in a folder of its own, with its state folder and sign
// service socket folder there too.
struct Program {
  Program() {
    WriteSampleProgramFolder(dir);
    qputenv("CORVELLA_DIR", QByteArray::fromStdString(dir.Path()));
    qputenv("ZELTRPC_DIR", QByteArray::fromStdString(dir.Path() + "sock"));
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(dir.Path() + "state"));
  }
  ~Program() {
    if (app) app->GetDocument().History().MarkSaved();
    app.reset();
    server.reset();
    qunsetenv("CORVELLA_DIR");
    qunsetenv("ZELTRPC_DIR");
    qunsetenv("XDG_STATE_HOME");
  }
  bool Start() {
    app = std::make_unique<CCorvellaApp>(&ui);
    if (!app->InitInstance({})) return false;
    frame()->activateWindow();
    QObject::connect(frame(), &CMainFrame::sendResultShown, frame(),
                     [this](CMainFrame::SendState state, const QString& summary) {
                       shown.append({state, summary});
                     });
    return QTest::qWaitForWindowActive(frame());
  }
  bool StartServer(int delayMs = 0) {
    signsim::Options options;
    options.dir = dir.Path() + "sock";
    options.delayMs = delayMs;
    server = std::make_unique<signsim::SignServer>(options);
    std::string error;
    return server->start(error);
  }
  void SetKey(const char* key, const char* value) {
    WritePrivateProfileString("REQUEST", key, value, dir.File("CORVELLA.INI"));
  }
  CMainFrame* frame() const { return app->GetMainWnd(); }
  ListControl& list() const { return app->GetView().GetListCtrl(); }
  SendLogModel& log() const { return app->GetSendLog(); }
  // A click on a cell, as the operator makes it.
  void Click(int row, int column, Qt::MouseButton button = Qt::LeftButton,
             Qt::KeyboardModifiers keys = Qt::NoModifier) {
    ListWidget* widget = app->GetListWidget();
    Rect rc;
    if (column == 0)
      list().GetItemRect(row, rc, LVIR_LABEL);
    else
      list().GetSubItemRect(row, column, rc);
    QTest::mouseClick(
        widget->viewport(), button, keys,
        widget->ToViewport(Point{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2}));
  }
  void CtrlR() { QTest::keyClick(app->GetListWidget(), Qt::Key_R, Qt::ControlModifier); }
  bool WaitIdle() {
    return QTest::qWaitFor([this] { return !app->GetSender().IsSending(); }, 15000) &&
           QTest::qWaitFor([this] { return app->GetSender().Queue().empty(); }, 5000);
  }
  // The journal's lines, without its heading.
  QList<QByteArray> Journal() const {
    app->GetSendJournal().WaitUntilWritten();
    QFile file(QString::fromStdString(app->GetSendJournal().Path()));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    lines.removeIf([](const QByteArray& line) { return line.isEmpty() || line.startsWith('#'); });
    return lines;
  }

  TempDir dir;
  ScriptedUi ui;
  std::unique_ptr<signsim::SignServer> server;
  std::unique_ptr<CCorvellaApp> app;
  QList<QPair<CMainFrame::SendState, QString>> shown;  // every line the status bar showed
};

CMainFrame::SendState PaneState(CMainFrame* frame) {
  return CMainFrame::SendState(frame->SendResultPane()->property("sendState").toInt());
}

}  // namespace

class SendLogTest : public QObject {
  Q_OBJECT

 private slots:
  void refusedSendSaysWhy();
  void lineGoesWithItsList();
  void statusLineLogAndJournalAgree_data();
  void statusLineLogAndJournalAgree();
  void logIsATableShownFromTheViewMenuAndRemembered();
  void outcomesAreSaidOnceInOrderAfterADialog();
  void logIsReachedAndUsedFromTheKeyboard();
  void historyOfThisFolderIsShownAfterStartAndNumbersGoOn();
  void closingDuringASendSaysSoAndTheOutcomeBeforeTheWindowGoes();
};

// Ctrl+R while the send command cannot send says why, in the failure style,
// and the Send Log keeps the refusal.
void SendLogTest::refusedSendSaysWhy() {
  Program p;
  QVERIFY(p.Start());
  QVERIFY(p.list().GetItemCount() >= 3);
  struct Case {
    const char* name;
    std::function<void()> arrange;
    const char* says;
  };
  const Case cases[] = {
      {"a cell after an in-place edit", [&] { p.Click(0, 3); },
       "Not sent: a cell of request 1 is selected, not the whole request; press Ctrl+Left or "
       "click its # cell, then send ("},
      {"two rows",
       [&] {
         p.Click(0, 0);
         p.Click(2, 0, Qt::LeftButton, Qt::ControlModifier);
       },
       "Not sent: 2 requests are selected; select one request to send ("},
      {"no row",
       [&] {
         p.Click(0, 0);
         p.Click(0, 0, Qt::LeftButton, Qt::ControlModifier);
       },
       "Not sent: no request is selected; select the one to send ("},
  };
  for (const Case& c : cases) {
    c.arrange();
    const int rows = p.log().rowCount();
    p.CtrlR();
    QVERIFY2(p.frame()->SendResultText().startsWith(QString::fromLatin1(c.says)),
             qPrintable(QStringLiteral("%1: %2").arg(c.name, p.frame()->SendResultText())));
    QVERIFY(p.frame()->SendResultPane()->isVisible());
    QCOMPARE(PaneState(p.frame()), CMainFrame::SendState::kFailed);
    QCOMPARE(p.log().rowCount(), rows + 1);
    QCOMPARE(p.log().At(0).state, SendReport::State::kRefused);
  }
  QCOMPARE(p.ui.CountCalls(ScriptedUi::Kind::TeamPlayer), 0);
  QCOMPARE(p.ui.CountMessages(), 0);
}

// A sport switch clears the last send's line; a result that arrives after
// the switch names the list it came from. The Send Log keeps both.
void SendLogTest::lineGoesWithItsList() {
  Program p;
  QVERIFY(p.StartServer(600));
  QVERIFY(p.Start());
  p.Click(0, 0);
  p.frame()->RunCommand(ID_SEND_REQUEST);
  QVERIFY(p.WaitIdle());
  QVERIFY2(p.frame()->SendResultText().startsWith(QStringLiteral("Request 1 delivered")),
           qPrintable(p.frame()->SendResultText()));

  p.frame()->RunCommand(ID_SPORT_FOOTBALL);
  QVERIFY(p.frame()->SendResultText().isEmpty());
  QVERIFY(!p.frame()->SendResultPane()->property("sendState").isValid());
  QCOMPARE(p.log().rowCount(), 1);

  // Back to basketball, send, and switch while the request is on its way.
  p.frame()->RunCommand(ID_SPORT_BASKETBALL);
  p.Click(1, 0);
  p.frame()->RunCommand(ID_SEND_REQUEST);
  QVERIFY(p.app->GetSender().IsSending());
  p.frame()->RunCommand(ID_SPORT_FOOTBALL);
  QVERIFY(p.WaitIdle());
  QTRY_VERIFY2(
      p.frame()->SendResultText().startsWith(QStringLiteral("BASK.REQ: Request 2 delivered")),
      qPrintable(p.frame()->SendResultText()));
  QCOMPARE(p.log().rowCount(), 2);
}

void SendLogTest::statusLineLogAndJournalAgree_data() {
  QTest::addColumn<QString>("outcome");
  QTest::addColumn<int>("paneState");
  QTest::newRow("delivered") << "DELIVERED" << int(CMainFrame::SendState::kDelivered);
  QTest::newRow("not delivered") << "NOT DELIVERED" << int(CMainFrame::SendState::kFailed);
  QTest::newRow("refused") << "REFUSED" << int(CMainFrame::SendState::kFailed);
  QTest::newRow("cancelled") << "CANCELLED" << int(CMainFrame::SendState::kWarning);
  QTest::newRow("serial, settings failed")
      << "SENT, SETTINGS FAILED" << int(CMainFrame::SendState::kWarning);
}

// For each kind of outcome, one send: the line the status bar showed for it,
// its Send Log row and its journal line tell the same thing.
void SendLogTest::statusLineLogAndJournalAgree() {
  QFETCH(QString, outcome);
  QFETCH(int, paneState);
  PseudoTerminal pty;
  qputenv("CORVELLA_COM2", QByteArray::fromStdString(pty.SlavePath()));
  Program p;
  if (outcome != "NOT DELIVERED") QVERIFY(p.StartServer(outcome == "CANCELLED" ? 800 : 0));
  if (outcome.startsWith("SENT")) {
    p.SetKey("ZLRTDINPUT", "0");
    p.SetKey("COMPORT", "2");
    p.SetKey("BAUD", "14400");
  }
  QVERIFY(p.Start());
  p.Click(0, 0);
  int send = 1;
  if (outcome == "REFUSED") {
    p.Click(1, 0, Qt::LeftButton, Qt::ControlModifier);
    p.CtrlR();
    send = 0;
  } else if (outcome == "CANCELLED") {
    // A second send waits behind the slow first one; the dock cancels it.
    p.frame()->ShowSendLog(true);
    p.frame()->RunCommand(ID_SEND_REQUEST);
    p.Click(1, 0);
    p.frame()->RunCommand(ID_SEND_REQUEST);
    auto* dock = static_cast<SendLogDock*>(p.frame()->SendLog());
    QCOMPARE(dock->windowTitle(), QStringLiteral("Send Log (1 waiting)"));
    dock->View()->setCurrentIndex(p.log().index(p.log().RowOfSend(2), 0));
    auto* cancel = dock->findChild<QPushButton*>(QStringLiteral("cancelSendButton"));
    QVERIFY(cancel->isEnabled());
    QTest::mouseClick(cancel, Qt::LeftButton);
    send = 2;
    // The one on its way cannot be cancelled.
    dock->View()->setCurrentIndex(p.log().index(p.log().RowOfSend(1), 0));
    QVERIFY(!cancel->isEnabled());
  } else {
    p.frame()->RunCommand(ID_SEND_REQUEST);
  }
  QVERIFY(p.WaitIdle());

  const int row = send == 0 ? 0 : p.log().RowOfSend(send);
  QVERIFY(row >= 0);
  const SendReport& r = p.log().At(row);
  QCOMPARE(QString::fromLatin1(SendStateName(r.state)), outcome);
  const QString logOutcome =
      p.log().data(p.log().index(row, SendLogModel::kOutcome), Qt::DisplayRole).toString();
  const QString summary = p.log().data(p.log().index(row, 0), Qt::ToolTipRole).toString();
  // The status bar showed that row's summary, in its style, and the summary
  // tells the outcome.
  QVERIFY2(p.shown.contains(qMakePair(CMainFrame::SendState(paneState), summary)),
           qPrintable(summary));
  QVERIFY2(summary.contains(logOutcome, Qt::CaseInsensitive),
           qPrintable(summary + " / " + logOutcome));
  // The journal's line of that send.
  QByteArray line;
  for (const QByteArray& l : p.Journal()) {
    if (l.split('\t').value(2).toInt() == send) line = l;
  }
  QVERIFY2(!line.isEmpty(), qPrintable(QString::fromUtf8(p.Journal().join('\n'))));
  const QList<QByteArray> fields = line.split('\t');
  QCOMPARE(fields.size(), 12);
  QCOMPARE(QString::fromUtf8(fields[9]), outcome);
  std::string text;
  QVERIFY(UnescapeJournalField(fields[11].toStdString(), &text));
  QCOMPARE(QString::fromStdString(text), logOutcome);
  QCOMPARE(fields[4].toInt(), r.request);
  QVERIFY(UnescapeJournalField(fields[5].toStdString(), &text));
  QCOMPARE(QString::fromStdString(text),
           p.log().data(p.log().index(row, SendLogModel::kDescription)).toString());
  QVERIFY(UnescapeJournalField(fields[8].toStdString(), &text));
  QCOMPARE(QString::fromStdString(text),
           p.log().data(p.log().index(row, SendLogModel::kDestination)).toString());
  if (outcome == "NOT DELIVERED") {
    QCOMPARE(fields[10], QByteArray("1722"));
    QVERIFY(summary.contains(QStringLiteral("status 1722 RPC_S_SERVER_UNAVAILABLE")));
    // Longer than the pane of the window as it opens: painted cut with "…",
    // never as a shorter sentence, while the line itself stays whole.
    const auto* pane = p.frame()->findChild<ElidingLabel*>(QStringLiteral("sendResultText"));
    QVERIFY(pane->ShownText().endsWith(QChar(0x2026)));
    QCOMPARE(pane->text(), summary);
  }
  qunsetenv("CORVELLA_COM2");
}

// The Send Log is a table with headers (what a screen reader reads), shown
// and hidden by View > Send Log, and shown again at the next start.
void SendLogTest::logIsATableShownFromTheViewMenuAndRemembered() {
  Program p;
  QVERIFY(p.Start());
  QVERIFY(!p.frame()->SendLog()->isVisible());
  p.frame()->RunCommand(ID_VIEW_SEND_LOG);
  QVERIFY(p.frame()->SendLog()->isVisible());
  // Opening it says so, with its count.
  QTRY_VERIFY(p.frame()->ScreenReader()->Text().startsWith(QStringLiteral("Send Log: 0 sends")));
  p.frame()->UpdateCommandUI();
  p.frame()->UpdateMenu(p.frame()->findChild<QMenu*>(QStringLiteral("ViewMenu")));
  QVERIFY(p.frame()->Action(ID_VIEW_SEND_LOG)->isChecked());

  p.CtrlR();  // something to read: a refused send
  auto* view = static_cast<SendLogDock*>(p.frame()->SendLog())->View();
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(view);
  QVERIFY(table && table->tableInterface());
  QCOMPARE(table->tableInterface()->columnCount(), int(SendLogModel::kColumns));
  QCOMPARE(table->tableInterface()->rowCount(), 1);
  QAccessibleInterface* header = table->tableInterface()->cellAt(0, SendLogModel::kOutcome);
  QVERIFY(header);
  QCOMPARE(header->tableCellInterface()->columnHeaderCells().value(0)->text(QAccessible::Name),
           QStringLiteral("Outcome"));

  p.app.reset();
  QVERIFY(p.Start());
  QVERIFY(p.frame()->SendLog()->isVisible());
  p.frame()->RunCommand(ID_VIEW_SEND_LOG);
  QVERIFY(!p.frame()->SendLog()->isVisible());
  p.app.reset();
  QVERIFY(p.Start());
  QVERIFY(!p.frame()->SendLog()->isVisible());
}

// The journal of this program folder is read back once the window is up:
// its sends below, with their dates, and new sends numbered after them.
// Another program folder's journal stays its own.
void SendLogTest::historyOfThisFolderIsShownAfterStartAndNumbersGoOn() {
  Program p;
  const std::time_t yesterday = std::time(nullptr) - 26 * 3600;
  const auto journal = [&](const std::string& programFolder, int send) {
    SendJournal earlier(p.dir.Path() + "state/corvella", programFolder);
    SendReport r;
    r.state = SendReport::State::kUnknown;
    r.send = send;
    r.request = 2;
    r.list = "BASK.REQ";
    r.description = "Rebounds\tand\nmore";
    r.outcome = "outcome unknown: the request may have reached the sign";
    r.requested = yesterday;
    r.ended = yesterday + 10;
    earlier.Append(r);
  };
  journal(p.dir.Path(), 41);
  journal(p.dir.Path() + "elsewhere/", 99);
  QVERIFY(p.StartServer());
  QVERIFY(p.Start());
  QTRY_COMPARE(p.log().rowCount(), 1);
  const auto cell = [&](int row, int column) {
    return p.log().data(p.log().index(row, column)).toString();
  };
  QCOMPARE(p.log().At(0).send, 41);
  QCOMPARE(cell(0, SendLogModel::kDescription), QStringLiteral("Rebounds\tand\nmore"));
  QVERIFY2(cell(0, SendLogModel::kRequested).contains(QLatin1Char('-')),
           qPrintable(cell(0, SendLogModel::kRequested)));
  QVERIFY(!cell(0, SendLogModel::kEnded).isEmpty());

  p.Click(0, 0);
  p.frame()->RunCommand(ID_SEND_REQUEST);
  QVERIFY(p.WaitIdle());
  QTRY_COMPARE(p.log().rowCount(), 2);
  QCOMPARE(p.log().At(0).send, 42);
  QCOMPARE(p.log().At(0).state, SendReport::State::kDelivered);
  QVERIFY(!cell(0, SendLogModel::kRequested).contains(QLatin1Char('-')));  // today: the time
  QVERIFY(!cell(0, SendLogModel::kEnded).isEmpty());
}

// Alt+F4 while a request is on its way: the window says why it stays, and
// the outcome has been said before it goes.
void SendLogTest::closingDuringASendSaysSoAndTheOutcomeBeforeTheWindowGoes() {
  Program p;
  QVERIFY(p.StartServer(1500));
  QVERIFY(p.Start());
  Announcer* speech = p.frame()->ScreenReader();
  QStringList said;
  QTimer listener;
  QObject::connect(&listener, &QTimer::timeout, [&] {
    if (!speech->Pending() && (said.isEmpty() || said.back() != speech->Text()))
      said << speech->Text();
  });
  listener.start(5);
  bool pendingAtHide = true;
  QString lastAtHide;
  struct HideWatch : QObject {
    std::function<void()> onHide;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Hide && onHide) onHide();
      return false;
    }
  } watch;
  watch.onHide = [&] {
    pendingAtHide = speech->Pending();
    lastAtHide = speech->Text();
  };
  p.frame()->installEventFilter(&watch);

  p.Click(0, 0);
  p.frame()->RunCommand(ID_SEND_REQUEST);
  QVERIFY(p.app->GetSender().IsSending());
  p.frame()->close();
  QVERIFY(p.frame()->isVisible());
  QTRY_VERIFY_WITH_TIMEOUT(!p.frame()->isVisible(), 15000);
  QVERIFY2(
      said.join(QStringLiteral(" | ")).contains(QStringLiteral("Closing after request 1 is sent")),
      qPrintable(said.join(QStringLiteral(" | "))));
  QVERIFY(!pendingAtHide);
  QVERIFY2(lastAtHide.startsWith(QStringLiteral("Request 1 delivered")), qPrintable(lastAtHide));
  p.frame()->removeEventFilter(&watch);
}

// Three sends to a slow service, their outcomes arriving while a dialog is
// open: once it closes each outcome is said exactly once, in the order the
// sends ended, none replaced by the "Sending" lines between them; Ctrl+L
// says the last three again, newest first.
void SendLogTest::outcomesAreSaidOnceInOrderAfterADialog() {
  Program p;
  QVERIFY(p.StartServer(300));
  QVERIFY(p.Start());
  QStringList said;
  connect(p.frame()->ScreenReader(), &Announcer::said, this,
          [&](const QString& text) { said << text; });
  for (int row = 0; row < 3; ++row) {
    p.Click(row, 0);
    p.CtrlR();
  }
  {
    QDialog dialog(p.frame());
    QTimer::singleShot(0, &dialog, [&] {
      QVERIFY(p.WaitIdle());
      QTRY_COMPARE(p.frame()->RecentOutcomes().size(), 3);
      dialog.accept();
    });
    dialog.exec();
  }
  const QStringList outcomes = p.frame()->RecentOutcomes();  // newest first
  QTRY_VERIFY_WITH_TIMEOUT(said.join(u'|').contains(outcomes.front()), 5000);
  const QString heard = said.join(u'|');
  int at = -1;
  for (int n = 1; n <= 3; ++n) {
    const QString outcome = QStringLiteral("Request %1 delivered").arg(n);
    QCOMPARE(heard.count(outcome), 1);
    QVERIFY2(heard.indexOf(outcome) > at, qPrintable(heard));
    at = heard.indexOf(outcome);
  }

  said.clear();
  p.frame()->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(p.frame()));
  QTest::keyClick(p.app->GetListWidget(), Qt::Key_L, Qt::ControlModifier);
  QTRY_COMPARE(said.value(0), Announcer::Join(outcomes));
  QVERIFY(said.value(0).startsWith(QStringLiteral("Request 3 delivered")));
}

// The Send Log from the keyboard: F6 shows it and goes there, saying its
// name and count; the cancel buttons are there exactly while a send waits,
// and Alt+A cancels it; Escape goes back to the list, where Ctrl+R sends
// again; Shift+F6 and F6 go back and forth.
void SendLogTest::logIsReachedAndUsedFromTheKeyboard() {
  Program p;
  QVERIFY(p.StartServer(1500));
  QVERIFY(p.Start());
  auto* dock = static_cast<SendLogDock*>(p.frame()->SendLog());
  auto* cancel = dock->findChild<QPushButton*>(QStringLiteral("cancelSendButton"));
  auto* cancelAll = dock->findChild<QPushButton*>(QStringLiteral("cancelAllWaitingButton"));
  QVERIFY(!dock->isVisible());
  p.Click(0, 0);
  p.CtrlR();  // on its way
  p.CtrlR();  // waiting behind it
  QCOMPARE(p.log().WaitingCount(), 1);
  QCOMPARE(dock->windowTitle(), QStringLiteral("Send Log (1 waiting)"));
  QVERIFY(cancelAll->isEnabled());

  auto says = [&](const QString& text) {
    return QTest::qWaitFor([&] {
      return p.frame()->ScreenReader()->Text().contains(text) ||
             p.frame()->ScreenReader()->Waiting().join(u' ').contains(text);
    });
  };
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
  QVERIFY(dock->isVisible());
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dock->View()));
  QVERIFY(says(QStringLiteral("Send Log: 2 sends, 1 waiting")));
  QVERIFY(cancel->isEnabled());  // the newest row, the waiting send, is current

  QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
  QTRY_COMPARE(p.log().WaitingCount(), 0);
  QCOMPARE(p.log().At(0).state, SendReport::State::kCancelled);
  QVERIFY(!cancelAll->isEnabled());
  QVERIFY(!cancel->isEnabled());

  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(p.app->GetListWidget()));
  QVERIFY(says(QStringLiteral("Requests: ")));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dock->View()));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(p.app->GetListWidget()));
  p.CtrlR();
  QCOMPARE(p.log().rowCount(), 3);
  QVERIFY(p.WaitIdle());
}

QTEST_MAIN(SendLogTest)
#include "send_log_test.moc"
