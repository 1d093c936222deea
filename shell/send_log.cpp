#include "shell/send_log.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/qt/windows1252.h"
#include "shell/send_look.h"

namespace corvella {

namespace {

using State = SendReport::State;

// The local time of `when`: the time of day for today, with the date for an
// earlier day (a send read back from the journal). Empty for none. Not
// QDateTime: its conversion to local time costs tens of microseconds a call.
QString TimeCell(std::time_t when) {
  if (when == 0) return {};
  std::tm local{};
  std::tm today{};
  const std::time_t now = std::time(nullptr);
  if (!localtime_r(&when, &local) || !localtime_r(&now, &today)) return {};
  const bool sameDay = local.tm_year == today.tm_year && local.tm_yday == today.tm_yday;
  char text[40] = "";
  std::strftime(text, sizeof text, sameDay ? "%H:%M:%S" : "%Y-%m-%d %H:%M:%S", &local);
  return QString::fromLatin1(text);
}

}  // namespace

// ---- the table ------------------------------------------------------------------

SendLogModel::SendLogModel(QObject* parent) : QAbstractTableModel(parent) {}

void SendLogModel::Record(const SendReport& report) {
  const int waitingBefore = m_nWaiting;
  const auto found = report.send != 0 ? m_bySend.find(report.send) : m_bySend.end();
  if (found != m_bySend.end()) {
    SendReport& kept = m_reports[found->second];
    m_nWaiting -= kept.state == State::kWaiting;
    kept = report;
    const int row = static_cast<int>(m_reports.size() - 1 - found->second);
    emit dataChanged(index(row, 0), index(row, kColumns - 1));
  } else {
    beginInsertRows({}, 0, 0);
    if (report.send != 0) m_bySend[report.send] = m_reports.size();
    m_reports.push_back(report);
    endInsertRows();
  }
  m_nWaiting += report.state == State::kWaiting;
  if (m_nWaiting != waitingBefore) emit waitingCountChanged(m_nWaiting);
}

void SendLogModel::AddHistory(const std::vector<SendReport>& history) {
  std::vector<SendReport> older;
  for (const SendReport& r : history) {
    if (r.send == 0 || m_bySend.count(r.send) == 0) older.push_back(r);
  }
  if (older.empty()) return;
  const int rows = rowCount();
  beginInsertRows({}, rows, rows + static_cast<int>(older.size()) - 1);
  m_reports.insert(m_reports.begin(), older.begin(), older.end());
  m_bySend.clear();
  for (std::size_t i = 0; i < m_reports.size(); ++i) {
    if (m_reports[i].send != 0) m_bySend[m_reports[i].send] = i;
  }
  endInsertRows();
}

const SendReport& SendLogModel::At(int row) const {
  return m_reports[m_reports.size() - 1 - static_cast<std::size_t>(row)];
}

int SendLogModel::RowOfSend(int send) const {
  const auto found = m_bySend.find(send);
  return found == m_bySend.end() ? -1 : static_cast<int>(m_reports.size() - 1 - found->second);
}

int SendLogModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_reports.size());
}

int SendLogModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QString SendLogModel::CellText(const SendReport& r, int column) {
  switch (column) {
    case kRequested: return TimeCell(r.requested);
    case kEnded: return TimeCell(r.ended);
    case kRequest:
      if (r.request == 0) return {};
      return QStringLiteral("%1 (%2)").arg(r.request).arg(FromWindows1252(r.list));
    case kDescription: return FromWindows1252(r.description);
    case kSign: return FromWindows1252(r.sign);
    case kTeamPlayer: return FromWindows1252(r.teamPlayer);
    case kDestination: return FromWindows1252(r.destination);
    case kOutcome: return FromWindows1252(r.outcome);
    default: return {};
  }
}

void SendLogModel::OnJournalError(const std::string& error) {
  const QString text = QStringLiteral("The Send Log cannot be kept on disk: %1")
                           .arg(QFile::decodeName(QByteArray::fromStdString(error)));
  std::fprintf(stderr, "corvella: %s\n", qPrintable(text));
  emit journalFailed(text);
}

QVariant SendLogModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const SendReport& r = At(index.row());
  switch (role) {
    case Qt::DisplayRole: return CellText(r, index.column());
    case Qt::ToolTipRole:
      // The outcome in full, whatever the column's width; elsewhere the whole
      // summary line, as the status bar showed it.
      if (index.column() == kOutcome) return FromWindows1252(r.outcome);
      return FromWindows1252(r.text);
    case Qt::DecorationRole:
      if (index.column() != kOutcome) return {};
      return QApplication::style()->standardIcon(StyleOf(LookOf(r.state)).icon);
    case Qt::ForegroundRole: {
      if (index.column() != kOutcome) return {};
      const QColor emphasis = StyleOf(LookOf(r.state)).emphasis;
      return emphasis.isValid() ? QVariant(emphasis) : QVariant();
    }
    case kSendRole: return r.send;
    case kStateRole: return static_cast<int>(r.state);
    default: return {};
  }
}

QVariant SendLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kTitles[kColumns] = {"Requested",   "Ended",  "Request",
                                                "Description", "Sign",   "Team/Player",
                                                "Destination", "Outcome"};
  return section >= 0 && section < kColumns ? QString::fromLatin1(kTitles[section]) : QVariant();
}

// ---- the dock -------------------------------------------------------------------------

