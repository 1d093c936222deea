// The grid drawing of the request list (row against cell highlight, range
// against selection, focus, empty cells, shortened texts) on a recording
// device context, the text shortening, and the selection repaint.

#include "listview/list_view_ex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/list_watch.h"
#include "support/recording_dc.h"

namespace corvella {
namespace {

using Op = RecordingDc::Op;
constexpr unsigned kTextFlags = DT_SINGLELINE | DT_BOTTOM | DT_NOCLIP | DT_NOPREFIX;
const COLORREF kHighlight = GetSysColor(COLOR_HIGHLIGHT);
const COLORREF kHighlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
const COLORREF kGrey = GetSysColor(COLOR_ACTIVEBORDER);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// Seven rows of thirteen cells ("r<row>c<column>"), "#" 30 pixels wide and
// every other column 60; the list has the focus.
class GridTest : public ::testing::Test {
 protected:
  GridTest() {
    list.SetHeaderHeight(20);
    list.SetRowHeight(17);
    list.SetClientSize(Size{1200, 400});
    list.InsertColumn(0, " # ", LVCFMT_LEFT, 30);
    list.InsertColumn(1, "Request Description", LVCFMT_LEFT, 60);
    for (int c = 2; c < 13; ++c) list.InsertColumn(c, "C" + std::to_string(c), LVCFMT_CENTER, 60);
    for (int r = 0; r < 7; ++r) {
      list.InsertItem(r, std::to_string(r + 1));
      for (int c = 1; c < 13; ++c)
        list.SetItemText(r, c, "r" + std::to_string(r) + "c" + std::to_string(c));
    }
    list.SetHasFocus(true);
  }

  void Select(int row) { list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED); }

  void Draw(int row) {
    dc.Clear();
    Rect bounds;
    list.GetItemRect(row, bounds, LVIR_BOUNDS);
    view.DrawItem(DrawItemStruct{&dc, row, bounds});
  }

  Rect Cell(int row, int column) const {
    Rect rc;
    EXPECT_TRUE(list.GetSubItemRect(row, column, rc));
    return rc;
  }

  Rect RowRect(int row) const {
    Rect rc;
    list.GetItemRect(row, rc, LVIR_BOUNDS);
    return rc;
  }

  // The colours a cell text was drawn in.
  std::pair<COLORREF, COLORREF> TextColours(const std::string& text) const {
    const RecordingDc::Record* r = dc.FindText(text);
    EXPECT_NE(r, nullptr) << text;
    return r ? std::pair{r->textColor, r->bkColor} : std::pair{COLORREF{0}, COLORREF{0}};
  }

  int HighlightFills() const {
    int n = 0;
    for (const auto& f : dc.Fills()) n += f.color == kHighlight;
    return n;
  }

  CListViewEx view;
  ListControl& list = view.GetListCtrl();
  RecordingDc dc;
};

TEST_F(GridTest, RowModeHighlightsTheWholeRow) {
  Select(1);
  view.SetSelectionRange(1, 1);
  view.SetCurrentColumn(0);
  Draw(1);

  const auto fills = dc.Fills();
  ASSERT_EQ(fills.size(), 1u);  // one fill for the row, none per cell
  EXPECT_EQ(fills[0].rect, RowRect(1));
  EXPECT_EQ(fills[0].color, kHighlight);
  for (const auto& text : dc.Texts()) {
    SCOPED_TRACE(text.text);
    EXPECT_EQ(text.textColor, kHighlightText);
    EXPECT_EQ(text.bkColor, kHighlight);
  }
  // The colours are put back for the next row.
  ASSERT_GE(dc.records.size(), 2u);
  const auto& last = dc.records[dc.records.size() - 1];
  const auto& beforeLast = dc.records[dc.records.size() - 2];
  EXPECT_EQ(beforeLast.op, Op::TextColor);
  EXPECT_EQ(beforeLast.color, view.TextColor());
  EXPECT_EQ(last.op, Op::BkColor);
  EXPECT_EQ(last.color, view.BackgroundColor());
}

TEST_F(GridTest, CellModeHighlightsOnlyTheCurrentCellAndKeepsTheNumberGrey) {
  Select(1);
  view.SetSelectionRange(1, 1);
  view.SetCurrentColumn(5);
  Draw(1);

  Rect label;
  list.GetItemRect(1, label, LVIR_LABEL);
  ASSERT_EQ(dc.FillsAt(label).size(), 1u);
  EXPECT_EQ(dc.FillsAt(label)[0].color, kGrey);
  for (int c = 1; c < 13; ++c) {
    SCOPED_TRACE(c);
    const auto fills = dc.FillsAt(Cell(1, c));
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].color, c == 5 ? kHighlight : view.BackgroundColor());
    const auto colours = TextColours("r1c" + std::to_string(c));
    EXPECT_EQ(colours.first, c == 5 ? kHighlightText : view.TextColor());
    EXPECT_EQ(colours.second, c == 5 ? kHighlight : view.BackgroundColor());
  }
}

