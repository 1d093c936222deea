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
class CCorvellaView;
class CMainFrame;
class ListWidget;
class Printing;
class QtClipboard;
class QtUi;
class RequestSender;
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

  // Start-up. `arguments` are the command line without the program name;
  // the first one that is not an option names a file to open. False when
  // that file cannot be opened (the program then ends). With `show` false
  // the main window stays hidden (tests).
  bool InitInstance(const QStringList& arguments, bool show = true);

  CMainFrame* GetMainWnd() const { return m_frame.get(); }
  CCorvellaDoc& GetDocument() const { return *m_doc; }
  CCorvellaView& GetView() const { return *m_view; }
  RequestSender& GetSender() const { return *m_sender; }
  ListWidget* GetListWidget() const { return m_listWidget; }
  CommandTable& GetCommands() { return m_commands; }
  Ui& GetUi() const { return *m_ui; }
  // The Qt user interface, or null when a test replaced it.
  QtUi* GetQtUi() const { return m_qtUi.get(); }

  // ---- the application's commands -----------------------------------------------
  void OnFileNew();
  void OnFileOpen();
  // Opens a file as Open does after its dialog (also a dropped file).
  bool OpenDocumentFile(const std::string& path);
  void OnAppExit();
  void OnAppAbout();
  void OnHelpFinder();
  void OnHelp();
  void OnFilePrintSetup();

 private:
  void RouteCommands();
  void InstallDialogHooks();

  CommandTable m_commands;
  std::unique_ptr<AppProfile> m_profile;
  std::unique_ptr<QtUi> m_qtUi;
  Ui* m_ui = nullptr;
  std::unique_ptr<QtClipboard> m_clipboard;
  std::unique_ptr<CCorvellaDoc> m_doc;
  std::unique_ptr<CCorvellaView> m_view;
  // Declared after the view: it goes first, disconnecting while the view
  // still exists.
  std::unique_ptr<RequestSender> m_sender;
  std::unique_ptr<ViewListClient> m_listClient;
  // Declared last: the window goes first, while the view it shows still exists.
  std::unique_ptr<Printing> m_printing;
  std::unique_ptr<CMainFrame> m_frame;
  ListWidget* m_listWidget = nullptr;  // owned by the frame
  CommandTarget m_viewTarget;
  CommandTarget m_docTarget;
  CommandTarget m_appTarget;
};

}  // namespace corvella
