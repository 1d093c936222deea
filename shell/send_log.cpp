#include "shell/send_log.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <cstdlib>
#include <ctime>

#include "platform/qt/windows1252.h"

namespace corvella {

namespace {

using State = SendReport::State;

bool IsFailure(State state) { return state == State::kFailed || state == State::kRefused; }

// The local time of `when` in `format` (strftime's). Not QDateTime: its
// conversion to local time costs tens of microseconds a call, and the
// journal's line is written on the user-interface thread.
QByteArray LocalTime(std::time_t when, const char* format) {
  std::tm local{};
  char text[40] = "";
  if (localtime_r(&when, &local)) std::strftime(text, sizeof text, format, &local);
  return QByteArray(text);
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
    case kTime: return QString::fromLatin1(LocalTime(r.time, "%H:%M:%S"));
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

QVariant SendLogModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const SendReport& r = At(index.row());
  switch (role) {
    case Qt::DisplayRole: return CellText(r, index.column());
    case Qt::ToolTipRole:
      // The whole summary line, as the status bar showed it.
      return FromWindows1252(r.text);
    case Qt::DecorationRole: {
      if (index.column() != kOutcome) return {};
      QStyle* style = QApplication::style();
      switch (r.state) {
        case State::kDelivered: return style->standardIcon(QStyle::SP_DialogApplyButton);
        case State::kFailed:
        case State::kRefused: return style->standardIcon(QStyle::SP_MessageBoxCritical);
        case State::kSentWithWarning:
        case State::kCancelled: return style->standardIcon(QStyle::SP_MessageBoxWarning);
        default: return style->standardIcon(QStyle::SP_BrowserReload);
      }
    }
    case Qt::ForegroundRole:
      if (index.column() == kOutcome && IsFailure(r.state)) return QColor(0xB0, 0x10, 0x10);
      return {};
    case kSendRole: return r.send;
    case kStateRole: return static_cast<int>(r.state);
    default: return {};
  }
}

QVariant SendLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kTitles[kColumns] = {"Time",        "Request",     "Description", "Sign",
                                                "Team/Player", "Destination", "Outcome"};
  return section >= 0 && section < kColumns ? QString::fromLatin1(kTitles[section]) : QVariant();
}

// ---- the journal ------------------------------------------------------------------

SendJournal::SendJournal(const QString& folder)
    : m_strPath(QDir(folder).filePath(QStringLiteral("send-log.tsv"))) {
  m_file.setFileName(m_strPath);
  // The writer gives way to the window: woken by a line, it must not take
  // the processor from the user-interface thread that handed it over.
  m_writer.Post([] { ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19); });
}

QString SendJournal::DefaultFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return QFile::decodeName(state) + QStringLiteral("/corvella");
  return QDir::homePath() + QStringLiteral("/.local/state/corvella");
}

QByteArray SendJournal::Line(const SendReport& r) {
  // A field never holds the separators of the file.
  const auto field = [](const QString& text) {
    QString clean = text;
    for (QChar& c : clean) {
      if (c == u'\t' || c == u'\n' || c == u'\r') c = u' ';
    }
    return clean.toUtf8();
  };
  QList<QByteArray> fields;
  fields << LocalTime(r.time, "%Y-%m-%dT%H:%M:%S%z") << QByteArray::number(r.send)
         << field(FromWindows1252(r.list)) << QByteArray::number(r.request);
  for (int column : {SendLogModel::kDescription, SendLogModel::kSign, SendLogModel::kTeamPlayer,
                     SendLogModel::kDestination}) {
    fields << field(SendLogModel::CellText(r, column));
  }
  fields << SendStateName(r.state) << QByteArray::number(r.status)
         << field(SendLogModel::CellText(r, SendLogModel::kOutcome));
  return fields.join('\t');
}

bool SendJournal::Open() {
  if (m_file.isOpen()) return true;
  const QFileInfo info(m_file);
  // The folder is the user's alone; the ones above it are made as usual.
  QDir().mkpath(QFileInfo(info.absolutePath()).absolutePath());
  ::mkdir(QFile::encodeName(info.absolutePath()).constData(), 0700);
  const bool fresh = !info.exists();
  if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) return false;
  if (fresh) {
    m_file.write(
        "# time\tsend\tlist\trequest\tdescription\tsign\tteam/player\tdestination\toutcome\t"
        "status\tdetails\n");
  }
  return true;
}

void SendJournal::Fail() {
  const QString error = QStringLiteral("%1: %2").arg(m_strPath, m_file.errorString());
  m_file.close();
  if (m_bFailed) return;
  m_bFailed = true;
  if (onError) onError(error);
}

void SendJournal::Append(const SendReport& report) {
  if (!report.Ended()) return;
  m_writer.Post([this, report] { Write(report); });
}

void SendJournal::Write(const SendReport& report) {
  if (!Open()) {
    Fail();
    return;
  }
  // Bounded: a full journal becomes the previous one, and a new one begins.
  if (m_file.size() > kMaxBytes) {
    m_file.close();
    const QString previous =
        QString(m_strPath).replace(QStringLiteral(".tsv"), QStringLiteral(".1.tsv"));
    QFile::remove(previous);
    QFile::rename(m_strPath, previous);
    if (!Open()) {
      Fail();
      return;
    }
  }
  const QByteArray line = Line(report) + '\n';
  // Handed to the kernel at once, so a crash of the program loses none of it.
  if (m_file.write(line) != line.size() || !m_file.flush()) Fail();
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
  // The outcome is shown in full: its column takes the width of its
  // longest text, and the table scrolls sideways when the dock is narrower.
  m_view->horizontalHeader()->setSectionResizeMode(SendLogModel::kOutcome,
                                                   QHeaderView::ResizeToContents);
  m_view->horizontalHeader()->setHighlightSections(false);
  const int digit = m_view->fontMetrics().horizontalAdvance(QLatin1Char('0'));
  const int widths[SendLogModel::kColumns - 1] = {9, 12, 18, 5, 15, 27};
  for (int c = 0; c < SendLogModel::kColumns - 1; ++c) m_view->setColumnWidth(c, widths[c] * digit);
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
  if (m_sender.CancelSend(send) == RequestSender::Cancel::kStarted && onNotice) {
    onNotice(QStringLiteral("Request %1 is on its way to the sign and can no longer be cancelled.")
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
