#include "platform/qt/list_widget.h"

#include <QAbstractTableModel>
#include <QAccessible>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <optional>
#include <vector>

#include "platform/list_control.h"
#include "platform/qt/announcer.h"
#include "platform/qt/list_accessible.h"
#include "platform/qt/list_selection_bus.h"
#include "platform/qt/qt_dc.h"
#include "platform/qt/windows1252.h"
#include "platform/text.h"

namespace corvella {

// ---- key codes -------------------------------------------------------------

namespace {

// Codes beyond those the request program's handlers name in vk.h.
enum : unsigned {
  kVkPause = 0x13,
  kVkCapital = 0x14,
  kVkSnapshot = 0x2C,
  kVkLWin = 0x5B,
  kVkApps = 0x5D,
  kVkNumpad0 = 0x60,
  kVkMultiply = 0x6A,
  kVkSeparator = 0x6C,
  kVkDecimal = 0x6E,
  kVkDivide = 0x6F,
  kVkNumLock = 0x90,
  kVkScroll = 0x91,
  kVkOem1 = 0xBA,       // ;:
  kVkOemComma = 0xBC,   // ,<
  kVkOemPeriod = 0xBE,  // .>
  kVkOem2 = 0xBF,       // /?
  kVkOem3 = 0xC0,       // `~
  kVkOem4 = 0xDB,       // [{
  kVkOem5 = 0xDC,       // \|
  kVkOem6 = 0xDD,       // ]}
  kVkOem7 = 0xDE,       // '"
};

}  // namespace

unsigned VirtualKeyFromQt(int key, Qt::KeyboardModifiers modifiers) {
  const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<unsigned>(key);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    return keypad ? kVkNumpad0 + static_cast<unsigned>(key - Qt::Key_0)
                  : static_cast<unsigned>(key);
  }
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
    return VK_F1 + static_cast<unsigned>(key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt:
    case Qt::Key_AltGr: return VK_MENU;
    case Qt::Key_Pause: return kVkPause;
    case Qt::Key_CapsLock: return kVkCapital;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Print: return kVkSnapshot;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Meta: return kVkLWin;
    case Qt::Key_Menu: return kVkApps;
    case Qt::Key_NumLock: return kVkNumLock;
    case Qt::Key_ScrollLock: return kVkScroll;
    case Qt::Key_Plus: return keypad ? VK_ADD : VK_OEM_PLUS;
    case Qt::Key_Equal: return VK_OEM_PLUS;
    case Qt::Key_Minus: return keypad ? VK_SUBTRACT : VK_OEM_MINUS;
    case Qt::Key_Underscore: return VK_OEM_MINUS;
    case Qt::Key_Asterisk: return keypad ? kVkMultiply : static_cast<unsigned>('8');
    case Qt::Key_Slash: return keypad ? kVkDivide : kVkOem2;
    case Qt::Key_Question: return kVkOem2;
    case Qt::Key_Period: return keypad ? kVkDecimal : kVkOemPeriod;
    case Qt::Key_Greater: return kVkOemPeriod;
    case Qt::Key_Comma: return keypad ? kVkSeparator : kVkOemComma;
    case Qt::Key_Less: return kVkOemComma;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return kVkOem1;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return kVkOem7;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return kVkOem4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return kVkOem5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return kVkOem6;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return kVkOem3;
    // Shifted digits of the main keyboard carry the digit's code.
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_ParenRight: return '0';
    default: return 0;
  }
}

// ---- helpers ------------------------------------------------------------------

namespace {

unsigned MouseKeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  unsigned flags = 0;
  if (buttons & Qt::LeftButton) flags |= MK_LBUTTON;
  if (buttons & Qt::RightButton) flags |= MK_RBUTTON;
  if (modifiers & Qt::ShiftModifier) flags |= MK_SHIFT;
  if (modifiers & Qt::ControlModifier) flags |= MK_CONTROL;
  return flags;
}

