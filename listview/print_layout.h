#pragma once
// The printed page of the request list (CCorvellaView::OnDraw hands each page
// to a PageLayout): a title, a heading row, up to kRowsPerPage requests and
// the page number.
//
// A page is laid out in screen pixels: the mapping makes one logical unit one
// screen pixel at its physical size on paper, so the printed table has the
// row height and column widths the list has on the screen. Only when that
// would run off the paper is the whole page shrunk evenly to fit.

#include <cstddef>
#include <string>

#include "platform/dc.h"
#include "requests/request_record.h"

namespace corvella {

class ListControl;
class TextRows;

// Requests on one page.
constexpr int kRowsPerPage = 40;
// Resolution taken before the list has drawn a row on the screen.
constexpr int kDefaultScreenDpi = 96;
// Longest cell text the page reads from the list.
constexpr std::size_t kPrintCellLimit = 259;
// Pixels kept free beside a heading's and a cell's text.
constexpr int kHeadingMargin = 4;
constexpr int kCellMargin = 12;
// The headings of the printed table (the list's own titles are shorter).
inline constexpr const char* kPrintHeadings[kColumnCount] = {
    " #",           "Description",      "Team/Ind", "Top3",    "Game/Season", "Sign #",
    "Display Mode", "Times to Display", "Drive",    "Library", "Sequence",    "Frame",
    "Offset"};

// The pages a list of `rows` requests prints on: one more than the full
// pages, so an empty list still prints its heading.
constexpr int PrintPageCount(int rows) { return rows / kRowsPerPage + 1; }

// Where a page's parts go, in logical units, taken from the list as the
// screen shows it: X across and Y down make an inch.
class PageLayout {
 public:
  // The layout of the pages of `rows` as `list` shows them (its row height
  // and column widths), on a screen of `logPixelsX` and `logPixelsY` pixels
  // to the inch (0: not known yet, kDefaultScreenDpi). The rows must outlive
  // the layout.
  PageLayout(const ListControl& list, const TextRows& rows, int logPixelsX, int logPixelsY);

  // Draws page `page` (from 1) of the list: `title` at the top, the heading
  // row, the page's rows in the list's text and background colours, and the
  // page number. Leaves the context's font as it found it.
  void DrawPage(DeviceContext& dc, const std::string& title, int page, COLORREF textColour,
                COLORREF backgroundColour) const;

 private:
  // Maps the layout onto the printable area, shrinking a page that would
  // run off it; on the screen only the mapping mode is set.
  void MapToPaper(DeviceContext& dc) const;

  const TextRows& m_rows;
  int m_nX = kDefaultScreenDpi;
  int m_nY = kDefaultScreenDpi;
  int m_nRowHeight = 0;
  int m_widths[kColumnCount] = {};
  int m_nTableRight = 0;
  int m_nPageNumberTop = 0;
  int m_nPageNumberBottom = 0;
};

}  // namespace corvella
