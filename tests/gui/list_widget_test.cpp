// The list window: mouse, keys and focus reach the list's handlers in the
// model's client coordinates with the platform's flags and key codes; the
// header and the scroll bars follow the model and change it; and, with the
// real request list, a click highlights the cell it hit.

#include "platform/qt/list_widget.h"

#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QToolTip>
#include <QVBoxLayout>
#include <QtTest>

#include "listview/corvella_view.h"
#include "platform/list_control.h"
#include "platform/profile.h"
#include "requests/corvella_doc.h"
#include "shell/view_list_client.h"
#include "support/request_files.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

using namespace corvella;

namespace {

// Records what the window reported, and the modifier state the handlers saw.
class RecordingClient : public ListWidgetClient {
 public:
  struct Event {
    QString what;
    unsigned code = 0;  // key or flags
    Point point;
    bool shiftDown = false;
  };
  std::vector<Event> events;
  std::vector<int> drawnRows;
  const KeyState* keys = nullptr;

  void DrawItem(DeviceContext&, int row, const Rect&) override { drawnRows.push_back(row); }
  void OnLButtonDown(unsigned flags, Point p) override { Add("down", flags, p); }
  void OnLButtonDblClk(unsigned flags, Point p) override { Add("dblclk", flags, p); }
  void OnRButtonDown(unsigned flags, Point p) override { Add("rdown", flags, p); }
  void OnKeyDown(unsigned vk, unsigned, unsigned) override { Add("keydown", vk, {}); }
  void OnKeyUp(unsigned vk, unsigned, unsigned) override { Add("keyup", vk, {}); }
  void OnSetFocus() override { Add("setfocus", 0, {}); }
  void OnKillFocus() override { Add("killfocus", 0, {}); }

  int Count(const QString& what) const {
    return static_cast<int>(std::count_if(events.begin(), events.end(),
                                          [&](const Event& e) { return e.what == what; }));
  }
  const Event* Last(const QString& what) const {
    for (auto it = events.rbegin(); it != events.rend(); ++it) {
      if (it->what == what) return &*it;
    }
    return nullptr;
  }

 private:
  void Add(const char* what, unsigned code, Point p) {
    events.push_back(Event{QString::fromLatin1(what), code, p, keys && keys->IsKeyDown(VK_SHIFT)});
  }
};

void ActivateAndFocus(QWidget* window, QWidget* focus) {
  window->show();
  window->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(window));
  focus->setFocus(Qt::MouseFocusReason);
  QTRY_VERIFY(focus->hasFocus());
}

QRgb Rgb(COLORREF c) { return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }

}  // namespace

// The real request list of `rows` valid requests in a window, beside a line
// edit to take the focus away.
struct RequestList {
  TempDir dir;
  ScriptedUi ui;
  AppProfile profile;
  CCorvellaDoc doc;
  CCorvellaView view;
  ViewListClient client;
  QWidget window;
  QLineEdit* other = nullptr;
  ListWidget* widget = nullptr;

  // Writes the configuration and the Basketball file; the configuration's path.
  static std::string WriteFiles(TempDir& dir, int rows) {
    dir.Write("CORVELLA.INI", "[REQUEST]\r\nSPORT=BASK.REQ\r\nZLRTDINPUT=1\r\n");
    dir.Write("BASK.REQ", testing::ValidRequestFile(rows));
    return dir.File("CORVELLA.INI");
  }

  explicit RequestList(int rows)
      : profile(WriteFiles(dir, rows)), doc(profile, ui), view(doc, ui), client(view) {
    auto* layout = new QVBoxLayout(&window);
    other = new QLineEdit(&window);
    widget = new ListWidget(view.GetListCtrl(), client, &window);
    client.Attach(*widget);
    view.Connect({.keys = &widget->Keys(), .measure = &client});
    layout->addWidget(other);
    layout->addWidget(widget);
    window.resize(1200, 300);
    view.OnInitialUpdate();
  }
  ~RequestList() { client.Detach(); }

  bool Show() {
    ActivateAndFocus(&window, widget);
    return List().HasFocus() && !QTest::currentTestFailed();
  }
  ListControl& List() { return view.GetListCtrl(); }
  QImage Grab() { return widget->viewport()->grab().toImage(); }

