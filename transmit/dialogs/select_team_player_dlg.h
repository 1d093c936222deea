#pragma once
// CSelectTeamPlayerDlg: "Select Desired Team/Player", shown at every send.
// Asks which team the statistic is for (Home, Visitor, Both) and, for an
// individual request, the player number 0 to 99. Both is offered for top-3
// requests and for team requests of every sport but Basketball; the player
// number only for individual requests that are not top-3.
//
// Above the choices a line names the request that goes out ("Request 2:
// Rebound Leaders"), so the operator sees which one it is.
//
// Widgets carry object names, which tests use to find them:
//   requestLabel, whichTeamGroupBox, homeRadioButton, visitorRadioButton, bothRadioButton,
//   playerNumberLabel, playerNumberLineEdit, playerSpinUp (with its
//   upToolButton and downToolButton), okPushButton, cancelPushButton.

#include <string>

#include "platform/qt/dialog_support.h"
#include "platform/ui.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace corvella {

class UpDownControl;

class CSelectTeamPlayerDlg : public ModalDialog {
 public:
  explicit CSelectTeamPlayerDlg(QWidget* parent = nullptr);

  // OK: the player number must read as an integer from 0 to 99 (also when
  // its edit is disabled); otherwise a message says so and the dialog stays
  // open. Then the side and the number are taken and the dialog ends.
  void accept() override;

  // Set by the caller before the dialog runs.
  int m_nRequest = 0;            // the request's number; 0: no request line
  std::string m_strDescription;  // its Description (Windows-1252)
  bool m_bTeamRequest = false;   // the row's "Team/Ind" is exactly "T"
  bool m_bTop3Request = false;   // the row's "Top 3" is not exactly "N"
  std::string m_strSportCode;    // configured sport; "BASK" (any case) is Basketball
  // Exchanged with the controls.
  int m_nPlayerNumber = 0;  // 0 to 99 after OK
  int m_nSide = -1;         // 0 Home, 1 Visitor, 2 Both; -1 no choice

  static constexpr int kLowestPlayer = 0;
  static constexpr int kHighestPlayer = 99;

 protected:
  // Fills the controls, selects Home and enables what the request allows;
  // runs once, before the first showing.
  void OnInitDialog() override;

 private:
  QLabel* m_request = nullptr;
  QButtonGroup* m_sides = nullptr;
  QRadioButton* m_home = nullptr;
  QRadioButton* m_visitor = nullptr;
  QRadioButton* m_both = nullptr;
  QLineEdit* m_player = nullptr;
  UpDownControl* m_spin = nullptr;  // wraps from 99 to 0 and back
  QPushButton* m_ok = nullptr;
  QPushButton* m_cancel = nullptr;
};

// Runs the dialog for `choice` (the hook of the Qt user interface): on OK
// fills choice.side and choice.playerNumber and returns true; on Cancel
// leaves them and returns false.
bool RunSelectTeamPlayerDialog(QWidget* parent, TeamPlayerChoice& choice);

}  // namespace corvella
