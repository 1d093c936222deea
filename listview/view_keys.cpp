#include "listview/corvella_view.h"

namespace corvella {

void CCorvellaView::OnLButtonDown(unsigned, Point) {}
void CCorvellaView::OnLButtonDblClk(unsigned, Point) {}
void CCorvellaView::OnKeyDown(unsigned, unsigned, unsigned) {}
void CCorvellaView::OnKeyUp(unsigned, unsigned, unsigned) {}
void CCorvellaView::EditCurrentCell() {}

}  // namespace corvella
