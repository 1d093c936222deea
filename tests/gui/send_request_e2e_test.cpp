// From file to sign, in the real main window: the sample request file is
// loaded, the operator right-clicks the "#" cell of the first request,
// answers Select Desired Team/Player with Visitor and 12, and the stand-in
// sign service receives exactly the packet: on this computer (a private
// socket folder), and on the computer SIGNSERVER names, through a real SMB
// server whose pipe leads to the stand-in.

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "listview/corvella_view.h"
#include "platform/list_control.h"
#include "platform/qt/list_widget.h"
#include "requests/corvella_doc.h"
#include "shell/corvella_app.h"
#include "shell/main_frame.h"
#include "shell/send_log.h"
#include "support/example_files.h"
#include "support/temp_dir.h"
#include "tests/zeltrpc/smb_test_server.h"
#include "tools/signsim/packet_decoder.h"
#include "tools/signsim/server.h"
#include "transmit/send_journal.h"
#include "transmit/send_request.h"

using namespace corvella;

namespace {

// The first sample request (Points Leaders: Sign 1, Continuous, 1 time,
// C, DEFAULT, RTD, frame 0, offset 0) for Visitor and player 12; checksum
// worked out by hand: the bytes from offset 1 through EOT add up to 2723
// (0xAA3), modulo 256 0xA3.
const std::string kExpected =
    "\x16"
    "0"
    "0000000"
    "\x01"
    "001"
    "01"
    "0"
    "00001"
    "C"
    "DEFAULT "
    "RTD     "
    "0000"
    "00000"
    "G"
    "I"
    "V"
    "12"
    " "
    "\x04"
    "A3"
    "\x17";

}  // namespace

class SendRequestEndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void rightClickSendsThePacketToTheSignService();
  void rightClickSendsThePacketToTheSignServerNamed();
  void slowServiceNeitherFreezesTheWindowNorHidesAFailure();
  void fastKeyboardPathSendsThePlayerTyped();
  void failureBoxComesAfterTheRecordAndHoldsNothingBack();

 private:
  void sendFirstRequest(TempDir& dir, signsim::SignServer& server);
};

void SendRequestEndToEndTest::rightClickSendsThePacketToTheSignService() {
  TempDir dir;
  dir.Write("CORVELLA.INI", ReadExample("CORVELLA.INI"));  // ZLRTDINPUT=1
  signsim::Options options;
  options.dir = dir.Path() + "sock";
  signsim::SignServer server(options);
  sendFirstRequest(dir, server);
}

void SendRequestEndToEndTest::rightClickSendsThePacketToTheSignServerNamed() {
  if (std::string why = zeltrpc_test::SmbTestServer::unavailable(); !why.empty())
    QSKIP(why.c_str());
  TempDir dir;
  dir.Write("CORVELLA.INI", ReadExample("CORVELLA.INI") + "SIGNSERVER=127.0.0.1\n");
  dir.Write("auth",
            std::string("username = op\npassword = ") + zeltrpc_test::kSmbTestPassword + "\n");
  QVERIFY(QFile::setPermissions(QString::fromStdString(dir.Path() + "auth"),
                                QFile::ReadOwner | QFile::WriteOwner));
  signsim::Options options;
  options.dir = dir.Path() + "sock";
  options.tcp = "127.0.0.1:0";
  signsim::SignServer server(options);
  std::string error;
  QVERIFY2(server.start(error), error.c_str());
  zeltrpc_test::SmbTestServer smb;
  QVERIFY2(smb.start(server.tcpPort(), dir.Path(), error), error.c_str());
  qputenv("ZELTRPC_SMB_PORT", QByteArray::number(smb.port()));
  qputenv("ZELTRPC_AUTH_FILE", QByteArray::fromStdString(dir.Path() + "auth"));
  qputenv("KRB5CCNAME", QByteArray::fromStdString("FILE:" + dir.Path() + "no-ticket-cache"));
  sendFirstRequest(dir, server);
  QVERIFY(server.callCount() >= 2);  // the connect's ping and the packet
  qunsetenv("ZELTRPC_SMB_PORT");
  qunsetenv("ZELTRPC_AUTH_FILE");
  qunsetenv("KRB5CCNAME");
}

