// Send Request on a real view over real files: delivery to an embedded
// stand-in sign service in a private socket folder, and out of a serial port
// that is a pseudo-terminal.

#include "transmit/send_request.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <termios.h>
#include <zeltrpc.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "listview/corvella_view.h"
#include "platform/profile.h"
#include "platform/serial.h"
#include "requests/corvella_doc.h"
#include "support/example_packet.h"
#include "support/pseudo_terminal.h"
#include "support/scoped_env.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"
#include "tools/signsim/server.h"
#include "transmit/packet.h"

namespace corvella {
namespace {

// Row 1: the worked example (individual, Sign 3, SCORES/LEADERS, offset 120).
// Row 2: a team request.
const char kRequests[] =
    "[REQ1]\r\nName=Points Leaders\r\nTeam=I\r\nTop3=N\r\nGame=G\r\nSign=3\r\nMode=Continuous\r\n"
    "Times=5\r\nDrive=C\r\nLibrary=SCORES\r\nSequence=LEADERS\r\nFrame=0\r\nOffset=120\r\n"
    "[REQ2]\r\nName=Team Fouls\r\nTeam=T\r\nTop3=N\r\nGame=G\r\nSign=2\r\nMode=Single Step\r\n"
    "Times=0\r\nDrive=D\r\nLibrary=TEAMSTAT\r\nSequence=FOULS\r\nFrame=0\r\nOffset=40\r\n";

// The worked example is sent with Visitor and player 7.
using corvella::testing::kExamplePacket;

using corvella::testing::ScopedEnv;

class SendRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::unsetenv("ZELTRPC_TIMEOUT_MS");
    ::setenv("ZELTRPC_DIR", (dir.Path() + "sock").c_str(), 1);
  }
  void TearDown() override {
    sender.reset();  // disconnects while the server still runs
    view.reset();
    doc.reset();
    server.reset();
    ::unsetenv("ZELTRPC_DIR");
    ::unsetenv("ZELTRPC_TIMEOUT_MS");
  }

  // Starts the program on a configuration with `iniLines` in [REQUEST].
  void Start(const std::string& iniLines) {
    dir.Write("CORVELLA.INI", "[REQUEST]\r\nSPORT=BASK.REQ\r\n" + iniLines);
    dir.Write("BASK.REQ", kRequests);
    sender.reset();
    view.reset();
    doc.reset();
    profile = std::make_unique<AppProfile>(dir.File("CORVELLA.INI"));
    doc = std::make_unique<CCorvellaDoc>(*profile, ui);
    view = std::make_unique<CCorvellaView>(*doc, ui);
    sender = std::make_unique<RequestSender>(*view, *doc, ui);
    view->Connect({.sending = sender.get()});
    view->OnInitialUpdate();
    ASSERT_EQ(view->GetListCtrl().GetItemCount(), 2);
    ui.ClearRecord();
  }

  // Selects one row, with the list holding the keyboard focus.
  void Select(int row) {
    ListControl& list = view->GetListCtrl();
    list.SetHasFocus(true);
    for (int r = 0; r < list.GetItemCount(); ++r) list.SetItemState(r, 0, LVIS_SELECTED);
    list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
  }

  // Answers the next team/player dialog with a side and a player.
  void Answer(int side, int player) {
    ui.AnswerTeamPlayer([side, player](TeamPlayerChoice& choice) {
      choice.side = side;
      choice.playerNumber = player;
      return true;
    });
  }

  // Send Request as the command runs it, then waits for the delivery.
  void Send() {
    view->OnSendRequest();
    sender->WaitUntilIdle();
  }

  void StartServer(int delayMs = 0) {
    signsim::Options options;
    options.dir = dir.Path() + "sock";
    options.delayMs = delayMs;
    server = std::make_unique<signsim::SignServer>(options, [this](const std::string& line) {
      std::lock_guard lock(logMutex);
      log.push_back(line);
    });
    std::string error;
    ASSERT_TRUE(server->start(error)) << error;
  }

