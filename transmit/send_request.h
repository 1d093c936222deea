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
// window. Every send ends in a SendReport (delivered, or not and why) that
// reaches the reporter on the user-interface thread, together with the
// message boxes a failed connect or a failing serial port shows. The sender
// owns the connection to the sign service and knows which server it is bound
// to: the worker connects at the first send that needs it and again whenever
// the configured server differs from the bound one, so a report always names
// the server the packet really reached. The connection is dropped when the
// sender is destroyed.

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "listview/corvella_view.h"
#include "transmit/delivery_worker.h"

namespace corvella {

class CCorvellaDoc;
class Ui;

// What the operator is told of one send.
struct SendReport {
  enum class State { kNone, kSending, kDelivered, kFailed };
  State state = State::kNone;
  int request = 0;   // the request's number in the list, from 1
  std::string text;  // one line for the status bar
};

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
  // Who is told of each send: once when it starts, once when it ends.
  void SetReporter(Reporter report) { m_report = std::move(report); }

  // Blocks until every send handed over has been delivered or has failed;
  // without a poster, then shows their messages and reports here.
  void WaitUntilIdle();
  // True while a send is in flight or waiting for the one before it.
  bool IsSending() const { return m_worker.Busy(); }

  // Builds the packet of the selected row into Packet(). Leaves the packet as
  // it was when no row counts as selected or the dialog is cancelled.
  void BuildRequestPacket();

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

  // The first row the list reports as selected, when the operator sees it
  // as selected; else -1.
  int SelectedRowForSend() const;
  // On the worker thread.
  Outcome DeliverToSignService(const Delivery& delivery);
  Outcome DeliverToSerialPort(const Delivery& delivery);
  void Finish(Outcome outcome);
  // On the user-interface thread.
  void Complete(const Outcome& outcome);
  void Report(SendReport report);
  void DisconnectSignService();

  CCorvellaView& m_view;
  CCorvellaDoc& m_doc;
  Ui& m_ui;
  mutable std::mutex m_boundMutex;
  std::string m_strBoundServer;  // written by the worker only; empty: not connected
  std::string m_strPacket;
  int m_nPacketRow = -1;  // the row the last packet was built from
  SendReport m_lastReport;
  std::deque<int> m_inFlight;  // requests handed to the worker and not yet reported
  Poster m_post;
  Reporter m_report;
  std::mutex m_pendingMutex;
  std::vector<Outcome> m_pending;  // finished sends, without a poster
  // Posted results check this before touching the sender.
  std::shared_ptr<std::atomic<bool>> m_alive = std::make_shared<std::atomic<bool>>(true);
  DeliveryWorker m_worker;  // last: its jobs use the members above
};

}  // namespace corvella