// Key flags as the key handlers receive them: the scan code in the low byte,
// bit 14 set when the key was already down (auto-repeat).
unsigned KeyFlags(const QKeyEvent* e) {
  unsigned flags = e->nativeScanCode() & 0xFFu;
  if (e->isAutoRepeat()) flags |= 0x4000u;
  return flags;
}

// Menus and the menu bar's keyboard mode take Qt's focus for a moment; the
// list keeps the keyboard focus as far as its look and its commands go.
bool IsMenuFocusChange(const QFocusEvent* e) {
  return e->reason() == Qt::PopupFocusReason || e->reason() == Qt::MenuBarFocusReason;
}

}  // namespace

// ---- header model -----------------------------------------------------------

// The header shows the model's column titles; it has no rows of its own.
class ListWidget::HeaderModel : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;

  // True when the titles or alignments changed (the header is then reset).
  bool Update(const ListControl& list) {
    std::vector<ListColumn> columns;
    for (int c = 0; c < list.GetColumnCount(); ++c) {
      ListColumn column;
      list.GetColumn(c, column);
      column.width = 0;  // widths live in the header sections
      columns.push_back(column);
    }
    const bool same = std::equal(columns.begin(), columns.end(), m_columns.begin(), m_columns.end(),
                                 [](const ListColumn& a, const ListColumn& b) {
                                   return a.title == b.title && a.format == b.format;
                                 });
    if (same) return false;
    beginResetModel();
    m_columns = std::move(columns);
    endResetModel();
    return true;
  }

  int rowCount(const QModelIndex& = {}) const override { return 0; }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
  }
  QVariant data(const QModelIndex&, int) const override { return {}; }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    const ListColumn& column = m_columns[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole) return FromWindows1252(column.title);
    if (role == Qt::TextAlignmentRole) {
      const Qt::Alignment h = column.format == LVCFMT_CENTER  ? Qt::AlignHCenter
                              : column.format == LVCFMT_RIGHT ? Qt::AlignRight
                                                              : Qt::AlignLeft;
      return QVariant::fromValue(int(h | Qt::AlignVCenter));
    }
    return {};
  }

 private:
  std::vector<ListColumn> m_columns;
};

// ---- key state -----------------------------------------------------------------

class ListWidget::WidgetKeyState : public KeyState {
 public:
  // The modifiers of the event being handled, when there is one.
  std::optional<Qt::KeyboardModifiers> current;

  bool IsKeyDown(unsigned vk) const override {
    const Qt::KeyboardModifiers m = current ? *current : QGuiApplication::keyboardModifiers();
    switch (vk) {
      case VK_SHIFT: return m.testFlag(Qt::ShiftModifier);
      case VK_CONTROL: return m.testFlag(Qt::ControlModifier);
      case VK_MENU: return m.testFlag(Qt::AltModifier);
      default: return false;
    }
  }
};

namespace {

// Holds the event's modifiers in the key state for as long as a handler runs.
class ModifierScope {
 public:
  ModifierScope(std::optional<Qt::KeyboardModifiers>& slot, Qt::KeyboardModifiers m)
      : m_slot(slot), m_saved(slot) {
    m_slot = m;
  }
  ~ModifierScope() { m_slot = m_saved; }
  ModifierScope(const ModifierScope&) = delete;
  ModifierScope& operator=(const ModifierScope&) = delete;

 private:
  std::optional<Qt::KeyboardModifiers>& m_slot;
  std::optional<Qt::KeyboardModifiers> m_saved;
};

}  // namespace

// ---- the widget -------------------------------------------------------------------

