#pragma once
// CEditRequestDlg: the Edit Request dialog, all twelve editable fields of one
// request at once. The caller fills the members (SetData), runs the dialog
// and, only when it ended with OK, takes the members back (GetData).
//
// Widgets carry object names, which tests use to find them:
//   requestNumberLabel, descriptionLineEdit, typeComboBox, top3ComboBox,
//   styleComboBox, signLineEdit, signUpDown, displayModeComboBox,
//   timesLineEdit, timesUpDown, driveComboBox, libraryLineEdit,
//   sequenceLineEdit, frameLineEdit, frameUpDown, offsetLineEdit,
//   offsetUpDown, hintLabel, okPushButton, cancelPushButton.
//
// The text edits refuse what a request cannot hold (characters outside
// Windows-1252, the clipboard's field separator, more characters than
// their limit); the hint label names a refused character and counts the
// characters of the text edit being typed in.

#include <string>

#include "platform/qt/dialog_support.h"
#include "platform/ui.h"
#include "requests/request_file.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace corvella {

class UpDownControl;

class CEditRequestDlg : public ModalDialog {
 public:
  explicit CEditRequestDlg(QWidget* parent = nullptr);

  // The members from and into the request data (texts in the dialog's long
  // form, "Individual", "Continuous" ...).
  void SetData(const EditRequestData& data);
  EditRequestData GetData() const;

  // The data exchange. Into the controls: every member, a list's text
  // selecting the first entry that begins with it (case-insensitive). Out of
  // the controls with the checks, in the dialog's order; the first failing
  // check shows its message, puts the focus on its control and stops the
  // exchange (false).
  bool UpdateData(bool bSaveAndValidate = true);

  // OK: the checks, then the dialog ends; a failing check keeps it open.
  void accept() override;

  // The dialog's data, in the program's 8-bit texts.
  std::string m_strRequestNumber;
  std::string m_strDescription;
  std::string m_strType;
  std::string m_strTop3;
  std::string m_strStyle;
  int m_nSign = 1;
  std::string m_strDisplayMode;
  int m_nTimes = 1;
  std::string m_strDrive;
  std::string m_strLibrary;
  std::string m_strSequence;
  int m_nFrame = 0;
  int m_nOffset = 0;
  bool m_bFootball = false;  // set by the caller before the dialog runs

  // Limits of the checks on OK. A description takes what a cell keeps and a
  // request file gives back, so a description loaded from a file is never
  // refused when only another field was changed.
  static constexpr int kMaxDescription = static_cast<int>(kMaxRequestValue);
  static constexpr int kMaxName = 8;

 protected:
  // Fills the controls, disables the lists that must stay closed, sets the
  // up-down ranges and applies the type and display-mode rules. Runs once,
  // before the dialog is first shown.
  void OnInitDialog() override;
  // The type rule: in Football a team request has no Top 3 statistic.
  void OnSelchangeType();
  // The display-mode rule: the mode decides which of Times and Frame apply.
  void OnSelchangeDisplayMode();

 private:
  // The controls with their object names and typing limits.
  void CreateControls();
  // The layout in dialog units, grown where the style needs more room.
  void PlaceControls();
  // Reads the controls into the members for a rule: every member whose
  // check passes is taken; the first failing check shows its message.
  void ReadForRule();
  // Reads one control into its member; on failure returns false with the
  // message and the control to focus.
  bool ExchangeOne(int step, QString* message, QWidget** control);
  // Applies the display-mode rule to the members and the enabled states.
  void ApplyDisplayModeRule();
  // Writes a count the display-mode rule decides into its edit (`before`
  // and `after` are its member before and after the rule).
  void ShowRuleCount(QLineEdit* edit, int before, int after);

  QLabel* m_requestNumber = nullptr;
  QLineEdit* m_description = nullptr;
  QComboBox* m_type = nullptr;
  QComboBox* m_top3 = nullptr;
  QComboBox* m_style = nullptr;
  QLineEdit* m_sign = nullptr;
  UpDownControl* m_signSpin = nullptr;
  QComboBox* m_displayMode = nullptr;
  QLineEdit* m_times = nullptr;
  UpDownControl* m_timesSpin = nullptr;
  QComboBox* m_drive = nullptr;
  QLineEdit* m_library = nullptr;
  QLineEdit* m_sequence = nullptr;
  QLineEdit* m_frame = nullptr;
  UpDownControl* m_frameSpin = nullptr;
  QLineEdit* m_offset = nullptr;
  UpDownControl* m_offsetSpin = nullptr;
  QLabel* m_hint = nullptr;
  QPushButton* m_ok = nullptr;
  QPushButton* m_cancel = nullptr;
};

// Runs the Edit Request dialog over `data` (the hook of the Qt user
// interface); true and the accepted values in `data` when it ended with OK.
bool RunEditRequestDialog(QWidget* parent, EditRequestData& data);

}  // namespace corvella
