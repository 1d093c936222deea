#pragma once
// Announcer: says a line to the operator through the screen reader the
// moment it happens, without moving the keyboard focus: the outcome of a
// send while the operator stays on the list.
//
// On the accessibility bus the announcer is a notification whose name is
// the last line said. Each saying makes it "showing" anew, the event on
// which AT-SPI screen readers speak a notification (Orca speaks it, and
// keeps it in its list of notifications). A line announced while the window
// is not active (a dialog or message box is open or still closing) waits
// until the window is active again and the focus has settled there, so the
// screen reader's reading of the focus does not cut it off.
//
// Lines wait in order. A kept line (a send's outcome, a file saved) is said
// exactly once and never replaced; a passing line (a send on its way, a
// cell's new value) stands only until the next line of any kind comes. The
// lines waiting are said together, in order, as one announcement, and two
// announcements are kept apart long enough for the screen reader to have
// read the first one's name before it changes.
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

  // Says a passing line: replaced when another line comes before it is said.
  void Announce(const QString& text);
  // Says `text` once, after the lines waiting before it; nothing announced
  // later replaces it (a send's outcome; a file opened, then what the new
  // list holds).
  void AnnounceKept(const QString& text);
  // The last announcement said (all the lines it joined).
  QString Text() const { return m_text; }
  // The lines waiting to be said, oldest first.
  QStringList Waiting() const;
  // Lines said as one: each ends as a sentence, and the next follows.
  static QString Join(const QStringList& lines);
  // True while lines wait to be said.
  bool Pending() const { return !m_kept.isEmpty() || !m_latest.isEmpty(); }

 signals:
  // An announcement was made (also while no screen reader listens).
  void said(const QString& text);

 private:
  bool Busy() const;
  // Starts the settling delay when the window can take the announcement.
  void TrySay();
  void Say();

  void Schedule();

  QString m_text;       // the last announcement said
  QStringList m_kept;   // kept lines not yet said, oldest first
  QString m_latest;     // the passing line not yet said, after the kept ones
  qint64 m_saidAt = 0;  // when the last announcement was said (ms, monotonic)
  QTimer m_settle;
};

}  // namespace corvella