// A service that takes 1.5 s to answer: the command returns at once, the
// window goes on working and says which request is on its way; the result
// replaces that line. Once the service is gone, the next send says that the
// request was not delivered.
void SendRequestEndToEndTest::slowServiceNeitherFreezesTheWindowNorHidesAFailure() {
  TempDir dir;
  dir.Write("CORVELLA.INI", ReadExample("CORVELLA.INI"));
  dir.Write("BASK.REQ", ReadExample("BASK.REQ"));
  qputenv("CORVELLA_DIR", QByteArray::fromStdString(dir.Path()));
  qputenv("ZELTRPC_DIR", QByteArray::fromStdString(dir.Path() + "sock"));
  signsim::Options options;
  options.dir = dir.Path() + "sock";
  options.delayMs = 1500;
  auto server = std::make_unique<signsim::SignServer>(options);
  std::string error;
  QVERIFY2(server->start(error), error.c_str());
  const QByteArray shots = qgetenv("CORVELLA_SHOT_DIR");  // screenshots, when asked for
  {
    CCorvellaApp app;
    QVERIFY(app.InitInstance({}));
    CMainFrame* frame = app.GetMainWnd();
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame));
    ListControl& list = app.GetView().GetListCtrl();
    ListWidget* widget = app.GetListWidget();
    // Every dialog is answered with its default button.
    QTimer answerer;
    QStringList messages;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        messages << box->text();
        box->accept();
      } else if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        dlg->accept();
      }
    });
    answerer.start(20);
    auto sendRow = [&](int row) {
      Rect rc;
      QVERIFY(list.GetItemRect(row, rc, LVIR_LABEL));
      QTest::mouseClick(
          widget->viewport(), Qt::RightButton, Qt::NoModifier,
          widget->ToViewport(Point{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2}));
    };

    sendRow(0);
    // The click came back long before the service's answer.
    QVERIFY(app.GetSender().IsSending());
    QCOMPARE(frame->SendResultPane()->property("sendState").toInt(),
             int(CMainFrame::SendState::kSending));
    QVERIFY(frame->SendResultText().startsWith(
        QStringLiteral("Sending request 1 to the sign service on this computer, input 1")));
    QVERIFY(frame->SendResultPane()->isVisible());
    // The event loop runs meanwhile: a timer of 100 ms fires.
    bool ticked = false;
    QTimer::singleShot(100, [&] { ticked = true; });
    QTRY_VERIFY_WITH_TIMEOUT(ticked, 1000);
    QVERIFY(app.GetSender().IsSending());
    if (!shots.isEmpty()) frame->grab().save(QString::fromLocal8Bit(shots) + "/send-in-flight.png");

    QTRY_VERIFY_WITH_TIMEOUT(!app.GetSender().IsSending(), 15000);
    QTRY_COMPARE(frame->SendResultPane()->property("sendState").toInt(),
                 int(CMainFrame::SendState::kDelivered));

    server.reset();  // the sign service stops
    sendRow(1);
    QTRY_VERIFY_WITH_TIMEOUT(!app.GetSender().IsSending(), 15000);
    QTRY_COMPARE(frame->SendResultPane()->property("sendState").toInt(),
                 int(CMainFrame::SendState::kFailed));
    QVERIFY2(frame->SendResultText().startsWith(QStringLiteral("Request 2 NOT delivered")),
             qPrintable(frame->SendResultText()));
    if (!shots.isEmpty()) frame->grab().save(QString::fromLocal8Bit(shots) + "/send-failed.png");
    answerer.stop();
    QCOMPARE(messages, QStringList());  // the line says it; no box stands in the way
    app.GetDocument().History().MarkSaved();
  }
  qunsetenv("ZELTRPC_DIR");
  qunsetenv("CORVELLA_DIR");
}

