#pragma once
// ShellUi: the program's modal user interface. Message boxes come from QtUi;
// the four editors the view asks for are opened here, directly, as the
// dialog classes of the subsystems that own them, with the main window as
// their parent.

#include "platform/qt/qt_ui.h"

namespace corvella {

class ShellUi final : public QtUi {
 public:
  using QtUi::QtUi;

  std::string PromptForText(const std::string& label, const std::string& initial) override;
  std::string ChooseSelection(const std::string& label, const std::string& current,
                              const std::string& choices) override;
  bool EditRequestDialog(EditRequestData& data) override;
  bool SelectTeamPlayer(TeamPlayerChoice& choice) override;
};

}  // namespace corvella
