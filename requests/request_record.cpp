#include "requests/request_record.h"

#include "platform/list_control.h"
#include "platform/text.h"

namespace corvella {

namespace {

std::string FirstLetterUpper(std::string_view text) {
  if (text.empty()) return {};
  return std::string(1, UpperAscii(text[0]));
}

bool StartsWithUpper(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (UpperAscii(text[i]) != prefix[i]) return false;
  }
  return true;
}

}  // namespace

// Column 0 holds the position, which is never stored: its key "Number" is
// neither read nor written and it has no file default.
const std::array<ColumnInfo, kColumnCount> kColumns = {{
    {" # ", "Number", LVCFMT_LEFT, 15, "", ""},
    {"Request Description", "Name", LVCFMT_LEFT, 20, " ", ""},
    {"Team/Ind", "Team", LVCFMT_CENTER, 15, "T", "I"},
    {"Top 3", "Top3", LVCFMT_CENTER, 15, "Normal", "N"},
    {"Game/Season", "Game", LVCFMT_CENTER, 15, "G", "G"},
    {"Sign #", "Sign", LVCFMT_CENTER, 15, "1", "1"},
    {"Display Mode", "Mode", LVCFMT_CENTER, 15, kContinuous.data(), kContinuous.data()},
    {"Times to Display", "Times", LVCFMT_CENTER, 15, "1", "1"},
    {"Drive", "Drive", LVCFMT_CENTER, 15, "C", "C"},
    {"Library", "Library", LVCFMT_CENTER, 15, "DEFAULT", "DEFAULT"},
    {"Sequence", "Sequence", LVCFMT_CENTER, 15, "RTD", "RTD_SEQ "},
    {"Frame", "Frame", LVCFMT_CENTER, 15, "1", "1"},
    {"Offset", "Offset", LVCFMT_CENTER, 15, "0", "0"},
}};

const std::array<const char*, 6> kSportCodesLookupOrder = {"BASK", "BASE", "FOOT",
                                                           "HOCK", "SOCC", "VOLL"};
const std::array<const char*, 6> kSportFiles = {"BASE.REQ", "BASK.REQ", "FOOT.REQ",
                                                "HOCK.REQ", "SOCC.REQ", "VOLL.REQ"};

std::string SportCodeOfSetting(std::string_view setting) {
  std::string code(setting.substr(0, 4));
  MakeUpper(code);
  for (const char* sport : kSportCodesLookupOrder) {
    if (code == sport) return code;
  }
  return "";
}

std::string TeamIndFromText(std::string_view text) { return FirstLetterUpper(text); }

std::string Top3FromText(std::string_view text) {
  if (StartsWithUpper(text, "RE")) return "C";
  return FirstLetterUpper(text);
}

std::string GameSeasonFromText(std::string_view text) { return FirstLetterUpper(text); }

std::string DisplayModeFromText(std::string_view text) {
  char code = 0;
  if (StartsWithUpper(text, "SEL")) {
    code = 'F';
  } else if (StartsWithUpper(text, "SIN")) {
    code = 'S';
  } else if (StartsWithUpper(text, "CON")) {
    code = 'C';
  } else if (!text.empty()) {
    code = UpperAscii(text[0]);
  }
  switch (code) {
    case 'C': return std::string(kContinuous);
    case 'S': return std::string(kSingleStep);
    case 'F': return std::string(kSelectedFrame);
    default: return "";
  }
}

bool TeamClearsTop3(std::string_view top3, Judged judged) {
  if (judged == Judged::kFirstLetter) return top3.substr(0, 1) != kNoTop3;
  return top3 != kNoTop3;
}

std::string TimesForDisplayMode(std::string_view mode, const std::string& times, Judged judged) {
  if (mode == kContinuous) {
    bool none = false;
    switch (judged) {
      case Judged::kFirstLetter: none = times.rfind('0', 0) == 0; break;
      case Judged::kWholeText: none = LeadingInt(times) == 0; break;
      case Judged::kNumber: none = LeadingInt(times) < 1; break;
    }
    return none ? "1" : times;
  }
  if (judged != Judged::kWholeText) return "0";
  return LeadingInt(times) != 0 ? "0" : times;
}

int FrameForDisplayMode(std::string_view mode, int frame) {
  if (mode == kContinuous || mode == kSingleStep) return 0;
  return frame < 1 ? 1 : frame;
}

const std::array<Choice, 2> kTeamIndChoices = {{{"I", "Individual"}, {"T", "Team"}}};
const std::array<Choice, 5> kTop3Choices = {{{"N", "Normal"},
                                             {"P", "Passing"},
                                             {"C", "Receiving"},
                                             {"R", "Rushing"},
                                             {"T", "Tackles/Defense"}}};
const std::array<Choice, 2> kGameSeasonChoices = {{{"G", "Game"}, {"S", "Season"}}};
const std::array<Choice, 3> kDisplayModeChoices = {
    {{kContinuous, kContinuous}, {kSingleStep, kSingleStep}, {kSelectedFrame, kSelectedFrame}}};
const std::array<Choice, 16> kSignChoices = {{{"1", "1"},
                                              {"2", "2"},
                                              {"3", "3"},
                                              {"4", "4"},
                                              {"5", "5"},
                                              {"6", "6"},
                                              {"7", "7"},
                                              {"8", "8"},
                                              {"9", "9"},
                                              {"10", "10"},
                                              {"11", "11"},
                                              {"12", "12"},
                                              {"13", "13"},
                                              {"14", "14"},
                                              {"15", "15"},
                                              {"16", "16"}}};
const std::array<Choice, 26> kDriveChoices = {
    {{"A", "A"}, {"B", "B"}, {"C", "C"}, {"D", "D"}, {"E", "E"}, {"F", "F"}, {"G", "G"},
     {"H", "H"}, {"I", "I"}, {"J", "J"}, {"K", "K"}, {"L", "L"}, {"M", "M"}, {"N", "N"},
     {"O", "O"}, {"P", "P"}, {"Q", "Q"}, {"R", "R"}, {"S", "S"}, {"T", "T"}, {"U", "U"},
     {"V", "V"}, {"W", "W"}, {"X", "X"}, {"Y", "Y"}, {"Z", "Z"}}};

std::string ChoiceNames(Choices choices) {
  std::string names;
  for (const Choice& choice : choices) {
    if (!names.empty()) names += ',';
    names += choice.name;
  }
  return names;
}

std::string NameOfCode(Choices choices, std::string_view code) {
  for (const Choice& choice : choices) {
    if (choice.code == code) return std::string(choice.name);
  }
  return "";
}

std::string TeamIndName(std::string_view code) { return NameOfCode(kTeamIndChoices, code); }

std::string Top3Name(std::string_view code) { return NameOfCode(kTop3Choices, code); }

std::string GameSeasonName(std::string_view code) { return NameOfCode(kGameSeasonChoices, code); }

std::string Top3ListName(std::string_view code) {
  const std::string name = Top3Name(code);
  return name.empty() ? std::string(kTop3Choices.back().name) : name;
}

}  // namespace corvella
