#pragma once
// CMainFrame: the main window. Its menus, accelerators and toolbar come from
// the command table; the status bar shows the idle text, the prompt of the
// highlighted command and the CAP, NUM and SCRL indicators. Enabling handlers
// are asked before a menu opens and, for the toolbar, when idle.
//
// Every command, however it arrives, goes through RunCommand: in
// click-for-help mode (Shift+F1, the last toolbar button) the next command
// shows its help instead of running.

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/settings_file.h"
#include "shell/command_table.h"
#include "shell/lock_keys.h"
#include "transmit/send_ledger.h"

class QDockWidget;
class QLabel;
class QMenu;
class QStyle;
class QTimer;
class QToolBar;

namespace corvella {

class Announcer;
class ElidingLabel;
class HelpViewer;
class SendLogDock;

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  // Builds the window's furniture from `commands`, which must outlive it.
  explicit CMainFrame(CommandTable& commands, QWidget* parent = nullptr);
  ~CMainFrame() override;

  // The frame's own commands: the toolbar and status bar toggles and the
  // click-for-help mode.
  const CommandTarget& Target() const { return m_target; }

  // The document's title (Windows-1252), shown as "<title>[*] - Corvella"
  // with Qt's marker of a modified document.
  void SetDocumentTitle(const std::string& title);
  // The document's modified flag: the title's marker, and the status bar's
  // idle text again once a saved list changes.
  void SetDocumentModified(bool modified);
  // Says in the status bar, and to a screen reader, that `file` was saved,
  // and when.
  void ShowSaved(const QString& file);
  // Shows "Opened <file>" for the window's new list (the line of an earlier
  // list does not stand for it), and with `say` says it to a screen reader.
  void ShowOpened(const QString& file, bool say = true);
  // Says `text` in the status bar (with the whole text as its tool tip) and
  // to a screen reader: news that is not a send's outcome.
  void ShowNotice(const QString& text);

  // The operator asked to close while a request is on its way: the window
  // says `what` in its title and `text` in its status bar and takes no more
  // commands, edits or dropped files until it closes.
  void BeginCloseWait(const QString& what, const QString& text);
  bool IsWaitingToClose() const { return m_waitingToClose; }

  // Runs command `id` when it is enabled; when it is not and its enabling
  // gives a reason, says "<item> is not available: <why>" (ShowNotice).
  void RunCommand(unsigned id);
  // Asks the enabling handlers of the toolbar's commands and reads the lock
  // indicators.
  void UpdateCommandUI();
  // Something the enabling depends on changed (the list's selection or
  // caret, the modified flag, the clipboard, a send, the focus): brings the
  // toolbar up to date once the events being handled are done, once for any
  // number of requests. Nothing runs while nothing changes.
  void RequestCommandUpdate();
  // Asks the enabling handler of every item of `menu` (before it opens).
  void UpdateMenu(QMenu* menu);

  QAction* Action(unsigned id) const;
  QToolBar* ToolBar() const { return m_toolBar; }

  // The newest send outcome, kept in the status bar until the next one
  // (prompts shown over the message pane leave it in place): an icon and a
  // colour that tell delivered from failed at a glance, and its summary
  // line. Every outcome (waiting, sending, delivered, not delivered, sent
  // with a settings failure, refused, cancelled) comes through here, and
  // sendResultShown tells whoever else presents it.
  using SendState = SendLook;
  void ShowSendResult(SendState state, const QString& text);
  // The list changed: the last line belongs to another list and goes.
  void ClearSendResult();
  QWidget* SendResultPane() const { return m_sendPane; }
  QString SendResultText() const;
  // Says a line to the screen reader from the status bar (see Announcer).
  // Outcomes are said once each, in order, even when they come while a
  // dialog is open; Repeat Last Outcomes says the last three again.
  Announcer* ScreenReader() const { return m_announcer; }
  // The last outcomes shown, newest first (at most three).
  const QStringList& RecentOutcomes() const { return m_recentOutcomes; }

