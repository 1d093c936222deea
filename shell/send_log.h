#pragma once
// The Send Log: every send of this session and every refused send command,
// newest first, with the time, the request, its sign and team or player, the
// destination and the outcome in full. The sender's reports are kept here;
// the status bar shows the newest one's summary line.
//
//   SendLogModel  the table (a QAbstractTableModel, so any item view and the
//                 accessibility layer read it as a table with headers); a
//                 send's row changes in place as it goes from waiting to
//                 sending to its outcome.
//   SendJournal   every outcome appended as one tab-separated line to
//                 send-log.tsv in the user's state folder, so the record of a
//                 game survives a crash of the program; past kMaxBytes the
//                 file becomes send-log.1.tsv (the one before that is
//                 dropped). A thread of its own writes the lines: a busy disk
//                 holds it, never the window.
//   SendLogDock   the dock the View menu shows or hides: the table, and the
//                 commands that cancel a waiting send or all of them.

#include <QAbstractTableModel>
#include <QDockWidget>
#include <QFile>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "transmit/delivery_worker.h"
#include "transmit/send_request.h"

class QPushButton;
class QTableView;

namespace corvella {

class SendLogModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column {
    kTime,
    kRequest,
    kDescription,
    kSign,
    kTeamPlayer,
    kDestination,
    kOutcome,
    kColumns
  };
  // The send's number (int) and its state (SendReport::State as int) of a row.
  static constexpr int kSendRole = Qt::UserRole + 1;
  static constexpr int kStateRole = Qt::UserRole + 2;

  explicit SendLogModel(QObject* parent = nullptr);

  // Keeps `report`: a new row at the top, or the row of the same send changed.
  void Record(const SendReport& report);
  // The report a row shows (row 0 is the newest).
  const SendReport& At(int row) const;
  // The row of send `send`, or -1.
  int RowOfSend(int send) const;
  // Sends waiting to go out.
  int WaitingCount() const { return m_nWaiting; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The text of a report's cell, as the table and the journal show it.
  static QString CellText(const SendReport& report, int column);

 signals:
  void waitingCountChanged(int waiting);

 private:
  std::vector<SendReport> m_reports;  // oldest first; row r is m_reports[size - 1 - r]
  std::map<int, std::size_t> m_bySend;
  int m_nWaiting = 0;
};

class SendJournal {
 public:
  static constexpr qint64 kMaxBytes = 1 << 20;
  // The journal in `folder` (made, 0700, when missing).
  explicit SendJournal(const QString& folder);
  // Writes every line handed over before it goes.
  ~SendJournal() = default;
  // $XDG_STATE_HOME/corvella, else ~/.local/state/corvella.
  static QString DefaultFolder();
  QString Path() const { return m_strPath; }
  // Hands one line for `report` to the writer when it is an outcome (not
  // waiting or sending).
  void Append(const SendReport& report);
  // Blocks until every line handed over has been written (or has failed).
  void WaitUntilWritten() { m_writer.WaitUntilIdle(); }
  // Told, on the writer's thread and only of the first failure, why a line
  // could not be written. Set before the first Append.
  std::function<void(const QString& error)> onError;
  // The line Append writes, without its line end.
  static QByteArray Line(const SendReport& report);

 private:
  // On the writer's thread.
  void Write(const SendReport& report);
  bool Open();
  void Fail();
  QString m_strPath;
  QFile m_file;  // the writer's
  bool m_bFailed = false;
  DeliveryWorker m_writer;  // last: its jobs use the members above
};

class SendLogDock : public QDockWidget {
  Q_OBJECT

 public:
  // `sender` cancels the waiting sends; it must outlive the dock.
  SendLogDock(SendLogModel& model, RequestSender& sender, QWidget* parent = nullptr);
  QTableView* View() const { return m_view; }
  // Cancels the send of the current row when it waits; says so when it has
  // started. Also the Delete key in the table.
  void CancelCurrent();
  // Cancels every waiting send.
  void CancelAllWaiting();
  // The keyboard comes into the log: the table takes the focus, on its
  // newest row when no row was current.
  void Enter();
  // "Send Log: 3 sends, 1 waiting": the pane's name and its count.
  QString Summary() const;

  // Told what a cancel attempt could not do ("Request 3 is on its way ...").
  std::function<void(const QString&)> onNotice;

 signals:
  // The operator closed the dock with its own close button.
  void closedByOperator();
  // Escape in the log: back to the request list.
  void leaveRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void UpdateButtons();
  SendLogModel& m_model;
  RequestSender& m_sender;
  QTableView* m_view = nullptr;
  QPushButton* m_cancel = nullptr;
  QPushButton* m_cancelAll = nullptr;
};

}  // namespace corvella
