#pragma once
// The request list as assistive technology sees it: the ListWidget draws its
// rows itself, so Qt knows nothing of them; this gives Qt an accessible table
// built from the rows the widget paints (the TextRows its ListControl shows)
// and the control's columns and selection. One row per item,
// one column per list column with the column's title as its header, and a
// cell per sub-item whose name is the sub-item's text. A row is selected when
// its item is; the focused cell is the list's current cell (the caret row in
// the current column, column 0 in row mode) while the list has the focus.
//
// The table's children are the cells, row by row: child index
// row * columnCount + column. The column headers are reached through the
// cells (and the table's column descriptions), not as children.
//
// ListWidget installs the factory; the events that follow the operator
// (focus on the current cell, selection, cell text, rows inserted and
// deleted) are sent by the widget.

#include <QAccessibleWidget>
#include <map>
#include <utility>

namespace corvella {

class ListWidget;

// Creates the table for a ListWidget; nullptr for any other object. Install
// with QAccessible::installFactory (installing twice is harmless).
QAccessibleInterface* ListAccessibleFactory(const QString& className, QObject* object);

// Child index of a cell within the table (see above); -1 when the cell does
// not exist.
int ListAccessibleChildIndex(const ListWidget& widget, int row, int column);

class ListAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
 public:
  explicit ListAccessible(ListWidget* widget);
  ~ListAccessible() override;

  // ---- implements QAccessibleInterface ----------------------------------------
  void* interface_cast(QAccessible::InterfaceType type) override;
  QAccessible::State state() const override;
  QString text(QAccessible::Text t) const override;
  int childCount() const override;
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;
  QAccessibleInterface* childAt(int x, int y) const override;
  QAccessibleInterface* focusChild() const override;

  // ---- implements QAccessibleTableInterface -----------------------------------
  QAccessibleInterface* caption() const override { return nullptr; }
  QAccessibleInterface* summary() const override { return nullptr; }
  QAccessibleInterface* cellAt(int row, int column) const override;
  int selectedCellCount() const override;
  QList<QAccessibleInterface*> selectedCells() const override;
  QString columnDescription(int column) const override;
  QString rowDescription(int row) const override;
  int selectedColumnCount() const override { return 0; }
  int selectedRowCount() const override;
  int columnCount() const override;
  int rowCount() const override;
  QList<int> selectedColumns() const override { return {}; }
  QList<int> selectedRows() const override;
  bool isColumnSelected(int) const override { return false; }
  bool isRowSelected(int row) const override;
  // The selection follows the list's own rules (ranges, the caret, the
  // current column); it is not changed from outside.
  bool selectRow(int) override { return false; }
  bool selectColumn(int) override { return false; }
  bool unselectRow(int) override { return false; }
  bool unselectColumn(int) override { return false; }
  void modelChange(QAccessibleTableModelChangeEvent* event) override;

  // ---- the selection as children (the desktop bus's Selection interface) -----
  // The selected children are the cells of the selected rows. The current
  // cell comes first when its row is selected: a screen reader that moves to
  // the first selected child on a selection change then stays on the caret.
  int SelectedChildCount() const;
  QAccessibleInterface* SelectedChild(int index) const;
  bool IsChildSelected(int childIndex) const;

  // A cell (row >= 0) or a column header (row -1); nullptr outside the list.
  // The table owns what it hands out until the list's rows or columns move.
  QAccessibleInterface* Cell(int row, int column) const;
  const ListWidget* Widget() const;

 private:
  // Drops every cell handed out when rows or columns moved since.
  void DropCellsIfStale() const;
  void DropCells() const;

  mutable std::map<std::pair<int, int>, QAccessible::Id> m_cells;
  mutable unsigned m_generation = 0;
};

}  // namespace corvella
