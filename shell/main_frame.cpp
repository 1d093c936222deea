#include "shell/main_frame.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "platform/qt/announcer.h"
#include "platform/qt/windows1252.h"
#include "shell/eliding_label.h"
#include "shell/help_viewer.h"
#include "shell/menu_item_accessible.h"
#include "shell/send_log.h"
#include "shell/send_look.h"
#include "shell/toolbar_icons.h"

namespace corvella {

namespace {

const char* const kIdleText = "For Help, press F1";
const char* const kIndicatorTexts[3] = {"CAP", "NUM", "SCRL"};
// The panes' names for assistive technology while a lock is on; a pane that
// shows nothing says nothing (the status bar is read for the send result).
const char* const kIndicatorNames[3] = {"Caps Lock on", "Num Lock on", "Scroll Lock on"};

unsigned CommandOf(const QAction* action) { return action ? action->data().toUInt() : 0; }

bool IsInside(const QWidget* widget, const QWidget* container) {
  return widget && container && (widget == container || container->isAncestorOf(widget));
}

// "Football" greyed for "Not available: there is no FOOT.REQ in /srv/" is
// "Football is not available: there is no FOOT.REQ in /srv/".
QString NotAvailableText(const QString& name, const QString& reason) {
  static const QString prefix = QStringLiteral("Not available: ");
  if (reason.startsWith(prefix))
    return name + QStringLiteral(" is not available: ") + reason.mid(prefix.size());
  return name + QStringLiteral(": ") + reason;
}

// The greyed command item of `menu` that `key` chooses: the highlighted one
// by Return, Enter (or Space, where the style lets it choose), or the one
// whose mnemonic it is when no item that can be chosen has that mnemonic.
// Null for any other key, which the menu handles as usual.
QAction* GreyedItemChosenByKey(const QMenu* menu, const QKeyEvent* key) {
  const int k = key->key();
  const bool space =
      k == Qt::Key_Space && menu->style()->styleHint(QStyle::SH_Menu_SpaceActivatesItem);
  if (k == Qt::Key_Return || k == Qt::Key_Enter || space) {
    QAction* active = menu->activeAction();
    return active && !active->isEnabled() && !active->menu() ? active : nullptr;
  }
  if (key->text().size() != 1 || !key->text()[0].isLetterOrNumber() ||
      (key->modifiers() & ~(Qt::ShiftModifier | Qt::AltModifier)))
    return nullptr;
  const QKeySequence mnemonic(Qt::ALT | Qt::Key(key->text()[0].toUpper().unicode()));
  QAction* greyed = nullptr;
  for (QAction* action : menu->actions()) {
    if (action->isSeparator() || !action->isVisible() ||
        QKeySequence::mnemonic(action->text()) != mnemonic)
      continue;
    if (action->isEnabled()) return nullptr;
    if (!greyed && !action->menu()) greyed = action;
  }
  return greyed;
}

// Lets a disabled menu item be highlighted, so the status bar shows its
// prompt as for any other item; choosing it still does nothing.
class MenuStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == SH_Menu_AllowActiveAndDisabled) return 1;
    return QProxyStyle::styleHint(hint, option, widget, data);
  }
};

}  // namespace

