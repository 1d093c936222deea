// Send Request: builds the packet for the selected row and delivers it, by
// the configuration of the moment, either to the sign service as real-time
// data for an input port or out of a serial port opened for this one send.

#include "transmit/send_request.h"

#include <zeltrpc.h>

#include <cstdint>
#include <cstdio>
#include <limits>

#include "platform/serial.h"
#include "platform/ui.h"
#include "requests/corvella_doc.h"
#include "transmit/packet.h"

namespace corvella {

RequestSender::RequestSender(CCorvellaView& view, CCorvellaDoc& doc, Ui& ui)
    : m_view(view), m_doc(doc), m_ui(ui) {}

RequestSender::~RequestSender() { DisconnectSignService(); }

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
  // The dialog's own document reads the configuration as the program's
  // document does when it is made, with the same message for an illegal
  // sport, which then counts as Basketball.
  const CCorvellaDoc sportSource(m_doc.GetProfile(), m_ui);
  choice.sportCode = sportSource.GetSportFile().substr(0, 4);
  if (!m_ui.SelectTeamPlayer(choice)) return;

  m_strPacket = BuildPacket(cells, choice);
}

void RequestSender::OnSendRequest() {
  m_strPacket.clear();
  // The request file path and ZLRTDINPUT, afresh: edits of the configuration
  // take effect at the next send.
  m_view.UpdateFilePath();
  BuildRequestPacket();
  if (m_strPacket.empty()) return;  // nothing selected, or the dialog was cancelled

  const uint32_t length = m_strPacket.size() > std::numeric_limits<uint32_t>::max()
                              ? std::numeric_limits<uint32_t>::max()
                              : static_cast<uint32_t>(m_strPacket.size());

  if (m_view.GetRtdInput() != 0) {
    // Connect once per view; a failed connect is tried again at the next send.
    if (!m_bConnected) {
      if (zeltConnectSign(m_doc.GetSignServer().c_str()) != 0) {
        m_ui.MessageBox("Unable to connect to Norvane Sign Service!", "", MB_OK);
        return;
      }
      m_bConnected = true;
    }
    // The configured port counts from 1, the service's from 0. What the
    // service answers is not the operator's concern.
    const int32_t port = static_cast<int32_t>(static_cast<int64_t>(m_view.GetRtdInput()) - 1);
    zeltSendRealTimeDataPort(port, m_strPacket.data(), length);
    return;
  }

  m_doc.ReadComSettings();
  char name[32];
  std::snprintf(name, sizeof name, "COM%d", static_cast<int>(m_doc.m_nComPort));
  SerialPort port;
  if (!port.Open(name)) {
    m_ui.MessageBox("Could not open COM port!", "COM PORT ERROR!!", MB_OK | MB_ICONEXCLAMATION);
    return;
  }

  const char parity = m_doc.m_strParity.empty() ? 'N' : m_doc.m_strParity[0];
  char mode[96];
  std::snprintf(mode, sizeof mode, "baud=%d parity=%c data=%d stop=%d",
                static_cast<int>(m_doc.m_nBaud), parity, static_cast<int>(m_doc.m_nWordLength),
                static_cast<int>(m_doc.m_nStopBits));

  // A refused mode text or set-up is reported, and the packet still goes out
  // with whatever the line is set to.
  SerialSettings settings;
  if (!BuildCommSettings(mode, settings)) {
    m_ui.MessageBox("Error Occurred! Com Port Failure! 11", "", MB_OK);
  }
  if (!port.SetCommState(settings)) {
    m_ui.MessageBox("Error Occurred! Com Port Failure! 22", "", MB_OK);
  }

  const uint32_t baud = m_doc.m_nBaud > 0 ? static_cast<uint32_t>(m_doc.m_nBaud) : 0;
  const std::size_t written =
      port.Write(m_strPacket.data(), m_strPacket.size(), SerialWriteTimeoutMs(length, baud));
  port.Close();
  if (written < m_strPacket.size()) {
    m_ui.MessageBox("Total Transmission not Sent", "Send Request Error!",
                    MB_OK | MB_ICONEXCLAMATION);
  }
}

void RequestSender::DisconnectSignService() {
  if (!m_bConnected) return;
  zeltDisconnectSign();
  m_bConnected = false;
}

}  // namespace corvella
