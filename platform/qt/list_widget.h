#pragma once
// ListWidget: the window of the report-mode list. It paints the ListControl
// model by asking its client to draw every visible row, shows a header whose
// column widths the operator can drag, scrolls (vertically by rows,
// horizontally by pixels), and turns mouse, key and focus events into the
// client's handlers with the platform's key flags and virtual-key codes.
// Assistive technology sees the model as a table (list_accessible.h); the
// widget tells it where the current cell went and what changed, and has a
// screen reader say what a key or command changed (a cell's new value, the
// number of requests, how many are selected), which the table's own events
// alone do not make a screen reader speak.
//
// Coordinates handed to the client are the model's client coordinates: the
// header's height on top of the rows, scrolled columns shifted left.

#include <QAbstractScrollArea>
#include <QFont>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/geometry.h"
#include "platform/list_control.h"
#include "platform/vk.h"

class QHeaderView;

class QHelpEvent;

namespace corvella {

class Announcer;
class DeviceContext;

// What the list window reports to the code that owns the rows (the view).
class ListWidgetClient {
 public:
  virtual ~ListWidgetClient() = default;
  // Draws row `row` into `rcItem` (client coordinates) on `dc`.
  virtual void DrawItem(DeviceContext& dc, int row, const Rect& rcItem) = 0;
  virtual void OnLButtonDown(unsigned flags, Point point) = 0;
  virtual void OnLButtonDblClk(unsigned flags, Point point) = 0;
  virtual void OnRButtonDown(unsigned flags, Point point) = 0;
  virtual void OnKeyDown(unsigned vk, unsigned repeat, unsigned flags) = 0;
  virtual void OnKeyUp(unsigned vk, unsigned repeat, unsigned flags) = 0;
  // Called after the model's focus flag has been set or cleared.
  virtual void OnSetFocus() = 0;
  virtual void OnKillFocus() = 0;
  // The cell the operator works on, as a screen reader follows it: the caret
  // row (-1: none yet) and the current column (0: the whole row is current).
  // Neither is kept in the model; the default has no caret.
  virtual int CurrentRow() const { return -1; }
  virtual int CurrentColumn() const { return 0; }
};

// The virtual-key code of a Qt key: letters and digits as their upper-case
// characters, the keypad's + and - (Qt::KeypadModifier) as VK_ADD and
// VK_SUBTRACT, the main keyboard's as VK_OEM_PLUS and VK_OEM_MINUS. 0 for a
// key the platform has no code for.
unsigned VirtualKeyFromQt(int key, Qt::KeyboardModifiers modifiers);

class ListWidget : public QAbstractScrollArea, private ListControlObserver {
  Q_OBJECT

 public:
  // `list` and `client` must outlive the widget. The widget is the model's
  // observer (it repaints what the model says) until it is destroyed.
  ListWidget(ListControl& list, ListWidgetClient& client, QWidget* parent = nullptr);
  ~ListWidget() override;

  // Width of a text in the list's font, in pixels.
  int MeasureText(const std::string& text) const;
  // The modifier keys as the key and mouse handlers should see them: from the
  // event being handled, else from the application's last known state.
  const KeyState& Keys() const;

  // Model client coordinates of a viewport point, and back.
  Point ToClient(const QPoint& viewportPos) const;
  QPoint ToViewport(Point client) const;
  // Brings the model's geometry, the header and the scroll bars in line with
  // the model (column count, widths, titles, item count, scroll position).
  void SyncFromModel();

  QHeaderView* Header() const;
  // What says the changes to a screen reader: by default one of the list's
  // own; a status bar's is better (a screen reader says a notification of
  // the status bar without calling it one).
  void SetAnnouncer(Announcer* announcer) { m_announcer = announcer; }

 signals:
  // The operator double-clicked the divider at the right of `column`'s
  // heading (fit the column to its entries).
  void columnFitRequested(int column);
  // The operator dragged a divider: `column` is now `width` pixels wide.
  void columnResizedByOperator(int column, int width);
  // What the list's commands depend on may have changed: an item, its
  // selection, the caret (a key or a click), the layout or the focus.
  // Emitted as often as that happens; whoever listens coalesces.
  void listStateChanged();

 public:
  // ---- what the accessible table (list_accessible.h) reads ---------------------
  const ListControl& Model() const { return m_list; }
  // The rows the list shows (the texts and their number).
  const TextRows& Rows() const { return m_list.Rows(); }
  // The current cell within the list: row -1 when there is none; the
  // column is 0 in row mode.
  int CurrentRow() const;
  int CurrentColumn() const;
  // Counts changes that move cells to other rows or columns (items inserted
  // or deleted, the list or its columns replaced): the accessible table's
  // cells are rebuilt when it changed.
  unsigned StructureGeneration() const { return m_structureGeneration; }
  // A cell's rectangle on the screen; an empty one for a cell that does not
  // exist. Row -1 is the column header.
  QRect CellScreenRect(int row, int column) const;

 protected:
  bool viewportEvent(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void changeEvent(QEvent* e) override;
  bool focusNextPrevChild(bool next) override;

 private:
  class HeaderModel;
  // Shows the whole text of a cell cut to fit under the help event's point.
  void ShowCutCellText(const QHelpEvent& e);
  class WidgetKeyState;

  void ApplyFontMetrics();
  void UpdateGeometry();
  void OnSectionResized(int section, int oldSize, int newSize);
  // ---- implements ListControlObserver -------------------------------------------
  void OnInvalidate(const Rect& rect, bool erase) override;
  void OnUpdate() override;
  void OnLayoutChanged() override;
  // Accessibility events, sent only while an assistive technology listens.
  void OnItemChanged(const ListItemChange& change) override;

  // Announces the current cell when it moved, or always with `force` (the
  // list just took the focus, or rows moved under the caret); the list must
  // have the focus.
  void AnnounceCurrentCell(bool force);
  // The same once the events being handled are done, followed by the
  // selection changes and AnnounceChanges.
  void ScheduleAnnounce(bool force);
  // Sends the selection changes held back until the focus went to the new
  // current cell (a screen reader presents a selection change of the cell
  // it is on).
  void FlushSelectionEvents();
  // Says what changed since the last time: the new text of the current
  // cell (and in how many rows), other changed cells of the caret row, the
  // number of requests when it changed, the number of selected requests
  // when it changed while more than one is or was selected.
  void AnnounceChanges();
  // The text AnnounceChanges says; empty when there is nothing to say.
  QString DescribeChanges() const;

  ListControl& m_list;
  ListWidgetClient& m_client;
  QHeaderView* m_header;
  HeaderModel* m_headerModel;
  std::unique_ptr<WidgetKeyState> m_keys;
  bool m_syncing = false;
  bool m_painting = false;
  bool m_shiftSeen = false;  // a Shift press whose release has not come yet
  unsigned m_structureGeneration = 0;
  // The cell last announced to assistive technology (-1: none).
  int m_announcedRow = -1;
  int m_announcedColumn = -1;
  bool m_announcePending = false;
  bool m_announceForced = false;
  // Changes waiting to be said: cells of the caret row and the selected rows
  // whose text was written, rows whose selected state flipped, the caret
  // row's texts and the counts as they were last said or seen.
  std::vector<std::pair<int, int>> m_changedCells;
  int m_knownCaretRow = -1;
  std::vector<std::string> m_knownCaretTexts;
  std::vector<int> m_selectionFlips;
  int m_knownRowCount = -1;
  int m_knownSelectedCount = -1;
  Announcer* m_announcer = nullptr;
};

}  // namespace corvella
