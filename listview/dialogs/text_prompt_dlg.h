#pragma once
// CTextPromptDlg: asks for one line of text under the title "Enter "
// followed by the label. It takes at most the characters a cell keeps
// (kMaxChars) and says how many are typed; a character a request cannot hold
// (outside Windows-1252, or the clipboard's field separator) is refused with
// a message naming it.
//
// Object names for tests: promptLineEdit, hintLabel, okPushButton,
// cancelPushButton.

#include <string>

#include "platform/qt/dialog_support.h"
#include "requests/request_file.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace corvella {

class CTextPromptDlg : public ModalDialog {
 public:
  explicit CTextPromptDlg(QWidget* parent = nullptr);

  // OK: the length check, then the dialog ends; a failing check keeps it
  // open with the focus on the edit.
  void accept() override;

  std::string m_strLabel;  // set before the dialog runs
  std::string m_strValue;  // in: the initial text; out: the text entered

  // What a cell keeps and a request file gives back.
  static constexpr int kMaxChars = static_cast<int>(kMaxRequestValue);

 protected:
  // Fills the edit and sets the title; runs once, before the first showing.
  void OnInitDialog() override;

 private:
  QLineEdit* m_text = nullptr;
  QLabel* m_hint = nullptr;
  QPushButton* m_ok = nullptr;
  QPushButton* m_cancel = nullptr;
};

// Runs the text prompt (the hook of the Qt user interface): the text
// entered on OK, an empty text on Cancel.
std::string RunTextPromptDialog(QWidget* parent, const std::string& label,
                                const std::string& initial);

}  // namespace corvella
