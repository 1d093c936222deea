#pragma once
// The user interface of a run without a window (printing from the command
// line): every message goes to the standard error stream, and every question
// gets the answer that changes nothing (Cancel, No, no dialog accepted).

#include "platform/ui.h"

namespace corvella {

class ConsoleUi : public Ui {
 public:
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  std::string PromptForText(const std::string&, const std::string&) override { return {}; }
  std::string ChooseSelection(const std::string&, const std::string&, const std::string&) override {
    return {};
  }
  bool EditRequestDialog(EditRequestData&) override { return false; }
  bool SelectTeamPlayer(TeamPlayerChoice&) override { return false; }
};

}  // namespace corvella