  int CountLog(const std::string& text) {
    std::lock_guard lock(logMutex);
    int n = 0;
    for (const auto& line : log) n += line.find(text) != std::string::npos;
    return n;
  }

  std::string Received(int32_t port) {
    const std::vector<uint8_t> data = server->service().realTimeData(port);
    return std::string(data.begin(), data.end());
  }

  TempDir dir;
  ScriptedUi ui;
  std::unique_ptr<AppProfile> profile;
  std::unique_ptr<CCorvellaDoc> doc;
  std::unique_ptr<CCorvellaView> view;
  std::unique_ptr<RequestSender> sender;
  std::unique_ptr<signsim::SignServer> server;
  std::mutex logMutex;
  std::vector<std::string> log;
};

// ---- the sign service path -----------------------------------------------------

TEST_F(SendRequestTest, InputPortThreeIsIndexTwo) {
  StartServer();
  Start("ZLRTDINPUT=3\r\n");
  Select(0);
  Answer(1, 7);
  Send();
  EXPECT_EQ(Received(2), kExamplePacket);
  EXPECT_EQ(Received(0), "");
  EXPECT_EQ(sender->Packet(), kExamplePacket);
  EXPECT_EQ(ui.CountMessages(), 0);
}

TEST_F(SendRequestTest, NoInputKeyMeansPortOne) {
  StartServer();
  Start("");
  Select(0);
  Answer(1, 7);
  Send();
  EXPECT_EQ(Received(0), kExamplePacket);
}

TEST_F(SendRequestTest, ConnectsOnceForManySends) {
  StartServer();
  Start("ZLRTDINPUT=1\r\n");
  for (int player : {7, 12, 99}) {
    SCOPED_TRACE(player);
    Select(0);
    Answer(1, player);
    Send();
    EXPECT_TRUE(sender->IsConnected());
    EXPECT_EQ(Received(0).substr(49, 3), player < 10 ? "V 7" : "V" + std::to_string(player));
  }
  EXPECT_EQ(CountLog("Ping"), 1);
  EXPECT_EQ(CountLog("bind "), 1);
  EXPECT_EQ(ui.CountMessages(), 0);
}

TEST_F(SendRequestTest, FailedConnectIsTriedAgainAtTheNextSend) {
  Start("ZLRTDINPUT=1\r\n");  // no sign service yet
  Select(0);
  Answer(1, 7);
  Send();
  ASSERT_EQ(ui.CountMessages(), 1);
  const ScriptedUi::Call message = ui.Messages()[0];
  EXPECT_EQ(message.text, "Unable to connect to Norvane Sign Service!");
  EXPECT_EQ(message.caption, "");
  EXPECT_EQ(message.flags, MB_OK);
  EXPECT_FALSE(sender->IsConnected());
  EXPECT_EQ(sender->LastReport().text.rfind(
                "Request 1 NOT delivered: status 1722 RPC_S_SERVER_UNAVAILABLE: "
                "the sign service cannot be reached (the sign service on this computer, input 1) "
                "at ",
                0),
            0u)
      << sender->LastReport().text;

  StartServer();
  Select(0);
  Answer(1, 7);
  Send();
  EXPECT_TRUE(sender->IsConnected());
  EXPECT_EQ(Received(0), kExamplePacket);
  EXPECT_EQ(ui.CountMessages(), 1);
}

