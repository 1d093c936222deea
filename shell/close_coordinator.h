#pragma once
// Closing the window: the save prompt first, then, while a request is on its
// way, the window waits (taking nothing more, saying why) and closes once the
// sender has reported the end of every send and its outcome has been said.

#include <QString>

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
  bool m_bClosing = false;                 // the window waits for a send before it closes
  bool m_bCloseApproved = false;           // the save prompt was answered; the window may go
  QString m_strCloseWait;                  // what the waiting close last said
  int m_nSpeechWaits = 0;                  // checks made for the last outcome to be said
  static constexpr int kSpeechWaits = 50;  // of 100 ms each
};

}  // namespace corvella
