#pragma once
// CChooseSelectionDlg: "Choose Appropriate Selection", a drop-down list built
// from a comma-separated text; the caption names what is chosen ("Select "
// followed by the title). The entry beginning with the current value is
// preselected; OK with nothing selected gives an empty choice.
//
// Widgets carry object names, which tests use to find them:
//   selectionComboBox, okPushButton, cancelPushButton.

#include <string>
#include <vector>

#include "platform/qt/dialog_support.h"

class QComboBox;
class QPushButton;
class QWidget;

namespace corvella {

class CChooseSelectionDlg : public ModalDialog {
 public:
  explicit CChooseSelectionDlg(QWidget* parent = nullptr);

  // OK: the selected entry's text becomes the choice ("" when none is).
  void accept() override;

  // Set by the caller before the dialog runs.
  std::string m_strTitle;    // what is being chosen, e.g. "Sign Number"
  std::string m_strChoices;  // the entries, separated by commas
  std::string m_strCurrent;  // the value to preselect
  // The result after OK.
  std::string m_strChosen;

 protected:
  // Sets the caption, fills the list and preselects; runs once, before the
  // first showing.
  void OnInitDialog() override;

 private:
  std::vector<std::string> m_entries;  // the list's entries, as bytes
  QComboBox* m_list = nullptr;
  QPushButton* m_ok = nullptr;
  QPushButton* m_cancel = nullptr;
};

// Runs the dialog (the hook of the Qt user interface): the chosen entry on
// OK, an empty text on Cancel or when nothing was selected.
std::string RunChooseSelectionDialog(QWidget* parent, const std::string& label,
                                     const std::string& current, const std::string& choices);

}  // namespace corvella