ListWidget::ListWidget(ListControl& list, ListWidgetClient& client, QWidget* parent)
    : QAbstractScrollArea(parent),
      m_list(list),
      m_client(client),
      m_header(new QHeaderView(Qt::Horizontal, this)),
      m_headerModel(new HeaderModel(this)),
      m_keys(std::make_unique<WidgetKeyState>()) {
  setObjectName(QStringLiteral("requestListWidget"));
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);

  m_header->setObjectName(QStringLiteral("requestListHeader"));
  m_header->setModel(m_headerModel);
  m_header->setFocusPolicy(Qt::NoFocus);
  m_header->setSectionsClickable(false);
  m_header->setSectionsMovable(false);
  m_header->setHighlightSections(false);
  m_header->setStretchLastSection(false);
  m_header->setMinimumSectionSize(0);
  m_header->setSectionResizeMode(QHeaderView::Interactive);
  connect(m_header, &QHeaderView::sectionResized, this, &ListWidget::OnSectionResized);
  connect(m_header, &QHeaderView::sectionHandleDoubleClicked, this,
          &ListWidget::columnFitRequested);

  verticalScrollBar()->setSingleStep(1);
  horizontalScrollBar()->setSingleStep(20);

  m_list.SetObserver(this);
  QAccessible::installFactory(ListAccessibleFactory);
  EnableListSelectionOnBus();
  m_announcer = new Announcer(this);

  ApplyFontMetrics();
  SyncFromModel();
}

ListWidget::~ListWidget() { m_list.SetObserver(nullptr); }

void ListWidget::OnInvalidate(const Rect& rect, bool) {
  if (rect.Width() <= 0 || rect.Height() <= 0) return;
  const QPoint topLeft = ToViewport(Point{rect.left, rect.top});
  viewport()->update(QRect(topLeft, QSize(rect.Width(), rect.Height())));
}

void ListWidget::OnUpdate() {
  // Paint what is pending now; never from inside a paint.
  if (!m_painting && viewport()->isVisible()) viewport()->repaint();
}

void ListWidget::OnLayoutChanged() {
  if (m_syncing) return;
  SyncFromModel();
  viewport()->update();
  emit listStateChanged();
}

QHeaderView* ListWidget::Header() const { return m_header; }

const KeyState& ListWidget::Keys() const { return *m_keys; }

void ListWidget::ShowCutCellText(const QHelpEvent& e) {
  // A cell cut to fit ends in "..." ("DEF..." stands for DEFAULT and
  // DEFENSE alike): its whole text is the tool tip. The margins are those
  // the drawing keeps before it cuts a text.
  int column = -1;
  const int row = m_list.SubItemHitTest(ToClient(e.pos()), &column);
  Rect rc;
  const bool cell = row >= 0 && column >= 0 &&
                    (column == 0 ? m_list.GetItemRect(row, rc, LVIR_LABEL)
                                 : m_list.GetSubItemRect(row, column, rc));
  const std::string text = cell ? m_list.GetItemText(row, column) : std::string();
  if (text.empty() || MeasureText(text) + (column == 0 ? 4 : 12) <= rc.Width()) {
    QToolTip::hideText();
    return;
  }
  QToolTip::showText(e.globalPos(), FromWindows1252(text), viewport());
}

int ListWidget::MeasureText(const std::string& text) const {
  return fontMetrics().horizontalAdvance(FromWindows1252(text));
}

Point ListWidget::ToClient(const QPoint& viewportPos) const {
  return Point{viewportPos.x(), viewportPos.y() + m_list.GetHeaderHeight()};
}

QPoint ListWidget::ToViewport(Point client) const {
  return QPoint(client.x, client.y - m_list.GetHeaderHeight());
}

int ListWidget::CurrentRow() const {
  const int row = m_client.CurrentRow();
  return row >= 0 && row < m_list.GetItemCount() ? row : -1;
}

int ListWidget::CurrentColumn() const {
  const int column = m_client.CurrentColumn();
  return column >= 0 && column < m_list.GetColumnCount() ? column : 0;
}

QRect ListWidget::CellScreenRect(int row, int column) const {
  if (column < 0 || column >= m_list.GetColumnCount()) return {};
  if (row < 0) {
    const QRect section(m_header->sectionViewportPosition(column), 0, m_header->sectionSize(column),
                        m_header->height());
    return QRect(m_header->viewport()->mapToGlobal(section.topLeft()), section.size());
  }
  Rect rc;
  if (!m_list.GetSubItemRect(row, column, rc)) return {};
  const QPoint topLeft = viewport()->mapToGlobal(ToViewport(Point{rc.left, rc.top}));
  return QRect(topLeft, QSize(rc.Width(), rc.Height()));
}

