#include "listview/corvella_view.h"

namespace corvella {

void CCorvellaView::AppendPacketHeader(std::string&, int) {}
void CCorvellaView::AppendPacketTrailer(std::string&) {}
void CCorvellaView::BuildRequestPacket() {}
int CCorvellaView::SelectedRowForSend() const { return -1; }

}  // namespace corvella