  // The cell's upper right corner, inside its frame and away from its text.
  QRgb CellPixel(const QImage& image, int row, int column) {
    Rect rc;
    List().GetSubItemRect(row, column, rc);
    return image.pixel(widget->ToViewport(Point{rc.right - 3, rc.top + 2}));
  }
  void ClickCell(int row, int column, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    Rect rc;
    List().GetSubItemRect(row, column, rc);
    const QPoint centre =
        widget->ToViewport(Point{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
    QTest::mouseClick(widget->viewport(), Qt::LeftButton, modifiers, centre);
  }
};

class ListWidgetTest : public QObject {
  Q_OBJECT

 private:
  // A bare model with three columns and `rows` rows, in a window with a
  // line edit to take the focus away.
  struct Bench {
    ListControl list;
    RecordingClient client;
    QWidget window;
    QLineEdit* other = nullptr;
    ListWidget* widget = nullptr;

    explicit Bench(int rows, QSize size = QSize(400, 300)) {
      list.InsertColumn(0, " # ", LVCFMT_LEFT, 40);
      list.InsertColumn(1, "Request Description", LVCFMT_LEFT, 150);
      list.InsertColumn(2, "Sign #", LVCFMT_CENTER, 60);
      for (int r = 0; r < rows; ++r) list.InsertItem(r, std::to_string(r + 1));
      auto* layout = new QVBoxLayout(&window);
      other = new QLineEdit(&window);
      widget = new ListWidget(list, client, &window);
      layout->addWidget(other);
      layout->addWidget(widget);
      client.keys = &widget->Keys();
      window.resize(size);
    }
  };

 private slots:
  void clicksArriveInClientCoordinatesWithKeyFlags() {
    Bench b(5);
    ActivateAndFocus(&b.window, b.widget);
    const int header = b.list.GetHeaderHeight();
    QVERIFY(header > 0);
    QCOMPARE(b.widget->Header()->height(), header);

    QTest::mouseClick(b.widget->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 20));
    const auto* down = b.client.Last("down");
    QVERIFY(down);
    QCOMPARE(down->point.x, 50);
    QCOMPARE(down->point.y, 20 + header);
    QCOMPARE(down->code, unsigned(MK_LBUTTON));

    QTest::mouseClick(b.widget->viewport(), Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier,
                      QPoint(5, 5));
    QCOMPARE(b.client.Last("down")->code, unsigned(MK_LBUTTON | MK_SHIFT | MK_CONTROL));

    QTest::mouseClick(b.widget->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(7, 8));
    const auto* right = b.client.Last("rdown");
    QVERIFY(right);
    QCOMPARE(right->code, unsigned(MK_RBUTTON));
    QCOMPARE(right->point.y, 8 + header);

    QTest::mouseDClick(b.widget->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 30));
    QCOMPARE(b.client.Count("dblclk"), 1);
    QCOMPARE(b.client.Last("dblclk")->point.y, 30 + header);
  }