TEST_F(GridTest, EverySelectedRowShowsTheCurrentCellInsideTheRangeOrNot) {
  // Rows 2 to 4 selected and forming the range; row 6 selected by a
  // Ctrl+click outside it. The commands act on all four, so all four show.
  for (int r : {2, 3, 4, 6}) Select(r);
  view.SetSelectionRange(2, 4);
  for (int column : {6, 0}) {
    view.SetCurrentColumn(column);
    for (int row = 0; row < 7; ++row) {
      SCOPED_TRACE("column " + std::to_string(column) + " row " + std::to_string(row));
      Draw(row);
      const bool lit = (row >= 2 && row <= 4) || row == 6;
      EXPECT_EQ(HighlightFills(), lit ? 1 : 0);
      if (lit && column != 0) {
        const auto fills = dc.FillsAt(Cell(row, column));
        ASSERT_EQ(fills.size(), 1u);
        EXPECT_EQ(fills[0].color, kHighlight);
      }
    }
  }
}

TEST_F(GridTest, SelectionShowsOnlyWithFocusOrShowSelectionAlwaysOrDropHighlight) {
  Select(2);
  view.SetSelectionRange(2, 2);
  view.SetCurrentColumn(0);
  list.SetHasFocus(false);
  Draw(2);
  EXPECT_EQ(HighlightFills(), 0);
  EXPECT_FALSE(view.IsVisiblySelected(2));

  list.SetShowSelectionAlways(true);
  Draw(2);
  EXPECT_EQ(HighlightFills(), 1);
  list.SetShowSelectionAlways(false);

  list.SetItemState(2, LVIS_DROPHILITED, LVIS_SELECTED | LVIS_DROPHILITED);
  EXPECT_TRUE(view.IsVisiblySelected(2));
  Draw(2);
  EXPECT_EQ(HighlightFills(), 1);
}

TEST_F(GridTest, AnEmptyCellIsNeitherFilledNorFramedNorWritten) {
  list.SetItemText(3, 9, "");
  Draw(3);
  const Rect cell = Cell(3, 9);
  for (const auto& r : dc.records) {
    if (r.op == Op::Fill || r.op == Op::Frame || r.op == Op::Text) {
      EXPECT_FALSE(r.rect.left >= cell.left - 1 && r.rect.right <= cell.right)
          << "drawn at " << r.rect.left << ".." << r.rect.right;
    }
  }
  // The next cell keeps its place.
  EXPECT_EQ(dc.FillsAt(Cell(3, 10)).size(), 1u);
}

TEST_F(GridTest, ShortenedTextIsLeftAlignedWhateverTheColumnAlignment) {
  list.InsertColumn(13, "Right", LVCFMT_RIGHT, 60);
  list.SetItemText(0, 13, "R");
  list.SetItemText(0, 9, "ABCDEFGHIJ");  // 70 px in a centred 60 px column
  Draw(0);
  // 60 - 12 margin - 28 for the dots leaves room for two characters.
  const auto* shortened = dc.FindText("AB...");
  ASSERT_NE(shortened, nullptr);
  EXPECT_EQ(shortened->format, kTextFlags | DT_LEFT);
  ASSERT_NE(dc.FindText("r0c8"), nullptr);
  EXPECT_EQ(dc.FindText("r0c8")->format, kTextFlags | DT_CENTER);
  ASSERT_NE(dc.FindText("R"), nullptr);
  EXPECT_EQ(dc.FindText("R")->format, kTextFlags | DT_RIGHT);
  ASSERT_NE(dc.FindText("r0c1"), nullptr);
  EXPECT_EQ(dc.FindText("r0c1")->format, kTextFlags | DT_LEFT);
}

TEST_F(GridTest, GridLinesAndTextRectangles) {
  list.SetScrollX(5);
  Draw(0);
  Rect label;
  list.GetItemRect(0, label, LVIR_LABEL);
  const auto frames = dc.Frames();
  ASSERT_EQ(frames.size(), 1u + 1u + 12u);  // row, "#" and twelve cells
  EXPECT_EQ(frames[0].rect, RowRect(0));
  EXPECT_EQ(frames[1].rect, (Rect{label.left - 1, label.top - 1, label.right, label.bottom}));
  const Rect cell = Cell(0, 4);
  EXPECT_EQ(frames[5].rect, (Rect{cell.left - 1, cell.top - 1, cell.right, cell.bottom}));
  for (const auto& f : frames) EXPECT_EQ(f.color, kBlack);

  const auto* number = dc.FindText("1");
  ASSERT_NE(number, nullptr);
  EXPECT_EQ(number->rect, (Rect{label.left + 2, label.top, label.right - 2, label.bottom - 1}));
  EXPECT_EQ(number->format, kTextFlags | DT_LEFT);
  const auto* text = dc.FindText("r0c4");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->rect, (Rect{cell.left + 6, cell.top, cell.right - 6, cell.bottom - 1}));
  // The row's background colour is set before anything is drawn.
  ASSERT_FALSE(dc.records.empty());
  EXPECT_EQ(dc.records[0].op, Op::BkColor);
}