CMainFrame::CMainFrame(CommandTable& commands, QWidget* parent)
    : QMainWindow(parent), m_commands(commands) {
  setObjectName(QStringLiteral("mainFrame"));
  setWindowIcon(ProgramIcon());
  setAcceptDrops(true);
  resize(960, 600);

  m_target.On(
      ID_VIEW_TOOLBAR, [this] { m_toolBar->setVisible(!m_toolBar->isVisible()); },
      [this](CCmdUI* ui) { ui->SetCheck(m_toolBar->isVisible() ? 1 : 0); });
  m_target.On(
      ID_VIEW_STATUS_BAR, [this] { statusBar()->setVisible(!statusBar()->isVisible()); },
      [this](CCmdUI* ui) { ui->SetCheck(statusBar()->isVisible() ? 1 : 0); });
  m_target.On(
      ID_VIEW_SEND_LOG,
      [this] {
        const bool show = !m_sendLog->isVisible();
        ShowSendLog(show);
        m_announcer->Announce(show ? m_sendLog->Summary() + QStringLiteral(". F6 goes to it")
                                   : QStringLiteral("Send Log hidden"));
      },
      [this](CCmdUI* ui) {
        ui->Enable(m_sendLog != nullptr);
        ui->SetCheck(m_sendLog && m_sendLog->isVisible() ? 1 : 0);
      });
  // Two panes: either key goes to the other one.
  for (unsigned id : {unsigned(ID_NEXT_PANE), unsigned(ID_PREV_PANE)}) {
    m_target.On(
        id, [this] { SendLogHasFocus() ? FocusList() : FocusSendLog(); },
        [this](CCmdUI* ui) { ui->Enable(m_sendLog != nullptr && centralWidget() != nullptr); });
  }
  m_target.On(ID_REPEAT_OUTCOMES, [this] {
    m_announcer->AnnounceKept(m_recentOutcomes.isEmpty() ? QStringLiteral("No send has ended yet")
                                                         : Announcer::Join(m_recentOutcomes));
  });
  m_target.On(ID_CONTEXT_HELP, [this] { SetHelpMode(true); });

  QAccessible::installFactory(MenuItemAccessibleFactory);
  BuildActions();
  BuildMenus();
  BuildToolBar();
  BuildStatusBar();
  BuildAccelerators();

  // Key presses anywhere in the program: F1 on a menu item, the lock keys,
  // and the clicks and Escape of the click-for-help mode.
  qApp->installEventFilter(this);

  // The toolbar follows what its enabling depends on as it changes (menus
  // ask before they open); no timer wakes an idle program.
  m_commandUpdate = new QTimer(this);
  m_commandUpdate->setSingleShot(true);
  m_commandUpdate->setInterval(0);
  connect(m_commandUpdate, &QTimer::timeout, this, &CMainFrame::UpdateCommandUI);
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
          &CMainFrame::RequestCommandUpdate);
  connect(qApp, &QApplication::focusChanged, this, &CMainFrame::RequestCommandUpdate);
}

CMainFrame::~CMainFrame() {
  qApp->removeEventFilter(this);
  // A box still standing over the window (a send's notice) is deleted with
  // it, after this frame's members are gone; the focus change that causes
  // must not reach them.
  disconnect(qApp, nullptr, this, nullptr);
  if (m_helpMode) QApplication::restoreOverrideCursor();
}

// ---- building -------------------------------------------------------------------

void CMainFrame::BuildActions() {
  for (const Command& c : m_commands.Commands()) {
    auto* action = new QAction(this);
    action->setObjectName(QString::fromLatin1(c.identifier.c_str()));
    action->setData(c.id);
    action->setText(c.menuText.empty() ? QString::fromLatin1(c.toolTip.c_str()) : MenuItemText(c));
    // The toolbar button's text, which names it: without the mnemonic and
    // the accelerator the menu shows after a tab.
    action->setIconText(MenuItemName(action->text()));
    MarkCommandAction(action);
    action->setStatusTip(FromWindows1252(c.prompt));
    action->setToolTip(FromWindows1252(c.toolTip));
    action->setIcon(ToolbarIcon(c.icon));
    action->setIconVisibleInMenu(false);
    action->setCheckable(c.id == ID_VIEW_TOOLBAR || c.id == ID_VIEW_STATUS_BAR ||
                         c.id == ID_VIEW_SEND_LOG ||
                         (c.id >= ID_SPORT_BASEBALL && c.id <= ID_SPORT_VOLLEYBALL));
    const unsigned id = c.id;
    connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    m_actions[c.id] = action;
  }
}