// The connection follows SIGNSERVER: a changed name is connected to before
// the packet goes out, and the report names the server really reached.
TEST_F(SendRequestTest, ChangedSignServerIsConnectedToAndNamed) {
  ScopedEnv timeout("ZELTRPC_TIMEOUT_MS", "2000");
  StartServer();
  Start("ZLRTDINPUT=1\r\n");
  Select(0);
  Answer(1, 7);
  Send();
  ASSERT_EQ(sender->BoundServer(), ".");
  ASSERT_EQ(CountLog("packet header"), 1);

  WritePrivateProfileString("REQUEST", "SIGNSERVER", "nosuchhost.invalid",
                            dir.File("CORVELLA.INI"));
  Select(1);
  Answer(2, 0);
  Send();
  EXPECT_EQ(sender->LastReport().state, SendReport::State::kFailed);
  EXPECT_EQ(sender->LastReport().text.rfind("Request 2 NOT delivered", 0), 0u)
      << sender->LastReport().text;
  EXPECT_NE(sender->LastReport().text.find("the sign service on nosuchhost.invalid"),
            std::string::npos)
      << sender->LastReport().text;
  EXPECT_EQ(CountLog("packet header"), 1);  // nothing went to the local service
  EXPECT_FALSE(sender->IsConnected());
  EXPECT_EQ(ui.MessageTexts(),
            std::vector<std::string>{"Unable to connect to Norvane Sign Service!"});

  // Back to this computer: connected again, and said so.
  WritePrivateProfileString("REQUEST", "SIGNSERVER", ".", dir.File("CORVELLA.INI"));
  Select(0);
  Answer(1, 7);
  Send();
  EXPECT_EQ(sender->BoundServer(), ".");
  EXPECT_EQ(CountLog("packet header"), 2);
  EXPECT_EQ(sender->LastReport().text.rfind(
                "Request 1 delivered to the sign service on this computer, input 1", 0),
            0u)
      << sender->LastReport().text;
  EXPECT_EQ(CountLog("Ping"), 2);
}

TEST_F(SendRequestTest, CancelledDialogNeitherConnectsNorOpensAPort) {
  StartServer();
  for (const char* ini : {"ZLRTDINPUT=1\r\n", "ZLRTDINPUT=0\r\nCOMPORT=9\r\n"}) {
    SCOPED_TRACE(ini);
    ScopedEnv com("CORVELLA_COM9", "/nonexistent/tty");  // opening it would say so
    Start(ini);
    Select(0);
    ui.AnswerTeamPlayer([](TeamPlayerChoice&) { return false; });
    Send();
    EXPECT_EQ(ui.CountCalls(ScriptedUi::Kind::TeamPlayer), 1);
    EXPECT_EQ(ui.CountMessages(), 0);
    EXPECT_TRUE(sender->Packet().empty());
    EXPECT_FALSE(sender->IsConnected());
  }
  EXPECT_EQ(CountLog("Ping"), 0);
}

TEST_F(SendRequestTest, RowNotVisiblySelectedSendsNothing) {
  StartServer();
  Start("ZLRTDINPUT=1\r\n");
  Select(0);
  view->GetListCtrl().SetHasFocus(false);  // the selection does not show
  Send();
  EXPECT_EQ(ui.CountCalls(ScriptedUi::Kind::TeamPlayer), 0);
  EXPECT_EQ(ui.CountMessages(), 0);
  EXPECT_FALSE(sender->IsConnected());

  // Drop-highlighted counts as seen.
  view->GetListCtrl().SetItemState(0, LVIS_SELECTED | LVIS_DROPHILITED,
                                   LVIS_SELECTED | LVIS_DROPHILITED);
  Answer(1, 7);
  Send();
  EXPECT_EQ(Received(0), kExamplePacket);
}

