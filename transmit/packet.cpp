#include "transmit/packet.h"

#include "listview/corvella_view.h"
#include "platform/profile.h"
#include "requests/corvella_doc.h"

namespace corvella {

std::string ConfiguredSportCode(const AppProfile& profile) {
  const std::string code = SportCodeOfSetting(profile.GetProfileString("REQUEST", "SPORT", "BASKETBALL"));
  return code.empty() ? "BASK" : code;
}

// ---- the view's side ---------------------------------------------------------

void CCorvellaView::AppendPacketHeader(std::string& packet, int number) {
  AppendRequestPacketHeader(packet, number);
}

void CCorvellaView::AppendPacketTrailer(std::string& packet) { AppendRequestPacketTrailer(packet); }

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
  choice.sportCode = ConfiguredSportCode(m_doc.GetProfile());
  if (!m_ui.SelectTeamPlayer(choice)) return;

  m_strPacket = BuildPacket(cells, choice);
}

}  // namespace corvella