void CMainFrame::AddMenuEntries(QMenu* menu, const std::vector<MenuEntry>& entries) {
  for (const MenuEntry& entry : entries) {
    if (entry.IsSeparator()) {
      menu->addSeparator();
    } else if (entry.IsSubmenu()) {
      QMenu* submenu = menu->addMenu(QString::fromLatin1(entry.text.c_str()));
      MarkCommandAction(submenu->menuAction());
      AddMenu(submenu, entry);
    } else if (QAction* action = Action(entry.id)) {
      menu->addAction(action);
    }
  }
}

// Names a (sub)menu after its text ("&File" gives "FileMenu"), asks its
// items' enabling before it opens and fills it.
void CMainFrame::AddMenu(QMenu* menu, const MenuEntry& entry) {
  menu->setObjectName(QString::fromLatin1(entry.text.c_str()).remove(u'&') +
                      QStringLiteral("Menu"));
  menu->setStyle(m_menuStyle);
  connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenu(menu); });
  AddMenuEntries(menu, entry.entries);
}

void CMainFrame::BuildMenus() {
  m_menuStyle = new MenuStyle;
  m_menuStyle->setParent(this);
  for (const MenuEntry& top : CommandTable::MenuBar()) {
    AddMenu(menuBar()->addMenu(QString::fromLatin1(top.text.c_str())), top);
  }
}

void CMainFrame::BuildToolBar() {
  m_toolBar = new QToolBar(QStringLiteral("Toolbar"), this);
  m_toolBar->setObjectName(QStringLiteral("mainToolBar"));
  m_toolBar->setIconSize(QSize(16, 15));
  m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  m_toolBar->setMovable(true);
  m_toolBar->setFloatable(true);
  m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
  for (unsigned id : CommandTable::ToolbarButtons()) {
    if (id == 0) {
      m_toolBar->addSeparator();
    } else if (QAction* action = Action(id)) {
      m_toolBar->addAction(action);
    }
  }
  addToolBar(Qt::TopToolBarArea, m_toolBar);
  // The button that shows the buttons a narrow window has no room for.
  if (auto* more = m_toolBar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
    more->setAccessibleName(QStringLiteral("More toolbar buttons"));
}

void CMainFrame::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("mainStatusBar"));
  // The message pane: the idle text; prompts are shown over it while an
  // item is highlighted.
  m_messagePane = new QLabel(QString::fromLatin1(kIdleText), bar);
  m_messagePane->setObjectName(QStringLiteral("messagePane"));
  bar->addWidget(m_messagePane, 1);

  // The send result: permanent, so menu prompts never hide it, and empty
  // until the first send (shown from the start, so a screen reader's reading
  // of the status bar finds it); a long line is cut on the right with "…" (the
  // full text is its tool tip), never widening the window. The announcer in it
  // says each result to the screen reader.
  m_sendPane = new QFrame(bar);
  m_sendPane->setObjectName(QStringLiteral("sendResultPane"));
  m_sendPane->setAccessibleName(QStringLiteral("Send result"));
  m_sendPane->setAutoFillBackground(true);
  auto* sendLayout = new QHBoxLayout(m_sendPane);
  sendLayout->setContentsMargins(4, 0, 4, 0);
  sendLayout->setSpacing(4);
  m_sendIcon = new QLabel(m_sendPane);
  m_sendText = new ElidingLabel(m_sendPane);
  m_sendText->setObjectName(QStringLiteral("sendResultText"));
  sendLayout->addWidget(m_sendIcon);
  sendLayout->addWidget(m_sendText, 1);
  m_announcer = new Announcer(m_sendPane);
  bar->addPermanentWidget(m_sendPane, 3);
  static const char* const names[3] = {"capsIndicator", "numIndicator", "scrollIndicator"};
  for (int i = 0; i < 3; ++i) {
    auto* pane = new QLabel(bar);
    pane->setObjectName(QString::fromLatin1(names[i]));
    pane->setAlignment(Qt::AlignCenter);
    pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
    bar->addPermanentWidget(pane);
    m_indicators[i] = pane;
  }
  UpdateIndicators();
}