// ---- accessibility events ----------------------------------------------------------

void ListWidget::OnItemChanged(const ListItemChange& change) {
  using Change = ListItemChange;
  emit listStateChanged();
  if (change.kind == Change::kInserted || change.kind == Change::kDeleted ||
      change.kind == Change::kReset) {
    ++m_structureGeneration;
  }
  if (!QAccessible::isActive()) return;
  switch (change.kind) {
    case Change::kInserted:
    case Change::kDeleted: {
      QAccessibleTableModelChangeEvent event(
          this, change.kind == Change::kInserted ? QAccessibleTableModelChangeEvent::RowsInserted
                                                 : QAccessibleTableModelChangeEvent::RowsRemoved);
      event.setFirstRow(change.row);
      event.setLastRow(change.row);
      QAccessible::updateAccessibility(&event);
      break;
    }
    case Change::kReset: {
      QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::ModelReset);
      QAccessible::updateAccessibility(&event);
      break;
    }
    case Change::kText: {
      // Only the rows the operator edits (they are selected) and the caret
      // row: a load or a renumbering fills hundreds of cells nobody is
      // looking at.
      const bool selected = m_list.GetItemState(change.row, LVIS_SELECTED) != 0;
      if (!selected && change.row != CurrentRow()) break;
      m_changedCells.emplace_back(change.row, change.column);
      if (!selected) break;
      QAccessibleEvent event(this, QAccessible::NameChanged);
      event.setChild(ListAccessibleChildIndex(*this, change.row, change.column));
      if (event.child() >= 0) QAccessible::updateAccessibility(&event);
      break;
    }
    case Change::kState: {
      // Sent once the focus has gone to the new current cell.
      if ((change.oldState ^ change.newState) & LVIS_SELECTED)
        m_selectionFlips.push_back(change.row);
      break;
    }
  }
  // The caret may have moved with the change (a command, not a key); rows
  // inserted or deleted above it put another request under it.
  ScheduleAnnounce(change.kind == Change::kInserted || change.kind == Change::kDeleted ||
                   change.kind == Change::kReset);
}

void ListWidget::ScheduleAnnounce(bool force) {
  if (!QAccessible::isActive()) return;
  m_announceForced = m_announceForced || force;
  if (m_announcePending) return;
  m_announcePending = true;
  QTimer::singleShot(0, this, [this] {
    m_announcePending = false;
    const bool forced = m_announceForced;
    m_announceForced = false;
    AnnounceCurrentCell(forced);
    FlushSelectionEvents();
    AnnounceChanges();
  });
}

void ListWidget::FlushSelectionEvents() {
  std::vector<int> rows;
  rows.swap(m_selectionFlips);
  if (!QAccessible::isActive()) return;
  for (int row : rows) {
    // A row stands for itself through its cell in the current column; the
    // event carries the row's state as it is now.
    const int child = ListAccessibleChildIndex(*this, row, CurrentColumn());
    if (child < 0) continue;
    const bool selected = m_list.GetItemState(row, LVIS_SELECTED) != 0;
    QAccessibleEvent event(this,
                           selected ? QAccessible::SelectionAdd : QAccessible::SelectionRemove);
    event.setChild(child);
    QAccessible::updateAccessibility(&event);
  }
  // The table as a whole: what its Selection interface answers has changed.
  if (!rows.empty()) NotifyListSelectionChanged(this);
}

void ListWidget::AnnounceChanges() {
  // Said also when the list has not got the focus back yet (a message box
  // is closing): the announcer waits for it.
  const QString text = QAccessible::isActive() ? DescribeChanges() : QString();
  m_changedCells.clear();
  m_knownRowCount = m_list.GetItemCount();
  m_knownSelectedCount = m_list.GetSelectedCount();
  m_knownCaretRow = CurrentRow();
  m_knownCaretTexts.clear();
  for (int c = 0; m_knownCaretRow >= 0 && c < m_list.GetColumnCount(); ++c)
    m_knownCaretTexts.push_back(m_list.GetItemText(m_knownCaretRow, c));
  if (!text.isEmpty()) m_announcer->Announce(text);
}