TEST_F(SendRequestTest, DialogIsToldTheRequestKindAndTheShownSport) {
  StartServer();
  Start("ZLRTDINPUT=1\r\n");
  Select(1);  // the team request
  Answer(2, 42);
  Send();
  ASSERT_EQ(ui.teamPlayersShown.size(), 1u);
  EXPECT_TRUE(ui.teamPlayersShown[0].teamRequest);
  EXPECT_FALSE(ui.teamPlayersShown[0].top3Request);
  EXPECT_EQ(ui.teamPlayersShown[0].sportCode, "BASK");
  EXPECT_EQ(ui.teamPlayersShown[0].side, -1);
  EXPECT_EQ(ui.teamPlayersShown[0].playerNumber, 0);
  EXPECT_EQ(Received(0).substr(47, 6), "GTB   ");

  // The sport is the shown list's: "SPORT" edited meanwhile, even to a
  // sport that does not exist, changes nothing of what is sent.
  for (const char* sport : {"FOOT.REQ", "Bas"}) {
    SCOPED_TRACE(sport);
    WritePrivateProfileString("REQUEST", "SPORT", sport, dir.File("CORVELLA.INI"));
    ui.ClearRecord();
    Select(1);
    Send();
    ASSERT_EQ(ui.teamPlayersShown.size(), 1u);
    EXPECT_EQ(ui.teamPlayersShown[0].sportCode, "BASK");
    EXPECT_EQ(ui.CountMessages(), 0);
  }
}

// While the dialog is open (and has the focus) the row being sent stays
// drawn as selected, and the dialog is told which request it is.
TEST_F(SendRequestTest, DialogNamesTheRequestAndItsRowStaysSelected) {
  StartServer();
  Start("ZLRTDINPUT=1\r\n");
  Select(1);
  bool seenSelected = false;
  ui.AnswerTeamPlayer([&](TeamPlayerChoice& choice) {
    view->GetListCtrl().SetHasFocus(false);  // the dialog took the focus
    seenSelected = view->IsVisiblySelected(1);
    EXPECT_EQ(choice.request, 2);
    EXPECT_EQ(choice.description, "Team Fouls");
    choice.side = 0;
    return true;
  });
  Send();
  EXPECT_TRUE(seenSelected);
  EXPECT_EQ(view->GetListCtrl().GetItemState(1, LVIS_DROPHILITED), 0u);
  EXPECT_EQ(Received(0).substr(47, 6), "GTH   ");
}

TEST_F(SendRequestTest, DestroyingTheSenderDisconnects) {
  StartServer();
  Start("ZLRTDINPUT=1\r\n");
  Select(0);
  Answer(1, 7);
  Send();
  ASSERT_TRUE(sender->IsConnected());
  EXPECT_EQ(zeltIsServer("."), 1u);
  sender.reset();
  EXPECT_EQ(zeltIsServer("."), 0u);
}

// How soon after the time-out the send ends is measured in
// bench/transmit (SilentServiceToReport).
TEST_F(SendRequestTest, SilentServiceEndsTheSendAsCancelled) {
  ScopedEnv timeout("ZELTRPC_TIMEOUT_MS", "300");
  StartServer();
  Start("ZLRTDINPUT=1\r\n");
  Select(0);
  Answer(1, 7);
  Send();
  ASSERT_TRUE(sender->IsConnected());

  // The service stops answering; the send ends with the time-out, and the
  // status line says that the request may or may not have reached the sign,
  // and why (it went out: "NOT delivered" would invite a second send).
  server.reset();
  StartServer(5000);
  Select(0);
  Answer(1, 12);
  Send();
  EXPECT_EQ(ui.CountMessages(), 0);
  EXPECT_TRUE(sender->IsConnected());
  EXPECT_EQ(sender->LastReport().state, SendReport::State::kUnknown);
  EXPECT_EQ(sender->LastReport().text.rfind(
                "Request 1 outcome unknown: the request may have reached the sign; status 1818 "
                "RPC_S_CALL_CANCELLED",
                0),
            0u)
      << sender->LastReport().text;
}

TEST_F(SendRequestTest, RestartedServiceIsReachedAgainWithoutRestartingTheProgram) {
  StartServer();
  Start("ZLRTDINPUT=1\r\n");
  Select(0);
  Answer(1, 7);
  Send();
  ASSERT_TRUE(sender->IsConnected());

  server.reset();
  StartServer();
  // The connected flag stays set; the library notices the closed connection
  // and opens a new one behind the binding, so the very next send arrives.
  Select(0);
  Answer(1, 12);
  Send();
  ASSERT_FALSE(Received(0).empty());
  EXPECT_EQ(Received(0).substr(0, 52).substr(49), "V12");
  EXPECT_EQ(CountLog("Ping"), 1);  // no second connect by the program
  EXPECT_EQ(ui.CountMessages(), 0);
}

