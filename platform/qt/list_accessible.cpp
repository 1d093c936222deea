#include "platform/qt/list_accessible.h"

#include <QPointer>

#include "platform/list_control.h"
#include "platform/qt/list_widget.h"
#include "platform/qt/windows1252.h"

namespace corvella {

namespace {

bool CellExists(const ListWidget& widget, int row, int column) {
  return row >= -1 && row < widget.Rows().Count() && column >= 0 &&
         column < widget.Model().GetColumnCount();
}

QString ColumnTitle(const ListControl& list, int column) {
  ListColumn c;
  if (!list.GetColumn(column, c)) return {};
  return FromWindows1252(c.title).trimmed();
}

// One cell of the table, or (row -1) one column header. It only points at
// the list: every answer is read from the model when asked.
class ListCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
 public:
  ListCellAccessible(ListWidget* widget, int row, int column)
      : m_widget(widget), m_row(row), m_column(column) {}

  // ---- implements QAccessibleInterface ----------------------------------------
  bool isValid() const override { return m_widget && CellExists(*m_widget, m_row, m_column); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override {
    return m_widget ? m_widget->window()->windowHandle() : nullptr;
  }
  QAccessibleInterface* parent() const override {
    return m_widget ? QAccessible::queryAccessibleInterface(m_widget.data()) : nullptr;
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }

  QString text(QAccessible::Text t) const override {
    if (!isValid() || t != QAccessible::Name) return {};
    if (m_row < 0) return ColumnTitle(m_widget->Model(), m_column);
    return FromWindows1252(m_widget->Rows().Text(m_row, m_column));
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    return m_widget ? m_widget->CellScreenRect(m_row, m_column) : QRect();
  }
  QAccessible::Role role() const override {
    return m_row < 0 ? QAccessible::ColumnHeader : QAccessible::Cell;
  }

  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) {
      s.invalid = true;
      return s;
    }
    const ListControl& list = m_widget->Model();
    const int top = list.GetTopIndex();
    if (m_row >= 0) {
      s.selectable = true;
      s.focusable = true;
      s.selected = list.GetItemState(m_row, LVIS_SELECTED) != 0;
      s.focused = m_widget->hasFocus() && m_row == m_widget->CurrentRow() &&
                  m_column == m_widget->CurrentColumn();
      s.offscreen = m_row < top || m_row >= top + list.GetCountPerPage();
    }
    if (!m_widget->isVisible()) s.invisible = true;
    return s;
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TableCellInterface)
      return static_cast<QAccessibleTableCellInterface*>(this);
    return nullptr;
  }

  // ---- implements QAccessibleTableCellInterface ---------------------------------
  bool isSelected() const override {
    return m_widget && m_row >= 0 && m_widget->Model().GetItemState(m_row, LVIS_SELECTED) != 0;
  }
  QList<QAccessibleInterface*> columnHeaderCells() const override {
    auto* table = Table();
    if (!table || m_row < 0) return {};
    QAccessibleInterface* header = table->Cell(-1, m_column);
    return header ? QList<QAccessibleInterface*>{header} : QList<QAccessibleInterface*>{};
  }
  QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
  int columnIndex() const override { return m_column; }
  int rowIndex() const override { return m_row; }
  int columnExtent() const override { return 1; }
  int rowExtent() const override { return 1; }
  QAccessibleInterface* table() const override { return parent(); }

  int Row() const { return m_row; }
  int Column() const { return m_column; }
  const ListWidget* Widget() const { return m_widget.data(); }

 private:
  ListAccessible* Table() const { return static_cast<ListAccessible*>(parent()); }

  QPointer<ListWidget> m_widget;
  const int m_row;
  const int m_column;
};

}  // namespace

QAccessibleInterface* ListAccessibleFactory(const QString& className, QObject* object) {
  if (className == QLatin1String(ListWidget::staticMetaObject.className())) {
    if (auto* widget = qobject_cast<ListWidget*>(object)) return new ListAccessible(widget);
  }
  return nullptr;
}

int ListAccessibleChildIndex(const ListWidget& widget, int row, int column) {
  if (row < 0 || !CellExists(widget, row, column)) return -1;
  return row * widget.Model().GetColumnCount() + column;
}

// ---- the table ----------------------------------------------------------------------

ListAccessible::ListAccessible(ListWidget* widget)
    : QAccessibleWidget(widget, QAccessible::Table), m_generation(widget->StructureGeneration()) {}

ListAccessible::~ListAccessible() { DropCells(); }

const ListWidget* ListAccessible::Widget() const {
  return static_cast<const ListWidget*>(widget());
}

void* ListAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
  return QAccessibleWidget::interface_cast(type);
}

QAccessible::State ListAccessible::state() const {
  QAccessible::State s = QAccessibleWidget::state();
  s.multiSelectable = true;
  s.extSelectable = true;
  return s;
}

QString ListAccessible::text(QAccessible::Text t) const {
  if (t == QAccessible::Name) {
    const QString name = widget()->accessibleName();
    return name.isEmpty() ? QStringLiteral("Requests") : name;
  }
  return QAccessibleWidget::text(t);
}

