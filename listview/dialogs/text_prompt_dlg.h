#pragma once
// CTextPromptDlg: asks for one line of text, at most 40 characters, under
// the title "Enter " followed by the label.
//
// Object names for tests: promptLineEdit, okPushButton, cancelPushButton.

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;
class QWidget;

namespace corvella {

class CTextPromptDlg : public QDialog {
 public:
  explicit CTextPromptDlg(QWidget* parent = nullptr);

  // Runs the dialog modally; true when it ended with OK.
  bool DoModal();

  // OK: the length check, then the dialog ends; a failing check keeps it
  // open with the focus on the edit.
  void accept() override;

  std::string m_strLabel;  // set before the dialog runs
  std::string m_strValue;  // in: the initial text; out: the text entered

  static constexpr int kMaxChars = 40;

 protected:
  // Fills the edit and sets the title; runs once, before the first showing.
  virtual void OnInitDialog();
  void showEvent(QShowEvent* event) override;

 private:
  bool m_bInitialised = false;
  QLineEdit* m_text = nullptr;
  QPushButton* m_ok = nullptr;
  QPushButton* m_cancel = nullptr;
};

// Runs the text prompt (the hook of the Qt user interface): the text
// entered on OK, an empty text on Cancel.
std::string RunTextPromptDialog(QWidget* parent, const std::string& label,
                                const std::string& initial);

}  // namespace corvella
