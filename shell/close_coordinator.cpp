#include "shell/close_coordinator.h"

#include <QTimer>

#include "platform/qt/announcer.h"
#include "requests/corvella_doc.h"
#include "transmit/send_request.h"

namespace corvella {

CloseCoordinator::CloseCoordinator(CMainFrame& frame, CCorvellaDoc& doc,
                                   const RequestSender& sender)
    : m_frame(frame), m_doc(doc), m_sender(sender) {
  m_frame.SetCloseApprover(this);
}

CloseCoordinator::~CloseCoordinator() { m_frame.SetCloseApprover(nullptr); }

bool CloseCoordinator::ApproveClose() {
  if (m_bCloseApproved) return true;
  // A second close while waiting changes nothing.
  if (m_bClosing) return false;
  if (!m_doc.SaveModified()) return false;
  // A request on its way is delivered (or fails, bounded by the client
  // library's time-out) while the window still shows it travelling. The
  // window takes nothing more meanwhile, so what the save prompt was
  // answered for is what the operator has; it closes when the sender
  // reports the end of the send.
  if (m_sender.PendingRequest() != 0) {
    m_bClosing = true;
    CloseWhenSent();
    return false;
  }
  return true;
}

void CloseCoordinator::OnSendEnded() {
  if (m_bClosing) QTimer::singleShot(0, &m_frame, [this] { CloseWhenSent(); });
}

void CloseCoordinator::CloseWhenSent() {
  if (const int request = m_sender.PendingRequest(); request != 0) {
    const QString what = QStringLiteral("Closing after request %1").arg(request);
    if (what == m_strCloseWait) return;
    m_strCloseWait = what;
    m_frame.BeginCloseWait(what,
                           QStringLiteral("Closing: waiting for request %1 to be sent (at most "
                                          "the sign service's time-out); nothing can be changed "
                                          "meanwhile.")
                               .arg(request));
    // Said, so that an operator who does not see the window knows why it
    // stays; the outcome is said when the send ends.
    m_frame.ScreenReader()->AnnounceKept(what + QStringLiteral(" is sent"));
    return;
  }
  // The window goes once the outcome has been said (bounded: a screen
  // reader that never takes it does not keep the window).
  if (m_frame.ScreenReader()->Pending() && m_nSpeechWaits++ < kSpeechWaits) {
    QTimer::singleShot(100, &m_frame, [this] { CloseWhenSent(); });
    return;
  }
  m_bCloseApproved = true;
  m_frame.close();
}

}  // namespace corvella