// ---- what the operator is told; the window never waits for the service ---------

TEST_F(SendRequestTest, EverySendEndsWithALineThatSaysWhatHappened) {
  StartServer();
  Start("ZLRTDINPUT=2\r\n");
  std::vector<SendReport> reports;
  sender->Ledger().Observe([&](const SendReport& r) { reports.push_back(r); });
  Select(0);
  Answer(1, 7);
  Send();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].state, SendReport::State::kSending);
  EXPECT_EQ(reports[0].text, "Sending request 1 to the sign service on this computer, input 2...");
  EXPECT_EQ(reports[1].state, SendReport::State::kDelivered);
  EXPECT_EQ(reports[1].text.rfind("Request 1 delivered to the sign service on this computer, "
                                  "input 2 at ",
                                  0),
            0u);

  // The service goes away after a good send: the next one says that it was
  // not delivered, and the status the library gave.
  server.reset();
  reports.clear();
  Select(1);
  Answer(2, 0);
  Send();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[1].state, SendReport::State::kFailed);
  EXPECT_EQ(reports[1].request, 2);
  EXPECT_EQ(reports[1].text.rfind("Request 2 NOT delivered: status 17", 0), 0u) << reports[1].text;
  EXPECT_NE(reports[1].text.find("(the sign service on this computer, input 2) at "),
            std::string::npos);
  EXPECT_EQ(ui.CountMessages(), 0);
}

// A service that cannot be reached at the first connect and one lost after
// it are told the same way: the box belongs to a connect, the line does not.
TEST_F(SendRequestTest, UnreachableServiceIsToldAlikeAtConnectAndLater) {
  std::vector<std::string> lines;
  for (bool connectedBefore : {false, true}) {
    SCOPED_TRACE(connectedBefore);
    if (connectedBefore) StartServer();
    Start("ZLRTDINPUT=1\r\n");
    if (connectedBefore) {
      Select(0);
      Answer(1, 7);
      Send();
      ASSERT_TRUE(sender->IsConnected());
      server.reset();
    }
    Select(1);
    Answer(2, 0);
    Send();
    const SendReport& r = sender->LastReport();
    EXPECT_EQ(r.state, SendReport::State::kFailed);
    EXPECT_EQ(r.status, 1722u);
    lines.push_back(r.text.substr(0, r.text.rfind(" at ")));
    EXPECT_EQ(ui.CountMessages("Unable to connect to Norvane Sign Service!"),
              connectedBefore ? 0 : 1);
  }
  EXPECT_EQ(lines[0],
            "Request 2 NOT delivered: status 1722 RPC_S_SERVER_UNAVAILABLE: the sign service "
            "cannot be reached (the sign service on this computer, input 1)");
  EXPECT_EQ(lines[1], lines[0]);
}

