#include "transmit/packet.h"

#include "listview/corvella_view.h"
#include "requests/corvella_doc.h"

namespace corvella {

// ---- the view's side ---------------------------------------------------------

int CCorvellaView::SelectedRowForSend() const {
  // Only the first row the list reports as selected is looked at; it must be
  // one the operator sees as selected.
  const int row = m_list.GetNextItem(-1, LVNI_SELECTED);
  if (row < 0 || !IsVisiblySelected(row)) return -1;
  return row;
}

void CCorvellaView::BuildRequestPacket() {
  const int row = SelectedRowForSend();
  if (row < 0) return;

  RequestCells cells;
  for (int c = 0; c < kColumnCount; ++c) cells[c] = m_list.GetItemText(row, c);

  TeamPlayerChoice choice;
  choice.teamRequest = IsTeamRequest(cells[COL_TEAM_IND]);
  choice.top3Request = IsTop3Request(cells[COL_TOP3]);
  // The dialog's own document reads the configuration as the program's
  // document does when it is made, with the same message for an illegal
  // sport, which then counts as Basketball.
  const CCorvellaDoc sportSource(m_doc.GetProfile(), m_ui);
  choice.sportCode = sportSource.GetSportFile().substr(0, 4);
  if (!m_ui.SelectTeamPlayer(choice)) return;

  m_strPacket = BuildPacket(cells, choice);
}

}  // namespace corvella
