#include "support/scripted_ui.h"

#include <algorithm>
#include <cctype>

namespace corvella {

std::vector<ScriptedUi::Call> ScriptedUi::Messages() const {
  std::vector<Call> out;
  for (const Call& c : calls) {
    if (c.kind == Kind::Message) out.push_back(c);
  }
  return out;
}

std::vector<std::string> ScriptedUi::MessageTexts() const {
  std::vector<std::string> out;
  for (const Call& c : calls) {
    if (c.kind == Kind::Message) out.push_back(c.text);
  }
  return out;
}

int ScriptedUi::CountMessages() const { return CountCalls(Kind::Message); }

int ScriptedUi::CountMessages(const std::string& text) const {
  return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const Call& c) {
    return c.kind == Kind::Message && c.text == text;
  }));
}

int ScriptedUi::CountCalls(Kind kind) const {
  return static_cast<int>(
      std::count_if(calls.begin(), calls.end(), [&](const Call& c) { return c.kind == kind; }));
}

void ScriptedUi::ClearRecord() {
  calls.clear();
  editRequestsShown.clear();
  teamPlayersShown.clear();
}

int ScriptedUi::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  if (whileAsked) whileAsked(text);
  int answer = 0;
  if (!messageAnswers.empty()) {
    answer = messageAnswers.front();
    messageAnswers.pop_front();
  } else {
    const unsigned buttons = flags & 0x0F;
    answer = (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) ? IDYES : IDOK;
  }
  Call call;
  call.kind = Kind::Message;
  call.text = text;
  call.caption = caption;
  call.flags = flags;
  call.result = answer;
  calls.push_back(call);
  return answer;
}

int ScriptedUi::MessageBoxWithDetail(const std::string& text, const std::string& detail,
                                     const std::string& caption, unsigned flags) {
  const int answer = MessageBox(text, caption, flags);
  calls.back().detail = detail;
  return answer;
}

std::string ScriptedUi::PromptForText(const std::string& label, const std::string& initial) {
  std::string answer = initial;
  if (!promptAnswers.empty()) {
    answer = promptAnswers.front();
    promptAnswers.pop_front();
  }
  Call call;
  call.kind = Kind::Prompt;
  call.text = label;
  call.caption = initial;
  call.result = answer.empty() ? 0 : 1;
  call.answer = answer;
  calls.push_back(call);
  return answer;
}

std::string ScriptedUi::Preselected(const std::string& current, const std::string& choices) {
  if (current.empty()) return {};
  std::size_t start = 0;
  while (start <= choices.size()) {
    std::size_t end = choices.find(',', start);
    if (end == std::string::npos) end = choices.size();
    const std::string entry = choices.substr(start, end - start);
    if (entry.size() >= current.size() &&
        std::equal(current.begin(), current.end(), entry.begin(), [](char a, char b) {
          return std::toupper(static_cast<unsigned char>(a)) ==
                 std::toupper(static_cast<unsigned char>(b));
        })) {
      return entry;
    }
    start = end + 1;
  }
  return {};
}

std::string ScriptedUi::ChooseSelection(const std::string& label, const std::string& current,
                                        const std::string& choices) {
  std::string answer;
  if (!selectionAnswers.empty()) {
    answer = selectionAnswers.front();
    selectionAnswers.pop_front();
  } else {
    answer = Preselected(current, choices);
  }
  Call call;
  call.kind = Kind::Selection;
  call.text = label;
  call.caption = current;
  call.choices = choices;
  call.result = answer.empty() ? 0 : 1;
  call.answer = answer;
  calls.push_back(call);
  return answer;
}

bool ScriptedUi::EditRequestDialog(EditRequestData& data) {
  editRequestsShown.push_back(data);
  bool ok = true;
  if (!editRequestAnswers.empty()) {
    auto handler = std::move(editRequestAnswers.front());
    editRequestAnswers.pop_front();
    ok = handler ? handler(data) : true;
  }
  Call call;
  call.kind = Kind::EditRequest;
  call.text = data.requestNumber;
  call.result = ok ? 1 : 0;
  calls.push_back(call);
  return ok;
}

bool ScriptedUi::SelectTeamPlayer(TeamPlayerChoice& choice) {
  teamPlayersShown.push_back(choice);
  bool ok = true;
  if (!teamPlayerAnswers.empty()) {
    auto handler = std::move(teamPlayerAnswers.front());
    teamPlayerAnswers.pop_front();
    ok = handler ? handler(choice) : true;
  } else if (choice.side < 0) {
    choice.side = 0;  // the dialog starts with Home selected
  }
  Call call;
  call.kind = Kind::TeamPlayer;
  call.text = choice.sportCode;
  call.result = ok ? 1 : 0;
  calls.push_back(call);
  return ok;
}

}  // namespace corvella
