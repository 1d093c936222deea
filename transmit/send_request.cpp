// Send Request: builds the packet for the selected row on the user-interface
// thread and hands it to the delivery worker, which sends it, by the
// configuration read when the send was made, either to the sign service as
// real-time data for an input port or out of a serial port opened for this
// one send. The outcome comes back to the user-interface thread as message
// boxes (the ones a failed connect or a failing serial port always showed)
// and one report line for the status bar.

#include "transmit/send_request.h"

#include <strings.h>
#include <zeltrpc.h>

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
  int request = 0;  // from 1
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
    std::string caption;
    unsigned flags;
  };
  std::vector<Message> messages;  // in the order they arose
  SendReport report;
};

namespace {

// The statuses a send can end with, by the names integrators know, and what
// they mean to the operator.
struct StatusText {
  uint32_t status;
  const char* name;
  const char* meaning;
};
constexpr StatusText kStatusTexts[] = {
    {5, "ERROR_ACCESS_DENIED", "access denied"},
    {14, "ERROR_OUTOFMEMORY", "out of memory"},
    {87, "ERROR_INVALID_PARAMETER", "refused by the client library"},
    {1702, "RPC_S_INVALID_BINDING", "not connected"},
    {1703, "RPC_S_PROTSEQ_NOT_SUPPORTED", "no way to reach that computer"},
    {1717, "RPC_S_UNKNOWN_IF", "not a sign service"},
    {1722, "RPC_S_SERVER_UNAVAILABLE", "the sign service cannot be reached"},
    {1723, "RPC_S_SERVER_TOO_BUSY", "the sign service is busy"},
    {1726, "RPC_S_CALL_FAILED",
     "the connection broke; the request may or may not have reached the sign"},
    {1727, "RPC_S_CALL_FAILED_DNE", "the request could not be sent"},
    {1728, "RPC_S_PROTOCOL_ERROR", "the sign service answered wrongly"},
    {1766, "RPC_S_INTERNAL_ERROR", "internal error of the client library"},
    {1783, "RPC_X_BAD_STUB_DATA", "the sign service answered wrongly"},
    {1818, "RPC_S_CALL_CANCELLED", "no answer in time"},
};

// "status 1722 RPC_S_SERVER_UNAVAILABLE: the sign service cannot be reached"
std::string DescribeStatus(uint32_t status) {
  std::string text = "status " + std::to_string(status);
  for (const StatusText& known : kStatusTexts) {
    if (known.status == status) return text + " " + known.name + ": " + known.meaning;
  }
  return text + " from the sign service";
}

std::string SignServiceName(const std::string& server) {
  return server == "." ? "the sign service on this computer" : "the sign service on " + server;
}

std::string ComPortName(int32_t comPort) {
  const std::string name = "COM" + std::to_string(comPort);
  const std::string device = SerialPort::DevicePath(name);
  return device.empty() ? name : name + " (" + device + ")";
}

// A failure's line puts the reason first, so that a status bar too narrow
// for the whole line still shows it. Every line ends with the time of day
// (" at 14:02:11."), so that one send's line is told from the next one's.
std::string AtTimeOfDay() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  char text[16] = "";
  if (localtime_r(&now, &local)) std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return std::string(" at ") + text + ".";
}

SendReport Ended(bool delivered, int request, std::string text) {
  return SendReport{delivered ? SendReport::State::kDelivered : SendReport::State::kFailed, request,
                    std::move(text) + AtTimeOfDay()};
}

}  // namespace

RequestSender::RequestSender(CCorvellaView& view, CCorvellaDoc& doc, Ui& ui)
    : m_view(view), m_doc(doc), m_ui(ui) {}

RequestSender::~RequestSender() {
  m_worker.WaitUntilIdle();
  m_alive->store(false);
  DisconnectSignService();
}

void RequestSender::WaitUntilIdle() {
  m_worker.WaitUntilIdle();
  std::vector<Outcome> pending;
  {
    std::lock_guard lock(m_pendingMutex);
    pending.swap(m_pending);
  }
  for (const Outcome& outcome : pending) Complete(outcome);
}

int RequestSender::SelectedRowForSend() const {
  // Only the first row the list reports as selected is looked at; it must be
  // one the operator sees as selected.
  const int row = m_view.GetListCtrl().GetNextItem(-1, LVNI_SELECTED);
  if (row < 0 || !m_view.IsVisiblySelected(row)) return -1;
  return row;
}

