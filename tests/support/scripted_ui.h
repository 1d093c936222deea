#pragma once
// Test seam: a Ui that answers from queues of scripted answers and records
// every call, so tests can check each message text, caption and flag set and
// each dialog the program opened, in order.
//
// When a queue is empty the answer is what pressing the default button
// (Enter) would give:
//   MessageBox        IDYES for MB_YESNO and MB_YESNOCANCEL, IDOK otherwise
//   PromptForText     the initial text, unchanged (OK)
//   ChooseSelection   the entry the dialog preselects: the first choice that
//                     begins with `current` (case-insensitive) when `current`
//                     is not empty; else "" (nothing selected)
//   EditRequestDialog OK, data unchanged
//   SelectTeamPlayer  OK; side 0 (Home) when it was -1, player number kept
// A scripted prompt or selection answer of "" means Cancel.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace corvella {

class ScriptedUi : public Ui {
 public:
  enum class Kind { Message, Prompt, Selection, EditRequest, TeamPlayer };

  // One call the program made, with what it was told and what it got back.
  struct Call {
    Kind kind = Kind::Message;
    std::string text;     // message text, or the prompt/selection label
    std::string detail;   // the message's line of detail
    std::string caption;  // message caption, or the initial/current text
    unsigned flags = 0;   // MB_ flags (messages only)
    std::string choices;  // selection choices
    int result = 0;       // message answer; 1/0 for OK/Cancel of the dialogs
    std::string answer;   // prompt or selection answer
  };

  // ---- scripting ---------------------------------------------------------------
  ScriptedUi& AnswerMessage(int id) {
    messageAnswers.push_back(id);
    return *this;
  }
  ScriptedUi& AnswerPrompt(std::string text) {
    promptAnswers.push_back(std::move(text));
    return *this;
  }
  ScriptedUi& AnswerSelection(std::string text) {
    selectionAnswers.push_back(std::move(text));
    return *this;
  }
  // The handler edits the data and returns true for OK, false for Cancel.
  ScriptedUi& AnswerEditRequest(std::function<bool(EditRequestData&)> handler) {
    editRequestAnswers.push_back(std::move(handler));
    return *this;
  }
  ScriptedUi& AnswerTeamPlayer(std::function<bool(TeamPlayerChoice&)> handler) {
    teamPlayerAnswers.push_back(std::move(handler));
    return *this;
  }

  std::deque<int> messageAnswers;
  // Test seam: runs with each message's text before it is answered, as the
  // operator would take time to answer.
  std::function<void(const std::string&)> whileAsked;
  std::deque<std::string> promptAnswers;
  std::deque<std::string> selectionAnswers;
  std::deque<std::function<bool(EditRequestData&)>> editRequestAnswers;
  std::deque<std::function<bool(TeamPlayerChoice&)>> teamPlayerAnswers;

  // ---- what happened --------------------------------------------------------------
  std::vector<Call> calls;
  // The data each Edit Request dialog was opened with, in order.
  std::vector<EditRequestData> editRequestsShown;
  // What each Select Desired Team/Player dialog was given, in order.
  std::vector<TeamPlayerChoice> teamPlayersShown;

  // Only the message boxes, in order.
  std::vector<Call> Messages() const;
  std::vector<std::string> MessageTexts() const;
  int CountMessages() const;
  // Number of message boxes with exactly this text.
  int CountMessages(const std::string& text) const;
  int CountCalls(Kind kind) const;
  // Forgets calls and records, keeps unused answers.
  void ClearRecord();

  // ---- implements Ui -------------------------------------------------------------
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  int MessageBoxWithDetail(const std::string& text, const std::string& detail,
                           const std::string& caption, unsigned flags) override;
  std::string PromptForText(const std::string& label, const std::string& initial) override;
  std::string ChooseSelection(const std::string& label, const std::string& current,
                              const std::string& choices) override;
  bool EditRequestDialog(EditRequestData& data) override;
  bool SelectTeamPlayer(TeamPlayerChoice& choice) override;

  // The entry the selection dialog preselects for `current` ("" for none).
  static std::string Preselected(const std::string& current, const std::string& choices);
};

}  // namespace corvella