// Sends behind a slow one wait and can be cancelled; the one on its way
// cannot, and says so.
TEST_F(SendRequestTest, WaitingSendsCanBeCancelledAndTheStartedOneCannot) {
  StartServer(300);
  Start("ZLRTDINPUT=1\r\n");
  std::vector<SendReport> reports;
  sender->Ledger().Observe([&](const SendReport& r) { reports.push_back(r); });
  for (int player : {11, 22, 33, 44}) {
    Select(0);
    Answer(1, player);
    view->OnSendRequest();
  }
  ASSERT_EQ(sender->Queue().size(), 4u);
  EXPECT_EQ(sender->Queue()[0].state, SendReport::State::kSending);
  EXPECT_EQ(sender->Queue()[1].state, SendReport::State::kWaiting);
  EXPECT_EQ(sender->Queue()[1].outcome, "waiting for 1 send ahead of it");
  EXPECT_EQ(sender->Queue()[3].outcome, "waiting for 3 sends ahead of it");

  EXPECT_EQ(sender->CancelSend(2), RequestSender::Cancel::kCancelled);
  const auto cancelled = std::find_if(reports.begin(), reports.end(), [](const SendReport& r) {
    return r.state == SendReport::State::kCancelled;
  });
  ASSERT_NE(cancelled, reports.end());
  EXPECT_EQ(cancelled->send, 2);
  EXPECT_EQ(cancelled->text.rfind("Request 1 cancelled before it was sent (", 0), 0u)
      << cancelled->text;
  // The ones behind it say how many are ahead of them now.
  EXPECT_EQ(sender->Queue()[1].outcome, "waiting for 1 send ahead of it");
  EXPECT_EQ(sender->Queue()[2].outcome, "waiting for 2 sends ahead of it");
  EXPECT_EQ(sender->CancelSend(2), RequestSender::Cancel::kUnknown);
  // The first one is on its way once the service has seen it.
  for (int i = 0; i < 400 && CountLog("bind ") == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(sender->CancelSend(1), RequestSender::Cancel::kStarted);
  EXPECT_EQ(sender->CancelWaitingSends(), 2);
  sender->WaitUntilIdle();
  EXPECT_TRUE(sender->Queue().empty());
  EXPECT_EQ(CountLog("packet header"), 1);  // only the first went out
  std::vector<std::pair<int, SendReport::State>> ended;
  for (const SendReport& r : reports) {
    if (r.Ended()) ended.emplace_back(r.send, r.state);
  }
  using S = SendReport::State;
  EXPECT_EQ(ended,
            (std::vector<std::pair<int, S>>{
                {2, S::kCancelled}, {3, S::kCancelled}, {4, S::kCancelled}, {1, S::kDelivered}}));
}

TEST_F(SendRequestTest, SendsGoOutOneAtATimeInTheOrderTheyWereMade) {
  StartServer(150);  // each answer takes a while
  Start("ZLRTDINPUT=1\r\n");
  for (int player : {11, 22, 33}) {
    Select(0);
    Answer(1, player);
    view->OnSendRequest();  // returns while the service still works
  }
  EXPECT_TRUE(sender->IsSending());
  EXPECT_EQ(sender->LastReport().state, SendReport::State::kWaiting);
  EXPECT_EQ(sender->Queue().size(), 3u);
  sender->WaitUntilIdle();
  EXPECT_FALSE(sender->IsSending());
  std::vector<std::string> players;
  {
    std::lock_guard lock(logMutex);
    for (const auto& line : log) {
      const std::size_t at = line.find(" player ");
      if (at != std::string::npos) players.push_back(line.substr(at + 8, 2));
    }
  }
  EXPECT_EQ(players, (std::vector<std::string>{"11", "22", "33"}));
  EXPECT_EQ(sender->LastReport().state, SendReport::State::kDelivered);
}

TEST_F(SendRequestTest, ClosingWhileASendIsInFlightWaitsForIt) {
  StartServer(300);
  Start("ZLRTDINPUT=1\r\n");
  Select(0);
  Answer(1, 7);
  view->OnSendRequest();
  sender.reset();  // the program closes at once
  EXPECT_EQ(Received(0), kExamplePacket);
}

TEST_F(SendRequestTest, RowThatDoesNotFitThePacketIsNamedAndNothingIsSent) {
  StartServer();
  Start("ZLRTDINPUT=1\r\n");
  struct Case {
    int column;
    const char* text;
    const char* says;
  };
  for (const Case& c : {Case{COL_LIBRARY, "VERYLONGLIBRARYNAME12345",
                             "Request 1 was not sent: its Library \"VERYLONGLIBRARYNAME12345\" is "
                             "longer than 8 characters, which the request packet cannot hold."},
                        Case{COL_OFFSET, "123456", "its Offset \"123456\" is not a number from 0"},
                        Case{COL_SIGN, "-1", "its Sign # \"-1\" is not a number from 0 to 99"},
                        Case{COL_DRIVE, "", "its Drive \"\" is empty"},
                        Case{COL_SEQUENCE, "A\x17", "holds a control character"}}) {
    SCOPED_TRACE(c.text);
    Start("ZLRTDINPUT=1\r\n");
    view->GetListCtrl().SetItemText(0, c.column, c.text);
    Select(0);
    Answer(1, 7);
    Send();
    ASSERT_EQ(ui.CountMessages(), 1);
    EXPECT_NE(ui.Messages()[0].text.find(c.says), std::string::npos) << ui.Messages()[0].text;
    EXPECT_EQ(ui.Messages()[0].caption, "Send Request Error!");
    EXPECT_EQ(sender->LastReport().state, SendReport::State::kRefused);
    EXPECT_TRUE(sender->Packet().empty());
  }
  EXPECT_EQ(CountLog("Ping"), 0);  // not even a connect
}

// ---- the serial path -------------------------------------------------------------

class SendSerialTest : public SendRequestTest {
 protected:
  PseudoTerminal pty;
};

TEST_F(SendSerialTest, PacketArrivesIntactWithTheConfiguredLine) {
  ScopedEnv com("CORVELLA_COM2", pty.SlavePath());
  Start("ZLRTDINPUT=0\r\nCOMPORT=2\r\nBAUD=19200\r\nSTOPBITS=2\r\nPARITY=odd\r\n");
  Select(0);
  Answer(1, 7);
  Send();
  EXPECT_EQ(pty.Read(kExamplePacket.size()), kExamplePacket);
  EXPECT_FALSE(pty.HasPending());
  EXPECT_EQ(ui.CountMessages(), 0);
  const termios tio = pty.Settings();
  EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B19200));
  EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
  EXPECT_NE(tio.c_cflag & PARODD, 0u);
  EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
}

