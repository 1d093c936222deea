#pragma once
// Closing the window: the save prompt first, then, while a request is on its
// way, the window waits (taking nothing more) and closes once the sender has
// reported the end of every send.

#include "shell/main_frame.h"

namespace corvella {

class CCorvellaDoc;
class RequestSender;

class CloseCoordinator : public CMainFrame::CloseApprover {
 public:
  // All three must outlive the coordinator; it approves `frame`'s closes.
  CloseCoordinator(CMainFrame& frame, CCorvellaDoc& doc, const RequestSender& sender);
  ~CloseCoordinator() override;
  CloseCoordinator(const CloseCoordinator&) = delete;
  CloseCoordinator& operator=(const CloseCoordinator&) = delete;

  // A send ended: a close that waits for the sends goes on (from the event
  // loop).
  void OnSendEnded();

  // ---- implements CMainFrame::CloseApprover ------------------------------------------
  bool ApproveClose() override;

 private:
  // Closes the window once no send is on its way, else says which it waits for.
  void CloseWhenSent();

  CMainFrame& m_frame;
  CCorvellaDoc& m_doc;
  const RequestSender& m_sender;
  bool m_bClosing = false;        // the window waits for a send before it closes
  bool m_bCloseApproved = false;  // the save prompt was answered; the window may go
};

}  // namespace corvella
