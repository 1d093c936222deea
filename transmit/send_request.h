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
// every refused send command is recorded in the sender's ledger on the
// user-interface thread, which tells its observers. The message boxes a
// failed connect or a failing serial port shows come after the record and
// wait for nobody. A send still waiting for the one before it can be
// cancelled; one that has started cannot.
//
// The sender owns the connection to the sign service and knows which server
// it is bound to: the worker connects at the first send that needs it and
// again whenever the configured server differs from the bound one, so a
// report always names the server the packet really reached. The connection
// is dropped when the sender is destroyed.

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "listview/corvella_view.h"
#include "transmit/delivery_worker.h"
#include "transmit/send_ledger.h"

namespace corvella {

class CCorvellaDoc;
class Ui;

class RequestSender : public RequestSending {
 public:
  // Runs `task` later on the user-interface thread.
  using Poster = std::function<void(std::function<void()> task)>;

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
  // The record of every send: observers are told when a send is handed
  // over, when it starts, when it ends, and of each refused send command.
  SendLedger& Ledger() { return m_ledger; }

  // Blocks until every send handed over has been delivered or has failed;
  // without a poster, then shows their messages and reports here.
  void WaitUntilIdle();
  // True while a send is in flight or waiting for the one before it.
  bool IsSending() const { return m_worker.Busy(); }
  // The number of the newest request handed over whose end has not yet been
  // reported on the user-interface thread; 0 when every send has ended.
  int PendingRequest() const;

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
  // Sends handed over that have not ended yet, oldest first (the first may
  // be on its way).
  std::vector<SendReport> Queue() const { return m_ledger.Open(); }

  bool IsConnected() const { return !BoundServer().empty(); }
  // The server name the connection was made with; empty when not connected.
  std::string BoundServer() const;
  // The last packet built; empty when the last send built none.
  const std::string& Packet() const { return m_strPacket; }
  // What the operator was last told.
  const SendReport& LastReport() const { return m_ledger.Last(); }

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
  // Keeps `report` in the ledger, which tells every observer.
  void Report(SendReport report) { m_ledger.Record(std::move(report)); }
  // Sends still waiting say again how many are ahead of them.
  void RecountWaiting();
  // On the worker thread, as its last job.
  void DisconnectSignService();

  CCorvellaView& m_view;
  CCorvellaDoc& m_doc;
  Ui& m_ui;
  mutable std::mutex m_boundMutex;
  std::string m_strBoundServer;  // written by the worker only; empty: not connected
  std::string m_strPacket;       // the last packet built; empty when the last send built none
  SendLedger m_ledger;
  // Shared with the worker: cancelled sends it has not reached yet, and the
  // last send it started.
  std::mutex m_cancelMutex;
  std::set<int> m_cancelled;
  int m_nStarted = 0;
  Poster m_post;
  std::mutex m_pendingMutex;
  std::vector<std::function<void()>> m_pending;  // results waiting, without a poster
  // Posted results check this before touching the sender.
  std::shared_ptr<std::atomic<bool>> m_alive = std::make_shared<std::atomic<bool>>(true);
  DeliveryWorker m_worker;  // last: its jobs use the members above
};

}  // namespace corvella
