#include "listview/corvella_view.h"

namespace corvella {

void CCorvellaView::OnEditCopy() {}
void CCorvellaView::OnEditCut() {}
void CCorvellaView::OnEditPaste() {}
void CCorvellaView::OnUpdateEditPaste(CCmdUI* pCmdUI) { pCmdUI->Enable(false); }

}  // namespace corvella
