// Page drawing of the request list against a recording device context: page
// count, mapping, title, the shaded heading row, framed cells laid out with
// the list's on-screen geometry, shortened texts and the page number.

#include "listview/view_print.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listview/corvella_view.h"
#include "listview/view_columns.h"
#include "platform/profile.h"
#include "requests/corvella_doc.h"
#include "support/recording_dc.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace corvella {
namespace {

using Op = RecordingDc::Op;

constexpr int kX = 96;  // screen pixels per inch the list recorded
constexpr int kRowHeight = 13;
constexpr int kWidths[kColumnCount] = {30, 150, 70, 40, 90, 50, 90, 120, 40, 70, 70, 50, 50};
const char* const kHeadings[kColumnCount] = {
    " #",           "Description",      "Team/Ind", "Top3",    "Game/Season", "Sign #",
    "Display Mode", "Times to Display", "Drive",    "Library", "Sequence",    "Frame",
    "Offset"};
const char* const kCells[kColumnCount] = {"",  "",  "I",   "N",   "G", "1", "Continuous",
                                          "1", "C", "LIB", "SEQ", "0", "0"};
const COLORREF kShade = GetSysColor(COLOR_ACTIVEBORDER);

// A print job that answers the preparation with `answer`, and counts.
struct CountingJob : PrintJob {
  bool DoPreparePrinting(PrintInfo& info) override {
    seenMaxPage = info.maxPage;
    return answer;
  }
  void SetLandscape() override { ++landscape; }
  bool answer = true;
  int seenMaxPage = 0;
  int landscape = 0;
};

class ViewPrintTest : public ::testing::Test {
 protected:
  ViewPrintTest()
      : profile(dir.Write("CORVELLA.INI", "[REQUEST]\r\nSPORT=BASK.REQ\r\nZLRTDINPUT=1\r\n")),
        doc(profile, ui),
        view(doc, ui) {
    SetupColumns(view.GetListCtrl(), nullptr);
    for (int c = 0; c < kColumnCount; ++c) list().SetColumnWidth(c, kWidths[c]);
    list().SetRowHeight(kRowHeight);
    view.SetScreenDpi(kX, kX);
    doc.SetSportFileForRun("Basketball & Co");  // the title the pages show
    dc.printing = true;
    // A landscape Letter page at 600 dots per inch.
    dc.caps[LOGPIXELSX] = 600;
    dc.caps[LOGPIXELSY] = 600;
    dc.caps[HORZRES] = 6600;
    dc.caps[VERTRES] = 5100;
  }

  ListControl& list() { return view.GetListCtrl(); }

  void AddRows(int count) {
    for (int i = 0; i < count; ++i) {
      const int row = list().GetItemCount();
      list().InsertItem(row, std::to_string(row + 1));
      for (int c = 1; c < kColumnCount; ++c) list().SetItemText(row, c, kCells[c]);
      list().SetItemText(row, COL_DESCRIPTION, "R" + std::to_string(row + 1));
    }
  }

  int PageCount() {
    CountingJob job;
    PrintInfo info;
    info.job = &job;
    EXPECT_TRUE(view.OnPreparePrinting(info));
    return info.maxPage;
  }

  // Prepares the page's context and draws the page.
  void DrawPage(int page) {
    dc.Clear();
    PrintInfo info;
    info.curPage = page;
    view.OnPrepareDC(dc, &info);
    view.OnDraw(dc);
  }

  // Cell of the heading row (slot -1) or of the slot-th row on the page.
  Rect Cell(int slot, int column) const {
    int left = kX;
    for (int c = 0; c < column; ++c) left += kWidths[c];
    const int top = kX + (slot + 1) * (kRowHeight + 1);
    return Rect{left, top, left + kWidths[column], top + kRowHeight};
  }
  static Rect FrameOf(const Rect& cell) {
    return Rect{cell.left - 1, cell.top - 1, cell.right, cell.bottom};
  }
  static Rect TextRectOf(const Rect& cell) {
    return Rect{cell.left, cell.top, cell.right, cell.bottom - 1};
  }

