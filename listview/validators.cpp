// The field checks of the request list, one per column, and ValidateField,
// which routes a cell to its check.

#include "listview/validators.h"

#include <string>
#include <string_view>

#include "platform/list_control.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "requests/corvella_doc.h"
#include "requests/request_record.h"

namespace corvella {

namespace {

constexpr unsigned kMessageFlags = MB_OK | MB_ICONEXCLAMATION;

// Cuts the text to its first character; an empty text stays empty.
void KeepFirstChar(std::string& text) {
  if (text.size() > 1) text.resize(1);
}

// True when the text holds "/" or "\\" (not allowed in library and sequence
// names, which name files on the sign's computer).
bool HasPathSeparator(std::string_view text) {
  return text.find_first_of("/\\") != std::string_view::npos;
}

// Letters of the Windows-1252 code page: A-Z, a-z and the accented and other
// letters above 127 (the Drive check's "alphabetic").
bool IsCharAlpha1252(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  switch (c) {
    case 0x83:
    case 0x8A:
    case 0x8C:
    case 0x8E:
    case 0x9A:
    case 0x9C:
    case 0x9E:
    case 0x9F:
    case 0xAA:
    case 0xB5:
    case 0xBA: return true;
    default: break;
  }
  return c >= 0xC0 && c != 0xD7 && c != 0xF7;
}

}  // namespace

FieldValidator::FieldValidator(ListControl& list, Ui& ui, bool loading, bool football)
    : m_list(list), m_ui(ui), m_bLoading(loading), m_bFootball(football) {}

// Shows a field message titled "Field <request number>" when messages are on.
void FieldValidator::FieldMessage(const char* text, int row, bool showMessage) {
  if (!showMessage) return;
  m_ui.MessageBox(text, "Field " + std::to_string(row + 1), kMessageFlags);
}

// A bad value: replaced by the fallback while loading, rejected otherwise.
int FieldValidator::RejectOrReplace(std::string& value, const char* fallback) const {
  if (m_bLoading) {
    value = fallback;
    return -1;
  }
  return 0;
}

int FieldValidator::ValidateField(std::string& value, int row, bool showMessage, int column) {
  int result = 0;
  switch (column) {
    case COL_TEAM_IND: result = ValidateTeamInd(value, row, showMessage); break;
    case COL_TOP3: result = ValidateTop3(value, row, showMessage); break;
    case COL_GAME_SEASON: result = ValidateGameSeason(value, row, showMessage); break;
    case COL_SIGN: result = ValidateSignNumber(value, row, showMessage); break;
    case COL_DISPLAY_MODE: result = ValidateDisplayMode(value, row, showMessage); break;
    case COL_TIMES: result = ValidateTimesToDisplay(value, row, showMessage); break;
    case COL_DRIVE: result = ValidateDrive(value, row, showMessage); break;
    case COL_LIBRARY: result = ValidateLibrary(value, row, showMessage); break;
    case COL_SEQUENCE: result = ValidateSequence(value, row, showMessage); break;
    case COL_FRAME: result = ValidateFrame(value, row, showMessage); break;
    case COL_OFFSET: result = ValidateOffset(value, row, showMessage); break;
    default: result = 0; break;  // "#" and Description are not checked
  }
  return result;
}

int FieldValidator::ValidateTeamInd(std::string& value, int row, bool showMessage) {
  value = TeamIndFromText(value);
  if (value != "I" && value != "T") {
    FieldMessage("Team/Individual must be 'I' or 'T'", row, showMessage);
    return RejectOrReplace(value, "I");
  }
  // Team statistics have no top 3.
  if (value == "T" && TeamClearsTop3(m_list.GetItemText(row, COL_TOP3), Judged::kWholeText)) {
    m_list.SetItemText(row, COL_TOP3, std::string(kNoTop3));
  }
  return 1;
}

int FieldValidator::ValidateTop3(std::string& value, int row, bool showMessage) {
  // Only Football has top-3 statistics; judged on the text as given.
  if (!m_bFootball && value != "N") {
    m_ui.MessageBox("Top 3 is used in Football Only", "Illegal Sport Setting!!", kMessageFlags);
    value = "N";
    return -1;
  }
  value = Top3FromText(value);
  if (value != "R" && value != "P" && value != "C" && value != "T" && value != "N" &&
      value != " ") {
    FieldMessage("Only R, P, C, T, and N are legal entries.", row, showMessage);
    return RejectOrReplace(value, "N");
  }
  if (value == " ") {
    value = "N";
    return -1;
  }
  if (value == "N") return 1;
  // A statistic is for individual requests only: ask to make the row one.
  if (m_list.GetItemText(row, COL_TEAM_IND) != "I") {
    const int answer =
        m_ui.MessageBox("Top 3 is for INDIVIDUAL Stats Only\nChange Current Request to INDIVIDUAL?",
                        "Illegal Team Setting!!", MB_YESNO | MB_ICONEXCLAMATION);
    if (answer == IDYES) {
      m_list.SetItemText(row, COL_TEAM_IND, "I");
      return 1;
    }
    value = "N";
    return -1;
  }
  return 1;
}

int FieldValidator::ValidateGameSeason(std::string& value, int row, bool showMessage) {
  value = GameSeasonFromText(value);
  if (value == "G") return 1;
  FieldMessage("Only the 'G'ame option is available Currently.", row, showMessage);
  return RejectOrReplace(value, "G");
}

int FieldValidator::ValidateSignNumber(std::string& value, int row, bool showMessage) {
  const int n = LeadingInt(value);
  if (n >= 1 && n <= 16) return 1;
  FieldMessage(
      n < 1 ? "Sign Number can NOT be LESS than 1" : "Sign Number can NOT be GREATER than 16", row,
      showMessage);
  return RejectOrReplace(value, "1");
}

int FieldValidator::ValidateDisplayMode(std::string& value, int row, bool showMessage) {
  const std::string mode = DisplayModeFromText(value);
  if (mode.empty()) {
    // What stays of a refused text: its first character, upper-cased.
    MakeUpper(value);
    KeepFirstChar(value);
    FieldMessage("Display Mode must be 'C'ontinuous 'S'ingle Step or Selected 'F'rame", row,
                 showMessage);
    return RejectOrReplace(value, kContinuous.data());
  }
  value = mode;
  // The mode decides Times to Display: at least 1 when continuous, 0 else.
  const std::string times = m_list.GetItemText(row, COL_TIMES);
  const std::string kept = TimesForDisplayMode(value, times, Judged::kWholeText);
  if (kept != times) m_list.SetItemText(row, COL_TIMES, kept);
  return 1;
}

int FieldValidator::ValidateTimesToDisplay(std::string& value, int row, bool showMessage) {
  // The mode is judged by the first three letters of its cell.
  const std::string mode = m_list.GetItemText(row, COL_DISPLAY_MODE).substr(0, 3);
  const bool selectedFrame = mode == kSelectedFrame.substr(0, 3);
  if (selectedFrame || mode == kSingleStep.substr(0, 3)) {
    // Outside continuous mode the count is fixed at 0; the editor is told so
    // before the value is looked at.
    if (!m_bLoading) {
      FieldMessage(selectedFrame ? "Times to Display can not be changed in Selected Frame mode"
                                 : "Times to Display can not be changed in SINGLE STEP mode",
                   row, showMessage);
    }
    if (value == "0") return 1;
    return RejectOrReplace(value, "0");
  }
  const int n = LeadingInt(value);
  if (n >= 1 && n <= 99999) return 1;
  FieldMessage(n < 1 ? "Times to Display can not be LESS than 1"
                     : "Times to Display can not be GREATER than 99999",
               row, showMessage);
  return RejectOrReplace(value, "1");
}

int FieldValidator::ValidateDrive(std::string& value, int row, bool showMessage) {
  MakeUpper(value);
  KeepFirstChar(value);
  if (!value.empty() && IsCharAlpha1252(static_cast<unsigned char>(value[0]))) return 1;
  FieldMessage("Drive is not a valid letter.  A-Z", row, showMessage);
  return RejectOrReplace(value, "C");
}

int FieldValidator::ValidateLibrary(std::string& value, int row, bool showMessage) {
  MakeUpper(value);
  bool extensionCut = false;
  const std::size_t ext = value.find(".LIB");
  if (ext != std::string::npos) {
    FieldMessage(".LIB extension does not need to be included in Library name.", row, showMessage);
    if (ext == 0) {
      value = "DEFAULT";
      return -1;
    }
    value.resize(ext);
    extensionCut = true;
  }
  if (value.size() > 8) {
    FieldMessage("Libraries being requested must be 8 or LESS characters.", row, showMessage);
    if (m_bLoading && extensionCut) {
      value = "Default";
      return -1;
    }
    value.resize(8);
  }
  if (HasPathSeparator(value)) {
    FieldMessage("Illegal character in Library Name.", row, showMessage);
    return RejectOrReplace(value, "DEFAULT");
  }
  return 1;
}

int FieldValidator::ValidateSequence(std::string& value, int row, bool showMessage) {
  MakeUpper(value);
  const std::size_t ext = value.find(".SQZ");
  if (ext != std::string::npos) {
    FieldMessage(".SQZ extension does not need to be included in Sequence name.", row, showMessage);
    if (ext == 0) {
      value = "RTD";
      return -1;
    }
    value.resize(ext);
  }
  if (value.size() > 8) {
    FieldMessage("Sequences being requested must be 8 or LESS characters.", row, showMessage);
    value.resize(8);
  }
  if (value.empty()) return 1;
  if (HasPathSeparator(value)) {
    FieldMessage("Illegal character in Sequence Name.", row, showMessage);
    return RejectOrReplace(value, "RTD");
  }
  return 1;
}

int FieldValidator::ValidateFrame(std::string& value, int row, bool showMessage) {
  const int n = LeadingInt(value);
  const bool selectedFrame = m_list.GetItemText(row, COL_DISPLAY_MODE) == kSelectedFrame;
  if (n < 1 && selectedFrame) {
    FieldMessage("Frame Number must be GREATER than 0.", row, showMessage);
    return RejectOrReplace(value, "1");
  }
  if (n > 0 && !selectedFrame) {
    FieldMessage("Frame Number is for Selected Frame Mode ONLY.", row, showMessage);
    return RejectOrReplace(value, "0");
  }
  return 1;
}

int FieldValidator::ValidateOffset(std::string& value, int row, bool showMessage) {
  const int n = LeadingInt(value);
  if (n >= 0 && n <= kMaxOffset) return 1;
  FieldMessage(n < 0 ? "RTD Offset must be 0 or GREATER." : "RTD Offset must be less than 5000.",
               row, showMessage);
  return RejectOrReplace(value, "0");
}

FieldChecks::FieldChecks(ListControl& list, Ui& ui, const CCorvellaDoc& doc)
    : m_list(list), m_ui(ui), m_doc(doc) {}

int FieldChecks::ValidateField(std::string& value, int row, bool showMessage, int column) {
  FieldValidator validator(m_list, m_ui, m_bLoading, m_doc.IsFootball());
  const int result = validator.ValidateField(value, row, showMessage, column);
  // A load that corrected a value leaves a list that differs from its file;
  // whoever starts the list's history counts it as unsaved.
  if (result == -1 && m_bLoading) m_bCorrectedOnLoad = true;
  return result;
}

}  // namespace corvella