// The operator's fast path, typed as keys into whatever has the focus: Down
// to the second request, Ctrl+R, 2 3, Alt+V, Enter. The dialog opens on the
// player number (a screen reader hears "Player Number", an edit holding 0),
// the digits land there, and the side chosen by its key a moment before
// Enter counts: the sign service decodes Visitor and player 23.
void SendRequestEndToEndTest::fastKeyboardPathSendsThePlayerTyped() {
  TempDir dir;
  dir.Write("CORVELLA.INI", ReadExample("CORVELLA.INI"));
  dir.Write("BASK.REQ", ReadExample("BASK.REQ"));
  qputenv("CORVELLA_DIR", QByteArray::fromStdString(dir.Path()));
  qputenv("ZELTRPC_DIR", QByteArray::fromStdString(dir.Path() + "sock"));
  signsim::Options options;
  options.dir = dir.Path() + "sock";
  signsim::SignServer server(options);
  std::string error;
  QVERIFY2(server.start(error), error.c_str());
  {
    CCorvellaApp app;
    QVERIFY(app.InitInstance({}));
    CMainFrame* frame = app.GetMainWnd();
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame));
    QTRY_VERIFY(QApplication::focusWidget() == app.GetListWidget());
    ListControl& list = app.GetView().GetListCtrl();

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(list.GetItemState(1, LVIS_SELECTED), unsigned(LVIS_SELECTED));

    QString focusName, accessibleName, accessibleValue;
    bool typed = false;
    QTimer::singleShot(0, [&] {
      QPointer<QDialog> dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      QVERIFY(dlg);
      QTRY_VERIFY(dlg->isActiveWindow() && QApplication::focusWidget() != nullptr &&
                  QApplication::focusWidget()->window() == dlg);
      QWidget* focus = QApplication::focusWidget();
      focusName = focus->objectName();
      if (QAccessibleInterface* a = QAccessible::queryAccessibleInterface(focus)) {
        accessibleName = a->text(QAccessible::Name);
        accessibleValue = a->text(QAccessible::Value);
      }
      QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("23"));
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::AltModifier);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
      typed = true;
      if (dlg && dlg->isVisible()) dlg->reject();
    });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_R, Qt::ControlModifier);
    QVERIFY(typed);
    QCOMPARE(focusName, QStringLiteral("playerNumberLineEdit"));
    QCOMPARE(accessibleName, QStringLiteral("Player Number"));
    QCOMPARE(accessibleValue, QStringLiteral("0"));

    QTRY_VERIFY_WITH_TIMEOUT(!app.GetSender().IsSending(), 15000);
    QTRY_VERIFY(frame->SendResultText().startsWith(QStringLiteral("Request 2 delivered")));
    app.GetDocument().History().MarkSaved();
  }
  const std::vector<uint8_t> received = server.service().realTimeData(0);
  const std::string decoded = signsim::decodeRequestPacket(received).line;
  QVERIFY2(decoded.find("side Visitor player 23 ") != std::string::npos, decoded.c_str());
  server.stop();
  qunsetenv("ZELTRPC_DIR");
  qunsetenv("CORVELLA_DIR");
}

// The sign service is down at the first send: the send's record is complete
// (Send Log, status bar, journal) when the failed connect's box appears, and
// the box holds nothing back: no modal loop, the next send goes out and ends
// while it stands.
void SendRequestEndToEndTest::failureBoxComesAfterTheRecordAndHoldsNothingBack() {
  TempDir dir;
  dir.Write("CORVELLA.INI", ReadExample("CORVELLA.INI"));
  dir.Write("BASK.REQ", ReadExample("BASK.REQ"));
  qputenv("CORVELLA_DIR", QByteArray::fromStdString(dir.Path()));
  qputenv("ZELTRPC_DIR", QByteArray::fromStdString(dir.Path() + "sock"));
  {
    CCorvellaApp app;  // the real message boxes and dialogs
    QVERIFY(app.InitInstance({}));
    CMainFrame* frame = app.GetMainWnd();
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame));
    ListControl& list = app.GetView().GetListCtrl();
    ListWidget* widget = app.GetListWidget();
    // The team/player dialog is answered with OK; a modal message box is a
    // fault, closed so the run goes on.
    QStringList modal;
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
      QWidget* active = QApplication::activeModalWidget();
      if (auto* box = qobject_cast<QMessageBox*>(active)) {
        modal << box->text();
        box->accept();
      } else if (auto* dlg = qobject_cast<QDialog*>(active)) {
        dlg->accept();
      }
    });
    answerer.start(20);
    const auto notices = [] {
      QList<QMessageBox*> shown;
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("corvellaNoticeBox") && w->isVisible())
          shown << static_cast<QMessageBox*>(w);
      }
      return shown;
    };
    const auto sendRow = [&](int row) {
      Rect rc;
      QVERIFY(list.GetItemRect(row, rc, LVIR_LABEL));
      QTest::mouseClick(
          widget->viewport(), Qt::RightButton, Qt::NoModifier,
          widget->ToViewport(Point{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2}));
    };

    sendRow(0);
    QTRY_COMPARE_WITH_TIMEOUT(notices().size(), 1, 15000);
    QCOMPARE(notices().front()->text(),
             QStringLiteral("Unable to connect to Norvane Sign Service!"));
    QVERIFY(
        notices().front()->informativeText().startsWith(QStringLiteral("Request 1 was not sent")));
    // The record is whole while the box stands.
    const SendLogModel& log = app.GetSendLog();
    QCOMPARE(log.At(0).state, SendReport::State::kFailed);
    QVERIFY(log.At(0).ended != 0);
    QCOMPARE(frame->SendResultPane()->property("sendState").toInt(),
             int(CMainFrame::SendState::kFailed));
    QVERIFY(frame->SendResultText().startsWith(QStringLiteral("Request 1 NOT delivered")));
    int highest = 0;
    QCOMPARE(app.GetSendJournal().ReadHistory(10, &highest).size(), std::size_t(1));
    QCOMPARE(QApplication::activeModalWidget(), nullptr);

    // The next send is made and ends while the first box still stands.
    // The operator clicks into the window (the box took the keyboard).
    QApplication::setActiveWindow(frame);
    QTRY_VERIFY(frame->isActiveWindow());
    widget->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(list.HasFocus());
    sendRow(1);
    QTRY_COMPARE_WITH_TIMEOUT(notices().size(), 2, 15000);
    QCOMPARE(log.At(0).request, 2);
    QVERIFY(log.At(0).Ended());
    answerer.stop();
    QCOMPARE(modal, QStringList());
    // Nor do they hold back the close: the window goes, and they with it.
    frame->close();
    QTRY_VERIFY(!frame->isVisible());
    // A box the operator had not answered yet still has the keyboard when
    // the program ends.
    const QList<QMessageBox*> standing = notices();
    if (!standing.isEmpty()) QApplication::setActiveWindow(standing.back());
  }
  qunsetenv("ZELTRPC_DIR");
  qunsetenv("CORVELLA_DIR");
}

