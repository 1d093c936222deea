#pragma once
// Announcer: says a line to the operator through the screen reader the
// moment it happens, without moving the keyboard focus: the outcome of a
// send while the operator stays on the list.
//
// On the accessibility bus the announcer is a notification whose name is
// the last line announced. Each announcement makes it "showing" anew, the
// event on which AT-SPI screen readers speak a notification (Orca speaks
// it, and keeps it in its list of notifications). An announcement made
// while the window is not active (a dialog or message box is still closing)
// waits until the window is active again and the focus has settled there, so
// the screen reader's reading of the focus does not cut it off.
//
// The announcer takes no room: it lives inside the widget that shows the
// same line on the screen (a status bar pane), which the screen reader's
// "read status bar" command reads.

#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace corvella {

class Announcer : public QWidget {
  Q_OBJECT

 public:
  explicit Announcer(QWidget* parent);

  // Says `text`; a line not yet said when the next one comes is replaced.
  void Announce(const QString& text);
  // Says `text` ahead of whatever comes until it is said; a later Announce
  // does not replace it (a file opened, then what the new list holds).
  void AnnounceKept(const QString& text);
  // The last announcement, as it is or was said.
  QString Text() const { return m_text; }
  // True while an announcement waits for the window to become active.
  bool Pending() const { return m_pending; }

 private:
  bool Busy() const;
  // Starts the settling delay when the window can take the announcement.
  void TrySay();
  void Say();

  void Schedule();

  QString m_text;
  QStringList m_kept;  // lines not yet said that Announce keeps
  QString m_latest;    // the line not yet said that Announce replaces
  bool m_pending = false;
  QTimer m_settle;
};

}  // namespace corvella