TEST_F(SendSerialTest, DefaultsOpenComOneAtNineSixHundred) {
  ScopedEnv com("CORVELLA_COM1", pty.SlavePath());
  Start("ZLRTDINPUT=0\r\nPARITY=m\r\n");  // m is no parity we know: none
  Select(0);
  Answer(1, 7);
  Send();
  EXPECT_EQ(pty.Read(kExamplePacket.size()), kExamplePacket);
  EXPECT_EQ(ui.CountMessages(), 0);
  const termios tio = pty.Settings();
  EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
  EXPECT_EQ(tio.c_cflag & (CSTOPB | PARODD | CMSPAR), 0u);
}

TEST_F(SendSerialTest, RefusedWordLengthIsReportedAndThePacketStillGoesOut) {
  ScopedEnv com("CORVELLA_COM2", pty.SlavePath());
  Start("ZLRTDINPUT=0\r\nCOMPORT=2\r\nWORD=9\r\n");
  Select(0);
  Answer(1, 7);
  Send();
  EXPECT_EQ(pty.Read(kExamplePacket.size()), kExamplePacket);
  // The block the refused text leaves behind is incomplete, so the set-up
  // fails as well.
  EXPECT_EQ(ui.MessageTexts(), (std::vector<std::string>{"Error Occurred! Com Port Failure! 11",
                                                         "Error Occurred! Com Port Failure! 22"}));
  for (const auto& message : ui.Messages()) {
    EXPECT_EQ(message.caption, "");
    EXPECT_EQ(message.flags, MB_OK);
  }
}

