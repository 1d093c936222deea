// Loading a request file into the list and saving the list back, on real
// files in a temporary program directory.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "listview/corvella_view.h"
#include "platform/profile.h"
#include "requests/corvella_doc.h"
#include "support/request_files.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace corvella {
namespace {

using testing::RequestSection;
using testing::RequestValues;
using testing::ValidRequest;
using testing::ValidRequestFile;

// Records, with every message, whether the view was in loading mode.
class LoadingAwareUi : public ScriptedUi {
 public:
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
    loadingAtMessage.push_back(view != nullptr && view->Checks().IsLoading());
    return ScriptedUi::MessageBox(text, caption, flags);
  }
  CCorvellaView* view = nullptr;
  std::vector<bool> loadingAtMessage;
};

class ViewFile : public ::testing::Test {
 protected:
  // Starts the program on `sport` with the current sport's file holding `text`.
  void StartWith(const std::string& text, const std::string& sport = "BASK") {
    dir.Write(sport + ".REQ", text);
    Start(sport);
  }
  void Start(const std::string& sport = "BASK") {
    dir.Write("CORVELLA.INI", "[REQUEST]\r\nSPORT=" + sport + "\r\n");
    profile = std::make_unique<AppProfile>(dir.File("CORVELLA.INI"));
    doc = std::make_unique<CCorvellaDoc>(*profile, ui);
    view = std::make_unique<CCorvellaView>(*doc, ui);
    ui.view = view.get();
    view->OnInitialUpdate();
  }
  ListControl& List() { return view->GetListCtrl(); }
  std::string Cell(int row, int column) { return List().GetItemText(row, column); }
  void Save() { ASSERT_TRUE(doc->DoFileSave()); }
  std::string File() { return dir.Read(doc->GetSportFile()); }

  TempDir dir;
  LoadingAwareUi ui;
  std::unique_ptr<AppProfile> profile;
  std::unique_ptr<CCorvellaDoc> doc;
  std::unique_ptr<CCorvellaView> view;
};

// ---- load ---------------------------------------------------------------------

struct CountCase {
  const char* name;
  std::string text;
  int count;
};

class RequestCount : public ViewFile, public ::testing::WithParamInterface<CountCase> {};

TEST_P(RequestCount, TheListEndsAtTheFirstMissingOrEmptyName) {
  StartWith(GetParam().text);
  EXPECT_EQ(List().GetItemCount(), GetParam().count);
  for (int row = 0; row < List().GetItemCount(); ++row)
    EXPECT_EQ(Cell(row, 0), std::to_string(row + 1));
}

std::string WithName(int number, const std::string& nameLine) {
  return "[REQ" + std::to_string(number) + "]\r\n" + nameLine + "\r\nTeam=I\r\nTop3=N\r\n";
}