  std::vector<std::string> TextsDrawn() const {
    std::vector<std::string> texts;
    for (const auto& r : dc.Texts()) texts.push_back(r.text);
    return texts;
  }
  int CountFramesAt(const Rect& rect) const {
    int n = 0;
    for (const auto& r : dc.Frames()) n += r.rect == rect;
    return n;
  }
  const RecordingDc::Record* TextAt(const Rect& rect) const {
    for (const auto& r : dc.records)
      if (r.op == Op::Text && r.rect == rect) return &r;
    return nullptr;
  }
  std::vector<std::string> Headings() const {
    return std::vector<std::string>(kHeadings, kHeadings + kColumnCount);
  }

  TempDir dir;
  AppProfile profile;
  ScriptedUi ui;
  CCorvellaDoc doc;
  CCorvellaView view;
  RecordingDc dc;
};

TEST_F(ViewPrintTest, PageCountIsRowsDividedByFortyPlusOne) {
  const std::pair<int, int> cases[] = {{0, 1},  {1, 1},  {39, 1}, {40, 2},
                                       {41, 2}, {79, 2}, {80, 3}, {300, 8}};
  int rows = 0;
  for (auto [count, pages] : cases) {
    SCOPED_TRACE(count);
    AddRows(count - rows);
    rows = count;
    EXPECT_EQ(PageCount(), pages);
  }
}

TEST_F(ViewPrintTest, PreparationRunsThePrintDialogWithTheRangeAndReturnsItsAnswer) {
  AddRows(45);
  CountingJob job;
  job.answer = false;  // the operator cancels
  PrintInfo info;
  info.job = &job;
  EXPECT_FALSE(view.OnPreparePrinting(info));
  EXPECT_EQ(job.seenMaxPage, 2);
  EXPECT_EQ(info.minPage, 1);

  PrintInfo noDialog;
  EXPECT_FALSE(view.OnPreparePrinting(noDialog));
}

TEST_F(ViewPrintTest, EveryPageContextStoresThePageAndAsksForLandscape) {
  CountingJob job;
  PrintInfo info;
  info.job = &job;
  for (int page = 1; page <= 3; ++page) {
    info.curPage = page;
    view.OnPrepareDC(dc, &info);
    EXPECT_EQ(view.GetPrintPage(), page);
  }
  EXPECT_EQ(job.landscape, 3);
  // The screen's context carries no job.
  view.OnPrepareDC(dc, nullptr);
  EXPECT_EQ(view.GetPrintPage(), 3);
}

TEST_F(ViewPrintTest, MapsScreenPixelsToThePrintersInches) {
  view.SetScreenDpi(120, 100);
  DrawPage(1);
  ASSERT_GE(dc.records.size(), 4u);
  EXPECT_EQ(dc.records[0].op, Op::MapMode);
  EXPECT_EQ(dc.records[0].value, MM_ANISOTROPIC);
  ASSERT_EQ(dc.Of(Op::WindowExt).size(), 1u);
  EXPECT_EQ(dc.Of(Op::WindowExt)[0].size.cx, 120);
  EXPECT_EQ(dc.Of(Op::WindowExt)[0].size.cy, 100);
  ASSERT_EQ(dc.Of(Op::ViewportExt).size(), 1u);
  EXPECT_EQ(dc.Of(Op::ViewportExt)[0].size.cx, 600);
  EXPECT_EQ(dc.Of(Op::ViewportExt)[0].size.cy, 600);
  ASSERT_EQ(dc.Of(Op::ViewportOrg).size(), 1u);
  EXPECT_EQ(dc.Of(Op::ViewportOrg)[0].point.x, 0);
  // The title sits one inch in and a third of an inch down.
  const auto* title = dc.FindText("Basketball & Co");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->rect, (Rect{120, 33, 840, 66}));
}

TEST_F(ViewPrintTest, BeforeAnyRowWasDrawnTheDisplayResolutionIsUsed) {
  view.SetScreenDpi(0, 0);
  DrawPage(1);
  ASSERT_EQ(dc.Of(Op::WindowExt).size(), 1u);
  EXPECT_EQ(dc.Of(Op::WindowExt)[0].size.cx, 96);
  EXPECT_EQ(dc.Of(Op::WindowExt)[0].size.cy, 96);
}

