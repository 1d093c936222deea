// How the Choose Appropriate Selection list is filled from a comma-separated
// text and which entry the current value preselects.

#include "listview/dialogs/choice_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvella {
namespace {

using Entries = std::vector<std::string>;

TEST(ChoiceList, SplitsAtCommasWithoutEmptyEntries) {
  struct Case {
    const char* choices;
    Entries entries;
  };
  const Case cases[] = {
      {"Continuous,Single Step,Selected Frame", {"Continuous", "Single Step", "Selected Frame"}},
      {"A,,B,", {"A", "B"}},
      {",X", {"X"}},
      {"", {}},
      {",", {}},
      {",,,", {}},
      {"only", {"only"}},
      {" , ", {" ", " "}},  // blanks are entries, only empty pieces vanish
      {"A,B,,", {"A", "B"}},
      {"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16",
       {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15", "16"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.choices);
    EXPECT_EQ(SplitChoices(c.choices), c.entries);
  }
}

TEST(ChoiceList, PreselectsFirstEntryBeginningWithCurrent) {
  const Entries modes = {"Continuous", "Single Step", "Selected Frame"};
  struct Case {
    const char* current;
    int index;
  };
  const Case cases[] = {
      {"S", 1},  // the first entry beginning with S
      {"s", 1},  // letter case does not matter
      {"sel", 2}, {"SELECTED FRAME", 2},       {"Continuous", 0}, {"", -1},  // nothing preselected
      {"X", -1},  {"Continuous and more", -1},  // longer than every entry
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.current);
    EXPECT_EQ(PreselectIndex(modes, c.current), c.index);
  }
  EXPECT_EQ(PreselectIndex({}, "S"), -1);
  EXPECT_EQ(PreselectIndex({"\xC9T\xC9", "\xE9t\xE9"}, "\xE9T"), 0);  // Windows-1252 letters fold
  EXPECT_EQ(PreselectIndex({"\xF7", "\xD7"}, "\xD7"), 1);  // the multiplication sign is no letter
}

}  // namespace
}  // namespace corvella
