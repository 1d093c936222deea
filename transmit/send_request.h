#pragma once
// RequestSender: Send Request for the request list. It builds the packet of
// the selected row, asking the Select Desired Team/Player dialog for the
// side and the player, and delivers it by the configuration of the moment:
// to the sign service as real-time data for an input port, or out of a
// serial port opened for this one send.
//
// Building happens on the calling (user-interface) thread; delivery runs on
// a worker thread of the sender's own, one send at a time in the order the
// sends were made, so a slow or silent sign service never freezes the
// window. Every step of every send (waiting, sending, and how it ended) and
// every refused send command is one SendReport that reaches the reporter on
// the user-interface thread, together with the message boxes a failed
// connect or a failing serial port shows. A send still waiting for the one
// before it can be cancelled; one that has started cannot.
//
// The sender owns the connection to the sign service and knows which server
// it is bound to: the worker connects at the first send that needs it and
// again whenever the configured server differs from the bound one, so a
// report always names the server the packet really reached. The connection
// is dropped when the sender is destroyed.

#include <atomic>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "listview/corvella_view.h"
#include "transmit/delivery_worker.h"

namespace corvella {

class CCorvellaDoc;
class Ui;

// One step of one send, or a refused send command: what the operator is
// told of it, in the status bar and in the Send Log.
struct SendReport {
  enum class State {
    kNone,
    kRefused,          // the command sent nothing, and why
    kWaiting,          // handed over, behind a send still on its way
    kSending,          // on its way
    kDelivered,        // the sign service took it, or the serial line took every byte
    kSentWithWarning,  // every byte went out, but the line's settings could not be applied
    kFailed,           // not delivered, and why
    kCancelled,        // cancelled while it waited
  };
  State state = State::kNone;
  int send = 0;             // the send's number in this session, from 1; 0 for a refused command
  int request = 0;          // the request's number in its list, from 1; 0 when none
  std::string list;         // the request file of that list ("BASK.REQ")
  std::string description;  // the request's Description
  std::string sign;         // its Sign #
  std::string teamPlayer;   // "Visitor, player 12"; "Home"
  std::string destination;  // "the sign service on this computer, input 1", "COM1 (/dev/ttyS0)"
  uint32_t status = 0;      // the client library's status of a failed send
  std::string outcome;      // how it ended (or stands), in full
  std::time_t time = 0;     // when it reached this state
  std::string text;         // the one-line summary for the status bar

  // Delivered, sent with a warning, failed, refused or cancelled.
  bool Ended() const {
    return state != State::kNone && state != State::kWaiting && state != State::kSending;
  }
};

// "DELIVERED", "NOT DELIVERED", "REFUSED" ...: the state as one word or two.
const char* SendStateName(SendReport::State state);
// "status 1722 RPC_S_SERVER_UNAVAILABLE: the sign service cannot be reached"
std::string DescribeStatus(uint32_t status);

class RequestSender : public RequestSending {
 public:
  // Runs `task` later on the user-interface thread.
  using Poster = std::function<void(std::function<void()> task)>;
  using Reporter = std::function<void(const SendReport&)>;

  // `view`, `doc` and `ui` must outlive the sender.
  RequestSender(CCorvellaView& view, CCorvellaDoc& doc, Ui& ui);
  // Waits for every send handed over (each one bounded by the library's
  // time-out or the serial line's), then disconnects from the sign service
  // when a connection was made. Results that arrive after this have nowhere
  // to go and are dropped.
  ~RequestSender() override;
  RequestSender(const RequestSender&) = delete;
  RequestSender& operator=(const RequestSender&) = delete;

  // How results get back to the user-interface thread. Without a poster they
  // wait in the sender until WaitUntilIdle runs them on its caller's thread.
  void SetPoster(Poster post) { m_post = std::move(post); }
  // Who is told of each send (when it is handed over, when it starts, when
  // it ends) and of each refused send command.
  void SetReporter(Reporter report) { m_report = std::move(report); }

