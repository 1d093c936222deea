#include "listview/corvella_view.h"

namespace corvella {

bool CCorvellaView::OnPreparePrinting(PrintInfo&) { return false; }
void CCorvellaView::OnPrepareDC(DeviceContext&, PrintInfo*) {}
void CCorvellaView::OnDraw(DeviceContext&) {}

}  // namespace corvella
