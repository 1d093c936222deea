#pragma once
// The request record: thirteen text fields in column order. While the program
// runs a request is a row of the list view and nothing else; this header fixes
// the columns once (titles, file keys, alignment, defaults) and the mappings
// between the long names dialogs show and the short texts stored.

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace corvella {

enum RequestColumn : int {
  COL_NUMBER = 0,
  COL_DESCRIPTION = 1,
  COL_TEAM_IND = 2,
  COL_TOP3 = 3,
  COL_GAME_SEASON = 4,
  COL_SIGN = 5,
  COL_DISPLAY_MODE = 6,
  COL_TIMES = 7,
  COL_DRIVE = 8,
  COL_LIBRARY = 9,
  COL_SEQUENCE = 10,
  COL_FRAME = 11,
  COL_OFFSET = 12,
};

constexpr int kColumnCount = 13;
constexpr int kLastColumn = 12;
// A request file yields at most this many requests, and the list never holds more.
constexpr int kMaxRequests = 300;
// The highest RTD offset the Offset check keeps (5000 is refused there, and
// set to 0 when a file holding it is loaded); every entry path stops here.
constexpr int kMaxOffset = 4999;

struct ColumnInfo {
  const char* title;        // list column title
  const char* key;          // file key ("Number" for column 0 is never stored)
  int format;               // LVCFMT_LEFT or LVCFMT_CENTER
  int margin;               // pixels the column is wider than its title
  const char* fileDefault;  // value when the key is missing in a request file
  const char* newDefault;   // value of a new request (Add, Insert), before the
                            // Edit Request dialog's rules apply (a Continuous
                            // request's frame 1 becomes 0 when it opens)
};

extern const std::array<ColumnInfo, kColumnCount> kColumns;

// The thirteen cell texts of one request, in column order, taken out of the
// list (for the packet builder and the clipboard).
using RequestCells = std::array<std::string, kColumnCount>;

// Sport codes in look-up order of the configuration ("BASK" first) and in
// file order of the document ("BASE" first).
extern const std::array<const char*, 6> kSportCodesLookupOrder;  // BASK BASE FOOT HOCK SOCC VOLL
extern const std::array<const char*, 6> kSportFiles;             // BASE.REQ ... VOLL.REQ
// The sport code a "SPORT" setting selects: its first four characters,
// upper-cased, when they are one of the six codes ("FOOT" for "Football" or
// "FOOT.REQ"); "" when they are not.
std::string SportCodeOfSetting(std::string_view setting);

// The display modes, as the list shows and the file stores them.
inline constexpr std::string_view kContinuous = "Continuous";
inline constexpr std::string_view kSingleStep = "Single Step";
inline constexpr std::string_view kSelectedFrame = "Selected Frame";
// The Top 3 code of a request without a Top 3 statistic.
inline constexpr std::string_view kNoTop3 = "N";

// ---- rules between the fields of one request ----------------------------------

// A team request has no Top 3 statistic: true when a request whose Team/Ind
// becomes "T" must have its Top 3 cell set to kNoTop3. The field check reads
// the whole cell (kWholeText), the T key only its first letter
// (kFirstLetter), so a cell beginning with "N" is left to the check. (kNumber
// is for counts and judges a Top 3 as kWholeText does.)
enum class Judged { kWholeText, kFirstLetter, kNumber };
bool TeamClearsTop3(std::string_view top3, Judged judged);

// The Times to Display text a request keeps when its Display Mode becomes
// `mode`: at least 1 in Continuous mode, else 0. The field check judges the
// count by its leading integer (kWholeText: a count of 0 becomes "1", any
// other count of another mode "0"); the mode keys by its first letter
// (kFirstLetter: a count beginning with "0" becomes "1", and every count of
// another mode "0"); the Edit Request dialog by its value (kNumber: a count
// below 1 becomes "1", and every count of another mode "0"). Returns `times`
// when it stays.
std::string TimesForDisplayMode(std::string_view mode, const std::string& times, Judged judged);
// The Frame a request keeps when its Display Mode is `mode`: at least 1 in
// Selected Frame mode, 0 in Continuous and Single Step mode.
int FrameForDisplayMode(std::string_view mode, int frame);

// ---- the selection lists -----------------------------------------------------

// One entry of a selection list: the code a cell stores and the name the
// in-place selection and the Edit Request dialog show. The lists below are
// the only place these names are written; they are in the order shown.
struct Choice {
  std::string_view code;
  std::string_view name;
};
using Choices = std::span<const Choice>;

extern const std::array<Choice, 2> kTeamIndChoices;      // Individual, Team
extern const std::array<Choice, 5> kTop3Choices;         // Normal ... Tackles/Defense
extern const std::array<Choice, 2> kGameSeasonChoices;   // Game, Season
extern const std::array<Choice, 3> kDisplayModeChoices;  // stored as shown
extern const std::array<Choice, 16> kSignChoices;        // 1 ... 16
extern const std::array<Choice, 26> kDriveChoices;       // A ... Z

// The names of `choices` in order, separated by commas.
std::string ChoiceNames(Choices choices);

// Long name or typed text -> stored text.
std::string TeamIndFromText(std::string_view text);      // first letter, upper-cased
std::string Top3FromText(std::string_view text);         // "RE..." -> "C", else first letter
std::string GameSeasonFromText(std::string_view text);   // first letter, upper-cased
std::string DisplayModeFromText(std::string_view text);  // -> kContinuous / kSingleStep /
                                                         //    kSelectedFrame, or "" when
                                                         //    no rule matches
// Stored text -> the long name dialogs show ("" for an unknown code).
std::string NameOfCode(Choices choices, std::string_view code);  // exactly, case matters
std::string TeamIndName(std::string_view code);                  // "Individual", "Team"
std::string Top3Name(std::string_view code);                     // "Normal", "Passing", ...
std::string GameSeasonName(std::string_view code);               // "Game", "Season"
// The Top 3 entry the in-place selection and the Edit Request dialog start
// from: Top3Name, and "Tackles/Defense" for any other code.
std::string Top3ListName(std::string_view code);

}  // namespace corvella
