#include "shell/corvella_app.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "listview/corvella_view.h"
#include "listview/view_columns.h"
#include "platform/profile.h"
#include "platform/program_path.h"
#include "platform/qt/announcer.h"
#include "platform/qt/list_widget.h"
#include "platform/qt/qt_clipboard.h"
#include "platform/qt/qt_ui.h"
#include "platform/qt/single_instance.h"
#include "platform/qt/windows1252.h"
#include "platform/settings_file.h"
#include "platform/ui.h"
#include "platform/user_folder.h"
#include "requests/corvella_doc.h"
#include "shell/about_dlg.h"
#include "shell/close_coordinator.h"
#include "shell/command_line.h"
#include "shell/console_ui.h"
#include "shell/document_presentation.h"
#include "shell/file_opening.h"
#include "shell/list_history.h"
#include "shell/main_frame.h"
#include "shell/printing.h"
#include "shell/recovery_copy.h"
#include "shell/send_log.h"
#include "shell/shell_print.h"
#include "shell/shell_ui.h"
#include "shell/view_list_client.h"
#include "transmit/send_journal.h"
#include "transmit/send_request.h"

namespace corvella {
namespace {

// ---- command routing helpers -------------------------------------------------------

// The view's update handler `fn` as a command's update handler.
UpdateHandler ViewUpdate(CCorvellaView& view, void (CCorvellaView::*fn)(CCmdUI*)) {
  return [&view, fn](CCmdUI* ui) { (view.*fn)(ui); };
}

// The view's command `fn`, run through the history: each run that changed
// the list is one undo step, named by `name` for the Edit menu.
CommandHandler RecordedViewCommand(ListHistory& history, CCorvellaView& view,
                                   void (CCorvellaView::*fn)(), ListHistory::Namer name) {
  return [&history, &view, fn, name = std::move(name)] {
    history.Record([&view, fn] { (view.*fn)(); }, name);
  };
}

// An undo step named "<verb> N Requests" after the count `count` of the change.
ListHistory::Namer CountedStep(const char* verb, int (RowsChange::*count)() const) {
  return [verb, count](const RowsChange& c) {
    return ListHistory::Counted(verb, std::max(1, (c.*count)()));
  };
}

// An undo step with a fixed name.
ListHistory::Namer NamedStep(const char* name) {
  return [name](const RowsChange&) { return std::string(name); };
}

// The view's commands: what runs, what enables it, and for a command that
// changes the list the name of its undo step ("<step> N Requests" when
// `count` counts the rows; no step: not recorded).
struct ViewCommand {
  unsigned id;
  void (CCorvellaView::*run)();
  void (CCorvellaView::*update)(CCmdUI*);
  const char* step = nullptr;
  int (RowsChange::*count)() const = nullptr;
};

const ViewCommand kViewCommands[] = {
    {ID_DELETE_REQUEST, &CCorvellaView::OnDeleteRequest, &CCorvellaView::OnUpdateDeleteRequest,
     "Delete", &RowsChange::Removed},
    {ID_ADD_REQUEST, &CCorvellaView::OnAddRequest, &CCorvellaView::OnUpdateAddRequest,
     "Add Request"},
    {ID_EDIT_REQUEST, &CCorvellaView::OnEditRequest, &CCorvellaView::OnUpdateSingleRequest, "Edit",
     &RowsChange::ChangedInPlace},
    {ID_INSERT_REQUEST, &CCorvellaView::OnInsertRequest, &CCorvellaView::OnUpdateSingleRequest,
     "Insert Request"},
    {ID_EDIT_COPY, &CCorvellaView::OnEditCopy, &CCorvellaView::OnUpdateDeleteRequest},
    {ID_EDIT_CUT, &CCorvellaView::OnEditCut, &CCorvellaView::OnUpdateDeleteRequest, "Cut",
     &RowsChange::Removed},
    {ID_EDIT_PASTE, &CCorvellaView::OnEditPaste, &CCorvellaView::OnUpdateEditPaste, "Paste",
     &RowsChange::Added},
    {ID_SPORT_FOOTBALL, &CCorvellaView::OnSportFootball, &CCorvellaView::OnUpdateSportFootball},
    {ID_SPORT_BASKETBALL, &CCorvellaView::OnSportBasketball,
     &CCorvellaView::OnUpdateSportBasketball},
};

}  // namespace

CCorvellaApp::CCorvellaApp(Ui* ui) : m_ui(ui) {}

CCorvellaApp::~CCorvellaApp() {
  // The window goes first: it draws the view's rows until it is gone. What
  // follows the document into the window goes before it.
  if (m_view) m_view->Connect({});
  if (m_listClient) m_listClient->Detach();
  m_closing.reset();
  m_presentation.reset();
  m_printing.reset();
  m_frame.reset();
}

bool CCorvellaApp::InitInstance(const QStringList& arguments, bool show) {
  const CommandLineInfo cmdInfo = ParseCommandLine(arguments);
  if (!cmdInfo.m_strError.isEmpty()) {
    std::fprintf(stderr, "corvella: %s\n", qPrintable(cmdInfo.m_strError));
    return false;
  }
  const bool print = IsPrintCommand(cmdInfo);

  // The configuration file lies in the program directory; every profile call
  // of the program goes to it. An installed program uses a per-user folder,
  // made and filled with the samples on first start.
  std::string folderError;
  const std::string directory = PrepareProgramDirectory(&folderError);
  m_profile = std::make_unique<AppProfile>(directory + "CORVELLA.INI");
  // Printing needs no window and runs on its own.
  if (show && !print && !ClaimSingleInstance(directory, cmdInfo.m_strFileName)) return false;

  CreateUserInterface(print);
  ReportProgramDirectoryProblems(folderError);
  CreateDocumentAndFrame();
  CreateViewAndSender();
  CreateSendLog();
  CreateListWindow();
  m_printing = std::make_unique<Printing>(m_frame.get(), *m_view);
  RouteCommands();
  if (!OpenFirstList(cmdInfo.m_strFileName, print)) return false;

  if (print) {
    m_nExitCode = ShellPrint(*m_printing, m_commands, cmdInfo) ? 0 : 1;
    return false;
  }
  if (show) ShowMainWindow();
  m_frame->UpdateCommandUI();
  m_bStarted = true;
  QTimer::singleShot(0, m_frame.get(), [this] { LoadSendHistory(); });
  if (!m_handedOver.isEmpty())
    QTimer::singleShot(0, m_frame.get(), [this] { OpenHandedOverFiles(); });
  return true;
}

// ---- the parts of start-up ---------------------------------------------------------

bool CCorvellaApp::ClaimSingleInstance(const std::string& directory, const QString& file) {
  // One running program per user and program directory; a later start hands
  // its file over and ends.
  m_instance =
      std::make_unique<SingleInstance>(QFile::decodeName(QByteArray::fromStdString(directory)));
  switch (m_instance->claim(file.isEmpty() ? QString() : QFileInfo(file).absoluteFilePath())) {
    case SingleInstance::Claim::Running:
      // Without its socket the program still runs; later starts then
      // cannot hand files to it.
      if (!m_instance->errorString().isEmpty())
        std::fprintf(stderr, "corvella: %s\n", qPrintable(m_instance->errorString()));
      // Files may arrive while start-up still shows a message: they wait.
      QObject::connect(m_instance.get(), &SingleInstance::openRequested, m_instance.get(),
                       [this](const QString& path) { OnShellOpen(path); });
      return true;
    case SingleInstance::Claim::HandedOver: m_nExitCode = 0; return false;
    case SingleInstance::Claim::Failed:
      std::fprintf(stderr, "corvella: %s\n", qPrintable(m_instance->errorString()));
      return false;
  }
  return false;
}

void CCorvellaApp::CreateUserInterface(bool print) {
  // A test's replacement stays; printing from the command line reports on
  // the terminal.
  if (!m_ui && print) {
    m_consoleUi = std::make_unique<ConsoleUi>();
    m_ui = m_consoleUi.get();
  } else if (!m_ui) {
    m_qtUi = std::make_unique<ShellUi>();
    m_ui = m_qtUi.get();
  }
  m_clipboard = std::make_unique<QtClipboard>();
}

void CCorvellaApp::ReportProgramDirectoryProblems(const std::string& folderError) {
  if (!folderError.empty()) m_ui->MessageBox(folderError, "", MB_OK | MB_ICONEXCLAMATION);
  // A configuration path whose only separator is its first character is
  // reported; start-up goes on with that folder (the root) all the same.
  if (m_profile->Path().rfind('/') == 0) m_ui->MessageBox("Illegal Path to Executable!", "", MB_OK);
}

void CCorvellaApp::CreateDocumentAndFrame() {
  // The document reads the sport and the real-time-data input.
  m_doc = std::make_unique<CCorvellaDoc>(*m_profile, *m_ui);

  m_frame = std::make_unique<CMainFrame>(m_commands);
  if (m_qtUi) m_qtUi->SetParent(m_frame.get());
  m_opening = std::make_unique<FileOpening>(*m_doc, *m_ui);
  QObject::connect(m_frame.get(), &CMainFrame::fileDropped, m_frame.get(),
                   [this](const QString& path) { OpenNamedFile(path); });
}

void CCorvellaApp::CreateViewAndSender() {
  m_view = std::make_unique<CCorvellaView>(*m_doc, *m_ui);
  m_sender = std::make_unique<RequestSender>(*m_view, *m_doc, *m_ui);
  // Deliveries end on the sender's worker thread; what they have to show is
  // run by the event loop. They are posted to the application, which
  // outlives the window: a result that arrives while the window is being
  // destroyed then waits in the queue and is dropped by the sender, instead
  // of being posted to an object that is going away.
  m_sender->SetPoster([](std::function<void()> task) {
    QMetaObject::invokeMethod(qApp, std::move(task), Qt::QueuedConnection);
  });
  m_closing = std::make_unique<CloseCoordinator>(*m_frame, *m_doc, *m_sender);
}

void CCorvellaApp::CreateSendLog() {
  // The sender's ledger is the one record of every send; the Send Log, the
  // journal and the status bar (with the announcer in it) follow it, in
  // that order, each told of a send's end at the moment it ends.
  m_sendLog = std::make_unique<SendLogModel>();
  m_journal =
      std::make_unique<SendJournal>(UserStateFolderPath(), m_doc->GetDirectory(), m_sendLog.get());
  // Sent from the journal's thread, which may outlive the window: queued to
  // the window, and dropped with it.
  QObject::connect(m_sendLog.get(), &SendLogModel::journalFailed, m_frame.get(),
                   &CMainFrame::ShowNotice, Qt::QueuedConnection);
  SendLedger& ledger = m_sender->Ledger();
  ledger.Observe([this](const SendReport& report) { m_sendLog->Record(report); });
  ledger.Observe([this](const SendReport& report) { m_journal->Append(report); });
  ledger.Observe([this](const SendReport& report) { OnSendReport(report); });
  auto* sendLogDock = new SendLogDock(*m_sendLog, *m_sender, m_frame.get());
  QObject::connect(sendLogDock, &SendLogDock::notice, m_frame.get(), &CMainFrame::ShowNotice);
  QObject::connect(sendLogDock, &SendLogDock::closedByOperator, m_frame.get(),
                   [frame = m_frame.get()] { frame->ShowSendLog(false); });
  m_frame->SetSendLog(sendLogDock, SettingsFile(UserStateFolderPath(), "window.ini"));
}

void CCorvellaApp::LoadSendHistory() {
  // Read once the window is up: start-up reads no journal. Later sends are
  // numbered after every send the journal holds.
  int highest = 0;
  const std::vector<SendReport> history = m_journal->ReadHistory(kSendHistoryRows, &highest);
  m_sender->Ledger().ContinueAfter(highest);
  m_sendLog->AddHistory(history);
}

void CCorvellaApp::CreateListWindow() {
  m_history = std::make_unique<ListHistory>(*m_view, *m_doc);
  m_presentation = std::make_unique<DocumentPresentation>(*m_doc, *m_frame, m_view->GetListCtrl());
  m_listClient = std::make_unique<ViewListClient>(*m_view);
  m_listClient->SetHistory(m_history.get());
  m_listWidget = new ListWidget(m_view->GetListCtrl(), *m_listClient, m_frame.get());
  m_listClient->Attach(*m_listWidget);
  m_view->Connect({.clipboard = m_clipboard.get(),
                   .keys = &m_listWidget->Keys(),
                   .sending = m_sender.get(),
                   .measure = m_listClient.get()});
  m_listWidget->SetAnnouncer(m_frame->ScreenReader());
  m_presentation->SetListWidget(m_listWidget);
  m_frame->setCentralWidget(m_listWidget);
  QObject::connect(m_listWidget, &ListWidget::listStateChanged, m_frame.get(),
                   &CMainFrame::RequestCommandUpdate);
  // A double-click on a heading's divider fits the column to its longest
  // entry; widths the operator sets are kept, so a list can be shown and
  // printed in full.
  QObject::connect(
      m_listWidget, &ListWidget::columnFitRequested, m_frame.get(), [this](int column) {
        ListControl& list = m_view->GetListCtrl();
        list.SetColumnWidth(column, FittingColumnWidth(list, m_listClient.get(), column));
        m_listWidget->SyncFromModel();
        m_presentation->KeepColumnWidths();
      });
  QObject::connect(m_listWidget, &ListWidget::columnResizedByOperator, m_frame.get(),
                   [this] { m_presentation->KeepColumnWidths(); });
}

bool CCorvellaApp::OpenFirstList(const QString& file, bool print) {
  // A file named on the command line selects its sport and is loaded into
  // that sport's list; without one the current sport's file is loaded.
  // Printing leaves the sport of CORVELLA.INI as it is.
  if (file.isEmpty()) return static_cast<bool>(m_doc->Reload());
  return m_opening->Open(file, !print);
}

void CCorvellaApp::ShowMainWindow() {
  // Unsaved changes are kept in a recovery copy from now on; one that a
  // crash left behind is offered for this first list.
  m_recovery = std::make_unique<RecoveryCopy>(*m_view, *m_doc, *m_ui);
  m_recovery->OnListLoaded();
  m_frame->show();
  // Asked for, so the keys work at once also where no window manager
  // hands out the focus (a bare X session at the operator's desk).
  m_frame->activateWindow();
  m_listWidget->setFocus(Qt::OtherFocusReason);
}

// ---- command routing ---------------------------------------------------------------

void CCorvellaApp::RouteCommands() {
  RouteListCommands();
  RouteDocumentCommands();
  RouteApplicationCommands();
  m_commands.Route({&m_viewTarget, &m_docTarget, &m_frame->Target(), &m_appTarget});
}

void CCorvellaApp::RouteListCommands() {
  // The view: the request commands, clipboard, sport switch, send, printing.
  // The commands that change the list run through the history.
  CCorvellaView& view = *m_view;
  ListHistory& history = *m_history;
  CommandTarget& target = m_viewTarget;
  for (const ViewCommand& command : kViewCommands) {
    const UpdateHandler update = ViewUpdate(view, command.update);
    if (!command.step) {
      target.On(
          command.id, [&view, run = command.run] { (view.*run)(); }, update);
      continue;
    }
    ListHistory::Namer name =
        command.count ? CountedStep(command.step, command.count) : NamedStep(command.step);
    target.On(command.id, RecordedViewCommand(history, view, command.run, std::move(name)), update);
  }
  target.On(
      ID_EDIT_UNDO, [&history] { history.Undo(); },
      [&history](CCmdUI* ui) { history.OnUpdateUndo(ui); });
  target.On(
      ID_EDIT_REDO, [&history] { history.Redo(); },
      [&history](CCmdUI* ui) { history.OnUpdateRedo(ui); });
  // Send goes straight to the sender, which reads the view's selection; its
  // key while it cannot send says why.
  RequestSender& sender = *m_sender;
  target.On(
      ID_SEND_REQUEST, [&sender] { sender.OnSendRequest(); },
      ViewUpdate(view, &CCorvellaView::OnUpdateSingleRequest));
  target.OnRefused(ID_SEND_REQUEST, [&sender] { sender.RefuseSend(); });
  Printing& printing = *m_printing;
  target.On(ID_FILE_PRINT, [&printing] { printing.Print(false); });
  target.On(ID_FILE_PRINT_DIRECT, [&printing] { printing.Print(true); });
  target.On(ID_FILE_PRINT_PREVIEW, [&printing] { printing.Preview(); });
}

void CCorvellaApp::RouteDocumentCommands() {
  // The document: Save.
  m_docTarget.On(ID_FILE_SAVE, [this] { m_doc->DoFileSave(); });
}

void CCorvellaApp::RouteApplicationCommands() {
  // The application: New, Open, Print Setup, Exit, About and help.
  m_appTarget.On(ID_FILE_NEW, [this] { OnFileNew(); });
  m_appTarget.On(ID_FILE_OPEN, [this] { OnFileOpen(); });
  m_appTarget.On(ID_FILE_PRINT_SETUP, [this] { OnFilePrintSetup(); });
  m_appTarget.On(ID_APP_EXIT, [this] { OnAppExit(); });
  m_appTarget.On(ID_APP_ABOUT, [this] { OnAppAbout(); });
  m_appTarget.On(ID_HELP_FINDER, [this] { OnHelpFinder(); });
  m_appTarget.On(ID_HELP, [this] { OnHelp(); });
}

// ---- the application's commands ----------------------------------------------------

void CCorvellaApp::OnFileNew() { m_doc->FileNew(); }

void CCorvellaApp::OnFileOpen() {
  const QString chosen = m_opening->ChooseFile(m_frame.get());
  m_frame->activateWindow();
  if (!chosen.isEmpty()) OpenNamedFile(chosen);
}

bool CCorvellaApp::OpenNamedFile(const QString& path) {
  // The window that waits to close takes no other list.
  if (m_frame->IsWaitingToClose()) return false;
  return m_opening->Open(path);
}

void CCorvellaApp::OnSendReport(const SendReport& report) {
  // A send of a list no longer shown names its list.
  QString summary = FromWindows1252(report.text);
  if (!report.list.empty() && report.list != m_doc->GetSportFile())
    summary = FromWindows1252(report.list) + QStringLiteral(": ") + summary;
  m_frame->ShowSendResult(LookOf(report.state), summary);
  // A close that waits for the sends on their way goes on once they ended
  // and the last outcome has been said.
  if (report.Ended()) m_closing->OnSendEnded();
}

void CCorvellaApp::OnAppExit() { m_frame->close(); }

void CCorvellaApp::OnAppAbout() {
  CAboutDlg dialog(m_frame.get());
  dialog.exec();
  m_frame->activateWindow();
}

void CCorvellaApp::OnHelpFinder() { m_frame->ShowHelp(QString()); }

void CCorvellaApp::OnHelp() {
  // Help for the current context: the request list, the program's one window.
  m_frame->ShowHelp(QStringLiteral("list"));
}

void CCorvellaApp::OnFilePrintSetup() { m_printing->Setup(); }

// ---- the shell's requests ----------------------------------------------------------

void CCorvellaApp::OnShellOpen(const QString& path) {
  if (!path.isEmpty()) m_handedOver.append(path);
  // Before start-up has finished, the files wait for the window.
  if (!m_bStarted) return;
  if (m_frame->isMinimized()) m_frame->showNormal();
  m_frame->show();
  m_frame->raise();
  m_frame->activateWindow();
  if (path.isEmpty()) return;
  // From the event loop, not from inside the socket's notification: the
  // save prompt runs a loop of its own.
  QTimer::singleShot(0, m_frame.get(), [this] { OpenHandedOverFiles(); });
}

void CCorvellaApp::OpenHandedOverFiles() {
  // A dialog the operator has open (a prompt, Print, Open ...) finishes
  // first; the files wait their turn.
  if (m_bOpeningHandedOver) return;
  if (QApplication::activeModalWidget() != nullptr) {
    QTimer::singleShot(200, m_frame.get(), [this] { OpenHandedOverFiles(); });
    return;
  }
  m_bOpeningHandedOver = true;
  while (!m_handedOver.isEmpty()) OpenNamedFile(m_handedOver.takeFirst());
  m_bOpeningHandedOver = false;
}

}  // namespace corvella
