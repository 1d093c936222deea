// The view's part of printing and print preview: the page count, the page's
// device context and the drawing of one page (PageLayout,
// listview/print_layout.h).

#include "listview/view_print.h"

#include "listview/corvella_view.h"
#include "listview/print_layout.h"
#include "requests/corvella_doc.h"

namespace corvella {

bool CCorvellaView::OnPreparePrinting(PrintInfo& info) {
  info.minPage = 1;
  info.maxPage = PrintPageCount(m_doc.Requests().Count());
  if (!info.doPreparePrinting) return false;
  return info.doPreparePrinting(info);
}

void CCorvellaView::OnPrepareDC(DeviceContext&, PrintInfo* info) {
  if (info == nullptr) return;  // the screen: nothing to prepare
  m_nPrintPage = info->curPage;
  // Every page comes out in landscape, and the program's printer settings
  // keep that orientation for the rest of the run.
  if (info->setLandscape) info->setLandscape();
}

void CCorvellaView::OnDraw(DeviceContext& dc) {
  const PageLayout layout(GetListCtrl(), m_doc.Requests(), ScreenDpiX(), ScreenDpiY());
  layout.DrawPage(dc, m_doc.GetTitle(), m_nPrintPage, TextColor(), BackgroundColor());
}

}  // namespace corvella
