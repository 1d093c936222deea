// Send Request: builds the packet for the selected row on the user-interface
// thread and hands it to the delivery worker, which sends it, by the
// configuration read when the send was made, either to the sign service as
// real-time data for an input port or out of a serial port opened for this
// one send. The outcome comes back to the user-interface thread, is
// recorded in the ledger (whose observers show, say and keep it), and only
// then are the message boxes a failed connect or a failing serial port has
// always shown put up, without waiting for them to be answered.

#include "transmit/send_request.h"

#include <strings.h>
#include <zeltrpc.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <limits>
#include <utility>

#include "platform/serial.h"
#include "platform/ui.h"
#include "requests/corvella_doc.h"
#include "transmit/packet.h"

namespace corvella {

// One send, as the user-interface thread made it: everything the worker
// needs, so it never reads the list, the document or the configuration.
struct RequestSender::Delivery {
  SendReport report;  // the send as handed over
  std::string packet;
  int32_t rtdInput = 0;    // 0: the serial port
  std::string signServer;  // the sign service path
  int32_t comPort = 1;     // the serial path, from here on
  std::string mode;
  uint32_t baud = 0;
};

// What the user-interface thread shows when a send has ended.
struct RequestSender::Outcome {
  struct Message {
    std::string text;
    std::string detail;  // what the fixed text leaves out
    std::string caption;
    unsigned flags;
  };
  std::vector<Message> messages;  // in the order they arose
  SendReport report;
};

namespace {

std::string SignServiceName(const std::string& server) {
  return server == "." ? "the sign service on this computer" : "the sign service on " + server;
}

std::string ComPortName(int32_t comPort) {
  const std::string name = "COM" + std::to_string(comPort);
  const std::string device = SerialPort::DevicePath(name);
  return device.empty() ? name : name + " (" + device + ")";
}

std::string WaitingText(std::size_t ahead) {
  return "waiting for " + std::to_string(ahead) + (ahead == 1 ? " send" : " sends") +
         " ahead of it";
}

std::string SideName(int side) {
  switch (side) {
    case 0: return "Home";
    case 1: return "Visitor";
    case 2: return "Both";
    default: return "?";
  }
}

}  // namespace

RequestSender::RequestSender(CCorvellaView& view, CCorvellaDoc& doc, Ui& ui)
    : m_view(view), m_doc(doc), m_ui(ui) {}

RequestSender::~RequestSender() {
  // The disconnect is the worker's last job, behind every send still queued:
  // the client library is called from that thread only.
  m_worker.Post([this] { DisconnectSignService(); });
  m_worker.WaitUntilIdle();
  m_alive->store(false);
}

void RequestSender::WaitUntilIdle() {
  m_worker.WaitUntilIdle();
  std::vector<std::function<void()>> pending;
  {
    std::lock_guard lock(m_pendingMutex);
    pending.swap(m_pending);
  }
  for (const auto& task : pending) task();
}

int RequestSender::SelectedRowForSend() const {
  // Only the first row the list reports as selected is looked at; it must be
  // one the operator sees as selected.
  const int row = m_view.GetListCtrl().GetNextItem(-1, LVNI_SELECTED);
  if (row < 0 || !m_view.IsVisiblySelected(row)) return -1;
  return row;
}

std::string RequestSender::WhyNoSend() const {
  const ListControl& list = m_view.GetListCtrl();
  const int selected = list.GetSelectedCount();
  if (m_doc.Requests().Count() == 0) return "the list holds no request to send";
  if (selected == 0) return "no request is selected; select the one to send";
  if (selected > 1) {
    return std::to_string(selected) + " requests are selected; select one request to send";
  }
  const int row = list.GetNextItem(-1, LVNI_SELECTED);
  if (m_view.CurrentColumn() != 0) {
    return "a cell of request " + std::to_string(row + 1) +
           " is selected, not the whole request; press Ctrl+Left or click its # cell, then send";
  }
  if (row < 0 || !m_view.IsVisiblySelected(row)) {
    return "the list does not show a selected request; click the one to send";
  }
  return {};
}

void RequestSender::RefuseSend() {
  std::string why = WhyNoSend();
  if (why.empty()) why = "the request list is not ready to send";
  SendReport report;
  report.state = SendReport::State::kRefused;
  report.list = m_doc.GetSportFile();
  report.outcome = "Not sent: " + why;
  Report(std::move(report));
}

std::optional<RequestSender::BuiltPacket> RequestSender::BuildRequestPacket() {
  const int row = SelectedRowForSend();
  if (row < 0) return std::nullopt;

  RequestCells cells;
  for (int c = 0; c < kColumnCount; ++c) cells[c] = m_doc.Requests().Text(row, c);

  TeamPlayerChoice choice;
  choice.request = row + 1;
  choice.description = cells[COL_DESCRIPTION];
  choice.teamRequest = IsTeamRequest(cells[COL_TEAM_IND]);
  choice.top3Request = IsTop3Request(cells[COL_TOP3]);
  // The sport of the list shown, whose row this is (the configuration may
  // have been edited since it was loaded).
  choice.sportCode = m_doc.GetSportCode();
  // The row stays drawn as selected while the dialog has the focus: the
  // operator sees which request goes out.
  ListControl& list = m_view.GetListCtrl();
  const bool highlighted = (list.GetItemState(row, LVIS_DROPHILITED) & LVIS_DROPHILITED) != 0;
  if (!highlighted) list.SetItemState(row, LVIS_DROPHILITED, LVIS_DROPHILITED);
  const bool chosen = m_ui.SelectTeamPlayer(choice);
  if (!highlighted && row < list.GetItemCount()) list.SetItemState(row, 0, LVIS_DROPHILITED);
  if (!chosen) return std::nullopt;

  SendReport what;
  what.request = row + 1;
  what.list = m_doc.GetSportFile();
  what.description = cells[COL_DESCRIPTION];
  what.sign = cells[COL_SIGN];
  what.teamPlayer = SideName(choice.side);
  if (!choice.teamRequest && !choice.top3Request) {
    what.teamPlayer += ", player " + std::to_string(choice.playerNumber);
  }

  // A row whose cells do not fit the packet's fields (a pasted name too long
  // for its field, say) would shift every later byte: it is refused, named,
  // and nothing is built.
  if (const auto problem = CheckPacketFields(cells, choice)) {
    const std::string cell = problem->column >= 0 ? cells[problem->column] : std::string();
    const std::string text = PacketFieldMessage(row + 1, cell, *problem);
    what.state = SendReport::State::kRefused;
    what.outcome = text;
    Report(std::move(what));
    m_ui.ShowNotice(text, {}, "Send Request Error!", MB_OK | MB_ICONEXCLAMATION);
    return std::nullopt;
  }
  return BuiltPacket{BuildPacket(cells, choice), row, std::move(what)};
}

void RequestSender::OnSendRequest() {
  m_strPacket.clear();
  if (SelectedRowForSend() < 0) {
    RefuseSend();
    return;
  }
  std::optional<BuiltPacket> built = BuildRequestPacket();
  if (!built) return;  // the dialog was cancelled, or refused
  m_strPacket = std::move(built->bytes);
  SendReport report = std::move(built->report);
  // The last line of defence: nothing but a whole packet goes out, and a
  // packet that is not one is said, never dropped silently.
  if (m_strPacket.size() != kRequestPacketSize) {
    const std::string text = "Request " + std::to_string(built->row + 1) +
                             " was not sent: its packet came to " +
                             std::to_string(m_strPacket.size()) + " bytes instead of " +
                             std::to_string(kRequestPacketSize) + ".";
    report.state = SendReport::State::kRefused;
    report.outcome = text;
    Report(std::move(report));
    m_ui.ShowNotice(text, {}, "Send Request Error!", MB_OK | MB_ICONEXCLAMATION);
    m_strPacket.clear();
    return;
  }

  Delivery delivery;
  delivery.packet = m_strPacket;
  // ZLRTDINPUT afresh: edits of the configuration take effect at the next send.
  delivery.rtdInput = m_doc.ReadRtdInput();
  if (delivery.rtdInput != 0) {
    delivery.signServer = m_doc.GetSignServer();
    report.destination =
        SignServiceName(delivery.signServer) + ", input " + std::to_string(delivery.rtdInput);
  } else {
    const ComSettings com = m_doc.ReadComSettings();
    delivery.comPort = com.comPort;
    char mode[96];
    std::snprintf(mode, sizeof mode, "baud=%d parity=%c data=%d stop=%d",
                  static_cast<int>(com.baud), com.parity, static_cast<int>(com.wordLength),
                  static_cast<int>(com.stopBits));
    delivery.mode = mode;
    delivery.baud = com.baud > 0 ? static_cast<uint32_t>(com.baud) : 0;
    report.destination = ComPortName(delivery.comPort);
  }
  report.send = m_ledger.TakeNumber();
  const std::size_t ahead = m_ledger.Open().size();
  if (ahead == 0) {
    report.state = SendReport::State::kSending;
    report.outcome = "Sending";
  } else {
    report.state = SendReport::State::kWaiting;
    report.outcome = WaitingText(ahead);
  }
  delivery.report = report;
  Report(std::move(report));
  m_worker.Post([this, delivery = std::move(delivery)] { Run(delivery); });
}

void RequestSender::Run(const Delivery& d) {
  {
    std::lock_guard lock(m_cancelMutex);
    if (m_cancelled.erase(d.report.send) != 0) return;  // reported when it was cancelled
    m_nStarted = d.report.send;
  }
  if (d.report.state == SendReport::State::kWaiting) {
    ToUi([this, send = d.report.send] { Started(send); });
  }
  Outcome outcome = d.rtdInput != 0 ? DeliverToSignService(d) : DeliverToSerialPort(d);
  ToUi([this, outcome = std::move(outcome)] { Complete(outcome); });
}

RequestSender::Outcome RequestSender::DeliverToSignService(const Delivery& d) {
  Outcome outcome;
  outcome.report = d.report;
  const std::string input = ", input " + std::to_string(d.rtdInput);
  // Connect at the first send, and again whenever the configured server is
  // not the one the connection was made with: a connect releases the old
  // binding first. A failed connect leaves no connection, so the next send
  // tries again. It says what a send over a lost connection says, after the
  // message box that a failed connect has always shown.
  std::string bound = BoundServer();
  uint32_t status = 0;
  if (bound.empty() || ::strcasecmp(bound.c_str(), d.signServer.c_str()) != 0) {
    status = zeltConnectSign(d.signServer.c_str());
    {
      std::lock_guard lock(m_boundMutex);
      m_strBoundServer = status == 0 ? d.signServer : std::string();
    }
    if (status != 0) {
      outcome.messages.push_back({"Unable to connect to Norvane Sign Service!",
                                  "Request " + std::to_string(d.report.request) +
                                      " was not sent: " + DescribeStatus(status) + ".",
                                  "", MB_OK});
    } else {
      bound = d.signServer;
    }
  }
  if (status == 0) {
    // The configured port counts from 1, the service's from 0.
    const int32_t port = static_cast<int32_t>(static_cast<int64_t>(d.rtdInput) - 1);
    status =
        zeltSendRealTimeDataPort(port, d.packet.data(), static_cast<uint32_t>(d.packet.size()));
    // Named after the server the connection was made with.
    outcome.report.destination = SignServiceName(bound) + input;
  }
  SetSignServiceOutcome(outcome.report, status);
  return outcome;
}

RequestSender::Outcome RequestSender::DeliverToSerialPort(const Delivery& d) {
  Outcome outcome;
  outcome.report = d.report;
  SendReport& r = outcome.report;
  char name[32];
  std::snprintf(name, sizeof name, "COM%d", static_cast<int>(d.comPort));
  SerialPort serial;
  if (!serial.Open(name)) {
    outcome.messages.push_back({"Could not open COM port!",
                                "Request " + std::to_string(d.report.request) + " was not sent: " +
                                    ComPortName(d.comPort) + " could not be opened.",
                                "COM PORT ERROR!!", MB_OK | MB_ICONEXCLAMATION});
    r.state = SendReport::State::kFailed;
    r.outcome = "NOT sent: the port could not be opened (missing, no access, or in use)";
    return outcome;
  }

  // A refused mode text or set-up is reported, and the packet still goes out
  // with whatever the line is set to.
  SerialSettings settings;
  // The boxes say that the packet did go out, so that nobody sends it again.
  const std::string request = "Request " + std::to_string(d.report.request);
  const bool built = BuildCommSettings(d.mode, settings);
  if (!built) {
    outcome.messages.push_back({"Error Occurred! Com Port Failure! 11",
                                "The configured settings \"" + d.mode + "\" were refused. " +
                                    request +
                                    " went out with the line's previous settings; do not send "
                                    "it again because of this message.",
                                "", MB_OK});
  }
  const bool applied = serial.SetCommState(settings);
  if (!applied) {
    outcome.messages.push_back({"Error Occurred! Com Port Failure! 22",
                                "The line could not be set to \"" + d.mode + "\". " + request +
                                    " went out with the line's previous settings; do not send "
                                    "it again because of this message.",
                                "", MB_OK});
  }

  const std::size_t written =
      serial.Write(d.packet.data(), d.packet.size(), SerialWriteTimeoutMs(d.packet.size(), d.baud));
  serial.Close();
  if (written < d.packet.size()) {
    outcome.messages.push_back({"Total Transmission not Sent",
                                request + ": " + std::to_string(written) + " of " +
                                    std::to_string(d.packet.size()) + " bytes went out.",
                                "Send Request Error!", MB_OK | MB_ICONEXCLAMATION});
    r.state = SendReport::State::kFailed;
    r.outcome = "NOT fully sent: " + std::to_string(written) + " of " +
                std::to_string(d.packet.size()) + " bytes";
  } else if (!applied) {
    // The packet went out, but not as configured: the line kept the settings
    // it had before ("22"), whatever the configuration asks for.
    r.state = SendReport::State::kSentWithWarning;
    r.outcome = "sent with the line's previous settings; the configured \"" + d.mode +
                "\" could not be set";
  } else if (!built) {
    r.state = SendReport::State::kSentWithWarning;
    r.outcome =
        "sent with other settings than configured; the configured \"" + d.mode + "\" was refused";
  } else {
    r.state = SendReport::State::kDelivered;
    r.outcome = "Delivered";
  }
  return outcome;
}

void RequestSender::ToUi(std::function<void()> task) {
  if (!m_post) {
    std::lock_guard lock(m_pendingMutex);
    m_pending.push_back(std::move(task));
    return;
  }
  m_post([alive = m_alive, task = std::move(task)] {
    if (alive->load()) task();
  });
}

int RequestSender::PendingRequest() const {
  const std::vector<SendReport> open = m_ledger.Open();
  return open.empty() ? 0 : open.back().request;
}

void RequestSender::Started(int send) {
  const SendReport* kept = m_ledger.Find(send);
  if (!kept) return;
  SendReport report = *kept;
  report.state = SendReport::State::kSending;
  report.outcome = "Sending";
  Report(std::move(report));
}

void RequestSender::Complete(const Outcome& outcome) {
  // The record as the user-interface thread kept it (its times), with how
  // the delivery ended.
  SendReport report = outcome.report;
  if (const SendReport* kept = m_ledger.Find(report.send)) {
    report.requested = kept->requested;
    report.started = kept->started;
  }
  // Complete before anything is shown, said or kept; the boxes come after
  // and wait for nobody.
  Report(std::move(report));
  RecountWaiting();
  for (const Outcome::Message& m : outcome.messages)
    m_ui.ShowNotice(m.text, m.detail, m.caption, m.flags);
}

void RequestSender::RecountWaiting() {
  const std::vector<SendReport> open = m_ledger.Open();
  for (std::size_t ahead = 1; ahead < open.size(); ++ahead) {
    const SendReport& r = open[ahead];
    if (r.state != SendReport::State::kWaiting || r.outcome == WaitingText(ahead)) continue;
    SendReport changed = r;
    changed.outcome = WaitingText(ahead);
    Report(std::move(changed));
  }
}

RequestSender::Cancel RequestSender::CancelSend(int send) {
  const SendReport* kept = m_ledger.Find(send);
  if (!kept) return Cancel::kUnknown;
  {
    std::lock_guard lock(m_cancelMutex);
    if (send <= m_nStarted) return Cancel::kStarted;
    m_cancelled.insert(send);
  }
  SendReport report = *kept;
  report.state = SendReport::State::kCancelled;
  report.outcome = "cancelled before it was sent";
  Report(std::move(report));
  RecountWaiting();
  return Cancel::kCancelled;
}

int RequestSender::CancelWaitingSends() {
  std::vector<int> waiting;
  for (const SendReport& r : m_ledger.Open()) {
    if (r.state == SendReport::State::kWaiting) waiting.push_back(r.send);
  }
  int cancelled = 0;
  for (int send : waiting) cancelled += CancelSend(send) == Cancel::kCancelled;
  return cancelled;
}

std::string RequestSender::BoundServer() const {
  std::lock_guard lock(m_boundMutex);
  return m_strBoundServer;
}

void RequestSender::DisconnectSignService() {
  std::lock_guard lock(m_boundMutex);
  if (m_strBoundServer.empty()) return;
  zeltDisconnectSign();
  m_strBoundServer.clear();
}

}  // namespace corvella