TEST_F(ViewPrintTest, OnTheScreenNoExtentsAreSet) {
  dc.printing = false;
  DrawPage(1);
  EXPECT_TRUE(dc.Of(Op::WindowExt).empty());
  EXPECT_TRUE(dc.Of(Op::ViewportExt).empty());
}

TEST_F(ViewPrintTest, EmptyListPrintsOnePageWithTitleHeadingsAndPageOne) {
  ASSERT_EQ(PageCount(), 1);
  DrawPage(1);
  std::vector<std::string> expected{"Basketball & Co"};
  for (const auto& h : Headings()) expected.push_back(h);
  expected.push_back("Page 1");
  EXPECT_EQ(TextsDrawn(), expected);

  // The heading row uses the list's row height and column-0 width.
  for (int k = 0; k < kColumnCount; ++k) {
    SCOPED_TRACE(kHeadings[k]);
    const Rect cell = Cell(-1, k);
    ASSERT_EQ(dc.FillsAt(cell).size(), 1u);
    EXPECT_EQ(dc.FillsAt(cell)[0].color, kShade);
    EXPECT_EQ(CountFramesAt(FrameOf(cell)), 1);
    const auto* text = TextAt(TextRectOf(cell));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->bkColor, kShade);
    EXPECT_EQ(text->format & DT_CENTER, k >= 2 ? static_cast<unsigned>(DT_CENTER) : 0u);
    EXPECT_EQ(text->format & (DT_SINGLELINE | DT_BOTTOM | DT_NOCLIP | DT_NOPREFIX),
              static_cast<unsigned>(DT_SINGLELINE | DT_BOTTOM | DT_NOCLIP | DT_NOPREFIX));
  }
  EXPECT_EQ(dc.Fills().size(), 13u);  // no row cells

  const auto* page = dc.FindText("Page 1");
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->rect, (Rect{9 * kX, 720, 10 * kX, 720 + kX / 3}));
  EXPECT_EQ(page->bkColor, RGB(255, 255, 255));
  EXPECT_EQ(page->format & DT_CENTER, 0u);
}

TEST_F(ViewPrintTest, FontsAreTimesNewRomanAndTheContextGetsItsFontBack) {
  const FontSpec before = dc.CurrentFont();
  AddRows(1);
  DrawPage(1);
  const auto* title = dc.FindText("Basketball & Co");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->font, (FontSpec{"Times New Roman", -18, 200}));
  for (const char* text : {"Description", "R1", "Page 1"}) {
    SCOPED_TRACE(text);
    ASSERT_NE(dc.FindText(text), nullptr);
    EXPECT_EQ(dc.FindText(text)->font, (FontSpec{"Times New Roman", -10, 200}));
  }
  EXPECT_EQ(dc.CurrentFont(), before);
}

TEST_F(ViewPrintTest, FortyRowsGiveTwoPagesTheSecondWithoutRows) {
  AddRows(40);
  ASSERT_EQ(PageCount(), 2);
  DrawPage(1);
  EXPECT_NE(TextAt(TextRectOf(Cell(0, COL_NUMBER))), nullptr);
  ASSERT_NE(TextAt(TextRectOf(Cell(39, COL_NUMBER))), nullptr);
  EXPECT_EQ(TextAt(TextRectOf(Cell(39, COL_NUMBER)))->text, "40");
  EXPECT_EQ(dc.Fills().size(), 13u * 41);

  DrawPage(2);
  std::vector<std::string> expected{"Basketball & Co"};
  for (const auto& h : Headings()) expected.push_back(h);
  expected.push_back("Page 2");
  EXPECT_EQ(TextsDrawn(), expected);
  EXPECT_EQ(dc.Fills().size(), 13u);
}