QString ListWidget::DescribeChanges() const {
  QStringList parts;
  const int rows = m_list.GetItemCount();
  const int selected = m_list.GetSelectedCount();
  const bool rowsChanged = m_knownRowCount >= 0 && rows != m_knownRowCount;
  const auto requests = [](int n) {
    return n == 1 ? QStringLiteral("1 request") : QStringLiteral("%1 requests").arg(n);
  };
  // With rows inserted or deleted, or the caret on another row, the screen
  // reader reads the caret's request as it follows the focus: the counts
  // are what is left to say.
  const int caret = CurrentRow();
  if (!rowsChanged && caret >= 0 && caret == m_knownCaretRow) {
    const int column = CurrentColumn();
    // The caret row's cells whose text differs from what it was.
    std::vector<int> changed;
    for (int c = 1; c < m_list.GetColumnCount(); ++c) {
      const std::size_t i = static_cast<std::size_t>(c);
      if (i < m_knownCaretTexts.size() && m_list.GetItemText(caret, c) != m_knownCaretTexts[i])
        changed.push_back(c);
    }
    const auto text = [&](int c) {
      const QString value = FromWindows1252(m_list.GetItemText(caret, c));
      return value.isEmpty() ? QStringLiteral("blank") : value;
    };
    // In cell mode the current cell's new text comes first, on its own,
    // with the number of selected rows it was written to.
    if (std::find(changed.begin(), changed.end(), column) != changed.end()) {
      std::vector<int> rowsOfColumn;
      for (const auto& [row, c] : m_changedCells) {
        if (c == column &&
            std::find(rowsOfColumn.begin(), rowsOfColumn.end(), row) == rowsOfColumn.end())
          rowsOfColumn.push_back(row);
      }
      QString value = text(column);
      if (rowsOfColumn.size() > 1)
        value += QStringLiteral(", in ") + requests(static_cast<int>(rowsOfColumn.size()));
      parts << value;
    }
    for (int c : changed) {
      if (c == column) continue;
      ListColumn title;
      m_list.GetColumn(c, title);
      parts << FromWindows1252(title.title).trimmed() + QLatin1Char(' ') + text(c);
    }
  }
  if (rowsChanged) parts << requests(rows) + QStringLiteral(" in the list");
  if (m_knownSelectedCount >= 0 && selected != m_knownSelectedCount &&
      (selected > 1 || m_knownSelectedCount > 1)) {
    // Which ones, too: Shift+Up may shrink the range from either end.
    std::vector<int> numbers;
    for (int r = m_list.GetNextItem(-1, LVNI_SELECTED); r != -1;
         r = m_list.GetNextItem(r, LVNI_SELECTED))
      numbers.push_back(r + 1);
    QString which = requests(selected) + QStringLiteral(" selected");
    if (selected > 1)
      which += QStringLiteral(": ") + QString::fromStdString(NumbersAsSaid(numbers));
    parts << which;
  }
  return parts.join(QStringLiteral(". "));
}

void ListWidget::AnnounceCurrentCell(bool force) {
  if (!QAccessible::isActive() || !hasFocus()) return;
  const int row = CurrentRow();
  const int column = CurrentColumn();
  if (!force && row == m_announcedRow && column == m_announcedColumn) return;
  m_announcedRow = row;
  m_announcedColumn = column;
  const int child = ListAccessibleChildIndex(*this, row, column);
  if (child < 0) return;  // no caret yet: the list itself has the focus
  // As an item view does: the focus event names the cell as the child.
  QAccessibleEvent event(this, QAccessible::Focus);
  event.setChild(child);
  QAccessible::updateAccessibility(&event);
}