void SendRequestEndToEndTest::sendFirstRequest(TempDir& dir, signsim::SignServer& server) {
  dir.Write("BASK.REQ", ReadExample("BASK.REQ"));
  qputenv("CORVELLA_DIR", QByteArray::fromStdString(dir.Path()));
  qputenv("ZELTRPC_DIR", QByteArray::fromStdString(dir.Path() + "sock"));
  std::string error;
  if (server.socketPath().empty()) QVERIFY2(server.start(error), error.c_str());

  {
    CCorvellaApp app;  // the real message boxes and dialogs
    QVERIFY(app.InitInstance({}));
    CMainFrame* frame = app.GetMainWnd();
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame));
    ListControl& list = app.GetView().GetListCtrl();
    QVERIFY(list.GetItemCount() > 0);
    QCOMPARE(list.GetItemText(0, 1), std::string("Points Leaders"));

    // The dialog opens inside the click; answer it like the operator.
    bool answered = false;
    QStringList unexpected;
    QTimer::singleShot(0, [&] {
      QPointer<QDialog> dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (dlg == nullptr || dlg->objectName() != QLatin1String("selectTeamPlayerDialog")) return;
      QTest::mouseClick(dlg->findChild<QRadioButton*>(QStringLiteral("visitorRadioButton")),
                        Qt::LeftButton);
      auto* player = dlg->findChild<QLineEdit*>(QStringLiteral("playerNumberLineEdit"));
      player->setFocus();
      player->selectAll();
      QTest::keyClicks(player, QStringLiteral("12"));
      answered = true;
      QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("okPushButton")),
                        Qt::LeftButton);
      if (dlg != nullptr && dlg->isVisible()) dlg->reject();
    });
    // Any message box is a failure; close it so the run goes on.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        unexpected << box->text();
        box->accept();
      }
    });
    closer.start(50);

    Rect rc;
    QVERIFY(list.GetItemRect(0, rc, LVIR_LABEL));
    ListWidget* widget = app.GetListWidget();
    QTest::mouseClick(
        widget->viewport(), Qt::RightButton, Qt::NoModifier,
        widget->ToViewport(Point{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2}));

    QVERIFY(answered);
    // The delivery ends on its own; the status bar says so.
    QTRY_VERIFY_WITH_TIMEOUT(!app.GetSender().IsSending(), 15000);
    QTRY_VERIFY(frame->SendResultText().startsWith(QStringLiteral("Request 1 delivered")));
    closer.stop();
    QCOMPARE(unexpected, QStringList());
    QVERIFY(app.GetSender().IsConnected());
    app.GetDocument().History().MarkSaved();
  }

  const std::vector<uint8_t> received = server.service().realTimeData(0);
  QCOMPARE(QByteArray(reinterpret_cast<const char*>(received.data()), int(received.size())),
           QByteArray::fromStdString(kExpected));
  server.stop();
  qunsetenv("ZELTRPC_DIR");
  qunsetenv("CORVELLA_DIR");
}

QTEST_MAIN(SendRequestEndToEndTest)
#include "send_request_e2e_test.moc"
