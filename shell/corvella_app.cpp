#include "shell/corvella_app.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>

#include "listview/corvella_view.h"
#include "listview/dialogs/edit_request_dlg.h"
#include "listview/dialogs/text_prompt_dlg.h"
#include "platform/profile.h"
#include "platform/program_path.h"
#include "platform/qt/list_widget.h"
#include "platform/qt/qt_clipboard.h"
#include "platform/qt/qt_ui.h"
#include "platform/ui.h"
#include "requests/corvella_doc.h"
#include "listview/dialogs/choose_selection_dlg.h"
#include "transmit/dialogs/select_team_player_dlg.h"
#include "transmit/send_request.h"
#include "shell/about_dlg.h"
#include "shell/main_frame.h"
#include "shell/printing.h"
#include "shell/view_list_client.h"

namespace corvella {

CCorvellaApp::CCorvellaApp(Ui* ui) : m_ui(ui) {}

CCorvellaApp::~CCorvellaApp() {
  // The window goes first: it draws the view's rows until it is gone.
  if (m_listClient) m_listClient->Detach();
  m_printing.reset();
  m_frame.reset();
}

bool CCorvellaApp::InitInstance(const QStringList& arguments, bool show) {
  // The configuration file lies in the program directory; every profile call
  // of the program goes to it.
  m_profile = std::make_unique<AppProfile>(ConfigurationPath());

  if (!m_ui) {
    m_qtUi = std::make_unique<QtUi>();
    InstallDialogHooks();
    m_ui = m_qtUi.get();
  }
  // A configuration path whose only separator is its first character is
  // reported; start-up goes on with that folder (the root) all the same.
  if (m_profile->Path().rfind('/') == 0) m_ui->MessageBox("Illegal Path to Executable!", "", MB_OK);
  m_clipboard = std::make_unique<QtClipboard>();

  // The document reads the sport and the real-time-data input.
  m_doc = std::make_unique<CCorvellaDoc>(*m_profile, *m_ui);

  m_frame = std::make_unique<CMainFrame>(m_commands);
  if (m_qtUi) m_qtUi->SetParent(m_frame.get());
  m_doc->onTitleChanged = [this](const std::string& title) { m_frame->SetDocumentTitle(title); };
  m_frame->onQueryClose = [this] { return m_doc->SaveModified(); };
  m_frame->onDropFile = [this](const std::string& path) { OpenDocumentFile(path); };

  m_view = std::make_unique<CCorvellaView>(*m_doc, *m_ui);
  m_view->SetClipboard(m_clipboard.get());
  m_sender = std::make_unique<RequestSender>(*m_view, *m_doc, *m_ui);
  m_view->SetRequestSending(m_sender.get());
  m_listClient = std::make_unique<ViewListClient>(*m_view);
  m_listWidget = new ListWidget(m_view->GetListCtrl(), *m_listClient, m_frame.get());
  m_listClient->Attach(*m_listWidget);
  m_frame->setCentralWidget(m_listWidget);
  m_printing = std::make_unique<Printing>(m_frame.get(), *m_view);
  RouteCommands();

  // A file named on the command line is opened instead of a new document;
  // either way the view's first update loads the current sport's file.
  QString file;
  for (const QString& arg : arguments) {
    if (!arg.startsWith(u'-')) {
      file = arg;
      break;
    }
  }
  if (!file.isEmpty()) {
    if (!m_doc->FileOpen(QFile::encodeName(file).toStdString())) return false;
  } else {
    m_doc->OnNewDocument();
  }
  m_view->OnInitialUpdate();

  if (show) {
    m_frame->show();
    // Asked for, so the keys work at once also where no window manager
    // hands out the focus (a bare X session at the operator's desk).
    m_frame->activateWindow();
    m_listWidget->setFocus(Qt::OtherFocusReason);
  }
  m_frame->UpdateCommandUI();
  return true;
}

void CCorvellaApp::InstallDialogHooks() {
  m_qtUi->promptForText = [](QWidget* parent, const std::string& label, const std::string& initial) {
    return RunTextPromptDialog(parent, label, initial);
  };
  m_qtUi->chooseSelection = [](QWidget* parent, const std::string& label, const std::string& current,
                                const std::string& choices) {
    return RunChooseSelectionDialog(parent, label, current, choices);
  };
  m_qtUi->editRequestDialog = [](QWidget* parent, EditRequestData& data) {
    return RunEditRequestDialog(parent, data);
  };
  m_qtUi->selectTeamPlayer = [](QWidget* parent, TeamPlayerChoice& choice) {
    return RunSelectTeamPlayerDialog(parent, choice);
  };
}

void CCorvellaApp::RouteCommands() {
  CCorvellaView& view = *m_view;
  const auto update = [&view](void (CCorvellaView::*fn)(CCmdUI*)) {
    return [&view, fn](CCmdUI* ui) { (view.*fn)(ui); };
  };

  // The view: the request commands, clipboard, sport switch, send, printing.
  m_viewTarget.On(ID_DELETE_REQUEST, [&view] { view.OnDeleteRequest(); },
                  update(&CCorvellaView::OnUpdateDeleteRequest));
  m_viewTarget.On(ID_ADD_REQUEST, [&view] { view.OnAddRequest(); },
                  update(&CCorvellaView::OnUpdateAddRequest));
  m_viewTarget.On(ID_EDIT_REQUEST, [&view] { view.OnEditRequest(); },
                  update(&CCorvellaView::OnUpdateSingleRequest));
  m_viewTarget.On(ID_INSERT_REQUEST, [&view] { view.OnInsertRequest(); },
                  update(&CCorvellaView::OnUpdateSingleRequest));
  m_viewTarget.On(ID_EDIT_COPY, [&view] { view.OnEditCopy(); },
                  update(&CCorvellaView::OnUpdateDeleteRequest));
  m_viewTarget.On(ID_EDIT_CUT, [&view] { view.OnEditCut(); },
                  update(&CCorvellaView::OnUpdateDeleteRequest));
  m_viewTarget.On(ID_EDIT_PASTE, [&view] { view.OnEditPaste(); },
                  update(&CCorvellaView::OnUpdateEditPaste));
  m_viewTarget.On(ID_SPORT_FOOTBALL, [&view] { view.OnSportFootball(); },
                  update(&CCorvellaView::OnUpdateSportFootball));
  m_viewTarget.On(ID_SPORT_BASKETBALL, [&view] { view.OnSportBasketball(); },
                  update(&CCorvellaView::OnUpdateSportBasketball));
  m_viewTarget.On(ID_SEND_REQUEST, [&view] { view.OnSendRequest(); },
                  update(&CCorvellaView::OnUpdateSingleRequest));
  Printing& printing = *m_printing;
  m_viewTarget.On(ID_FILE_PRINT, [&printing] { printing.Print(false); });
  m_viewTarget.On(ID_FILE_PRINT_PREVIEW, [&printing] { printing.Preview(); });

  // The document: Save.
  CCorvellaDoc& doc = *m_doc;
  m_docTarget.On(ID_FILE_SAVE, [&doc] { doc.DoFileSave(); });

  // The application: New, Open, Print Setup, Exit, About and help.
  m_appTarget.On(ID_FILE_NEW, [this] { OnFileNew(); });
  m_appTarget.On(ID_FILE_OPEN, [this] { OnFileOpen(); });
  m_appTarget.On(ID_FILE_PRINT_SETUP, [this] { OnFilePrintSetup(); });
  m_appTarget.On(ID_APP_EXIT, [this] { OnAppExit(); });
  m_appTarget.On(ID_APP_ABOUT, [this] { OnAppAbout(); });
  m_appTarget.On(ID_HELP_FINDER, [this] { OnHelpFinder(); });
  m_appTarget.On(ID_HELP, [this] { OnHelp(); });

  m_commands.Route({&m_viewTarget, &m_docTarget, &m_frame->Target(), &m_appTarget});
}

// ---- the application's commands ----------------------------------------------------

void CCorvellaApp::OnFileNew() { m_doc->FileNew(); }

void CCorvellaApp::OnFileOpen() {
  QFileDialog dialog(m_frame.get(), QStringLiteral("Open"),
                     QFile::decodeName(QByteArray::fromStdString(m_doc->GetDirectory())),
                     QStringLiteral("Corvella Files (*.req)"));
  dialog.setObjectName(QStringLiteral("openFileDialog"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // The request files are named in capitals (BASK.REQ): the filter matches
  // without regard to case, as it does on the platform the files come from.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
  const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  m_frame->activateWindow();
  if (!chosen) return;
  OpenDocumentFile(QFile::encodeName(dialog.selectedFiles().first()).toStdString());
}

bool CCorvellaApp::OpenDocumentFile(const std::string& path) {
  // Save prompt, the file check, then the view's reload of the sport's file.
  return m_doc->FileOpen(path);
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

}  // namespace corvella