INSTANTIATE_TEST_SUITE_P(
    Load, RequestCount,
    ::testing::Values(
        CountCase{"EmptyFile", "", 0},
        CountCase{"GapAfterTwo",
                  RequestSection(1, ValidRequest("a")) + RequestSection(2, ValidRequest("b")) +
                      RequestSection(4, ValidRequest("d")),
                  2},
        CountCase{"EmptyNameEndsTheList",
                  ValidRequestFile(2) + WithName(3, "Name=") + RequestSection(4, ValidRequest("d")),
                  2},
        CountCase{
            "MissingNameEndsTheList",
            ValidRequestFile(2) + WithName(3, "Team=T") + RequestSection(4, ValidRequest("d")), 2},
        CountCase{"UnquotedBlankNameReadsEmpty", WithName(1, "Name=   "), 0},
        CountCase{"QuotedBlankNameCounts", WithName(1, "Name=\" \""), 1},
        CountCase{"AtMost300", ValidRequestFile(301), 300},
        CountCase{"Exactly300", ValidRequestFile(300), 300},
        CountCase{"SectionsInAnyOrder",
                  RequestSection(2, ValidRequest("b")) + RequestSection(1, ValidRequest("a")), 2},
        CountCase{"Garbage", std::string("\0\xff[\x01]=\n\n[REQ", 12), 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewFile, TheSportOnShowIsChecked) {
  dir.Write("FOOT.REQ", ValidRequestFile(1));
  StartWith(ValidRequestFile(1));
  CCmdUI basketball(ID_SPORT_BASKETBALL);
  CCmdUI football(ID_SPORT_FOOTBALL);
  view->OnUpdateSportBasketball(&basketball);
  view->OnUpdateSportFootball(&football);
  EXPECT_EQ(basketball.GetCheck(), 1);
  EXPECT_EQ(football.GetCheck(), 0);
}

TEST_F(ViewFile, ValuesArriveThroughA30CharacterBuffer) {
  RequestValues values = ValidRequest(std::string(30, 'D'));
  StartWith(RequestSection(1, values));
  EXPECT_EQ(Cell(0, COL_DESCRIPTION), std::string(29, 'D'));
}

TEST_F(ViewFile, AcceptedValuesAreNormalisedWithoutMarkingTheDocument) {
  RequestValues values = ValidRequest("Points");
  values[COL_DISPLAY_MODE - 1] = "continuous";
  values[COL_DRIVE - 1] = "d";
  values[COL_TEAM_IND - 1] = "individual";
  StartWith(RequestSection(1, values));
  EXPECT_EQ(Cell(0, COL_DISPLAY_MODE), "Continuous");
  EXPECT_EQ(Cell(0, COL_DRIVE), "D");
  EXPECT_EQ(Cell(0, COL_TEAM_IND), "I");
  EXPECT_FALSE(view->Checks().CorrectedOnLoad());
  EXPECT_EQ(ui.CountMessages(), 0);
}

TEST_F(ViewFile, MissingKeysTakeTheirDefaultsAndMeetTheChecks) {
  StartWith("[REQ1]\r\nName=Only a name\r\n");
  const std::vector<std::string> expected = {
      "1", "Only a name", "T", "N", "G", "1", "Continuous", "1", "C", "DEFAULT", "RTD", "0", "0"};
  EXPECT_EQ(testing::Cells(List()), std::vector<std::vector<std::string>>{expected});
  // Top 3 "Normal" outside Football and Frame "1" outside Selected Frame are
  // corrected, each with its message, while loading.
  EXPECT_EQ(ui.MessageTexts(),
            (std::vector<std::string>{"Top 3 is used in Football Only",
                                      "Frame Number is for Selected Frame Mode ONLY."}));
  EXPECT_EQ(ui.calls[1].caption, "Field 1");
  EXPECT_EQ(ui.loadingAtMessage, (std::vector<bool>{true, true}));
  EXPECT_FALSE(view->Checks().IsLoading());
  EXPECT_TRUE(view->Checks().CorrectedOnLoad());
}

TEST_F(ViewFile, BadValuesAreReplacedWhileLoading) {
  RequestValues values = ValidRequest("Bad");
  values[COL_SIGN - 1] = "17";
  values[COL_OFFSET - 1] = "5000";
  values[COL_SEQUENCE - 1] = "A/B";
  dir.Write("BASK.REQ", ValidRequestFile(1) + "\r\n" + RequestSection(2, values));
  Start();
  EXPECT_EQ(Cell(1, COL_SIGN), "1");
  EXPECT_EQ(Cell(1, COL_OFFSET), "0");
  EXPECT_EQ(Cell(1, COL_SEQUENCE), "RTD");
  EXPECT_EQ(ui.CountMessages(), 3);
  for (const auto& message : ui.Messages()) EXPECT_EQ(message.caption, "Field 2");
  EXPECT_TRUE(view->Checks().CorrectedOnLoad());
}

TEST_F(ViewFile, FootballAsksTheIndividualQuestionDuringTheLoad) {
  RequestValues values = ValidRequest("Passing leaders");
  values[COL_TEAM_IND - 1] = "T";
  values[COL_TOP3 - 1] = "P";
  ui.AnswerMessage(IDYES);
  StartWith(RequestSection(1, values), "FOOT");
  ASSERT_EQ(ui.CountMessages(), 1);
  EXPECT_EQ(ui.calls[0].caption, "Illegal Team Setting!!");
  EXPECT_EQ(Cell(0, COL_TEAM_IND), "I");
  EXPECT_EQ(Cell(0, COL_TOP3), "P");
}

TEST_F(ViewFile, ReloadReplacesTheRows) {
  StartWith(ValidRequestFile(5));
  dir.Write("BASK.REQ", ValidRequestFile(2, "Again "));
  view->OnInitialUpdate();
  ASSERT_EQ(List().GetItemCount(), 2);
  EXPECT_EQ(Cell(1, COL_DESCRIPTION), "Again 2");
  EXPECT_EQ(List().GetColumnCount(), kColumnCount);
}

// ---- save ----------------------------------------------------------------------

TEST_F(ViewFile, SaveWritesTwelveKeysPerRequestInOrder) {
  StartWith(ValidRequestFile(3));
  Save();
  EXPECT_EQ(File(), ValidRequestFile(3));
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"BASK.REQ", "CORVELLA.INI"}));
}

TEST_F(ViewFile, SaveOfAShorterListLeavesNoOldSections) {
  StartWith(ValidRequestFile(5));
  List().DeleteItem(4);
  List().DeleteItem(3);
  List().DeleteItem(2);
  Save();
  EXPECT_EQ(File(), ValidRequestFile(2));
}