TEST_F(GridTest, DrawingRecordsThePixelsPerInchAndUsesTheListColours) {
  dc.caps[LOGPIXELSX] = 120;
  dc.caps[LOGPIXELSY] = 144;
  view.SetTextColor(RGB(10, 20, 30));
  view.SetBkColor(RGB(250, 240, 230));
  Select(0);
  view.SetSelectionRange(0, 0);
  view.SetCurrentColumn(2);
  Draw(0);
  EXPECT_EQ(view.ScreenDpiX(), 120);
  EXPECT_EQ(view.ScreenDpiY(), 144);
  EXPECT_EQ(dc.FillsAt(Cell(0, 3))[0].color, RGB(250, 240, 230));
  EXPECT_EQ(TextColours("r0c3"), (std::pair{RGB(10, 20, 30), RGB(250, 240, 230)}));
}

struct ShortenCase {
  const char* text;
  int width;
  int margin;
  const char* expected;
};

class ShortenToFitTest : public ::testing::TestWithParam<ShortenCase> {};

TEST_P(ShortenToFitTest, FitsTheWidthWithMarginAndDots) {
  RecordingDc dc;  // 7 px per character; the dots measure 4 characters, 28 px
  const ShortenCase& c = GetParam();
  EXPECT_EQ(CListViewEx::ShortenToFit(dc, c.text, c.width, c.margin), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShortenToFitTest,
    ::testing::Values(ShortenCase{"", 0, 12, ""},                      // empty stays empty
                      ShortenCase{"ABCDEFGHIJ", 74, 4, "ABCDEFGHIJ"},  // exactly fits
                      ShortenCase{"ABCDEFGHIJ", 73, 4, "ABCDE..."},    // 42 + 4 + 28 = 74 > 73
                      ShortenCase{"ABCDEFGHIJ", 81, 12, "ABCDE..."},
                      ShortenCase{"ABCDEFGHIJ", 82, 12, "ABCDEFGHIJ"},
                      ShortenCase{"ABCDEFGHIJ", 60, 4, "ABCD..."},
                      ShortenCase{"ABCDEFGHIJ", 10, 12, "A..."},  // nothing fits: first character
                      ShortenCase{"X", 5, 4, "X..."}));

TEST_F(GridTest, RepaintSelectionInvalidatesTheFocusedAndSelectedRowsWithoutErasing) {
  struct Invalidation {
    Rect rect;
    bool erase;
  };
  std::vector<Invalidation> invalid;
  int updates = 0;
  list.SetItemState(1, LVIS_FOCUSED | LVIS_SELECTED, LVIS_ALL);
  Select(4);
  ListWatch watch;
  list.SetObserver(&watch);
  watch.invalidate = [&](const Rect& r, bool erase) { invalid.push_back({r, erase}); };
  watch.update = [&] { ++updates; };

  view.RepaintSelection();
  ASSERT_EQ(invalid.size(), 3u);
  EXPECT_EQ(invalid[0].rect, RowRect(1));
  EXPECT_EQ(invalid[1].rect, RowRect(1));
  EXPECT_EQ(invalid[2].rect, RowRect(4));
  for (const auto& i : invalid) EXPECT_FALSE(i.erase);
  EXPECT_EQ(updates, 1);

  // With the selection always shown only the focused row changes its look.
  watch.invalidate = nullptr;
  list.SetShowSelectionAlways(true);
  watch.invalidate = [&](const Rect& r, bool erase) { invalid.push_back({r, erase}); };
  invalid.clear();
  view.RepaintSelection();
  ASSERT_EQ(invalid.size(), 1u);
  EXPECT_EQ(invalid[0].rect, RowRect(1));
}

TEST_F(GridTest, FocusChangesRepaintTheSelectionUnlessAChildTookTheFocus) {
  Select(2);
  int repaints = 0;
  ListWatch watch;
  list.SetObserver(&watch);
  watch.invalidate = [&](const Rect&, bool) { ++repaints; };

  view.OnKillFocus(true);
  EXPECT_FALSE(list.HasFocus());
  EXPECT_EQ(repaints, 0);

  view.OnSetFocus(false);
  EXPECT_TRUE(list.HasFocus());
  EXPECT_EQ(repaints, 1);

  view.OnKillFocus(false);
  EXPECT_FALSE(list.HasFocus());
  EXPECT_EQ(repaints, 2);
}

}  // namespace
}  // namespace corvella