TEST_F(ViewPrintTest, FortyOneRowsPutOneRowOnPageTwo) {
  AddRows(41);
  ASSERT_EQ(PageCount(), 2);
  DrawPage(2);
  ASSERT_NE(TextAt(TextRectOf(Cell(0, COL_NUMBER))), nullptr);
  EXPECT_EQ(TextAt(TextRectOf(Cell(0, COL_NUMBER)))->text, "41");
  EXPECT_EQ(TextAt(TextRectOf(Cell(0, COL_DESCRIPTION)))->text, "R41");
  EXPECT_EQ(TextAt(TextRectOf(Cell(1, COL_NUMBER))), nullptr);
  EXPECT_EQ(dc.FindText("40"), nullptr);
  EXPECT_NE(dc.FindText("Page 2"), nullptr);
}

TEST_F(ViewPrintTest, RowCellsAreFilledFramedAndAligned) {
  AddRows(2);
  view.SetTextColor(RGB(10, 20, 30));
  view.SetBkColor(RGB(250, 240, 230));
  DrawPage(1);
  for (int c = 0; c < kColumnCount; ++c) {
    SCOPED_TRACE(c);
    const Rect cell = Cell(1, c);
    ASSERT_EQ(dc.FillsAt(cell).size(), 1u);
    EXPECT_EQ(dc.FillsAt(cell)[0].color, c == 0 ? kShade : view.BackgroundColor());
    EXPECT_EQ(CountFramesAt(FrameOf(cell)), 1);
    const auto* text = TextAt(TextRectOf(cell));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text, c == 0 ? "2" : c == 1 ? "R2" : kCells[c]);
    EXPECT_EQ(text->format & DT_CENTER, c >= 2 ? static_cast<unsigned>(DT_CENTER) : 0u);
    EXPECT_NE(text->format & DT_NOPREFIX, 0u);
    EXPECT_EQ(text->bkColor, c == 0 ? kShade : view.BackgroundColor());
    if (c > 0) {
      EXPECT_EQ(text->textColor, view.TextColor());
    }
  }
}

TEST_F(ViewPrintTest, EmptyCellStaysFramedAndLaterCellsStayUnderTheirHeadings) {
  AddRows(1);
  list().SetItemText(0, COL_SEQUENCE, "");
  DrawPage(1);
  const Rect sequence = Cell(0, COL_SEQUENCE);
  EXPECT_EQ(dc.FillsAt(sequence).size(), 1u);
  EXPECT_EQ(CountFramesAt(FrameOf(sequence)), 1);
  EXPECT_EQ(TextAt(TextRectOf(sequence)), nullptr);
  const Rect frame = Cell(0, COL_FRAME);
  EXPECT_EQ(frame.left, Cell(-1, COL_FRAME).left);
  ASSERT_NE(TextAt(TextRectOf(frame)), nullptr);
  EXPECT_EQ(TextAt(TextRectOf(frame))->text, "0");
}

TEST_F(ViewPrintTest, AmpersandPrintsAsItself) {
  AddRows(1);
  list().SetItemText(0, COL_DESCRIPTION, "Q&A");
  DrawPage(1);
  const auto* text = dc.FindText("Q&A");
  ASSERT_NE(text, nullptr);
  EXPECT_NE(text->format & DT_NOPREFIX, 0u);
}

TEST_F(ViewPrintTest, TooWideDescriptionEndsInDotsAndIsLeftAligned) {
  AddRows(1);
  const std::string wide(60, 'W');  // 420 units at 7 a character, the column has 150
  list().SetItemText(0, COL_DESCRIPTION, wide);
  list().SetItemText(0, COL_LIBRARY, wide);
  DrawPage(1);
  for (int c : {COL_DESCRIPTION, COL_LIBRARY}) {
    SCOPED_TRACE(c);
    const Rect cell = Cell(0, c);
    const auto* text = TextAt(TextRectOf(cell));
    ASSERT_NE(text, nullptr);
    ASSERT_GE(text->text.size(), 4u);
    EXPECT_EQ(text->text.substr(text->text.size() - 3), "...");
    EXPECT_LE(static_cast<int>(text->text.size()) * dc.charWidth + 12, cell.Width());
    EXPECT_EQ(text->text.substr(0, 1), "W");
  }
  EXPECT_EQ(TextAt(TextRectOf(Cell(0, COL_DESCRIPTION)))->format & DT_CENTER, 0u);
}