int ListAccessible::childCount() const { return rowCount() * columnCount(); }

QAccessibleInterface* ListAccessible::child(int index) const {
  const int columns = columnCount();
  if (index < 0 || columns == 0 || index >= childCount()) return nullptr;
  return Cell(index / columns, index % columns);
}

int ListAccessible::indexOfChild(const QAccessibleInterface* child) const {
  const auto* cell = dynamic_cast<const ListCellAccessible*>(child);
  if (!cell || cell->Widget() != Widget()) return -1;
  return ListAccessibleChildIndex(*Widget(), cell->Row(), cell->Column());
}

QAccessibleInterface* ListAccessible::childAt(int x, int y) const {
  const ListWidget* w = Widget();
  const QPoint inViewport = w->viewport()->mapFromGlobal(QPoint(x, y));
  if (!w->viewport()->rect().contains(inViewport)) return nullptr;
  int column = -1;
  const int row = w->Model().SubItemHitTest(w->ToClient(inViewport), &column);
  return row >= 0 && column >= 0 ? Cell(row, column) : nullptr;
}

QAccessibleInterface* ListAccessible::focusChild() const {
  const ListWidget* w = Widget();
  if (!w->hasFocus()) return nullptr;
  return Cell(w->CurrentRow(), w->CurrentColumn());
}

QAccessibleInterface* ListAccessible::cellAt(int row, int column) const {
  return row >= 0 ? Cell(row, column) : nullptr;
}

int ListAccessible::selectedCellCount() const { return selectedRowCount() * columnCount(); }

QList<QAccessibleInterface*> ListAccessible::selectedCells() const {
  QList<QAccessibleInterface*> cells;
  for (int row : selectedRows()) {
    for (int c = 0; c < columnCount(); ++c) cells.append(Cell(row, c));
  }
  return cells;
}

QString ListAccessible::columnDescription(int column) const {
  return ColumnTitle(Widget()->Model(), column);
}

QString ListAccessible::rowDescription(int) const { return {}; }

int ListAccessible::selectedRowCount() const { return Widget()->Model().GetSelectedCount(); }

int ListAccessible::columnCount() const { return Widget()->Model().GetColumnCount(); }

int ListAccessible::rowCount() const { return Widget()->Rows().Count(); }

QList<int> ListAccessible::selectedRows() const {
  QList<int> rows;
  const ListControl& list = Widget()->Model();
  for (int row = list.GetNextItem(-1, LVNI_SELECTED); row != -1;
       row = list.GetNextItem(row, LVNI_SELECTED)) {
    rows.append(row);
  }
  return rows;
}

bool ListAccessible::isRowSelected(int row) const {
  return Widget()->Model().GetItemState(row, LVIS_SELECTED) != 0;
}

int ListAccessible::SelectedChildCount() const { return selectedCellCount(); }

QAccessibleInterface* ListAccessible::SelectedChild(int index) const {
  const int columns = columnCount();
  if (index < 0 || columns == 0 || index >= SelectedChildCount()) return nullptr;
  const ListWidget* w = Widget();
  const int caretRow = w->CurrentRow();
  const int caretColumn = w->CurrentColumn();
  const bool caretFirst =
      caretRow >= 0 && isRowSelected(caretRow) && caretColumn >= 0 && caretColumn < columns;
  if (caretFirst) {
    if (index == 0) return Cell(caretRow, caretColumn);
    // The rest in table order, the caret's cell left out.
    const int caretIndex = selectedRows().indexOf(caretRow) * columns + caretColumn;
    if (index <= caretIndex) --index;
  }
  const int row = selectedRows().value(index / columns, -1);
  return row >= 0 ? Cell(row, index % columns) : nullptr;
}

bool ListAccessible::IsChildSelected(int childIndex) const {
  const int columns = columnCount();
  if (childIndex < 0 || columns == 0 || childIndex >= childCount()) return false;
  return isRowSelected(childIndex / columns);
}

void ListAccessible::modelChange(QAccessibleTableModelChangeEvent*) { DropCellsIfStale(); }

QAccessibleInterface* ListAccessible::Cell(int row, int column) const {
  DropCellsIfStale();
  if (!CellExists(*Widget(), row, column)) return nullptr;
  const auto key = std::make_pair(row, column);
  const auto it = m_cells.find(key);
  if (it != m_cells.end()) return QAccessible::accessibleInterface(it->second);
  auto* cell = new ListCellAccessible(const_cast<ListWidget*>(Widget()), row, column);
  m_cells.emplace(key, QAccessible::registerAccessibleInterface(cell));
  return cell;
}

void ListAccessible::DropCellsIfStale() const {
  if (m_generation != Widget()->StructureGeneration()) DropCells();
}

void ListAccessible::DropCells() const {
  // A cell is its row and column: once rows or columns moved, the same
  // object would name another request, so it is dropped and made anew.
  for (const auto& [key, id] : m_cells) QAccessible::deleteAccessibleInterface(id);
  m_cells.clear();
  if (widget()) m_generation = Widget()->StructureGeneration();
}

}  // namespace corvella
