#include "listview/corvella_view.h"

#include "requests/corvella_doc.h"

namespace corvella {

CCorvellaView::CCorvellaView(CCorvellaDoc& doc, Ui& ui) : m_doc(doc), m_ui(ui) {
  for (int c = 0; c < kColumnCount; ++c) m_strKeyNames[c] = kColumns[c].key;
}

CCorvellaView::~CCorvellaView() { DisconnectSignService(); }

void CCorvellaView::SetupColumns() {}
void CCorvellaView::RenumberRows() {}
int CCorvellaView::ProcessSelectedRows(bool, bool) { return 0; }
void CCorvellaView::OnDeleteRequest() {}
void CCorvellaView::OnAddRequest() {}
void CCorvellaView::OnEditRequest() {}
void CCorvellaView::OnInsertRequest() {}
void CCorvellaView::OnUpdateDeleteRequest(CCmdUI* pCmdUI) { pCmdUI->Enable(false); }
void CCorvellaView::OnUpdateAddRequest(CCmdUI* pCmdUI) { pCmdUI->Enable(true); }
void CCorvellaView::OnUpdateSingleRequest(CCmdUI* pCmdUI) { pCmdUI->Enable(false); }
void CCorvellaView::OnRButtonDown(unsigned, Point) {}
bool CCorvellaView::ControlDown() const { return false; }

}  // namespace corvella