  // The Send Log's dock, at the bottom; View > Send Log shows and hides it.
  // Whether it shows, and the window's size and position (kept when the
  // window closes), are kept in `layout` across starts.
  void SetSendLog(SendLogDock* dock, SettingsFile layout);
  SendLogDock* SendLog() const { return m_sendLog; }
  // Shows or hides the Send Log and remembers it.
  void ShowSendLog(bool show);

  // The window's two panes, the request list and the Send Log: F6 and
  // Shift+F6 go to the other one (the Send Log is shown when it is hidden),
  // Escape in the Send Log goes back to the list. The pane entered is said
  // with its count ("Send Log: 3 sends, 1 waiting").
  void FocusList();
  void FocusSendLog();
  bool SendLogHasFocus() const;

  // The operator's guide at a topic: a command's identifier, "list",
  // "toolbar", "statusbar", or "" for the start.
  void ShowHelp(const QString& topic);
  // The guide's window, made when it is first asked for (a start that shows
  // no help never builds it).
  HelpViewer* Help();
  bool InHelpMode() const { return m_helpMode; }
  void SetHelpMode(bool on);

  // Asked before the window closes (the save prompt); none: it closes.
  class CloseApprover {
   public:
    virtual ~CloseApprover() = default;
    // False keeps the window open.
    virtual bool ApproveClose() = 0;
  };
  void SetCloseApprover(CloseApprover* approver) { m_closeApprover = approver; }

 signals:
  // A file dropped on the window, sent from the event loop once the drop has
  // finished.
  void fileDropped(const QString& path);
  // A send outcome was shown in the status bar, with its summary line.
  void sendResultShown(corvella::CMainFrame::SendState state, const QString& summary);

 protected:
  void closeEvent(QCloseEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  // No pop-up menu for toggling bars: the View menu does that.
  QMenu* createPopupMenu() override { return nullptr; }

 private:
  void BuildActions();
  void BuildMenus();
  void BuildToolBar();
  void BuildStatusBar();
  void BuildAccelerators();
  void AddMenu(QMenu* menu, const MenuEntry& entry);
  void AddMenuEntries(QMenu* menu, const std::vector<MenuEntry>& entries);
  void ApplyState(QAction* action);
  void UpdateIndicators();
  QString TopicForWidget(QWidget* widget) const;
  // Why command `id` cannot run now, as the operator is told ("Football is
  // not available: ..."); "" when it can, or when its enabling gives no
  // reason.
  QString WhyNotAvailable(unsigned id) const;
  // A greyed menu item was chosen (by key or click): when it can say why it
  // is greyed, the menus close and it says so; false otherwise.
  bool RefuseMenuItem(QAction* item);
  // The one writer of the window title: what closing waits for, then the
  // document's title with the modified marker.
  void ShowTitle();

  CommandTable& m_commands;
  CommandTarget m_target;
  std::map<unsigned, QAction*> m_actions;
  QStyle* m_menuStyle = nullptr;  // shared by every menu; a child of the frame
  QToolBar* m_toolBar = nullptr;
  QLabel* m_messagePane = nullptr;
  QWidget* m_sendPane = nullptr;
  QLabel* m_sendIcon = nullptr;
  ElidingLabel* m_sendText = nullptr;
  SendLogDock* m_sendLog = nullptr;
  std::unique_ptr<SettingsFile> m_layout;
  Announcer* m_announcer = nullptr;  // says each result to the screen reader
  QStringList m_recentOutcomes;      // newest first
  QLabel* m_indicators[3] = {nullptr, nullptr, nullptr};
  QTimer* m_commandUpdate = nullptr;  // zero-interval, single-shot: coalesces requests
  HelpViewer* m_help = nullptr;       // owned by this window; null until Help()
  bool m_helpMode = false;
  bool m_waitingToClose = false;
  CloseApprover* m_closeApprover = nullptr;
  QString m_title;     // the document's title
  QString m_waitText;  // what closing waits for, before the title
  // Lock states seen through key presses, where the window system cannot be asked.
  LockKeys m_trackedLocks;
};

}  // namespace corvella