TEST_F(SendSerialTest, RateTheLineCannotTakeIsReportedAndThePacketStillGoesOut) {
  ScopedEnv com("CORVELLA_COM2", pty.SlavePath());
  Start("ZLRTDINPUT=0\r\nCOMPORT=2\r\nBAUD=14400\r\n");
  Select(0);
  Answer(1, 7);
  Send();
  EXPECT_EQ(pty.Read(kExamplePacket.size()), kExamplePacket);
  EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Error Occurred! Com Port Failure! 22"});
  // The box says the packet went out, so nobody sends it again.
  EXPECT_NE(ui.calls.back().detail.find("Request 1 went out with the line's previous settings"),
            std::string::npos)
      << ui.calls.back().detail;
  // Not a plain "sent": the line kept its earlier settings.
  EXPECT_EQ(sender->LastReport().state, SendReport::State::kSentWithWarning);
  EXPECT_EQ(sender->LastReport().text.rfind(
                "Request 1 sent with the line's previous settings; the configured \"baud=14400 "
                "parity=N data=8 stop=1\" could not be set (COM2 (",
                0),
            0u)
      << sender->LastReport().text;
}

TEST_F(SendSerialTest, MissingDeviceShowsTheOpenMessage) {
  ScopedEnv com("CORVELLA_COM5", dir.File("no-such-tty"));
  Start("ZLRTDINPUT=0\r\nCOMPORT=5\r\n");
  Select(0);
  Answer(1, 7);
  Send();
  ASSERT_EQ(ui.CountMessages(), 1);
  EXPECT_EQ(ui.Messages()[0].text, "Could not open COM port!");
  EXPECT_EQ(ui.Messages()[0].caption, "COM PORT ERROR!!");
  EXPECT_EQ(ui.Messages()[0].flags, MB_OK | MB_ICONEXCLAMATION);
}

TEST_F(SendSerialTest, PortHeldByAnotherProgramShowsTheOpenMessage) {
  ScopedEnv com("CORVELLA_COM2", pty.SlavePath());
  Start("ZLRTDINPUT=0\r\nCOMPORT=2\r\n");
  SerialPort other;
  ASSERT_TRUE(other.Open("COM2"));
  Select(0);
  Answer(1, 7);
  Send();
  EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{"Could not open COM port!"});
  EXPECT_FALSE(pty.HasPending());
}

TEST_F(SendSerialTest, ShortWriteIsReported) {
  ScopedEnv com("CORVELLA_COM3", "/dev/full");  // takes nothing
  Start("ZLRTDINPUT=0\r\nCOMPORT=3\r\n");
  Select(0);
  Answer(1, 7);
  Send();
  ASSERT_EQ(ui.CountMessages(), 2);
  EXPECT_EQ(ui.Messages()[0].text, "Error Occurred! Com Port Failure! 22");  // no terminal
  EXPECT_EQ(ui.Messages()[1].text, "Total Transmission not Sent");
  EXPECT_EQ(ui.Messages()[1].caption, "Send Request Error!");
  EXPECT_EQ(ui.Messages()[1].flags, MB_OK | MB_ICONEXCLAMATION);
  EXPECT_EQ(sender->LastReport().text.rfind(
                "Request 1 NOT fully sent: 0 of 57 bytes (COM3 (/dev/full))", 0),
            0u)
      << sender->LastReport().text;
}

TEST_F(SendSerialTest, ConfigurationIsReadAfreshAtEachSend) {
  ScopedEnv com("CORVELLA_COM2", pty.SlavePath());
  StartServer();
  Start("ZLRTDINPUT=0\r\nCOMPORT=2\r\n");
  Select(0);
  Answer(1, 7);
  Send();
  EXPECT_EQ(pty.Read(kExamplePacket.size()), kExamplePacket);

  WritePrivateProfileString("REQUEST", "ZLRTDINPUT", "2", dir.File("CORVELLA.INI"));
  Select(0);
  Answer(1, 7);
  Send();
  EXPECT_EQ(Received(1), kExamplePacket);
  EXPECT_FALSE(pty.HasPending());
}

}  // namespace
}  // namespace corvella
