#include "shell/shell_ui.h"

#include "listview/dialogs/choose_selection_dlg.h"
#include "listview/dialogs/edit_request_dlg.h"
#include "listview/dialogs/text_prompt_dlg.h"
#include "transmit/dialogs/select_team_player_dlg.h"

namespace corvella {

std::string ShellUi::PromptForText(const std::string& label, const std::string& initial) {
  ReturnActivation back(ParentWindow());
  return RunTextPromptDialog(ParentWindow(), label, initial);
}

std::string ShellUi::ChooseSelection(const std::string& label, const std::string& current,
                                     const std::string& choices) {
  ReturnActivation back(ParentWindow());
  return RunChooseSelectionDialog(ParentWindow(), label, current, choices);
}

bool ShellUi::EditRequestDialog(EditRequestData& data) {
  ReturnActivation back(ParentWindow());
  return RunEditRequestDialog(ParentWindow(), data);
}

bool ShellUi::SelectTeamPlayer(TeamPlayerChoice& choice) {
  ReturnActivation back(ParentWindow());
  return RunSelectTeamPlayerDialog(ParentWindow(), choice);
}

}  // namespace corvella