void CMainFrame::ShowSendResult(SendState state, const QString& text) {
  const SendLookStyle look = StyleOf(state);
  const QColor background =
      look.background.isValid() ? look.background : palette().color(QPalette::Window);
  const QColor foreground =
      look.foreground.isValid() ? look.foreground : palette().color(QPalette::WindowText);
  const QStyle::StandardPixmap icon = look.icon;
  const int size = m_sendText->fontMetrics().height();
  m_sendIcon->setPixmap(style()->standardIcon(icon).pixmap(size, size));
  QPalette colours = m_sendPane->palette();
  colours.setColor(QPalette::Window, background);
  colours.setColor(QPalette::WindowText, foreground);
  m_sendPane->setPalette(colours);
  m_sendText->setPalette(colours);
  m_sendText->setText(text);
  m_sendPane->setToolTip(text);
  m_sendPane->setProperty("sendState", static_cast<int>(state));
  m_sendPane->setVisible(true);
  // A send on its way is a passing line; how it ended is said once, after
  // the outcomes before it, and never replaced by a later line.
  if (state == SendState::kSending) {
    m_announcer->Announce(text);
  } else {
    m_announcer->AnnounceKept(text);
    m_recentOutcomes.prepend(text);
    while (m_recentOutcomes.size() > 3) m_recentOutcomes.removeLast();
  }
  // A send began or ended: Send and the commands it holds back change.
  RequestCommandUpdate();
  emit sendResultShown(state, text);
}

void CMainFrame::ClearSendResult() {
  m_sendText->clear();
  m_sendPane->setToolTip(QString());
  m_sendPane->setProperty("sendState", QVariant());
  m_sendIcon->clear();
  m_sendPane->setPalette(QPalette());
  m_sendText->setPalette(QPalette());
  // The pane stays shown, empty: a screen reader keeps what it learnt of
  // its visibility, and would not find the next outcome in a hidden one.
}

void CMainFrame::SetSendLog(SendLogDock* dock, SettingsFile layout) {
  m_sendLog = dock;
  m_layout = std::make_unique<SettingsFile>(std::move(layout));
  addDockWidget(Qt::BottomDockWidgetArea, dock);
  const ProfileFile settings = m_layout->Read();
  dock->setVisible(settings.GetString("SendLog", "Visible", "false", 16) == "true");
  // The window comes back where the operator left it, at its size.
  restoreGeometry(QByteArray::fromBase64(
      QByteArray::fromStdString(settings.GetString("Window", "Geometry", "", 512))));
  connect(dock, &SendLogDock::leaveRequested, this, &CMainFrame::FocusList);
}

bool CMainFrame::SendLogHasFocus() const {
  return m_sendLog && IsInside(QApplication::focusWidget(), m_sendLog);
}

void CMainFrame::FocusSendLog() {
  if (!m_sendLog) return;
  if (!m_sendLog->isVisible()) ShowSendLog(true);
  if (m_sendLog->isFloating()) m_sendLog->activateWindow();
  m_sendLog->Enter();
  // Passing lines: a quick F6, F6 says only where it ended.
  m_announcer->Announce(m_sendLog->Summary());
}

void CMainFrame::FocusList() {
  QWidget* list = centralWidget();
  if (!list) return;
  activateWindow();
  list->setFocus(Qt::ShortcutFocusReason);
  // The list's name and how many requests it holds, as its table tells.
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(list);
  if (table && table->tableInterface()) {
    const int rows = table->tableInterface()->rowCount();
    m_announcer->Announce(
        QStringLiteral("%1: %2 %3")
            .arg(table->text(QAccessible::Name))
            .arg(rows)
            .arg(rows == 1 ? QStringLiteral("request") : QStringLiteral("requests")));
  }
}