void ListWidget::ApplyFontMetrics() {
  const bool wasSyncing = m_syncing;
  m_syncing = true;
  // Owner-drawn rows of fixed height: the font's line plus room for the grid.
  m_list.SetRowHeight(fontMetrics().height() + 3);
  // The header's height is a section's height for one line of the font,
  // known before any column exists.
  QStyleOptionHeader opt;
  opt.initFrom(m_header);
  opt.fontMetrics = m_header->fontMetrics();
  opt.text = QStringLiteral("Wg#");
  const QSize section =
      m_header->style()->sizeFromContents(QStyle::CT_HeaderSection, &opt, QSize(), m_header);
  m_list.SetHeaderHeight(std::max(section.height(), m_header->fontMetrics().height() + 4));
  m_syncing = wasSyncing;
}

void ListWidget::SyncFromModel() {
  if (m_syncing) return;
  m_syncing = true;

  m_headerModel->Update(m_list);
  m_header->setMinimumSectionSize(m_list.GetMinimumColumnWidth());
  for (int c = 0; c < m_list.GetColumnCount(); ++c) {
    const int width = m_list.GetColumnWidth(c);
    if (m_header->sectionSize(c) != width) m_header->resizeSection(c, width);
  }
  UpdateGeometry();

  const int count = m_list.GetItemCount();
  const int perPage = m_list.GetCountPerPage();
  QScrollBar* vbar = verticalScrollBar();
  vbar->setPageStep(perPage);
  vbar->setRange(0, std::max(0, count - perPage));
  vbar->setValue(m_list.GetTopIndex());

  int total = 0;
  for (int c = 0; c < m_list.GetColumnCount(); ++c) total += m_list.GetColumnWidth(c);
  const int maxX = std::max(0, total - viewport()->width());
  if (m_list.GetScrollX() > maxX) m_list.SetScrollX(maxX);
  QScrollBar* hbar = horizontalScrollBar();
  hbar->setPageStep(std::max(1, viewport()->width()));
  hbar->setRange(0, maxX);
  hbar->setValue(m_list.GetScrollX());
  m_header->setOffset(m_list.GetScrollX());

  m_syncing = false;
}

void ListWidget::UpdateGeometry() {
  const int headerHeight = m_list.GetHeaderHeight();
  setViewportMargins(0, headerHeight, 0, 0);
  const QRect vg = viewport()->geometry();
  m_header->setGeometry(vg.left(), vg.top() - headerHeight, vg.width(), headerHeight);
  m_list.SetClientSize(Size{viewport()->width(), viewport()->height() + headerHeight});
}

void ListWidget::OnSectionResized(int section, int, int newSize) {
  if (m_syncing) return;
  // The operator dragged a divider: the model keeps the width.
  m_list.SetColumnWidth(section, newSize);
  emit columnResizedByOperator(section, newSize);
}

bool ListWidget::viewportEvent(QEvent* e) {
  if (e->type() == QEvent::ToolTip) {
    ShowCutCellText(*static_cast<QHelpEvent*>(e));
    return true;
  }
  if (e->type() == QEvent::Resize) {
    const bool result = QAbstractScrollArea::viewportEvent(e);
    SyncFromModel();
    return result;
  }
  return QAbstractScrollArea::viewportEvent(e);
}

void ListWidget::scrollContentsBy(int, int) {
  if (m_syncing) return;
  m_list.SetTopIndex(verticalScrollBar()->value());
  m_list.SetScrollX(horizontalScrollBar()->value());
  m_header->setOffset(m_list.GetScrollX());
}

void ListWidget::paintEvent(QPaintEvent* e) {
  m_painting = true;
  QPainter painter(viewport());
  painter.setFont(font());
  const int headerHeight = m_list.GetHeaderHeight();
  // Draw in the model's client coordinates.
  painter.translate(0, -headerHeight);
  const QRect dirty = e->rect().translated(0, headerHeight);
  {
    QtDeviceContext dc(painter, false);
    const int count = m_list.GetItemCount();
    const int rowHeight = m_list.GetRowHeight();
    const int last =
        std::min(count - 1, m_list.GetTopIndex() + viewport()->height() / rowHeight + 1);
    for (int row = m_list.GetTopIndex(); row <= last; ++row) {
      Rect rc;
      if (!m_list.GetItemRect(row, rc, LVIR_BOUNDS)) continue;
      if (rc.bottom <= dirty.top() || rc.top > dirty.bottom()) continue;
      m_client.DrawItem(dc, row, rc);
    }
  }
  m_painting = false;
}

