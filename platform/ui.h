#pragma once
// The modal user interface the request program's logic calls: message boxes
// and the small modal editors. The Qt implementation (platform/qt) shows real
// dialogs; tests install a scripted implementation that answers from a queue
// and records every message.

#include <string>

namespace corvella {

// Message box flags and results.
enum : unsigned {
  MB_OK = 0x0000,
  MB_OKCANCEL = 0x0001,
  MB_YESNOCANCEL = 0x0003,
  MB_YESNO = 0x0004,
  MB_ICONSTOP = 0x0010,
  MB_ICONERROR = 0x0010,
  MB_ICONQUESTION = 0x0020,
  MB_ICONEXCLAMATION = 0x0030,
  MB_ICONINFORMATION = 0x0040,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// What the Edit Request dialog shows and returns; texts in the dialog's long
// form where the dialog lists them ("Individual", "Continuous" ...).
struct EditRequestData {
  std::string requestNumber;
  std::string description;
  std::string type;
  std::string top3;
  std::string style;
  int sign = 1;
  std::string displayMode;
  int times = 1;
  std::string drive;
  std::string library;
  std::string sequence;
  int frame = 0;
  int offset = 0;
  bool football = false;  // m_bFootball
};

// What the Select Desired Team/Player dialog is given and returns.
struct TeamPlayerChoice {
  int request = 0;           // the request being sent: its number, from 1
  std::string description;   // and its Description, for the dialog to name it
  bool teamRequest = false;  // the row's Team/Ind is exactly "T"
  bool top3Request = false;  // the row's Top 3 is not exactly "N"
  std::string sportCode;     // configured sport, e.g. "BASK"
  int side = -1;             // out: 0 Home, 1 Visitor, 2 Both
  int playerNumber = 0;      // out: 0..99
};

class Ui {
 public:
  virtual ~Ui() = default;

  // Returns IDOK, IDCANCEL, IDYES or IDNO. An empty caption means the
  // program title ("Corvella").
  virtual int MessageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;
  // The same with a line of detail under the text (what a question is about,
  // such as how many requests a Delete removes), where the box can show it.
  virtual int MessageBoxWithDetail(const std::string& text, const std::string& detail,
                                   const std::string& caption, unsigned flags) {
    (void)detail;
    return MessageBox(text, caption, flags);
  }

  // A message that holds back nothing: shown without waiting for its
  // answer, so the program goes on (other sends, a close) while it stands.
  // An implementation that can only ask modally may ask.
  virtual void ShowNotice(const std::string& text, const std::string& detail,
                          const std::string& caption, unsigned flags) {
    MessageBoxWithDetail(text, detail, caption, flags);
  }

  // One line of text, at most 40 characters; the dialog's title is "Enter "
  // followed by `label`. Empty on Cancel.
  virtual std::string PromptForText(const std::string& label, const std::string& initial) = 0;

  // "Choose Appropriate Selection" with a drop-down list built from the
  // comma-separated `choices`; title "Select " + label. Empty on Cancel or
  // when nothing is selected.
  virtual std::string ChooseSelection(const std::string& label, const std::string& current,
                                      const std::string& choices) = 0;

  // The Edit Request dialog; true when it ended with OK (data then holds the
  // accepted values).
  virtual bool EditRequestDialog(EditRequestData& data) = 0;

  // The Select Desired Team/Player dialog; true on OK.
  virtual bool SelectTeamPlayer(TeamPlayerChoice& choice) = 0;
};

}  // namespace corvella
