// The page of the printed request list: its layout from the list's screen
// geometry, the mapping onto paper, and the drawing.

#include "listview/print_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "listview/list_view_ex.h"
#include "platform/list_control.h"
#include "platform/text_rows.h"

namespace corvella {

namespace {

constexpr unsigned kTextFormat = DT_SINGLELINE | DT_BOTTOM | DT_NOCLIP | DT_NOPREFIX;
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

FontSpec PageFont(int height) {
  FontSpec font;
  font.face = "Times New Roman";
  font.height = -height;  // character height
  font.weight = 200;
  return font;
}

// The rule shared by the heading and the rows: neighbouring cells share
// their one-unit black frame lines.
void FrameCell(DeviceContext& dc, const Rect& cell) {
  dc.FrameRect(Rect{cell.left - 1, cell.top - 1, cell.right, cell.bottom}, kBlack);
}

void DrawCellText(DeviceContext& dc, const std::string& text, const Rect& cell, int margin,
                  bool centred) {
  const std::string shown = CListViewEx::ShortenToFit(dc, text, cell.Width(), margin);
  dc.DrawText(shown, Rect{cell.left, cell.top, cell.right, cell.bottom - 1},
              kTextFormat | (centred ? DT_CENTER : DT_LEFT));
}

}  // namespace

PageLayout::PageLayout(const ListControl& list, const TextRows& rows, int logPixelsX,
                       int logPixelsY)
    : m_rows(rows) {
  m_nX = logPixelsX > 0 ? logPixelsX : kDefaultScreenDpi;
  m_nY = logPixelsY > 0 ? logPixelsY : kDefaultScreenDpi;
  const int X = m_nX;
  const int Y = m_nY;

  // Row height and column widths as on the screen: the first row's label
  // gives the height and the first width. Without a first row the list's
  // own row height and column-0 width stand in.
  int h = list.GetRowHeight();
  m_widths[0] = list.GetColumnWidth(0);
  Rect label;
  if (list.GetItemRect(0, label, LVIR_LABEL)) {
    h = std::abs(label.bottom - label.top);
    m_widths[0] = std::abs(label.right - label.left);
  }
  m_nRowHeight = h;
  m_nTableRight = X + m_widths[0];
  for (int k = 1; k < kColumnCount; ++k) {
    ListColumn column;
    m_widths[k] = list.GetColumn(k, column) ? std::abs(column.width) : 0;
    m_nTableRight += m_widths[k];
  }

  // The page number sits 7.5 inches down, or just below a full page's table
  // when the list's rows are too tall for that, so it never covers a row.
  const int fullTableBottom = Y + h + kRowsPerPage * (h + 1);
  m_nPageNumberTop = (15 * Y) / 2;
  if (fullTableBottom >= m_nPageNumberTop) m_nPageNumberTop = fullTableBottom + Y / 6;
  m_nPageNumberBottom = m_nPageNumberTop + Y / 3;
}

// Mapping: X units across and Y units down make an inch on paper, measured
// from the top left corner of the printable area. A page whose table or
// page number would run off the printable area is shrunk, the same in both
// directions, until it fits: no row or column is lost.
void PageLayout::MapToPaper(DeviceContext& dc) const {
  const int X = m_nX;
  const int Y = m_nY;
  dc.SetMapMode(MM_ANISOTROPIC);
  dc.SetViewportOrg(Point{0, 0});
  if (!dc.IsPrinting()) return;
  const int dpiX = dc.GetDeviceCaps(LOGPIXELSX);
  const int dpiY = dc.GetDeviceCaps(LOGPIXELSY);
  Size window{X, Y};
  const double across = static_cast<double>(dc.GetDeviceCaps(HORZRES)) * X / std::max(dpiX, 1);
  const double down = static_cast<double>(dc.GetDeviceCaps(VERTRES)) * Y / std::max(dpiY, 1);
  if (across > 0 && down > 0) {
    const double shrink = std::max(
        {1.0, std::max(10 * X, m_nTableRight + 1) / across, (m_nPageNumberBottom + 1) / down});
    if (shrink > 1.0) {
      window =
          Size{static_cast<int>(std::ceil(X * shrink)), static_cast<int>(std::ceil(Y * shrink))};
    }
  }
  dc.SetWindowExt(window);
  dc.SetViewportExt(Size{dpiX, dpiY});
}

void PageLayout::DrawPage(DeviceContext& dc, const std::string& title, int page,
                          COLORREF textColour, COLORREF backgroundColour) const {
  const int X = m_nX;
  const int Y = m_nY;
  const int h = m_nRowHeight;
  const int* widths = m_widths;
  MapToPaper(dc);

  const FontSpec screenFont = dc.SelectFont(PageFont(18));
  dc.DrawText(title, Rect{X, Y / 3, 7 * X, 2 * (Y / 3)}, kTextFormat | DT_LEFT);

  // Selecting the table font releases the title font.
  dc.SelectFont(PageFont(10));

  // The heading row.
  const COLORREF shade = GetSysColor(COLOR_ACTIVEBORDER);
  Rect cell{X, Y, X + widths[0], Y + h};
  for (int k = 0; k < kColumnCount; ++k) {
    if (k > 0) {
      cell.left = cell.right;
      cell.right = cell.left + widths[k];
    }
    dc.FillSolidRect(cell, shade);
    dc.SetBkColor(shade);
    FrameCell(dc, cell);
    DrawCellText(dc, kPrintHeadings[k], cell, kHeadingMargin, k >= 2);
  }

  // This page's rows.
  const int first = std::max(0, (page - 1) * kRowsPerPage);
  const int last = std::min(page * kRowsPerPage, m_rows.Count());
  int bottom = cell.bottom;
  for (int row = first; row < last; ++row) {
    cell = Rect{X, bottom + 1, X + widths[0], bottom + 1 + h};
    for (int i = 0; i < kColumnCount; ++i) {
      if (i > 0) {
        cell.left = cell.right;
        cell.right = cell.left + widths[i];
      }
      if (i == 0) {
        dc.FillSolidRect(cell, shade);
        dc.SetBkColor(shade);
      } else {
        dc.SetTextColor(textColour);
        dc.SetBkColor(backgroundColour);
        dc.FillSolidRect(cell, backgroundColour);
      }
      FrameCell(dc, cell);
      std::string text = m_rows.Text(row, i);
      if (text.size() > kPrintCellLimit) text.resize(kPrintCellLimit);
      if (!text.empty()) DrawCellText(dc, text, cell, kCellMargin, i >= 2);
    }
    bottom = cell.bottom;
  }

  // The page number near the lower right corner.
  dc.SetBkColor(kWhite);
  dc.DrawText("Page " + std::to_string(page),
              Rect{9 * X, m_nPageNumberTop, 10 * X, m_nPageNumberBottom}, kTextFormat | DT_LEFT);

  // Back to the font the context had.
  dc.SelectFont(screenFont);
}

}  // namespace corvella
