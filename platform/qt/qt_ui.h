#pragma once
// QtUi: the modal user interface on Qt. Message boxes are real QMessageBoxes;
// the four editors the view asks for are dialog classes of the subsystems
// that own them, reached through hooks the application installs, so this
// layer depends on none of them. A hook left empty answers Cancel.

#include <functional>
#include <string>

#include "platform/ui.h"

class QWidget;

namespace corvella {

class QtUi : public Ui {
 public:
  // `parent` owns the dialogs' placement (the main window); it may be set
  // later, before that the boxes are top-level windows.
  explicit QtUi(QWidget* parent = nullptr) : m_parent(parent) {}

  void SetParent(QWidget* parent) { m_parent = parent; }

  // ---- editor hooks (set by the application) ---------------------------------
  // Each receives the parent window and the arguments of the Ui call.
  std::function<std::string(QWidget*, const std::string& label, const std::string& initial)>
      promptForText;
  std::function<std::string(QWidget*, const std::string& label, const std::string& current,
                            const std::string& choices)>
      chooseSelection;
  std::function<bool(QWidget*, EditRequestData&)> editRequestDialog;
  std::function<bool(QWidget*, TeamPlayerChoice&)> selectTeamPlayer;

  // ---- implements Ui -----------------------------------------------------------
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  std::string PromptForText(const std::string& label, const std::string& initial) override;
  std::string ChooseSelection(const std::string& label, const std::string& current,
                              const std::string& choices) override;
  bool EditRequestDialog(EditRequestData& data) override;
  bool SelectTeamPlayer(TeamPlayerChoice& choice) override;

 private:
  QWidget* m_parent;
};

}  // namespace corvella