void RequestSender::BuildRequestPacket() {
  const int row = SelectedRowForSend();
  if (row < 0) return;

  RequestCells cells;
  for (int c = 0; c < kColumnCount; ++c) cells[c] = m_view.GetListCtrl().GetItemText(row, c);

  TeamPlayerChoice choice;
  choice.teamRequest = IsTeamRequest(cells[COL_TEAM_IND]);
  choice.top3Request = IsTop3Request(cells[COL_TOP3]);
  // The sport the configuration names now, with the document's message for
  // an illegal sport, which then counts as Basketball.
  choice.sportCode = m_doc.ReadConfiguredSport();
  if (!m_ui.SelectTeamPlayer(choice)) return;

  // A row whose cells do not fit the packet's fields (a pasted name too long
  // for its field, say) would shift every later byte: it is refused, named,
  // and nothing is built.
  if (const auto problem = CheckPacketFields(cells, choice)) {
    const std::string cell = problem->column >= 0 ? cells[problem->column] : std::string();
    const std::string text = PacketFieldMessage(row + 1, cell, *problem);
    m_ui.MessageBox(text, "Send Request Error!", MB_OK | MB_ICONEXCLAMATION);
    Report(SendReport{SendReport::State::kFailed, row + 1, text});
    return;
  }
  m_strPacket = BuildPacket(cells, choice);
  m_nPacketRow = row;
}

void RequestSender::OnSendRequest() {
  m_strPacket.clear();
  m_nPacketRow = -1;
  BuildRequestPacket();
  if (m_strPacket.empty()) return;  // nothing selected, the dialog was cancelled, or refused
  // The last line of defence: nothing but a whole packet goes out, and a
  // packet that is not one is said, never dropped silently.
  if (m_strPacket.size() != kRequestPacketSize) {
    const std::string text = "Request " + std::to_string(m_nPacketRow + 1) +
                             " was not sent: its packet came to " +
                             std::to_string(m_strPacket.size()) + " bytes instead of " +
                             std::to_string(kRequestPacketSize) + ".";
    m_ui.MessageBox(text, "Send Request Error!", MB_OK | MB_ICONEXCLAMATION);
    Report(SendReport{SendReport::State::kFailed, m_nPacketRow + 1, text});
    m_strPacket.clear();
    return;
  }

  Delivery delivery;
  delivery.request = m_nPacketRow + 1;
  delivery.packet = m_strPacket;
  // ZLRTDINPUT afresh: edits of the configuration take effect at the next send.
  delivery.rtdInput = m_doc.GetRtdInput();
  std::string where;
  if (delivery.rtdInput != 0) {
    delivery.signServer = m_doc.GetSignServer();
    where = SignServiceName(delivery.signServer) + ", input " + std::to_string(delivery.rtdInput);
  } else {
    m_doc.ReadComSettings();
    delivery.comPort = m_doc.m_nComPort;
    const char parity = m_doc.m_strParity.empty() ? 'N' : m_doc.m_strParity[0];
    char mode[96];
    std::snprintf(mode, sizeof mode, "baud=%d parity=%c data=%d stop=%d",
                  static_cast<int>(m_doc.m_nBaud), parity, static_cast<int>(m_doc.m_nWordLength),
                  static_cast<int>(m_doc.m_nStopBits));
    delivery.mode = mode;
    delivery.baud = m_doc.m_nBaud > 0 ? static_cast<uint32_t>(m_doc.m_nBaud) : 0;
    where = ComPortName(delivery.comPort);
  }
  m_inFlight.push_back(delivery.request);
  Report(
      SendReport{SendReport::State::kSending, delivery.request,
                 "Sending request " + std::to_string(delivery.request) + " to " + where + "..."});
  m_worker.Post([this, delivery = std::move(delivery)] {
    Finish(delivery.rtdInput != 0 ? DeliverToSignService(delivery) : DeliverToSerialPort(delivery));
  });
}

