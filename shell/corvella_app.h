#pragma once
// CCorvellaApp: the application object. InitInstance creates, in this order,
// the profile on CORVELLA.INI, the user interface, the document, the main
// frame and the list view with its window, routes the commands (view,
// document, frame, application), and opens the first document.

#include <QStringList>
#include <memory>
#include <string>

#include "shell/command_table.h"

namespace corvella {

class AppProfile;
class CCorvellaDoc;
class CloseCoordinator;
class DocumentPresentation;
class FileOpening;
class CCorvellaView;
class CMainFrame;
class ConsoleUi;
struct CommandLineInfo;
class ListWidget;
class Printing;
class QtClipboard;
class ShellUi;
class ListHistory;
class RecoveryCopy;
class RequestSender;
class SendJournal;
class SendLogModel;
struct SendReport;
class SingleInstance;
class Ui;
class ViewListClient;

class CCorvellaApp {
 public:
  // `ui` replaces the Qt message boxes and dialogs (a test seam); null: the
  // real ones.
  explicit CCorvellaApp(Ui* ui = nullptr);
  ~CCorvellaApp();
  CCorvellaApp(const CCorvellaApp&) = delete;
  CCorvellaApp& operator=(const CCorvellaApp&) = delete;

  // Start-up. `arguments` are the command line without the program name
  // (shell/command_line.h): a file to open, or --print / --print-to and a
  // file to print without any window. False when the program is to end at
  // once, with ExitCode(): the file cannot be opened, the printing is done
  // (or failed), or another running program took the file. With `show` false
  // the main window stays hidden and no other running program is looked for
  // (tests).
  bool InitInstance(const QStringList& arguments, bool show = true);
  // The process's exit status after InitInstance returned false: 0 when the
  // work was done, 1 when it failed (the reason was shown).
  int ExitCode() const { return m_nExitCode; }

  CMainFrame* GetMainWnd() const { return m_frame.get(); }
  CCorvellaDoc& GetDocument() const { return *m_doc; }
  CCorvellaView& GetView() const { return *m_view; }
  RequestSender& GetSender() const { return *m_sender; }
  SendLogModel& GetSendLog() const { return *m_sendLog; }
  SendJournal& GetSendJournal() const { return *m_journal; }
  ListWidget* GetListWidget() const { return m_listWidget; }
  CommandTable& GetCommands() { return m_commands; }
  Ui& GetUi() const { return *m_ui; }
  // The Qt user interface, or null when a test replaced it.

  // ---- the application's commands -----------------------------------------------
  void OnFileNew();
  void OnFileOpen();
  void OnAppExit();
  void OnAppAbout();
  void OnHelpFinder();
  void OnHelp();
  void OnFilePrintSetup();

  // A later start handed over `path` ("": only come to the front): the
  // window comes up, and the file opens as OpenNamedFile does, once no
  // dialog is open any more.
  void OnShellOpen(const QString& path);
  // Opens a request file the operator, the desktop or a later start named,
  // as shell/file_opening.h says; false when it was refused or cancelled.
  bool OpenNamedFile(const QString& path);

 private:
  // ---- the parts of start-up, in InitInstance's order ----------------------------
  // Claims the program directory `directory` for this process, or hands
  // `file` to the program that runs there: false when this process is to
  // end (ExitCode() says whether the hand-over worked).
  bool ClaimSingleInstance(const std::string& directory, const QString& file);
  // The message boxes and dialogs (a terminal's for `print`, unless a test
  // gave its own) and the clipboard.
  void CreateUserInterface(bool print);
  // Shows what went wrong making or finding the program directory; start-up
  // goes on.
  void ReportProgramDirectoryProblems(const std::string& folderError);
  // The document on the configuration, and the main frame that shows it.
  void CreateDocumentAndFrame();
  // The list view and the sender of its requests.
  void CreateViewAndSender();
  // The Send Log: the model, its journal on disk and its dock window.
  void CreateSendLog();
  // The recent sends of this program folder, read back from the journal
  // into the Send Log once the window is up.
  void LoadSendHistory();
  // The undo history, and the list's widget in the frame.
  void CreateListWindow();
  // Loads the list of `file` (a refusal is reported, false) or, without one,
  // the current sport's list. `print` leaves the configured sport as it is.
  bool OpenFirstList(const QString& file, bool print);
  // The recovery copy, then the window, focused on the list.
  void ShowMainWindow();

  // Routes the commands of the view, the document, the frame and the
  // application, in that order of precedence.
  void RouteCommands();
  void RouteListCommands();
  void RouteDocumentCommands();
  void RouteApplicationCommands();
  void OpenHandedOverFiles();
  // One step of a send, or a refused send: kept in the Send Log and its
  // journal, and shown in the status bar.
  void OnSendReport(const SendReport& report);

  CommandTable m_commands;
  std::unique_ptr<AppProfile> m_profile;
  std::unique_ptr<ShellUi> m_qtUi;
  std::unique_ptr<ConsoleUi> m_consoleUi;
  std::unique_ptr<SingleInstance> m_instance;
  QStringList m_handedOver;  // files waiting for the open dialog to close
  bool m_bOpeningHandedOver = false;
  bool m_bStarted = false;                              // InitInstance has shown the window
  static constexpr std::size_t kSendHistoryRows = 200;  // read back at start
  int m_nExitCode = 1;
  Ui* m_ui = nullptr;
  std::unique_ptr<QtClipboard> m_clipboard;
  std::unique_ptr<CCorvellaDoc> m_doc;
  std::unique_ptr<CCorvellaView> m_view;
  // Declared after the view: it goes first, disconnecting while the view
  // still exists.
  std::unique_ptr<RequestSender> m_sender;
  std::unique_ptr<SendLogModel> m_sendLog;
  std::unique_ptr<SendJournal> m_journal;
  std::unique_ptr<FileOpening> m_opening;
  std::unique_ptr<ListHistory> m_history;
  std::unique_ptr<RecoveryCopy> m_recovery;  // only while the window is shown
  std::unique_ptr<ViewListClient> m_listClient;
  // Declared last: the window goes first, while the view it shows still exists.
  std::unique_ptr<Printing> m_printing;
  std::unique_ptr<CMainFrame> m_frame;
  // After the frame: they go before it, and stop following the document.
  std::unique_ptr<DocumentPresentation> m_presentation;
  std::unique_ptr<CloseCoordinator> m_closing;
  ListWidget* m_listWidget = nullptr;  // owned by the frame
  CommandTarget m_viewTarget;
  CommandTarget m_docTarget;
  CommandTarget m_appTarget;
};

}  // namespace corvella
