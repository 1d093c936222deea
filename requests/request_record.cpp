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

// A one-letter code of a list column and the name the list shows for it.
struct CodeName {
  std::string_view code;
  const char* name;
};

// The name of `code` (exactly, case matters); "" for a code not in `names`.
template <std::size_t N>
std::string NameOfCode(const CodeName (&names)[N], std::string_view code) {
  for (const CodeName& entry : names) {
    if (entry.code == code) return entry.name;
  }
  return "";
}

}  // namespace

// Column 0 holds the position, which is never stored: its key "Number" is
// neither read nor written and it has no file default.
const std::array<ColumnInfo, kColumnCount> kColumns = {{
    {" # ", "Number", LVCFMT_LEFT, "", ""},
    {"Request Description", "Name", LVCFMT_LEFT, " ", ""},
    {"Team/Ind", "Team", LVCFMT_CENTER, "T", "I"},
    {"Top 3", "Top3", LVCFMT_CENTER, "Normal", "N"},
    {"Game/Season", "Game", LVCFMT_CENTER, "G", "G"},
    {"Sign #", "Sign", LVCFMT_CENTER, "1", "1"},
    {"Display Mode", "Mode", LVCFMT_CENTER, kContinuous.data(), kContinuous.data()},
    {"Times to Display", "Times", LVCFMT_CENTER, "1", "1"},
    {"Drive", "Drive", LVCFMT_CENTER, "C", "C"},
    {"Library", "Library", LVCFMT_CENTER, "DEFAULT", "DEFAULT"},
    {"Sequence", "Sequence", LVCFMT_CENTER, "RTD", "RTD_SEQ "},
    {"Frame", "Frame", LVCFMT_CENTER, "1", "1"},
    {"Offset", "Offset", LVCFMT_CENTER, "0", "0"},
}};

int ColumnWidthForTitle(int column, int titleWidth) {
  int width = titleWidth + 15;
  if (column == COL_DESCRIPTION) width += 5;
  return width;
}

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

std::string TeamIndName(std::string_view code) {
  static constexpr CodeName kNames[] = {{"I", "Individual"}, {"T", "Team"}};
  return NameOfCode(kNames, code);
}

std::string Top3Name(std::string_view code) {
  static constexpr CodeName kNames[] = {{"N", "Normal"},
                                        {"P", "Passing"},
                                        {"C", "Receiving"},
                                        {"R", "Rushing"},
                                        {"T", "Tackles/Defense"}};
  return NameOfCode(kNames, code);
}

std::string GameSeasonName(std::string_view code) {
  static constexpr CodeName kNames[] = {{"G", "Game"}, {"S", "Season"}};
  return NameOfCode(kNames, code);
}

std::string Top3ListName(std::string_view code) {
  const std::string name = Top3Name(code);
  return name.empty() ? "Tackles/Defense" : name;
}

}  // namespace corvella