void CMainFrame::ShowSendLog(bool show) {
  if (!m_sendLog) return;
  m_sendLog->setVisible(show);
  if (show) m_sendLog->raise();
  if (m_layout) m_layout->Set("SendLog", "Visible", show ? "true" : "false");
}

QString CMainFrame::SendResultText() const { return m_sendText->text(); }

void CMainFrame::BuildAccelerators() {
  // Accelerators are window shortcuts of their own rather than the actions'
  // shortcuts: the enabling is asked when the key arrives, not taken from the
  // last time a menu opened.
  for (const Command& c : m_commands.Commands()) {
    for (const QKeySequence& key : c.keys) {
      auto* shortcut = new QShortcut(key, this);
      shortcut->setContext(Qt::WindowShortcut);
      shortcut->setAutoRepeat(true);
      shortcut->setObjectName(QString::fromLatin1(c.identifier.c_str()) + QStringLiteral("_Key"));
      const unsigned id = c.id;
      connect(shortcut, &QShortcut::activated, this, [this, id] { RunCommand(id); });
    }
  }
}

// ---- commands and their enabling -----------------------------------------------

QAction* CMainFrame::Action(unsigned id) const {
  const auto it = m_actions.find(id);
  return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::RunCommand(unsigned id) {
  // Closing waits for a send: nothing may change what the operator was
  // asked to save, nor start another send.
  if (m_waitingToClose) return;
  if (m_helpMode) {
    SetHelpMode(false);
    const Command* c = m_commands.Find(id);
    ShowHelp(c ? QString::fromLatin1(c->identifier.c_str()) : QString());
    return;
  }
  // A command that its key cannot run now says why, when it can tell.
  if (!m_commands.Execute(id)) {
    const Command* c = m_commands.Find(id);
    const QString why = c && !c->refused ? WhyNotAvailable(id) : QString();
    if (!why.isEmpty()) ShowNotice(why);
  }
  // The command may have changed what is enabled.
  if (m_toolBar) UpdateCommandUI();
}

QString CMainFrame::WhyNotAvailable(unsigned id) const {
  CCmdUI ui(id);
  if (m_commands.QueryState(id, ui) || ui.GetReason().empty()) return {};
  const Command* c = m_commands.Find(id);
  const QString name = MenuItemName(c->menuText.empty() ? QString::fromLatin1(c->toolTip.c_str())
                                                        : MenuItemText(*c));
  return NotAvailableText(name, FromWindows1252(ui.GetReason()));
}

bool CMainFrame::RefuseMenuItem(QAction* item) {
  const QString why = WhyNotAvailable(CommandOf(item));
  if (why.isEmpty()) return false;
  while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
  ShowNotice(why);
  return true;
}

void CMainFrame::ApplyState(QAction* action) {
  const unsigned id = CommandOf(action);
  CCmdUI ui(id);
  const bool enabled = m_commands.QueryState(id, ui);
  // In click-for-help mode every command can be chosen, to show its help.
  action->setEnabled(!m_waitingToClose && (enabled || m_helpMode));
  if (action->isCheckable()) action->setChecked(ui.GetCheck() != 0);
  // A text of the moment ("Undo Delete 3 Requests"); else the table's.
  if (const Command* c = m_commands.Find(id); c && !c->menuText.empty()) {
    const QString text = MenuItemText(*c, ui.GetText());
    if (action->text() != text) action->setText(text);
    // A greyed item says why in the status bar (and to a screen reader, as
    // its description) while it is highlighted.
    const bool why = !enabled && !ui.GetReason().empty();
    const QString tip = FromWindows1252(why ? ui.GetReason() : c->prompt);
    if (action->statusTip() != tip) {
      action->setStatusTip(tip);
      action->setWhatsThis(why ? tip : QString());
    }
  }
}

void CMainFrame::UpdateMenu(QMenu* menu) {
  for (QAction* action : menu->actions()) {
    if (action->isSeparator() || action->menu()) continue;
    ApplyState(action);
  }
}

void CMainFrame::RequestCommandUpdate() {
  if (!m_commandUpdate->isActive()) m_commandUpdate->start();
}

void CMainFrame::UpdateCommandUI() {
  m_commandUpdate->stop();
  for (unsigned id : CommandTable::ToolbarButtons()) {
    if (QAction* action = id ? Action(id) : nullptr) ApplyState(action);
  }
  UpdateIndicators();
}

void CMainFrame::UpdateIndicators() {
  LockKeys locks;
  if (!ReadLockKeys(locks)) locks = m_trackedLocks;
  const bool on[3] = {locks.caps, locks.num, locks.scroll};
  for (int i = 0; i < 3; ++i) {
    // A pane keeps its place and shows its text only while the lock is on.
    const QString text = on[i] ? QString::fromLatin1(kIndicatorTexts[i]) : QString();
    if (m_indicators[i] && m_indicators[i]->text() != text) {
      m_indicators[i]->setText(text);
      m_indicators[i]->setAccessibleName(on[i] ? QString::fromLatin1(kIndicatorNames[i])
                                               : QString());
    }
  }
}

// ---- title, closing, dropped files ----------------------------------------------

void CMainFrame::SetDocumentTitle(const std::string& title) {
  m_title = title.empty() ? QStringLiteral("Untitled") : FromWindows1252(title);
  ShowTitle();
}

void CMainFrame::ShowTitle() {
  const QString document = m_title + QStringLiteral("[*] - Corvella");
  setWindowTitle(m_waitText.isEmpty() ? document : m_waitText + QStringLiteral(" - ") + document);
}

void CMainFrame::SetDocumentModified(bool modified) {
  const bool was = isWindowModified();
  setWindowModified(modified);
  RequestCommandUpdate();
  // "Saved ..." stands while the list is as saved.
  if (modified && !was && !m_waitingToClose) m_messagePane->setText(QString::fromLatin1(kIdleText));
}

void CMainFrame::ShowSaved(const QString& file) {
  // In the message pane rather than as a passing message: that would give
  // its room to the send result and not be seen.
  const QString text =
      QStringLiteral("Saved %1 at %2").arg(file, QTime::currentTime().toString(u"HH:mm:ss"));
  m_messagePane->setText(text);
  m_announcer->AnnounceKept(text);
}

void CMainFrame::ShowOpened(const QString& file, bool say) {
  const QString text = QStringLiteral("Opened %1").arg(file);
  m_messagePane->setText(text);
  // Kept ahead of what the list then says of its rows.
  if (say) m_announcer->AnnounceKept(text);
}

void CMainFrame::ShowNotice(const QString& text) {
  m_messagePane->setText(text);
  m_messagePane->setToolTip(text);
  m_announcer->AnnounceKept(text);
}

void CMainFrame::BeginCloseWait(const QString& what, const QString& text) {
  m_waitingToClose = true;
  if (m_helpMode) SetHelpMode(false);
  if (QWidget* list = centralWidget()) list->setEnabled(false);
  m_messagePane->setText(text);
  m_messagePane->setToolTip(text);
  m_waitText = what;
  ShowTitle();
  UpdateCommandUI();
}

void CMainFrame::closeEvent(QCloseEvent* e) {
  if (m_helpMode) SetHelpMode(false);
  if (m_closeApprover && !m_closeApprover->ApproveClose()) {
    e->ignore();
    return;
  }
  if (m_help) m_help->close();
  if (m_layout) m_layout->Set("Window", "Geometry", saveGeometry().toBase64().toStdString());
  e->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* e) {
  if (m_waitingToClose) return;
  for (const QUrl& url : e->mimeData()->urls()) {
    if (url.isLocalFile()) {
      e->acceptProposedAction();
      return;
    }
  }
}

void CMainFrame::dropEvent(QDropEvent* e) {
  QString path;
  for (const QUrl& url : e->mimeData()->urls()) {
    if (url.isLocalFile()) {
      path = url.toLocalFile();
      break;
    }
  }
  if (path.isEmpty()) return;
  e->acceptProposedAction();
  // Opened once the drop is over: the program the file came from waits for
  // the drop to finish, and the save prompt must not hold it up.
  QTimer::singleShot(0, this, [this, path] {
    activateWindow();
    raise();
    emit fileDropped(path);
  });
}

// ---- help ----------------------------------------------------------------------------

HelpViewer* CMainFrame::Help() {
  if (!m_help) m_help = new HelpViewer(this);
  return m_help;
}

void CMainFrame::ShowHelp(const QString& topic) { Help()->ShowTopic(topic); }

void CMainFrame::SetHelpMode(bool on) {
  if (on == m_helpMode) return;
  m_helpMode = on;
  if (on) {
    QApplication::setOverrideCursor(Qt::WhatsThisCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
  UpdateCommandUI();
}

QString CMainFrame::TopicForWidget(QWidget* widget) const {
  if (IsInside(widget, m_toolBar)) return QStringLiteral("toolbar");
  if (IsInside(widget, statusBar())) return QStringLiteral("statusbar");
  if (IsInside(widget, centralWidget())) return QStringLiteral("list");
  return {};
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* e) {
  const QEvent::Type type = e->type();
  if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && watched->isWindowType()) {
    // A lock key changes an indicator; the window system may report the
    // new state only once the key is up.
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock)
      RequestCommandUpdate();
  }
  if (type == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(e);
    // Each press reaches its window once (and then possibly several widgets).
    if (watched->isWindowType() && !key->isAutoRepeat()) {
      switch (key->key()) {
        case Qt::Key_CapsLock: m_trackedLocks.caps = !m_trackedLocks.caps; break;
        case Qt::Key_NumLock: m_trackedLocks.num = !m_trackedLocks.num; break;
        case Qt::Key_ScrollLock: m_trackedLocks.scroll = !m_trackedLocks.scroll; break;
        default: break;
      }
    }
    if (m_helpMode && key->key() == Qt::Key_Escape) {
      SetHelpMode(false);
      return true;
    }
    // A greyed item chosen by its key in an open menu: the menus close and
    // the window says why it cannot be chosen (an item that cannot tell is
    // left to the menu, which does nothing).
    if (auto* menu = qobject_cast<QMenu*>(watched); menu && !m_helpMode) {
      if (QAction* greyed = GreyedItemChosenByKey(menu, key)) {
        if (RefuseMenuItem(greyed)) return true;
      }
    }
    // F1 on a highlighted menu item: help for that command.
    if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier) {
      if (auto* menu = qobject_cast<QMenu*>(watched)) {
        if (QAction* active = menu->activeAction(); active && !active->menu()) {
          const Command* c = m_commands.Find(CommandOf(active));
          while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
          ShowHelp(c ? QString::fromLatin1(c->identifier.c_str()) : QString());
          return true;
        }
      }
    }
  } else if (type == QEvent::MouseButtonRelease && !m_helpMode) {
    // A click on a greyed item says why, as its key does.
    if (auto* menu = qobject_cast<QMenu*>(watched)) {
      const QPoint at = static_cast<QMouseEvent*>(e)->position().toPoint();
      QAction* clicked = menu->actionAt(at);
      if (clicked && !clicked->isEnabled() && !clicked->menu() && RefuseMenuItem(clicked))
        return true;
    }
  } else if (m_helpMode &&
             (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this) return false;
    // Menus and toolbar buttons go on to choose their command; RunCommand
    // then shows its help. A click anywhere else shows that place's help.
    if (qobject_cast<QMenuBar*>(widget) || qobject_cast<QMenu*>(widget)) return false;
    if (qobject_cast<QToolButton*>(widget) && IsInside(widget, m_toolBar)) return false;
    SetHelpMode(false);
    ShowHelp(TopicForWidget(widget));
    return true;
  }
  return QMainWindow::eventFilter(watched, e);
}

}  // namespace corvella