TEST_F(ViewPrintTest, ScreenGeometryDecidesThePaperGeometry) {
  AddRows(2);
  list().SetRowHeight(25);
  list().SetColumnWidth(COL_DESCRIPTION, 300);
  DrawPage(1);
  // Heading at top 96, first row one unit below it, each 25 high.
  const int descLeft = kX + kWidths[0];
  const Rect row1{descLeft, kX + 26 + 26, descLeft + 300, kX + 26 + 26 + 25};
  ASSERT_NE(TextAt(TextRectOf(row1)), nullptr);
  EXPECT_EQ(TextAt(TextRectOf(row1))->text, "R2");
  const Rect team{descLeft + 300, kX, descLeft + 300 + kWidths[2], kX + 25};
  ASSERT_NE(TextAt(TextRectOf(team)), nullptr);
  EXPECT_EQ(TextAt(TextRectOf(team))->text, "Team/Ind");
}

// How far a logical coordinate lands on the device, with the recorded mapping.
struct Mapping {
  Size window;
  Size viewport;
  double DeviceX(int x) const { return static_cast<double>(x) * viewport.cx / window.cx; }
  double DeviceY(int y) const { return static_cast<double>(y) * viewport.cy / window.cy; }
};

Mapping MappingOf(const RecordingDc& dc) {
  Mapping m;
  const auto window = dc.Of(Op::WindowExt);
  const auto viewport = dc.Of(Op::ViewportExt);
  if (!window.empty()) m.window = window.back().size;
  if (!viewport.empty()) m.viewport = viewport.back().size;
  return m;
}

TEST_F(ViewPrintTest, TallRowsPutThePageNumberBelowTheTableAndShrinkThePageToFit) {
  list().SetRowHeight(25);
  AddRows(40);
  DrawPage(1);
  const auto* lastRow = dc.FindText("40");
  const auto* page = dc.FindText("Page 1");
  ASSERT_NE(lastRow, nullptr);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(lastRow->rect.bottom, kX + 25 + 40 * 26 - 1);
  EXPECT_GT(page->rect.top, lastRow->rect.bottom + 1);
  EXPECT_EQ(page->rect.bottom - page->rect.top, kX / 3);

  const Mapping m = MappingOf(dc);
  ASSERT_GT(m.window.cx, kX);
  // Evenly in both directions, and the page number is on the paper.
  EXPECT_EQ(m.window.cx, m.window.cy);
  EXPECT_LE(m.DeviceY(page->rect.bottom), 5100.0);
  EXPECT_LE(m.DeviceX(10 * kX), 6600.0);
}

TEST_F(ViewPrintTest, WideColumnsShrinkThePageToFit) {
  list().SetColumnWidth(COL_DESCRIPTION, 900);
  AddRows(1);
  DrawPage(1);
  const Mapping m = MappingOf(dc);
  const auto* offset = dc.FindText("Offset");
  ASSERT_NE(offset, nullptr);
  ASSERT_GT(m.window.cx, kX);
  EXPECT_EQ(m.window.cx, m.window.cy);
  EXPECT_LE(m.DeviceX(offset->rect.right), 6600.0);
  EXPECT_GT(m.DeviceX(offset->rect.right), 6000.0);  // shrunk no more than needed
  // The page keeps its layout in logical units.
  EXPECT_EQ(dc.FindText("Page 1")->rect.top, 720);
}

TEST_F(ViewPrintTest, LongCellTextIsReadUpTo259Characters) {
  AddRows(1);
  list().SetItemText(0, COL_DESCRIPTION, std::string(300, 'x'));
  dc.measure = [](const std::string&, const FontSpec&) { return 0; };  // everything fits
  DrawPage(1);
  const auto* text = TextAt(TextRectOf(Cell(0, COL_DESCRIPTION)));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->text, std::string(259, 'x'));
}

TEST_F(ViewPrintTest, PrintingChangesNothingInTheList) {
  AddRows(3);
  list().SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  DrawPage(1);
  EXPECT_EQ(list().GetItemCount(), 3);
  EXPECT_EQ(list().GetSelectedCount(), 1);
  EXPECT_FALSE(doc.IsModified());
}

}  // namespace
}  // namespace corvella
