#include "listview/corvella_view.h"

namespace corvella {

void CCorvellaView::OnSendRequest() {}
void CCorvellaView::DisconnectSignService() {}

}  // namespace corvella