RequestSender::Outcome RequestSender::DeliverToSignService(const Delivery& d) {
  Outcome outcome;
  const std::string request = "Request " + std::to_string(d.request);
  const std::string service = SignServiceName(d.signServer);
  // Connect at the first send, and again whenever the configured server is
  // not the one the connection was made with: a connect releases the old
  // binding first. A failed connect leaves no connection, so the next send
  // tries again.
  std::string bound = BoundServer();
  if (bound.empty() || ::strcasecmp(bound.c_str(), d.signServer.c_str()) != 0) {
    const uint32_t status = zeltConnectSign(d.signServer.c_str());
    {
      std::lock_guard lock(m_boundMutex);
      m_strBoundServer = status == 0 ? d.signServer : std::string();
    }
    if (status != 0) {
      outcome.messages.push_back({"Unable to connect to Norvane Sign Service!", "", MB_OK});
      outcome.report = Ended(false, d.request,
                             request + " NOT delivered: no connection, " + DescribeStatus(status) +
                                 " (" + service + ")");
      return outcome;
    }
    bound = d.signServer;
  }
  // The configured port counts from 1, the service's from 0.
  const int32_t port = static_cast<int32_t>(static_cast<int64_t>(d.rtdInput) - 1);
  const uint32_t status =
      zeltSendRealTimeDataPort(port, d.packet.data(), static_cast<uint32_t>(d.packet.size()));
  const std::string input = ", input " + std::to_string(d.rtdInput);
  // Named after the server the connection was made with.
  const std::string reached = SignServiceName(bound);
  outcome.report = status == 0
                       ? Ended(true, d.request, request + " delivered to " + reached + input)
                       : Ended(false, d.request,
                               request + " NOT delivered: " + DescribeStatus(status) + " (" +
                                   reached + input + ")");
  return outcome;
}

RequestSender::Outcome RequestSender::DeliverToSerialPort(const Delivery& d) {
  Outcome outcome;
  const std::string request = "Request " + std::to_string(d.request);
  const std::string port = ComPortName(d.comPort);
  char name[32];
  std::snprintf(name, sizeof name, "COM%d", static_cast<int>(d.comPort));
  SerialPort serial;
  if (!serial.Open(name)) {
    outcome.messages.push_back(
        {"Could not open COM port!", "COM PORT ERROR!!", MB_OK | MB_ICONEXCLAMATION});
    outcome.report = Ended(
        false, d.request,
        request + " NOT sent: " + port + " could not be opened (missing, no access, or in use)");
    return outcome;
  }

  // A refused mode text or set-up is reported, and the packet still goes out
  // with whatever the line is set to.
  SerialSettings settings;
  if (!BuildCommSettings(d.mode, settings)) {
    outcome.messages.push_back({"Error Occurred! Com Port Failure! 11", "", MB_OK});
  }
  if (!serial.SetCommState(settings)) {
    outcome.messages.push_back({"Error Occurred! Com Port Failure! 22", "", MB_OK});
  }

  const std::size_t written =
      serial.Write(d.packet.data(), d.packet.size(), SerialWriteTimeoutMs(d.packet.size(), d.baud));
  serial.Close();
  if (written < d.packet.size()) {
    outcome.messages.push_back(
        {"Total Transmission not Sent", "Send Request Error!", MB_OK | MB_ICONEXCLAMATION});
    outcome.report = Ended(false, d.request,
                           request + " NOT fully sent to " + port + ": " + std::to_string(written) +
                               " of " + std::to_string(d.packet.size()) + " bytes");
    return outcome;
  }
  outcome.report = Ended(true, d.request, request + " sent to " + port);
  return outcome;
}

void RequestSender::Finish(Outcome outcome) {
  if (!m_post) {
    std::lock_guard lock(m_pendingMutex);
    m_pending.push_back(std::move(outcome));
    return;
  }
  m_post([this, alive = m_alive, outcome = std::move(outcome)] {
    if (alive->load()) Complete(outcome);
  });
}

void RequestSender::Complete(const Outcome& outcome) {
  if (!m_inFlight.empty()) m_inFlight.pop_front();
  SendReport report = outcome.report;
  // A later send still on its way is not hidden by the line of this one.
  if (!m_inFlight.empty()) {
    report.text += " Sending request " + std::to_string(m_inFlight.back()) + "...";
  }
  for (const Outcome::Message& m : outcome.messages) m_ui.MessageBox(m.text, m.caption, m.flags);
  Report(std::move(report));
}

void RequestSender::Report(SendReport report) {
  m_lastReport = std::move(report);
  if (m_report) m_report(m_lastReport);
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
