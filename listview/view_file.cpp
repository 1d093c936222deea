#include "listview/corvella_view.h"

namespace corvella {

void CCorvellaView::OnInitialUpdate() {}
void CCorvellaView::UpdateFilePath() {}
void CCorvellaView::SaveRequests() {}
int CCorvellaView::CountRequests() const { return 0; }
void CCorvellaView::LoadRequests(int) {}
void CCorvellaView::OnSportFootball() {}
void CCorvellaView::OnSportBasketball() {}
void CCorvellaView::OnUpdateSportFootball(CCmdUI* pCmdUI) { pCmdUI->Enable(false); }
void CCorvellaView::OnUpdateSportBasketball(CCmdUI* pCmdUI) { pCmdUI->Enable(false); }
bool CCorvellaView::IsFootball() const { return false; }

}  // namespace corvella
