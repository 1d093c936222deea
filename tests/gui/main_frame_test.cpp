// The main window as the operator meets it: menus, accelerators, toolbar and
// status bar built from the command table; commands that are disabled do
// nothing, also by their keys; closing asks to save; dropped files open;
// About, help and the click-for-help mode.

#include "shell/main_frame.h"

#include <unistd.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "gui/program_test_support.h"
#include "listview/corvella_view.h"
#include "platform/list_control.h"
#include "platform/qt/announcer.h"
#include "platform/qt/list_widget.h"
#include "requests/corvella_doc.h"
#include "shell/about_dlg.h"
#include "shell/command_table.h"
#include "shell/corvella_app.h"
#include "shell/help_viewer.h"
#include "support/example_files.h"
#include "support/request_files.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

using namespace corvella;

namespace {

// A menu's items as the operator reads them: text with its key, "-" for a
// separator, ">" before a submenu's title.
QStringList Items(const QMenu* menu) {
  QStringList items;
  for (const QAction* a : menu->actions()) {
    if (a->isSeparator()) {
      items << QStringLiteral("-");
    } else if (a->menu()) {
      items << QStringLiteral(">") + a->text();
    } else {
      items << a->text();
    }
  }
  return items;
}

}  // namespace

class MainFrameTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TempDir> m_dir;
  std::unique_ptr<ScriptedUi> m_ui;
  std::unique_ptr<CCorvellaApp> m_app;

  CMainFrame* frame() const { return m_app->GetMainWnd(); }
  ListControl& list() const { return m_app->GetView().GetListCtrl(); }
  QMenu* menu(const char* name) const {
    return frame()->findChild<QMenu*>(QString::fromLatin1(name));
  }

  // The program on a fresh copy of the sample folder, window up and active;
  // with `realUi` its own message boxes and dialogs instead of scripted ones.
  // `bask`, when given, is the Basketball file instead of the sample's.
  void Start(const std::string& ini = {}, bool realUi = false, const std::string& bask = {}) {
    m_dir = std::make_unique<TempDir>();
    WriteSampleProgramFolder(*m_dir, ini, bask);
    qputenv("CORVELLA_DIR", QByteArray::fromStdString(m_dir->Path()));
    m_ui = std::make_unique<ScriptedUi>();
    m_app = std::make_unique<CCorvellaApp>(realUi ? nullptr : m_ui.get());
    QVERIFY(m_app->InitInstance({}));
    frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame()));
    QTRY_VERIFY(m_app->GetListWidget()->hasFocus());
  }

  // Clicks the "#" cell of a row: that row alone selected, in row mode
  // (with Ctrl: the row's selection toggled).
  void ClickNumberCell(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    ClickCell(*m_app->GetListWidget(), list(), row, 0, modifiers);
  }

 private slots:
  void cleanup() {
    if (m_app && frame()) m_app->GetDocument().History().MarkSaved();
    m_app.reset();
    m_ui.reset();
    m_dir.reset();
  }

  void menusHaveTheirTextsKeysAndSeparators() {
    Start();
    QStringList bar;
    for (const QAction* a : frame()->menuBar()->actions()) bar << a->text();
    QCOMPARE(bar, (QStringList{"&File", "&Edit", "&View", "&Help"}));
    QCOMPARE(Items(menu("FileMenu")),
             (QStringList{"Send &Request\tCtrl+R", ">Sp&ort", "-", "&New\tCtrl+N",
                          "Op&en...\tCtrl+O", "&Save\tCtrl+S", "-", "&Print...\tCtrl+P",
                          "Print Pre&view", "P&rint Setup...", "-", "E&xit"}));
    QCOMPARE(Items(menu("SportMenu")), (QStringList{"B&aseball", "&Basketball", "&Football",
                                                    "&Hockey", "&Soccer", "&Volleyball"}));
    QCOMPARE(Items(menu("EditMenu")),
             (QStringList{"&Undo\tCtrl+Z", "&Redo\tCtrl+Y", "-", "&Edit\tCtrl+E", "&Add\tCtrl+A",
                          "&Insert\tCtrl+I", "-", "Cu&t\tCtrl+X", "&Copy\tCtrl+C", "&Paste\tCtrl+V",
                          "&Delete\tCtrl+D"}));
    QCOMPARE(Items(menu("ViewMenu")), (QStringList{"&Toolbar", "&Status Bar", "Send &Log",
                                                   "&Repeat Last Outcomes\tCtrl+L"}));
    QCOMPARE(Items(menu("HelpMenu")), (QStringList{"&Help Topics", "-", "&About Corvella..."}));
  }

  void everyAcceleratorIsAWindowShortcut_data() {
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QStringList>("keys");
    QTest::newRow("send") << "ID_SEND_REQUEST" << QStringList{"Ctrl+R"};
    QTest::newRow("save") << "ID_FILE_SAVE" << QStringList{"Ctrl+S"};
    QTest::newRow("print") << "ID_FILE_PRINT" << QStringList{"Ctrl+P"};
    QTest::newRow("edit") << "ID_EDIT_REQUEST" << QStringList{"Ctrl+E"};
    QTest::newRow("add") << "ID_ADD_REQUEST" << QStringList{"Ctrl+A"};
    QTest::newRow("insert") << "ID_INSERT_REQUEST" << QStringList{"Ctrl+I"};
    QTest::newRow("cut") << "ID_EDIT_CUT" << QStringList{"Ctrl+X", "Shift+Del"};
    QTest::newRow("copy") << "ID_EDIT_COPY" << QStringList{"Ctrl+C", "Ctrl+Ins"};
    QTest::newRow("paste") << "ID_EDIT_PASTE" << QStringList{"Ctrl+V", "Shift+Ins"};
    QTest::newRow("delete") << "ID_DELETE_REQUEST" << QStringList{"Ctrl+D"};
    QTest::newRow("new") << "ID_FILE_NEW" << QStringList{"Ctrl+N"};
    QTest::newRow("open") << "ID_FILE_OPEN" << QStringList{"Ctrl+O"};
    QTest::newRow("help") << "ID_HELP" << QStringList{"F1"};
    QTest::newRow("context help") << "ID_CONTEXT_HELP" << QStringList{"Shift+F1"};
    QTest::newRow("undo") << "ID_EDIT_UNDO" << QStringList{"Ctrl+Z", "Alt+Backspace"};
    QTest::newRow("next pane") << "ID_NEXT_PANE" << QStringList{"F6"};
    QTest::newRow("previous pane") << "ID_PREV_PANE" << QStringList{"Shift+F6"};
    QTest::newRow("repeat outcomes") << "ID_REPEAT_OUTCOMES" << QStringList{"Ctrl+L"};
  }
  void everyAcceleratorIsAWindowShortcut() {
    QFETCH(QString, identifier);
    QFETCH(QStringList, keys);
    if (!m_app) Start();
    QStringList found;
    for (const QShortcut* s :
         frame()->findChildren<QShortcut*>(identifier + QStringLiteral("_Key"))) {
      QCOMPARE(s->context(), Qt::WindowShortcut);
      found << s->key().toString(QKeySequence::PortableText);
    }
    QCOMPARE(found, keys);
  }

  void toolbarHasItsButtonsInOrder() {
    Start();
    QStringList order;
    QStringList tips;
    for (const QAction* a : frame()->ToolBar()->actions()) {
      if (a->isSeparator()) {
        order << QStringLiteral("|");
        continue;
      }
      order << a->objectName();
      tips << a->toolTip();
      QVERIFY2(a->icon().availableSizes().contains(QSize(16, 15)), qPrintable(a->objectName()));
    }
    QCOMPARE(frame()->ToolBar()->iconSize(), QSize(16, 15));
    QCOMPARE(order, (QStringList{"ID_FILE_SAVE", "|", "ID_FILE_PRINT", "|", "ID_EDIT_CUT",
                                 "ID_EDIT_COPY", "ID_EDIT_PASTE", "|", "ID_DELETE_REQUEST", "|",
                                 "ID_EDIT_REQUEST", "ID_ADD_REQUEST", "ID_INSERT_REQUEST", "|",
                                 "ID_SEND_REQUEST", "|", "ID_CONTEXT_HELP"}));
    QCOMPARE(tips, (QStringList{"Save", "Print", "Cut", "Copy", "Paste", "Delete Selected Requests",
                                "Edit Selected Request", "Add Request", "Insert Request",
                                "Launch Selected Request", "Help"}));
    QCOMPARE(frame()->Action(ID_SEND_REQUEST)->statusTip(),
             QStringLiteral("Send the Selected Request"));
    QCOMPARE(frame()->Action(ID_FILE_PRINT_PREVIEW)->statusTip(),
             QStringLiteral("Display full pages"));
  }

  void statusBarShowsIdleTextPromptsAndIndicators() {
    Start();
    auto* pane = frame()->statusBar()->findChild<QLabel*>(QStringLiteral("messagePane"));
    QVERIFY(pane);
    QCOMPARE(pane->text(), QStringLiteral("Opened BASK.REQ"));  // the list loaded at start
    for (const char* name : {"capsIndicator", "numIndicator", "scrollIndicator"}) {
      QVERIFY2(frame()->statusBar()->findChild<QLabel*>(QString::fromLatin1(name)), name);
    }
    // A highlighted item puts its prompt over the idle text.
    frame()->Action(ID_EDIT_COPY)->showStatusText(frame());
    QCOMPARE(frame()->statusBar()->currentMessage(),
             QStringLiteral("Copy the selection and put it in the Clipboard"));
    QCOMPARE(frame()->windowTitle(), QStringLiteral("BASK.REQ[*] - Corvella"));
  }

  void fourSportItemsAreAlwaysDisabled_data() {
    QTest::addColumn<QString>("sport");
    QTest::addColumn<QString>("title");
    QTest::newRow("basketball") << "BASKETBALL"
                                << "BASK.REQ[*] - Corvella";
    QTest::newRow("hockey is current") << "HOCKEY"
                                       << "HOCK.REQ[*] - Corvella";
    QTest::newRow("volleyball is current") << "volleyball"
                                           << "VOLL.REQ[*] - Corvella";
  }
  void fourSportItemsAreAlwaysDisabled() {
    QFETCH(QString, sport);
    QFETCH(QString, title);
    Start("[REQUEST]\r\nSPORT=" + sport.toStdString() + "\r\nZLRTDINPUT=1\r\n");
    QCOMPARE(frame()->windowTitle(), title);
    QMenu* sports = menu("SportMenu");
    frame()->UpdateMenu(sports);
    for (unsigned id : {ID_SPORT_BASEBALL, ID_SPORT_HOCKEY, ID_SPORT_SOCCER, ID_SPORT_VOLLEYBALL}) {
      QVERIFY2(!frame()->Action(id)->isEnabled(), qPrintable(frame()->Action(id)->objectName()));
      QVERIFY(!m_app->GetCommands().Execute(id));
    }
    // Their files exist in the folder, so these two can be chosen.
    QVERIFY(frame()->Action(ID_SPORT_BASKETBALL)->isEnabled());
    QVERIFY(frame()->Action(ID_SPORT_FOOTBALL)->isEnabled());

    // Without its file Football is greyed, and says why while highlighted.
    QCOMPARE(::unlink(m_dir->File("FOOT.REQ").c_str()), 0);
    frame()->UpdateMenu(sports);
    QVERIFY(!frame()->Action(ID_SPORT_FOOTBALL)->isEnabled());
    QCOMPARE(frame()->Action(ID_SPORT_FOOTBALL)->statusTip(),
             QString::fromStdString("Not available: there is no FOOT.REQ in " + m_dir->Path()));
  }

  // A greyed Sport item chosen in the open menu (its mnemonic, Return after
  // the arrows reached it, a click) says why, in the status line and to the
  // screen reader, and switches nothing; an item that can be chosen still
  // switches.
  void greyedSportItemChosenSaysWhy_data() {
    QTest::addColumn<bool>("greyed");
    QTest::addColumn<QString>("how");
    QTest::newRow("mnemonic") << true << "F";
    QTest::newRow("arrows, then Return") << true << "Return";
    QTest::newRow("click") << true << "click";
    QTest::newRow("mnemonic, file there") << false << "F";
    QTest::newRow("arrows, then Return, file there") << false << "Return";
  }
  void greyedSportItemChosenSaysWhy() {
    QFETCH(bool, greyed);
    QFETCH(QString, how);
    Start();
    if (greyed) QCOMPARE(::unlink(m_dir->File("FOOT.REQ").c_str()), 0);
    QMenu* sports = menu("SportMenu");
    sports->popup(frame()->mapToGlobal(QPoint(40, 40)));
    QVERIFY(QTest::qWaitForWindowExposed(sports));
    QAction* football = frame()->Action(ID_SPORT_FOOTBALL);
    const QString why = QString::fromStdString("there is no FOOT.REQ in " + m_dir->Path());
    if (how == "Return") {
      for (int i = 0; i < 6 && sports->activeAction() != football; ++i)
        QTest::keyClick(sports, Qt::Key_Down);
      QCOMPARE(sports->activeAction(), football);
      // Reached with the arrows, the item tells a screen reader why it is greyed.
      QAccessibleInterface* item = QAccessible::queryAccessibleInterface(football);
      QVERIFY(item);
      QCOMPARE(item->text(QAccessible::Description),
               greyed ? QStringLiteral("Not available: ") + why : QString());
      QTest::keyClick(sports, Qt::Key_Return);
    } else if (how == "click") {
      QTest::mouseClick(sports, Qt::LeftButton, Qt::NoModifier,
                        sports->actionGeometry(football).center());
    } else {
      QTest::keyClick(sports, Qt::Key_F);
    }
    QTRY_VERIFY(!sports->isVisible());
    if (!greyed) {
      QCOMPARE(m_app->GetDocument().GetSportFile(), std::string("FOOT.REQ"));
      return;
    }
    const QString said = QStringLiteral("Football is not available: ") + why;
    auto* pane = frame()->statusBar()->findChild<QLabel*>(QStringLiteral("messagePane"));
    QCOMPARE(pane->text(), said);
    // Seen: no item's prompt stands over it once the menu has closed.
    QTRY_VERIFY(frame()->statusBar()->currentMessage().isEmpty());
    QTRY_VERIFY2(frame()->ScreenReader()->Text().contains(said),
                 qPrintable(frame()->ScreenReader()->Text()));
    QCOMPARE(m_app->GetDocument().GetSportFile(), std::string("BASK.REQ"));
  }

  // The Sport item of the File menu says it opens a menu (collapsed, then
  // expanded while its menu shows), with that menu as its child; a command
  // item says nothing of the kind.
  void sportItemIsASubmenuForAssistiveTechnology() {
    Start();
    QMenu* file = menu("FileMenu");
    QMenu* sports = menu("SportMenu");
    // The item as the File menu's accessible children give it.
    QAccessibleInterface* fileMenu = QAccessible::queryAccessibleInterface(file);
    QAccessibleInterface* item = nullptr;
    for (int i = 0; i < fileMenu->childCount(); ++i) {
      if (fileMenu->child(i)->object() == sports->menuAction()) item = fileMenu->child(i);
    }
    QVERIFY(item);
    QCOMPARE(item->role(), QAccessible::MenuItem);
    QCOMPARE(item->text(QAccessible::Name), QStringLiteral("Sport"));
    QVERIFY(item->state().hasPopup);
    QVERIFY(item->state().expandable);
    QVERIFY(item->state().collapsed);
    QVERIFY(!item->state().expanded);
    QCOMPARE(item->childCount(), 1);
    QCOMPARE(item->child(0)->object(), sports);
    QCOMPARE(item->indexOfChild(item->child(0)), 0);
    QCOMPARE(item->parent()->object(), file);

    file->popup(frame()->mapToGlobal(QPoint(10, 10)));
    QVERIFY(QTest::qWaitForWindowExposed(file));
    item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_VERIFY(sports->isVisible());
    QVERIFY(item->state().expanded);
    QVERIFY(!item->state().collapsed);
    file->close();

    QAccessibleInterface* send =
        QAccessible::queryAccessibleInterface(frame()->Action(ID_SEND_REQUEST));
    QVERIFY(send);
    QVERIFY(!send->state().hasPopup);
    QVERIFY(!send->state().expandable);
    QCOMPARE(send->childCount(), 0);
  }

  // A disabled item can be highlighted, so the status bar shows its prompt;
  // choosing it still does nothing.
  void disabledItemShowsItsPromptButCannotBeChosen() {
    Start();
    QMenu* sports = menu("SportMenu");
    sports->popup(frame()->mapToGlobal(QPoint(40, 40)));
    QVERIFY(QTest::qWaitForWindowExposed(sports));
    QAction* baseball = frame()->Action(ID_SPORT_BASEBALL);
    QVERIFY(!baseball->isEnabled());
    const QPoint centre = sports->actionGeometry(baseball).center();
    QTest::mouseMove(sports, centre);
    QTRY_COMPARE(frame()->statusBar()->currentMessage(),
                 QStringLiteral("Load the Baseball Request File"));
    QCOMPARE(sports->activeAction(), baseball);
    QSignalSpy chosen(baseball, &QAction::triggered);
    QTest::mouseClick(sports, Qt::LeftButton, Qt::NoModifier, centre);
    QCOMPARE(chosen.count(), 0);
    sports->close();
  }

  // At start and after a sport switch the first request is current, in
  // row mode, so Send (Ctrl+R) and the row commands act on it at once.
  void firstRequestIsCurrentAfterEveryLoad() {
    Start();
    const auto firstIsCurrent = [this](const char* when) {
      QVERIFY2(list().GetItemCount() > 0, when);
      QCOMPARE(list().GetSelectedCount(), 1);
      QCOMPARE(list().GetNextItem(-1, LVNI_SELECTED), 0);
      QCOMPARE(m_app->GetView().GetFocusRow(), 0);
      QCOMPARE(m_app->GetView().CurrentColumn(), 0);
      frame()->UpdateCommandUI();
      QVERIFY2(frame()->Action(ID_SEND_REQUEST)->isEnabled(), when);
      QVERIFY2(frame()->Action(ID_EDIT_REQUEST)->isEnabled(), when);
    };
    firstIsCurrent("at start");
    if (QTest::currentTestFailed()) return;
    // Cell mode on another row, then Football and back.
    QTest::keyClick(m_app->GetListWidget(), Qt::Key_Down);
    QTest::keyClick(m_app->GetListWidget(), Qt::Key_Right);
    frame()->RunCommand(ID_SPORT_FOOTBALL);
    QCOMPARE(m_app->GetDocument().GetSportFile(), std::string("FOOT.REQ"));
    firstIsCurrent("after switching to Football");
    if (QTest::currentTestFailed()) return;
    QTest::keyClick(m_app->GetListWidget(), Qt::Key_Down);
    frame()->RunCommand(ID_SPORT_BASKETBALL);
    firstIsCurrent("after switching back");
  }

  void disabledCommandDoesNothingByItsKey() {
    Start();
    QVERIFY(list().GetItemCount() > 2);
    // Cell mode (Right from the first request, current at start): Delete
    // is disabled, and its key does nothing.
    QTest::keyClick(m_app->GetListWidget(), Qt::Key_Right);
    QVERIFY(m_app->GetView().CurrentColumn() > 0);
    QTest::keyClick(m_app->GetListWidget(), Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(m_ui->CountMessages(), 0);
    QVERIFY(!m_app->GetDocument().IsModified());
    // Nothing to undo yet.
    QTest::keyClick(m_app->GetListWidget(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(m_ui->CountMessages(), 0);
    QVERIFY(!m_app->GetCommands().IsEnabled(ID_EDIT_UNDO));

    // One row selected by its "#" cell: the same key asks.
    ClickNumberCell(1);
    QCOMPARE(list().GetSelectedCount(), 1);
    m_ui->AnswerMessage(IDNO);
    QTest::keyClick(m_app->GetListWidget(), Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(m_ui->CountMessages("Do you wish to Delete?"), 1);
    // Declined, the list is as it was: nothing to save.
    QVERIFY(!m_app->GetDocument().IsModified());
  }

  // The real message box and dialogs take the keyboard focus from the list,
  // and it comes back only later: Edit and Delete still act on every row
  // that was selected when they began.
  void editAndDeleteActOnEveryRowSelectedBeforeTheirBox() {
    Start({}, true);
    const int count = list().GetItemCount();
    QVERIFY(count >= 6);
    std::vector<std::string> kept;
    for (int row : {1, 3, 5}) kept.push_back(list().GetItemText(row, 1));
    for (int row = 6; row < count; ++row) kept.push_back(list().GetItemText(row, 1));
    // "#" of request 1, Ctrl+click requests 3 and 5.
    ClickNumberCell(0);
    ClickNumberCell(2, Qt::ControlModifier);
    ClickNumberCell(4, Qt::ControlModifier);
    QCOMPARE(list().GetSelectedCount(), 3);

    int dialogs = 0;
    int questions = 0;
    QTimer answer;
    connect(&answer, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        ++questions;
        box->button(QMessageBox::Yes)->click();
      } else if (auto* dlg = qobject_cast<QDialog*>(modal)) {
        ++dialogs;
        dlg->reject();
      }
    });
    answer.start(20);
    m_app->GetView().OnEditRequest();
    QCOMPARE(dialogs, 3);

    QTRY_VERIFY(list().HasFocus());
    QTest::keyClick(m_app->GetListWidget(), Qt::Key_Delete);
    answer.stop();
    QCOMPARE(questions, 1);
    std::vector<std::string> left;
    for (int row = 0; row < list().GetItemCount(); ++row)
      left.push_back(list().GetItemText(row, 1));
    QCOMPARE(left, kept);
  }

  void refusedPasteKeepsTheSelection() {
    Start({}, false, testing::ValidRequestFile(kMaxRequests));
    QCOMPARE(list().GetItemCount(), kMaxRequests);
    ListWidget* w = m_app->GetListWidget();
    QGuiApplication::clipboard()->setText(
        QStringLiteral(" 1|One more|I|N|G|1|Continuous|1|C|DEFAULT|RTD|0|0|\r\n"));
    // Request 300 by Ctrl+End (which leaves the caret row where it was),
    // then Ctrl+V: the list is full.
    QTest::keyClick(w, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(list().GetSelectedCount(), 1);
    QCOMPARE(list().GetNextItem(-1, LVNI_SELECTED), kMaxRequests - 1);
    const int top = list().GetTopIndex();
    m_app->GetDocument().History().MarkSaved();
    QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(m_ui->CountMessages(), 1);
    QCOMPARE(m_ui->Messages()[0].caption, std::string("Too Many Requests"));
    // Request 300 is still the one selected, and still in view, so Send
    // and Delete act on it.
    QCOMPARE(list().GetItemCount(), kMaxRequests);
    QCOMPARE(list().GetSelectedCount(), 1);
    QCOMPARE(list().GetNextItem(-1, LVNI_SELECTED), kMaxRequests - 1);
    QCOMPARE(list().GetTopIndex(), top);
    QVERIFY(!m_app->GetDocument().IsModified());
  }

  void enablingFollowsTheListForMenuAndToolbar() {
    Start();
    QMenu* edit = menu("EditMenu");
    // Cell mode: no row command but Add.
    QTest::keyClick(m_app->GetListWidget(), Qt::Key_Right);
    frame()->UpdateMenu(edit);
    QVERIFY(!frame()->Action(ID_EDIT_REQUEST)->isEnabled());
    QVERIFY(frame()->Action(ID_ADD_REQUEST)->isEnabled());
    QCoreApplication::processEvents();
    QVERIFY(!frame()->Action(ID_SEND_REQUEST)->isEnabled());
    ClickNumberCell(0);
    frame()->UpdateMenu(edit);
    QVERIFY(frame()->Action(ID_EDIT_REQUEST)->isEnabled());
    QVERIFY(frame()->Action(ID_DELETE_REQUEST)->isEnabled());
    // The toolbar follows the selection as soon as the click is handled:
    // no timer brings it up to date, and none keeps an idle program awake.
    QCoreApplication::processEvents();
    QVERIFY(frame()->Action(ID_SEND_REQUEST)->isEnabled());
    QVERIFY(frame()->Action(ID_DELETE_REQUEST)->isEnabled());
    for (QTimer* timer : frame()->findChildren<QTimer*>())
      QVERIFY2(!timer->isActive() || timer->isSingleShot(), qPrintable(timer->objectName()));
  }

  void viewMenuTogglesBarsWithCheckMarks() {
    Start();
    QMenu* view = menu("ViewMenu");
    frame()->UpdateMenu(view);
    QVERIFY(frame()->Action(ID_VIEW_TOOLBAR)->isChecked());
    QVERIFY(frame()->Action(ID_VIEW_STATUS_BAR)->isChecked());
    frame()->RunCommand(ID_VIEW_TOOLBAR);
    frame()->RunCommand(ID_VIEW_STATUS_BAR);
    QVERIFY(!frame()->ToolBar()->isVisible());
    QVERIFY(!frame()->statusBar()->isVisible());
    frame()->UpdateMenu(view);
    QVERIFY(!frame()->Action(ID_VIEW_TOOLBAR)->isChecked());
    QVERIFY(!frame()->Action(ID_VIEW_STATUS_BAR)->isChecked());
    frame()->RunCommand(ID_VIEW_TOOLBAR);
    QVERIFY(frame()->ToolBar()->isVisible());
  }

  void closingAsksToSaveAndCancelKeepsTheWindow() {
    Start();
    m_app->GetDocument().History().MarkUnsaved();
    m_ui->AnswerMessage(IDCANCEL);
    QVERIFY(!frame()->close());
    QVERIFY(frame()->isVisible());
    QCOMPARE(m_ui->MessageTexts(), (std::vector<std::string>{"Save changes to BASK.REQ?"}));
    // Exit asks the same way; No closes without saving.
    const std::string before = m_dir->Read("BASK.REQ");
    m_ui->AnswerMessage(IDNO);
    frame()->RunCommand(ID_APP_EXIT);
    QVERIFY(!frame()->isVisible());
    QCOMPARE(m_ui->CountMessages(), 2);
    QCOMPARE(m_dir->Read("BASK.REQ"), before);
  }

  void droppedFileIsOpened() {
    Start();
    m_app->GetDocument().History().MarkUnsaved();
    m_ui->AnswerMessage(IDNO);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(m_dir->File("FOOT.REQ")))});
    // The file is dragged over the window and let go.
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame(), &drop);
    // The drop ends before the save prompt, so the program the file came
    // from is not kept waiting while the operator answers.
    QCOMPARE(m_ui->CountMessages(), 0);
    QTRY_COMPARE(m_ui->CountMessages("Save changes to BASK.REQ?"), 1);
    QCOMPARE(m_app->GetDocument().GetPathName(), m_dir->File("FOOT.REQ"));
    QVERIFY(!m_app->GetDocument().IsModified());
    // The dropped file's own list is shown.
    QCOMPARE(frame()->windowTitle(), QStringLiteral("FOOT.REQ[*] - Corvella"));
  }

  void aboutBoxShowsTheVersion() {
    Start();
    QString title;
    QStringList texts;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
      QVERIFY(dialog);
      title = dialog->windowTitle();
      for (const QLabel* label : dialog->findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) texts << label->text();
      }
      QVERIFY(!dialog->findChild<QLabel*>(QStringLiteral("aboutIconLabel"))->pixmap().isNull());
      dialog->accept();
    });
    frame()->RunCommand(ID_APP_ABOUT);
    QCOMPARE(title, QStringLiteral("About Corvella"));
    QVERIFY(texts.contains(QStringLiteral("Corvella Version 1.04")));
    QCOMPARE(texts.size(), 2);
  }

  void helpOpensTheGuide() {
    Start();
    HelpViewer* help = frame()->Help();
    QVERIFY(!help->isVisible());
    frame()->RunCommand(ID_HELP_FINDER);
    QVERIFY(help->isVisible());
    QVERIFY(help->Browser()->toPlainText().contains(QStringLiteral("Corvella Operator's Guide")));
    help->close();
    frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame()));
    QTest::keyClick(m_app->GetListWidget(), Qt::Key_F1);
    QVERIFY(help->isVisible());
  }

  // A screen reader reads the guide line by line: a line of the guide's
  // lists of columns, keys and settings gives the name and what it means
  // together, not one cell alone.
  void guideLineGivesNameAndMeaningTogether_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("meaning");
    QTest::newRow("a column") << "Request Description"
                              << "a name for the request";
    QTest::newRow("a key") << "Page Up, Page Down"
                           << "a page up or down";
    QTest::newRow("a setting") << "SIGNSERVER"
                               << "the computer whose sign service";
  }
  void guideLineGivesNameAndMeaningTogether() {
    QFETCH(QString, name);
    QFETCH(QString, meaning);
    Start();
    frame()->ShowHelp(QString());
    QTextBrowser* browser = frame()->Help()->Browser();
    QVERIFY(QTest::qWaitForWindowExposed(browser));
    QAccessibleInterface* guide = QAccessible::queryAccessibleInterface(browser);
    QVERIFY(guide && guide->textInterface());
    QAccessibleTextInterface* text = guide->textInterface();
    const QString all = text->text(0, text->characterCount());
    // The line that begins with the name, as the caret reaches it.
    QString line;
    for (qsizetype i = all.indexOf(name); i >= 0 && line.isEmpty(); i = all.indexOf(name, i + 1)) {
      int start = 0;
      int end = 0;
      const QString read = text->textAtOffset(int(i), QAccessible::LineBoundary, &start, &end);
      if (start == i) line = read;
    }
    QVERIFY2(line.contains(meaning), qPrintable(name + QStringLiteral(" read as: ") + line));
  }

  void clickForHelpShowsHelpInsteadOfRunning() {
    Start();
    m_app->GetDocument().History().MarkUnsaved();
    frame()->RunCommand(ID_CONTEXT_HELP);
    QVERIFY(frame()->InHelpMode());
    // Disabled commands can be chosen too, for their help.
    QVERIFY(frame()->Action(ID_EDIT_REQUEST)->isEnabled());
    frame()->Action(ID_FILE_SAVE)->trigger();
    QVERIFY(!frame()->InHelpMode());
    QVERIFY(frame()->Help()->isVisible());
    // Save did not run.
    QVERIFY(m_app->GetDocument().IsModified());
    QCOMPARE(m_ui->CountMessages(), 0);

    // Shift+F1, then Escape leaves the mode.
    frame()->Help()->close();
    frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame()));
    QTest::keyClick(m_app->GetListWidget(), Qt::Key_F1, Qt::ShiftModifier);
    QVERIFY(frame()->InHelpMode());
    QTest::keyClick(m_app->GetListWidget(), Qt::Key_Escape);
    QVERIFY(!frame()->InHelpMode());

    // A click on the list in the mode shows the list's help and selects
    // nothing: the first request stays the one selected.
    frame()->RunCommand(ID_CONTEXT_HELP);
    ClickNumberCell(2);
    QVERIFY(!frame()->InHelpMode());
    QVERIFY(frame()->Help()->isVisible());
    QCOMPARE(list().GetSelectedCount(), 1);
    QCOMPARE(list().GetNextItem(-1, LVNI_SELECTED), 0);
  }

  void unreadableFileOnTheCommandLineEndsStartUp() {
    m_dir = std::make_unique<TempDir>();
    m_dir->Write("CORVELLA.INI", ReadExample("CORVELLA.INI"));
    qputenv("CORVELLA_DIR", QByteArray::fromStdString(m_dir->Path()));
    m_ui = std::make_unique<ScriptedUi>();
    m_app = std::make_unique<CCorvellaApp>(m_ui.get());
    const QString missing = QString::fromStdString(m_dir->File("NONE.REQ"));
    QVERIFY(!m_app->InitInstance({missing}, false));
    QCOMPARE(m_ui->CountMessages(), 1);
  }

  void rootFolderIsReportedAndStartUpGoesOn() {
    qputenv("CORVELLA_DIR", "/");
    m_ui = std::make_unique<ScriptedUi>();
    m_app = std::make_unique<CCorvellaApp>(m_ui.get());
    QVERIFY(m_app->InitInstance({}, false));
    QVERIFY(m_ui->CountMessages() >= 1);
    QCOMPARE(m_ui->MessageTexts().front(), std::string("Illegal Path to Executable!"));
    QCOMPARE(m_ui->Messages().front().flags, unsigned(MB_OK));
  }

  // ---- the command table on its own -------------------------------------------------------

  void commandTableRoutesAndAsksEnabling() {
    CommandTable table;
    int viewRuns = 0;
    int docRuns = 0;
    bool enabled = false;
    CommandTarget view;
    CommandTarget doc;
    view.On(
        ID_EDIT_REQUEST, [&] { ++viewRuns; }, [&](CCmdUI* ui) { ui->Enable(enabled); });
    doc.On(ID_EDIT_REQUEST, [&] { ++docRuns; });
    doc.On(ID_FILE_SAVE, [&] { ++docRuns; });
    table.Route({&view, &doc});

    // The view comes first; its enabling handler decides at the moment of the call.
    QVERIFY(!table.Execute(ID_EDIT_REQUEST));
    enabled = true;
    QVERIFY(table.Execute(ID_EDIT_REQUEST));
    QCOMPARE(viewRuns, 1);
    QCOMPARE(docRuns, 0);
    // A handler without an enabling handler is enabled.
    QVERIFY(table.Execute(ID_FILE_SAVE));
    QCOMPARE(docRuns, 1);
    // No handler anywhere: disabled, nothing runs.
    QVERIFY(!table.IsEnabled(ID_SPORT_HOCKEY));
    QVERIFY(!table.Execute(ID_SPORT_HOCKEY));
    QVERIFY(!table.Execute(12345));
  }

  void everyCommandHasAPrompt() {
    const CommandTable table;
    for (const Command& c : table.Commands()) {
      // Printing without the dialog is the shell's command and shows nowhere.
      QVERIFY2(!c.prompt.empty() || c.id == ID_FILE_PRINT_DIRECT, c.identifier.c_str());
      QVERIFY2(c.id >= 32772, c.identifier.c_str());
    }
    QCOMPARE(table.Find(ID_SEND_REQUEST)->toolTip, std::string("Launch Selected Request"));
    QCOMPARE(MenuItemText(*table.Find(ID_EDIT_CUT)), QStringLiteral("Cu&t\tCtrl+X"));
  }
};

QTEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
