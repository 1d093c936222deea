#pragma once
// The field checks of the request list (CCorvellaView::ValidateField hands
// every cell to a FieldValidator): one check per column from Team/Ind to
// Offset.
//
// Each check takes the cell text in and out, the row whose other cells its
// cross-column rules read and change, and whether to show its messages. It
// returns 1 (valid, perhaps normalised), 0 (rejected) or -1 (replaced by a
// fallback or corrected by a rule). Three callers use them:
//   editing a cell     loading mode off, messages on:  a bad value is rejected
//   filling from file  loading mode on,  messages on:  a bad value is replaced
//   the save pass      loading mode off, messages off: a bad value stays
// The sport message and the Team/Ind question of Top 3 are shown whatever the
// show-messages argument says.

#include <string>

namespace corvella {

class CCorvellaDoc;
class ListControl;
class Ui;

class FieldValidator {
 public:
  // Checks cells of `list`, asking and telling through `ui`; `loading` picks
  // the loading mode, `football` allows Top 3 statistics. The list and the
  // UI must outlive the validator.
  FieldValidator(ListControl& list, Ui& ui, bool loading, bool football);

  // Routes the cell text of `column` to its check; "#" and Description are
  // not checked (0).
  int ValidateField(std::string& value, int row, bool showMessage, int column);

 private:
  int ValidateTeamInd(std::string& value, int row, bool showMessage);
  int ValidateTop3(std::string& value, int row, bool showMessage);
  int ValidateGameSeason(std::string& value, int row, bool showMessage);
  int ValidateSignNumber(std::string& value, int row, bool showMessage);
  int ValidateDisplayMode(std::string& value, int row, bool showMessage);
  int ValidateTimesToDisplay(std::string& value, int row, bool showMessage);
  int ValidateDrive(std::string& value, int row, bool showMessage);
  int ValidateLibrary(std::string& value, int row, bool showMessage);
  int ValidateSequence(std::string& value, int row, bool showMessage);
  int ValidateFrame(std::string& value, int row, bool showMessage);
  int ValidateOffset(std::string& value, int row, bool showMessage);
  // The "Field <n>" message, shown when `showMessage`; and the fallback
  // while loading (-1) or the rejection otherwise (0).
  void FieldMessage(const char* text, int row, bool showMessage);
  int RejectOrReplace(std::string& value, const char* fallback) const;

  ListControl& m_list;
  Ui& m_ui;
  bool m_bLoading;
  bool m_bFootball;
};

// The field checks as the request list runs them: in the loading mode of
// the moment, for the sport the document shows, noting when a load replaced
// a value.
class FieldChecks {
 public:
  // `list`, `ui` and `doc` must outlive the checks.
  FieldChecks(ListControl& list, Ui& ui, const CCorvellaDoc& doc);

  // FieldValidator::ValidateField in the mode of the moment.
  int ValidateField(std::string& value, int row, bool showMessage, int column);

  // Loading mode: a bad value is replaced instead of rejected. On from the
  // start until the first load has filled the list.
  bool IsLoading() const { return m_bLoading; }
  void SetLoading(bool loading) { m_bLoading = loading; }
  // A check in loading mode replaced a value since ForgetCorrections: the
  // list differs from its file although nobody edited it.
  bool CorrectedOnLoad() const { return m_bCorrectedOnLoad; }
  void ForgetCorrections() { m_bCorrectedOnLoad = false; }

 private:
  ListControl& m_list;
  Ui& m_ui;
  const CCorvellaDoc& m_doc;
  bool m_bLoading = true;
  bool m_bCorrectedOnLoad = false;
};

}  // namespace corvella