TEST_F(ViewFile, SaveOfAnEmptyListDeletesTheFile) {
  StartWith(ValidRequestFile(2));
  List().DeleteAllItems();
  Save();
  EXPECT_FALSE(dir.Exists("BASK.REQ"));
  Save();  // nothing to delete any more
  EXPECT_FALSE(doc->IsModified());
}

TEST_F(ViewFile, SavePassNormalisesCellsQuietly) {
  StartWith(ValidRequestFile(1));
  List().SetItemText(0, COL_DRIVE, "d:");
  List().SetItemText(0, COL_LIBRARY, "scores.lib");
  List().SetItemText(0, COL_SIGN, "17");  // rejected, kept as it is
  ui.ClearRecord();
  Save();
  EXPECT_EQ(ui.CountMessages(), 0);
  EXPECT_EQ(Cell(0, COL_DRIVE), "D");
  EXPECT_EQ(Cell(0, COL_LIBRARY), "SCORES");
  EXPECT_EQ(Cell(0, COL_SIGN), "17");
  ProfileFile saved = ProfileFile::Load(dir.File("BASK.REQ"));
  EXPECT_EQ(saved.GetString("REQ1", "Drive", "", 30), "D");
  EXPECT_EQ(saved.GetString("REQ1", "Library", "", 30), "SCORES");
  EXPECT_EQ(saved.GetString("REQ1", "Sign", "", 30), "17");
  EXPECT_FALSE(doc->IsModified());
}

// Values with blanks at their ends, or in quotes, come back exactly; without
// the quotes a blank description would read back empty and end the list.
TEST_F(ViewFile, BlanksAndQuotesSurviveSaveAndLoad) {
  const std::vector<std::string> names = {" ",        "  padded  ", "\"quoted\"",
                                          "'single'", "\"",         "tab\t"};
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += RequestSection(static_cast<int>(i + 1), ValidRequest("n"));
  }
  StartWith(text);
  ASSERT_EQ(List().GetItemCount(), static_cast<int>(names.size()));
  for (std::size_t i = 0; i < names.size(); ++i) {
    List().SetItemText(static_cast<int>(i), COL_DESCRIPTION, names[i]);
  }
  List().SetItemText(0, COL_SEQUENCE, "RTD_SEQ ");
  Save();
  EXPECT_NE(File().find("Name=\" \"\r\n"), std::string::npos);
  EXPECT_NE(File().find("Sequence=\"RTD_SEQ \"\r\n"), std::string::npos);
  view->OnInitialUpdate();
  ASSERT_EQ(List().GetItemCount(), static_cast<int>(names.size()));
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(Cell(static_cast<int>(i), COL_DESCRIPTION), names[i]) << i;
  }
  EXPECT_EQ(Cell(0, COL_SEQUENCE), "RTD_SEQ ");
}

// What the operator typed in place, and saw in the list, reads back the
// same after a save: a typed text never holds more than a file value can.
TEST_F(ViewFile, TypedTextsComeBackAsShownAfterSaveAndLoad) {
  StartWith(ValidRequestFile(1));
  List().SetHasFocus(true);
  List().SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
  for (int column : {COL_DESCRIPTION, COL_OFFSET}) {
    view->SetCurrentColumn(column);
    ui.AnswerPrompt(column == COL_DESCRIPTION ? std::string(35, 'D') : std::string(34, '0') + "1");
    view->EditCurrentCell();
  }
  const auto shown = testing::Cells(List());
  Save();
  view->OnInitialUpdate();
  EXPECT_EQ(testing::Cells(List()), shown);
}

TEST_F(ViewFile, AnEmptyDescriptionIsSavedAsABlankSoLaterRequestsStay) {
  StartWith(ValidRequestFile(3));
  List().SetItemText(1, COL_DESCRIPTION, "");
  Save();
  view->OnInitialUpdate();
  ASSERT_EQ(List().GetItemCount(), 3);
  EXPECT_EQ(Cell(1, COL_DESCRIPTION), " ");
  EXPECT_EQ(Cell(2, COL_DESCRIPTION), "Request 3");
}

TEST_F(ViewFile, LineBreaksInACellCannotAddLinesToTheFile) {
  StartWith(ValidRequestFile(1));
  List().SetItemText(0, COL_DESCRIPTION, "two\r\n[REQ2]\nName=lines");
  Save();
  view->OnInitialUpdate();
  ASSERT_EQ(List().GetItemCount(), 1);
  EXPECT_EQ(Cell(0, COL_DESCRIPTION), "two  [REQ2] Name=lines");
}

TEST_F(ViewFile, AFullListSurvivesSaveAndLoad) {
  StartWith(ValidRequestFile(300));
  const auto before = testing::Cells(List());
  Save();
  EXPECT_EQ(File(), ValidRequestFile(300));
  view->OnInitialUpdate();
  EXPECT_EQ(testing::Cells(List()), before);
  EXPECT_FALSE(doc->IsModified());
}

}  // namespace
}  // namespace corvella
