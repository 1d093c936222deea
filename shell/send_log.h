#pragma once
// The Send Log: every send of this session and every refused send command,
// newest first, below them the recent sends of earlier sessions read back
// from the journal, each with when it was asked for and when it ended, the
// request, its sign and team or player, the destination and the outcome in
// full. It follows the sender's ledger.
//
//   SendLogModel  the table (a QAbstractTableModel, so any item view and the
//                 accessibility layer read it as a table with headers); a
//                 send's row changes in place as it goes from waiting to
//                 sending to its outcome. It hears from the journal when
//                 the log cannot be kept on disk.
//   SendLogDock   the dock the View menu shows or hides: the table, and the
//                 commands that cancel a waiting send or all of them.

#include <QAbstractTableModel>
#include <QDockWidget>
#include <map>
#include <string>
#include <vector>

#include "transmit/send_journal.h"
#include "transmit/send_request.h"

class QPushButton;
class QTableView;

namespace corvella {

class SendLogModel : public QAbstractTableModel, public SendJournal::ErrorObserver {
  Q_OBJECT

 public:
  enum Column {
    kRequested,
    kEnded,
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
  // Sends of earlier sessions, oldest first: rows below every row there is.
  // A send already shown is not shown twice.
  void AddHistory(const std::vector<SendReport>& history);
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

  // ---- implements SendJournal::ErrorObserver ----------------------------------------
  // On the journal's thread: written to the terminal, and told through
  // journalFailed.
  void OnJournalError(const std::string& error) override;

 signals:
  void waitingCountChanged(int waiting);
  // "The Send Log cannot be kept on disk: ..." (sent from the journal's
  // thread; a receiver in the window gets it queued).
  void journalFailed(const QString& text);

 private:
  std::vector<SendReport> m_reports;  // oldest first; row r is m_reports[size - 1 - r]
  std::map<int, std::size_t> m_bySend;
  int m_nWaiting = 0;
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

 signals:
  // What a cancel attempt could not do ("Request 3 is on its way ...").
  void notice(const QString& text);
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