  void keysArriveAsVirtualKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<unsigned>("vk");
    QTest::addColumn<bool>("shiftSeen");
    QTest::newRow("keypad plus") << int(Qt::Key_Plus) << int(Qt::KeypadModifier) << unsigned(VK_ADD)
                                 << false;
    QTest::newRow("keypad minus") << int(Qt::Key_Minus) << int(Qt::KeypadModifier)
                                  << unsigned(VK_SUBTRACT) << false;
    QTest::newRow("main minus") << int(Qt::Key_Minus) << 0 << unsigned(VK_OEM_MINUS) << false;
    QTest::newRow("tab") << int(Qt::Key_Tab) << 0 << unsigned(VK_TAB) << false;
    QTest::newRow("shift tab") << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << unsigned(VK_TAB)
                               << true;
    QTest::newRow("page down") << int(Qt::Key_PageDown) << 0 << unsigned(VK_NEXT) << false;
    QTest::newRow("enter") << int(Qt::Key_Return) << 0 << unsigned(VK_RETURN) << false;
    QTest::newRow("letter") << int(Qt::Key_S) << 0 << unsigned('S') << false;
  }
  void keysArriveAsVirtualKeys() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(unsigned, vk);
    QFETCH(bool, shiftSeen);
    Bench b(3);
    ActivateAndFocus(&b.window, b.widget);
    QTest::keyClick(b.widget, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    const auto* down = b.client.Last("keydown");
    QVERIFY(down);
    QCOMPARE(down->code, vk);
    QCOMPARE(down->shiftDown, shiftSeen);
    // Tab keys stay in the list: they move between its columns.
    QVERIFY(b.widget->hasFocus());
  }

  void focusSetsTheModelFlagAndAShiftHeldIsReleased() {
    Bench b(3);
    ActivateAndFocus(&b.window, b.widget);
    QVERIFY(b.list.HasFocus());
    QVERIFY(b.client.Count("setfocus") >= 1);

    QTest::keyPress(b.widget, Qt::Key_Shift, Qt::ShiftModifier);
    QCOMPARE(b.client.Last("keydown")->code, unsigned(VK_SHIFT));
    b.other->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(!b.list.HasFocus());
    QCOMPARE(b.client.Count("killfocus"), 1);
    // The Shift release goes elsewhere, so the list is told now.
    QVERIFY(b.client.Last("keyup"));
    QCOMPARE(b.client.Last("keyup")->code, unsigned(VK_SHIFT));
  }

  void headerAndModelShareTheColumnWidths() {
    Bench b(3);
    ActivateAndFocus(&b.window, b.widget);
    QHeaderView* header = b.widget->Header();
    QCOMPARE(header->count(), 3);
    QCOMPARE(header->model()->headerData(1, Qt::Horizontal).toString(),
             QStringLiteral("Request Description"));
    QCOMPARE(header->sectionSize(1), 150);
    // The operator drags a divider.
    header->resizeSection(1, 210);
    QCOMPARE(b.list.GetColumnWidth(1), 210);
    // The program sets a width.
    b.list.SetColumnWidth(2, 33);
    QCOMPARE(header->sectionSize(2), 33);
    // Columns rebuilt (as every load does).
    while (b.list.GetColumnCount() > 0) b.list.DeleteColumn(0);
    QCOMPARE(header->count(), 0);
    b.list.InsertColumn(0, "Frame", LVCFMT_CENTER, 70);
    QCOMPARE(header->count(), 1);
    QCOMPARE(header->sectionSize(0), 70);
  }

  void scrollBarsFollowAndMoveTheModel() {
    Bench b(100, QSize(200, 300));
    ActivateAndFocus(&b.window, b.widget);
    QScrollBar* vbar = b.widget->verticalScrollBar();
    const int perPage = b.list.GetCountPerPage();
    QVERIFY(perPage > 3 && perPage < 100);
    QCOMPARE(vbar->maximum(), 100 - perPage);
    QCOMPARE(vbar->pageStep(), perPage);

    vbar->setValue(10);
    QCOMPARE(b.list.GetTopIndex(), 10);
    b.list.EnsureVisible(90);
    QCOMPARE(vbar->value(), 90 - perPage + 1);

    // Only the visible rows are drawn, from the first visible one.
    b.client.drawnRows.clear();
    b.widget->viewport()->repaint();
    QVERIFY(!b.client.drawnRows.empty());
    QCOMPARE(b.client.drawnRows.front(), b.list.GetTopIndex());
    QVERIFY(int(b.client.drawnRows.size()) <= perPage + 1);

    QScrollBar* hbar = b.widget->horizontalScrollBar();
    QCOMPARE(hbar->maximum(), 250 - b.widget->viewport()->width());
    hbar->setValue(30);
    QCOMPARE(b.list.GetScrollX(), 30);
    QCOMPARE(b.widget->Header()->offset(), 30);
  }

  // A cell cut to fit ("DEF...") shows its whole text as a tool tip; one
  // shown whole has none.
  void cutCellShowsItsWholeTextAsToolTip() {
    RequestList list(2);
    QVERIFY(list.Show());
    const auto tipAt = [&](int row, int column) {
      Rect rc;
      list.List().GetSubItemRect(row, column, rc);
      const QPoint at =
          list.widget->ToViewport(Point{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
      QHelpEvent help(QEvent::ToolTip, at, list.widget->viewport()->mapToGlobal(at));
      QApplication::sendEvent(list.widget->viewport(), &help);
      return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    QCOMPARE(tipAt(0, COL_SIGN), QString());
    list.List().SetColumnWidth(COL_LIBRARY, 40);
    list.widget->SyncFromModel();
    QTRY_COMPARE(tipAt(0, COL_LIBRARY),
                 QString::fromStdString(list.List().GetItemText(0, COL_LIBRARY)));
  }

  void measuresInTheListFont() {
    Bench b(0);
    QCOMPARE(b.widget->MeasureText("Times to Display"),
             b.widget->fontMetrics().horizontalAdvance(QStringLiteral("Times to Display")));
    QVERIFY(b.list.GetRowHeight() > b.widget->fontMetrics().height());
  }

  // ---- with the request list ----------------------------------------------------------

  void clickHighlightsTheCellItHit() {
    RequestList r(5);
    QVERIFY(r.Show());
    ListControl& list = r.List();
    const QRgb highlight = Rgb(GetSysColor(COLOR_HIGHLIGHT));
    const QRgb grey = Rgb(GetSysColor(COLOR_ACTIVEBORDER));
    const QRgb window_ = Rgb(GetSysColor(COLOR_WINDOW));

    // The Sign # cell of the third request: only that cell lights up.
    r.ClickCell(2, COL_SIGN);
    QCOMPARE(r.view.CurrentColumn(), int(COL_SIGN));
    QImage image = r.Grab();
    QCOMPARE(r.CellPixel(image, 2, COL_SIGN), highlight);
    QCOMPARE(r.CellPixel(image, 2, COL_NUMBER), grey);
    QCOMPARE(r.CellPixel(image, 2, COL_DISPLAY_MODE), window_);
    QCOMPARE(r.CellPixel(image, 1, COL_SIGN), window_);
    QCOMPARE(r.CellPixel(image, 3, COL_SIGN), window_);

    // The "#" cell: the whole row.
    r.ClickCell(2, COL_NUMBER);
    QCOMPARE(r.view.CurrentColumn(), 0);
    image = r.Grab();
    QCOMPARE(r.CellPixel(image, 2, COL_NUMBER), highlight);
    QCOMPARE(r.CellPixel(image, 2, COL_DISPLAY_MODE), highlight);
    QCOMPARE(r.CellPixel(image, 2, COL_OFFSET), highlight);
    QCOMPARE(r.CellPixel(image, 1, COL_DISPLAY_MODE), window_);

    // Without the keyboard focus the selection does not show.
    r.other->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(!list.HasFocus());
    image = r.Grab();
    QCOMPARE(r.CellPixel(image, 2, COL_DISPLAY_MODE), window_);
    QCOMPARE(r.CellPixel(image, 2, COL_NUMBER), grey);
  }

  void ctrlClickedRowsShowSelectedAndDeleteRemovesExactlyThem() {
    RequestList r(8);
    QVERIFY(r.Show());
    ListControl& list = r.List();
    const QRgb highlight = Rgb(GetSysColor(COLOR_HIGHLIGHT));

    // Request 2, then Ctrl+click requests 5 and 7 on their "#" cells.
    r.ClickCell(1, COL_NUMBER);
    r.ClickCell(4, COL_NUMBER, Qt::ControlModifier);
    r.ClickCell(6, COL_NUMBER, Qt::ControlModifier);
    QCOMPARE(list.GetSelectedCount(), 3);
    QImage image = r.Grab();
    for (int row = 0; row < 8; ++row) {
      const bool selected = row == 1 || row == 4 || row == 6;
      for (int column : {int(COL_NUMBER), int(COL_DISPLAY_MODE)}) {
        const QString where = QStringLiteral("row %1 column %2").arg(row).arg(column);
        QVERIFY2((r.CellPixel(image, row, column) == highlight) == selected, qPrintable(where));
      }
    }

    // Cell mode: Ctrl+click the Sign # cell of request 4; the Sign # cells
    // of all four selected rows light up, and nothing else.
    r.ClickCell(3, COL_SIGN, Qt::ControlModifier);
    QCOMPARE(r.view.CurrentColumn(), int(COL_SIGN));
    image = r.Grab();
    for (int row = 0; row < 8; ++row) {
      const bool selected = row == 1 || row == 3 || row == 4 || row == 6;
      QVERIFY2((r.CellPixel(image, row, COL_SIGN) == highlight) == selected,
               qPrintable(QString::number(row)));
      QVERIFY(r.CellPixel(image, row, COL_DISPLAY_MODE) != highlight);
    }

    // Back to rows: drop request 4 again, then Delete and Yes removes
    // exactly the three requests that show selected.
    r.ClickCell(3, COL_NUMBER, Qt::ControlModifier);
    QCOMPARE(r.view.CurrentColumn(), 0);
    image = r.Grab();
    QVERIFY(r.CellPixel(image, 3, COL_DISPLAY_MODE) != highlight);
    QCOMPARE(r.CellPixel(image, 1, COL_DISPLAY_MODE), highlight);
    r.ui.AnswerMessage(IDYES);
    QTest::keyClick(r.widget, Qt::Key_Delete);
    QCOMPARE(r.ui.CountMessages("Do you wish to Delete?"), 1);
    QCOMPARE(list.GetItemCount(), 5);
    const std::vector<std::string> left{"Request 1", "Request 3", "Request 4", "Request 6",
                                        "Request 8"};
    for (int row = 0; row < 5; ++row) {
      QCOMPARE(list.GetItemText(row, COL_DESCRIPTION), left[row]);
    }
  }

  void accessibleTableReadsAndFollowsTheRequestList() {
    TempDir dir;
    dir.Write("CORVELLA.INI", "[REQUEST]\r\nSPORT=BASK.REQ\r\nZLRTDINPUT=1\r\n");
    dir.Write("BASK.REQ", testing::ValidRequestFile(5));
    AppProfile profile(dir.File("CORVELLA.INI"));
    ScriptedUi ui;
    CCorvellaDoc doc(profile, ui);
    CCorvellaView view(doc, ui);
    ViewListClient client(view);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* widget = new ListWidget(view.GetListCtrl(), client, &window);
    client.Attach(*widget);
    view.Connect({.keys = &widget->Keys(), .measure = &client});
    layout->addWidget(widget);
    window.resize(1200, 300);
    view.OnInitialUpdate();
    ActivateAndFocus(&window, widget);

    // A table named "Requests": a row per request, the titles as headers.
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(table);
    QCOMPARE(table->role(), QAccessible::Table);
    QCOMPARE(table->text(QAccessible::Name), QStringLiteral("Requests"));
    QAccessibleTableInterface* grid = table->tableInterface();
    QVERIFY(grid);
    QCOMPARE(grid->rowCount(), 5);
    QCOMPARE(grid->columnCount(), int(kColumnCount));
    QCOMPARE(grid->columnDescription(COL_NUMBER), QStringLiteral("#"));
    QCOMPARE(grid->columnDescription(COL_DESCRIPTION), QStringLiteral("Request Description"));
    QCOMPARE(grid->columnDescription(COL_OFFSET), QStringLiteral("Offset"));
    QCOMPARE(table->childCount(), 5 * int(kColumnCount));

    QAccessibleInterface* cell = grid->cellAt(0, COL_DESCRIPTION);
    QVERIFY(cell);
    QCOMPARE(cell->role(), QAccessible::Cell);
    QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("Request 1"));
    QCOMPARE(cell->parent(), table);
    QCOMPARE(table->indexOfChild(cell), int(COL_DESCRIPTION));
    QCOMPARE(table->child(kColumnCount + COL_SIGN)->text(QAccessible::Name), QStringLiteral("1"));
    const QList<QAccessibleInterface*> headers = cell->tableCellInterface()->columnHeaderCells();
    QCOMPARE(headers.size(), 1);
    QCOMPARE(headers[0]->text(QAccessible::Name), QStringLiteral("Request Description"));
    QCOMPARE(headers[0]->role(), QAccessible::ColumnHeader);
    QVERIFY(!grid->cellAt(5, 0));
    QVERIFY(!grid->cellAt(0, kColumnCount));

    // The caret is on the first request from the start; Right makes the
    // Description column current and Down brings the caret to the second
    // request: the cell there is the focused one. (The events that announce
    // it need a listening assistive technology, which the offscreen platform
    // never has: the bus test checks them.)
    QVERIFY(grid->cellAt(0, COL_NUMBER)->state().focused);
    QTest::keyClick(widget, Qt::Key_Right);
    QTest::keyClick(widget, Qt::Key_Down);
    QVERIFY(grid->cellAt(1, COL_DESCRIPTION)->state().focused);
    QVERIFY(!grid->cellAt(1, COL_SIGN)->state().focused);
    QCOMPARE(table->focusChild(), grid->cellAt(1, COL_DESCRIPTION));
    QCOMPARE(table->focusChild()->text(QAccessible::Name), QStringLiteral("Request 2"));

    // Shift+Down extends the selection to two rows.
    QTest::keyPress(widget, Qt::Key_Shift);
    QTest::keyClick(widget, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyRelease(widget, Qt::Key_Shift);
    QCOMPARE(grid->selectedRows(), (QList<int>{1, 2}));
    QCOMPARE(grid->selectedRowCount(), 2);
    QVERIFY(grid->cellAt(2, COL_SIGN)->state().selected);
    QVERIFY(!grid->cellAt(0, COL_SIGN)->state().selected);

    // Row mode: the # cell is the current one.
    QTest::keyClick(widget, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(table->focusChild(), grid->cellAt(0, COL_NUMBER));

    // A row deleted: the table shrinks, and the cells handed out before are
    // made anew for the rows that moved up.
    grid->cellAt(1, COL_DESCRIPTION);
    const QAccessible::Id before = QAccessible::uniqueId(grid->cellAt(1, COL_DESCRIPTION));
    view.GetListCtrl().DeleteItem(0);
    QCOMPARE(grid->rowCount(), 4);
    QCOMPARE(table->childCount(), 4 * int(kColumnCount));
    QCOMPARE(grid->cellAt(1, COL_DESCRIPTION)->text(QAccessible::Name),
             QStringLiteral("Request 3"));
    QVERIFY(QAccessible::uniqueId(grid->cellAt(1, COL_DESCRIPTION)) != before);

    client.Detach();
  }
};

QTEST_MAIN(ListWidgetTest)
#include "list_widget_test.moc"
