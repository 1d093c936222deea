#pragma once
// Command identifiers and the enabling interface the update handlers fill.

#include <string>
#include <utility>

namespace corvella {

// Asked by an update handler whether a command is available now.
class CCmdUI {
 public:
  explicit CCmdUI(unsigned id) : m_nID(id) {}
  void Enable(bool on = true) { m_bEnabled = on; }
  void SetCheck(int check = 1) { m_nCheck = check; }
  // A menu text for the command of the moment ("Undo Delete 3 Requests"),
  // in place of the table's; empty: the table's.
  void SetText(std::string text) { m_strText = std::move(text); }
  bool IsEnabled() const { return m_bEnabled; }
  int GetCheck() const { return m_nCheck; }
  const std::string& GetText() const { return m_strText; }
  unsigned m_nID;

 private:
  bool m_bEnabled = true;
  int m_nCheck = 0;
  std::string m_strText;
};

enum : unsigned {
  ID_SPORT_BASEBALL = 32772,
  ID_SPORT_BASKETBALL = 32773,
  ID_SPORT_FOOTBALL = 32774,
  ID_SPORT_HOCKEY = 32775,
  ID_SPORT_SOCCER = 32776,
  ID_SPORT_VOLLEYBALL = 32777,
  ID_EDIT_REQUEST = 32778,
  ID_DELETE_REQUEST = 32779,
  ID_ADD_REQUEST = 32780,
  ID_SEND_REQUEST = 32781,
  ID_INSERT_REQUEST = 32782,
  ID_VIEW_SEND_LOG = 32783,
  ID_REPEAT_OUTCOMES = 32784,
  ID_FILE_NEW = 57600,
  ID_FILE_OPEN = 57601,
  ID_FILE_SAVE = 57603,
  ID_FILE_PRINT_SETUP = 57606,
  ID_FILE_PRINT = 57607,
  ID_FILE_PRINT_DIRECT = 57608,
  ID_FILE_PRINT_PREVIEW = 57609,
  ID_EDIT_COPY = 57634,
  ID_EDIT_CUT = 57635,
  ID_EDIT_PASTE = 57637,
  ID_EDIT_UNDO = 57643,
  ID_EDIT_REDO = 57644,
  ID_APP_ABOUT = 57664,
  ID_APP_EXIT = 57665,
  ID_HELP_FINDER = 57667,
  ID_CONTEXT_HELP = 57669,
  ID_HELP = 57670,
  ID_NEXT_PANE = 57680,
  ID_PREV_PANE = 57681,
  ID_VIEW_TOOLBAR = 59392,
  ID_VIEW_STATUS_BAR = 59393,
};

}  // namespace corvella
