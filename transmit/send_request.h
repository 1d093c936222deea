#pragma once
// RequestSender: Send Request for the request list. It builds the packet of
// the selected row, asking the Select Desired Team/Player dialog for the
// side and the player, and delivers it by the configuration of the moment:
// to the sign service as real-time data for an input port, or out of a
// serial port opened for this one send. It owns the connection to the sign
// service (made once, at the first send that needs it, and dropped when the
// sender is destroyed) and the packet text.

#include <string>

#include "listview/corvella_view.h"

namespace corvella {

class CCorvellaDoc;
class Ui;

class RequestSender : public RequestSending {
 public:
  // `view`, `doc` and `ui` must outlive the sender.
  RequestSender(CCorvellaView& view, CCorvellaDoc& doc, Ui& ui);
  // Disconnects from the sign service when a connection was made.
  ~RequestSender() override;
  RequestSender(const RequestSender&) = delete;
  RequestSender& operator=(const RequestSender&) = delete;

  // Builds the packet of the selected row into Packet(). Leaves the packet as
  // it was when no row counts as selected or the dialog is cancelled.
  void BuildRequestPacket();

  bool IsConnected() const { return m_bConnected; }
  // The last packet built; empty when the last send built none.
  const std::string& Packet() const { return m_strPacket; }

  // ---- implements RequestSending ------------------------------------------------
  void OnSendRequest() override;

 private:
  // The first row the list reports as selected, when the operator sees it
  // as selected; else -1.
  int SelectedRowForSend() const;
  void DisconnectSignService();

  CCorvellaView& m_view;
  CCorvellaDoc& m_doc;
  Ui& m_ui;
  bool m_bConnected = false;
  std::string m_strPacket;
};

}  // namespace corvella