  // Blocks until every send handed over has been delivered or has failed;
  // without a poster, then shows their messages and reports here.
  void WaitUntilIdle();
  // True while a send is in flight or waiting for the one before it.
  bool IsSending() const { return m_worker.Busy(); }
  // The number of the newest request handed over whose end has not yet been
  // reported on the user-interface thread; 0 when every send has ended.
  int PendingRequest() const { return m_queue.empty() ? 0 : m_queue.back().request; }

  // The send command arrived while it cannot send: reports why (the list's
  // state decides the reason).
  void RefuseSend();
  // Why the list's state allows no send right now; empty when it allows one.
  std::string WhyNoSend() const;

  // Cancels send `send` while it waits; it is then reported as cancelled.
  enum class Cancel { kCancelled, kStarted, kUnknown };
  Cancel CancelSend(int send);
  // Cancels every send still waiting; how many.
  int CancelWaitingSends();
  // Sends handed over that have not ended yet (the first may be on its way).
  const std::deque<SendReport>& Queue() const { return m_queue; }

  bool IsConnected() const { return !BoundServer().empty(); }
  // The server name the connection was made with; empty when not connected.
  std::string BoundServer() const;
  // The last packet built; empty when the last send built none.
  const std::string& Packet() const { return m_strPacket; }
  // What the operator was last told.
  const SendReport& LastReport() const { return m_lastReport; }

  // ---- implements RequestSending ------------------------------------------------
  void OnSendRequest() override;

 private:
  struct Delivery;
  struct Outcome;
  // A packet ready to go: its bytes, the row it was built from and what the
  // operator is told of it (request, sign, team and player).
  struct BuiltPacket {
    std::string bytes;
    int row = -1;
    SendReport report;
  };

  // The packet of the selected row, with the side and player the Select
  // Desired Team/Player dialog gave. None when no row counts as selected,
  // when the dialog is cancelled, or when the row's cells do not fit the
  // packet (then refused: said and reported).
  std::optional<BuiltPacket> BuildRequestPacket();

  // The first row the list reports as selected, when the operator sees it
  // as selected; else -1.
  int SelectedRowForSend() const;
  // On the worker thread.
  void Run(const Delivery& delivery);
  Outcome DeliverToSignService(const Delivery& delivery);
  Outcome DeliverToSerialPort(const Delivery& delivery);
  // Hands `task` to the user-interface thread (or to WaitUntilIdle).
  void ToUi(std::function<void()> task);
  // On the user-interface thread.
  void Started(int send);
  void Complete(const Outcome& outcome);
  // Stamps `report` with the time, makes its summary line and tells the reporter.
  void Report(SendReport report);
  // On the worker thread, as its last job.
  void DisconnectSignService();

  CCorvellaView& m_view;
  CCorvellaDoc& m_doc;
  Ui& m_ui;
  mutable std::mutex m_boundMutex;
  std::string m_strBoundServer;  // written by the worker only; empty: not connected
  std::string m_strPacket;       // the last packet built; empty when the last send built none
  SendReport m_lastReport;
  int m_nSends = 0;                // sends handed over so far
  std::deque<SendReport> m_queue;  // handed over and not ended, oldest first
  // Shared with the worker: cancelled sends it has not reached yet, and the
  // last send it started.
  std::mutex m_cancelMutex;
  std::set<int> m_cancelled;
  int m_nStarted = 0;
  Poster m_post;
  Reporter m_report;
  std::mutex m_pendingMutex;
  std::vector<std::function<void()>> m_pending;  // results waiting, without a poster
  // Posted results check this before touching the sender.
  std::shared_ptr<std::atomic<bool>> m_alive = std::make_shared<std::atomic<bool>>(true);
  DeliveryWorker m_worker;  // last: its jobs use the members above
};

}  // namespace corvella