void ListWidget::mousePressEvent(QMouseEvent* e) {
  ModifierScope scope(m_keys->current, e->modifiers());
  const Point p = ToClient(e->position().toPoint());
  const unsigned flags = MouseKeyFlags(e->buttons(), e->modifiers());
  if (e->button() == Qt::LeftButton) {
    m_client.OnLButtonDown(flags, p);
  } else if (e->button() == Qt::RightButton) {
    m_client.OnRButtonDown(flags, p);
  } else {
    e->ignore();
  }
  AnnounceCurrentCell(false);
  FlushSelectionEvents();
  emit listStateChanged();
}

void ListWidget::mouseDoubleClickEvent(QMouseEvent* e) {
  ModifierScope scope(m_keys->current, e->modifiers());
  // The second click of a left double-click arrives only as the double-click;
  // a right double-click has no handler in the list.
  if (e->button() == Qt::LeftButton) {
    m_client.OnLButtonDblClk(MouseKeyFlags(e->buttons(), e->modifiers()),
                             ToClient(e->position().toPoint()));
  } else {
    e->ignore();
  }
  emit listStateChanged();
}

void ListWidget::keyPressEvent(QKeyEvent* e) {
  const unsigned vk = VirtualKeyFromQt(e->key(), e->modifiers());
  if (vk == 0) {
    e->ignore();
    return;
  }
  if (vk == VK_SHIFT) m_shiftSeen = true;
  ModifierScope scope(m_keys->current, e->modifiers());
  // Keys go to the list's own handler only, never to a default scrolling.
  m_client.OnKeyDown(vk, 1, KeyFlags(e));
  e->accept();
  AnnounceCurrentCell(false);
  FlushSelectionEvents();
  emit listStateChanged();
}

void ListWidget::keyReleaseEvent(QKeyEvent* e) {
  // The platform repeats key-downs only; Qt's repeated releases are dropped.
  if (e->isAutoRepeat()) return;
  const unsigned vk = VirtualKeyFromQt(e->key(), e->modifiers());
  if (vk == 0) {
    e->ignore();
    return;
  }
  if (vk == VK_SHIFT) m_shiftSeen = false;
  ModifierScope scope(m_keys->current, e->modifiers());
  m_client.OnKeyUp(vk, 1, KeyFlags(e) | 0xC000u);
  e->accept();
  emit listStateChanged();
}

void ListWidget::focusInEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusInEvent(e);
  if (!(IsMenuFocusChange(e) && m_list.HasFocus())) {
    m_list.SetHasFocus(true);
    m_client.OnSetFocus();
  }
  // Qt announces the list itself once this handler returns; the current
  // cell follows, so the operator hears where the caret is.
  ScheduleAnnounce(true);
  emit listStateChanged();
}

void ListWidget::focusOutEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusOutEvent(e);
  if (IsMenuFocusChange(e)) return;
  m_list.SetHasFocus(false);
  m_client.OnKillFocus();
  if (m_shiftSeen) {
    // The Shift release will go to another window: tell the list now, so
    // it does not go on extending selections with a Shift nobody holds.
    m_shiftSeen = false;
    m_client.OnKeyUp(VK_SHIFT, 1, 0xC000u);
  }
  emit listStateChanged();
}

void ListWidget::changeEvent(QEvent* e) {
  QAbstractScrollArea::changeEvent(e);
  if (e->type() == QEvent::FontChange) {
    ApplyFontMetrics();
    SyncFromModel();
    viewport()->update();
  }
}

bool ListWidget::focusNextPrevChild(bool) {
  // Tab and Shift+Tab move between columns of the list, not out of it.
  return false;
}

}  // namespace corvella