SendLogDock::SendLogDock(SendLogModel& model, RequestSender& sender, QWidget* parent)
    : QDockWidget(QStringLiteral("Send Log"), parent), m_model(model), m_sender(sender) {
  setObjectName(QStringLiteral("sendLogDock"));
  setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea | Qt::LeftDockWidgetArea |
                  Qt::RightDockWidgetArea);
  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(2, 2, 2, 2);
  m_view = new QTableView(body);
  m_view->setObjectName(QStringLiteral("sendLogView"));
  m_view->setAccessibleName(QStringLiteral("Send Log"));
  m_view->setModel(&m_model);
  m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_view->setSelectionMode(QAbstractItemView::SingleSelection);
  m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_view->setWordWrap(false);
  m_view->setAlternatingRowColors(true);
  m_view->verticalHeader()->setVisible(false);
  m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
  // The outcome starts wide enough for a whole common outcome, grows with
  // the dock, and its tool tip holds it in full; the table scrolls sideways
  // when the dock is narrower.
  m_view->horizontalHeader()->setHighlightSections(false);
  m_view->horizontalHeader()->setStretchLastSection(true);
  const int digit = m_view->fontMetrics().horizontalAdvance(QLatin1Char('0'));
  const int widths[SendLogModel::kColumns] = {10, 10, 12, 18, 5, 15, 27, 60};
  for (int c = 0; c < SendLogModel::kColumns; ++c) m_view->setColumnWidth(c, widths[c] * digit);
  m_view->installEventFilter(this);
  layout->addWidget(m_view, 1);

  auto* buttons = new QHBoxLayout;
  m_cancel = new QPushButton(QStringLiteral("&Cancel Send"), body);
  m_cancel->setObjectName(QStringLiteral("cancelSendButton"));
  m_cancel->setToolTip(QStringLiteral("Cancel the selected send while it waits (Delete)"));
  m_cancelAll = new QPushButton(QStringLiteral("Cancel &All Waiting"), body);
  m_cancelAll->setObjectName(QStringLiteral("cancelAllWaitingButton"));
  buttons->addWidget(m_cancel);
  buttons->addWidget(m_cancelAll);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  setWidget(body);

  connect(m_cancel, &QPushButton::clicked, this, &SendLogDock::CancelCurrent);
  connect(m_cancelAll, &QPushButton::clicked, this, &SendLogDock::CancelAllWaiting);
  connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &SendLogDock::UpdateButtons);
  connect(&m_model, &QAbstractItemModel::dataChanged, this, &SendLogDock::UpdateButtons);
  connect(&m_model, &QAbstractItemModel::rowsInserted, this, &SendLogDock::UpdateButtons);
  // The count changes after the row that changed it has been shown: the
  // buttons are asked again then, so "1 waiting" always has its Cancel.
  connect(&m_model, &SendLogModel::waitingCountChanged, this, &SendLogDock::UpdateButtons);
  connect(&m_model, &SendLogModel::waitingCountChanged, this, [this](int waiting) {
    setWindowTitle(waiting == 0 ? QStringLiteral("Send Log")
                                : QStringLiteral("Send Log (%1 waiting)").arg(waiting));
  });
  UpdateButtons();
  setFocusProxy(m_view);
}

void SendLogDock::Enter() {
  if (!m_view->currentIndex().isValid() && m_model.rowCount() > 0)
    m_view->setCurrentIndex(m_model.index(0, 0));
  m_view->setFocus(Qt::ShortcutFocusReason);
}

QString SendLogDock::Summary() const {
  const int sends = m_model.rowCount();
  QString text = QStringLiteral("Send Log: %1 %2")
                     .arg(sends)
                     .arg(sends == 1 ? QStringLiteral("send") : QStringLiteral("sends"));
  if (m_model.WaitingCount() > 0)
    text += QStringLiteral(", %1 waiting").arg(m_model.WaitingCount());
  return text;
}

void SendLogDock::keyPressEvent(QKeyEvent* e) {
  // Escape from anywhere in the log (a button, the table); F6 and Shift+F6
  // too when the log floats in a window of its own, where the main window's
  // keys do not reach.
  if ((e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) ||
      (e->key() == Qt::Key_F6 && (e->modifiers() & ~Qt::ShiftModifier) == Qt::NoModifier)) {
    emit leaveRequested();
    return;
  }
  QDockWidget::keyPressEvent(e);
}

void SendLogDock::UpdateButtons() {
  const QModelIndex current = m_view->currentIndex();
  const bool waiting =
      current.isValid() && current.data(SendLogModel::kStateRole).toInt() == int(State::kWaiting);
  m_cancel->setEnabled(waiting);
  m_cancelAll->setEnabled(m_model.WaitingCount() > 0);
}

void SendLogDock::CancelCurrent() {
  const QModelIndex current = m_view->currentIndex();
  if (!current.isValid()) return;
  const int send = current.data(SendLogModel::kSendRole).toInt();
  const SendReport& r = m_model.At(current.row());
  if (send == 0 || r.Ended()) return;
  if (m_sender.CancelSend(send) == RequestSender::Cancel::kStarted) {
    emit notice(
        QStringLiteral("Request %1 is on its way to the sign and can no longer be cancelled.")
            .arg(r.request));
  }
  UpdateButtons();
}

bool SendLogDock::eventFilter(QObject* watched, QEvent* e) {
  if (watched == m_view && e->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(e);
    if (key->key() == Qt::Key_Delete) {
      CancelCurrent();
      return true;
    }
    if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
      emit leaveRequested();
      return true;
    }
  }
  return QDockWidget::eventFilter(watched, e);
}

void SendLogDock::closeEvent(QCloseEvent* e) {
  QDockWidget::closeEvent(e);
  emit closedByOperator();
}

void SendLogDock::CancelAllWaiting() {
  m_sender.CancelWaitingSends();
  UpdateButtons();
}

}  // namespace corvella
