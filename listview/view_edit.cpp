#include "listview/corvella_view.h"

#include "platform/ui.h"

namespace corvella {

void CCorvellaView::EditRequest(int, bool) {}
std::string CCorvellaView::PromptForText(const std::string& label, const std::string& initial) {
  return m_ui.PromptForText(label, initial);
}
std::string CCorvellaView::ChooseSelection(const std::string& label, const std::string& current,
                                           const std::string& choices) {
  return m_ui.ChooseSelection(label, current, choices);
}

}  // namespace corvella
