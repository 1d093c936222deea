// The request document: configuration at start-up, serial settings, the sport
// switch and the framework's New, Open and save prompt, on real files in a
// temporary program directory with the real list view.

#include "requests/corvella_doc.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "listview/corvella_view.h"
#include "platform/profile.h"
#include "support/request_files.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace corvella {
namespace {

using testing::ValidRequestFile;

// ---- configuration --------------------------------------------------------------

struct SportCase {
  const char* value;  // nullptr: no "SPORT" key
  const char* file;
  bool illegal;
};

class SportSetting : public ::testing::TestWithParam<SportCase> {};

TEST_P(SportSetting, SelectsTheRequestFile) {
  const SportCase& c = GetParam();
  TempDir dir;
  if (c.value != nullptr)
    dir.Write("CORVELLA.INI", std::string("[REQUEST]\r\nSPORT=") + c.value + "\r\n");
  AppProfile profile(dir.File("CORVELLA.INI"));
  ScriptedUi ui;
  CCorvellaDoc doc(profile, ui);
  EXPECT_EQ(doc.GetSportFile(), c.file);
  if (c.illegal) {
    ASSERT_EQ(ui.CountMessages(), 1);
    EXPECT_EQ(ui.calls[0].text, "Illegal Sport in CORVELLA.INI file!");
    EXPECT_EQ(ui.calls[0].caption, "");  // the program title
    EXPECT_EQ(ui.calls[0].flags, static_cast<unsigned>(MB_OK));
  } else {
    EXPECT_EQ(ui.CountMessages(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Configuration, SportSetting,
    ::testing::Values(
        SportCase{nullptr, "BASK.REQ", false}, SportCase{"BASKETBALL", "BASK.REQ", false},
        SportCase{"hockey", "HOCK.REQ", false}, SportCase{"FOOT.REQ", "FOOT.REQ", false},
        SportCase{"Football", "FOOT.REQ", false}, SportCase{"baseball", "BASE.REQ", false},
        SportCase{"BASKET", "BASK.REQ", false}, SportCase{"soccer", "SOCC.REQ", false},
        SportCase{"VOLLEY", "VOLL.REQ", false}, SportCase{"Bas", "BASK.REQ", true},
        SportCase{"curling", "BASK.REQ", true}, SportCase{"", "BASK.REQ", true}));

TEST(DocumentConfiguration, NoConfigurationFileMeansBasketballAndInputPortOne) {
  TempDir dir;
  AppProfile profile(dir.File("CORVELLA.INI"));
  ScriptedUi ui;
  CCorvellaDoc doc(profile, ui);
  EXPECT_EQ(doc.GetSportFile(), "BASK.REQ");
  EXPECT_EQ(doc.GetDirectory(), dir.Path());
  EXPECT_EQ(doc.ReadRtdInput(), 1);
  EXPECT_EQ(ui.CountMessages(), 0);
}

TEST(DocumentConfiguration, AProfilePathWithoutFolderGivesAnEmptyDirectory) {
  AppProfile profile("CORVELLA.INI");
  ScriptedUi ui;
  CCorvellaDoc doc(profile, ui);
  EXPECT_EQ(doc.GetDirectory(), "");
}

TEST(DocumentConfiguration, InputPortIsReadAfreshEachTime) {
  TempDir dir;
  dir.Write("CORVELLA.INI", "[REQUEST]\r\nZLRTDINPUT=3\r\n");
  AppProfile profile(dir.File("CORVELLA.INI"));
  ScriptedUi ui;
  CCorvellaDoc doc(profile, ui);
  EXPECT_EQ(doc.ReadRtdInput(), 3);
  dir.Write("CORVELLA.INI", "[REQUEST]\r\nZLRTDINPUT=-2\r\n");
  EXPECT_EQ(doc.ReadRtdInput(), -2);
}

TEST(DocumentConfiguration, SerialSettingsAndParityRule) {
  struct Case {
    const char* parity;  // nullptr: no key
    char expected;
  };
  const Case cases[] = {{nullptr, 'N'}, {"even", 'E'}, {"o", 'O'},    {"N", 'N'},
                        {"M", 'N'},     {"", 'N'},     {"\"\"", 'N'}, {"space", 'N'}};
  TempDir dir;
  AppProfile profile(dir.File("CORVELLA.INI"));
  ScriptedUi ui;
  CCorvellaDoc doc(profile, ui);
  const ComSettings defaults = doc.ReadComSettings();
  EXPECT_EQ(defaults.comPort, 1);
  EXPECT_EQ(defaults.baud, 9600);
  EXPECT_EQ(defaults.wordLength, 8);
  EXPECT_EQ(defaults.stopBits, 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.parity ? c.parity : "(missing)");
    std::string ini = "[REQUEST]\r\nCOMPORT=2\r\nBAUD=19200\r\nWORD=7\r\nSTOPBITS=2\r\n";
    if (c.parity) ini += std::string("PARITY=") + c.parity + "\r\n";
    dir.Write("CORVELLA.INI", ini);
    const ComSettings com = doc.ReadComSettings();
    EXPECT_EQ(com.parity, c.expected);
    EXPECT_EQ(com.comPort, 2);
    EXPECT_EQ(com.baud, 19200);
    EXPECT_EQ(com.wordLength, 7);
    EXPECT_EQ(com.stopBits, 2);
  }
}

TEST(DocumentConfiguration, SetSportMatchesFileNamesExactlyAndRecordsTheSport) {
  struct Case {
    const char* text;
    const char* file;
  };
  const Case cases[] = {{"FOOT.REQ", "FOOT.REQ"}, {"BASK", "BASK.REQ"}, {"VOLLEY", "VOLL.REQ"},
                        {"foot.req", ""},         {"FOO", ""},          {"", ""}};
  TempDir dir;
  dir.Write("CORVELLA.INI", "; venue settings\r\n[REQUEST]\r\nSPORT=BASKETBALL\r\nBAUD=4800\r\n");
  AppProfile profile(dir.File("CORVELLA.INI"));
  ScriptedUi ui;
  CCorvellaDoc doc(profile, ui);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    doc.SetSport(c.text);
    EXPECT_EQ(doc.GetSportFile(), c.file);
    EXPECT_EQ(profile.GetProfileString("REQUEST", "SPORT", "?"), c.file);
  }
  doc.SetSport("FOOT.REQ");
  EXPECT_EQ(dir.Read("CORVELLA.INI"),
            "; venue settings\r\n[REQUEST]\r\nSPORT=FOOT.REQ\r\nBAUD=4800\r\n");
  // The next start-up loads Football.
  CCorvellaDoc next(profile, ui);
  EXPECT_EQ(next.GetSportFile(), "FOOT.REQ");
}

// ---- document with its view -----------------------------------------------------------

class DocumentWithView : public ::testing::Test {
 protected:
  void Start(const std::string& sport = "BASKETBALL") {
    dir.Write("CORVELLA.INI", "[REQUEST]\r\nSPORT=" + sport + "\r\n");
    profile = std::make_unique<AppProfile>(dir.File("CORVELLA.INI"));
    doc = std::make_unique<CCorvellaDoc>(*profile, ui);
    view = std::make_unique<CCorvellaView>(*doc, ui);
    view->OnInitialUpdate();
  }
  ListControl& List() { return view->GetListCtrl(); }
  // The operator changes a description.
  void Edit(const std::string& text) {
    List().SetItemText(0, COL_DESCRIPTION, text);
    doc->History().MarkUnsaved();
  }
  std::string Description(int row = 0) { return List().GetItemText(row, COL_DESCRIPTION); }
  // Appends a request every check accepts.
  void AddValidRow(const std::string& name) {
    const int row =
        List().InsertItem(List().GetItemCount(), std::to_string(List().GetItemCount() + 1));
    const testing::RequestValues values = testing::ValidRequest(name);
    for (int c = 1; c <= kLastColumn; ++c)
      List().SetItemText(row, c, values[static_cast<std::size_t>(c - 1)]);
  }

  TempDir dir;
  ScriptedUi ui;
  std::unique_ptr<AppProfile> profile;
  std::unique_ptr<CCorvellaDoc> doc;
  std::unique_ptr<CCorvellaView> view;
};

TEST_F(DocumentWithView, FirstUpdateLoadsTheSportFileAndSetsTheTitle) {
  dir.Write("BASK.REQ", ValidRequestFile(2));
  Start();
  EXPECT_EQ(doc->GetDocView(), &view->File());
  EXPECT_EQ(doc->GetTitle(), "BASK.REQ");
  EXPECT_EQ(doc->GetPathName(), dir.File("BASK.REQ"));
  EXPECT_EQ(List().GetItemCount(), 2);
  EXPECT_FALSE(doc->IsModified());
  EXPECT_FALSE(view->Checks().IsLoading());
}

TEST_F(DocumentWithView, ChoosingTheCurrentSportDoesNothing) {
  dir.Write("BASK.REQ", ValidRequestFile(2));
  dir.Write("FOOT.REQ", ValidRequestFile(1, "Football "));
  Start();
  Edit("Unsaved");
  view->OnSportBasketball();
  EXPECT_EQ(ui.CountMessages(), 0);
  EXPECT_TRUE(doc->IsModified());
  EXPECT_EQ(Description(), "Unsaved");
  EXPECT_EQ(doc->GetSportFile(), "BASK.REQ");
}

TEST_F(DocumentWithView, CancelLeavesSportListAndFlagAlone) {
  dir.Write("BASK.REQ", ValidRequestFile(2));
  dir.Write("FOOT.REQ", ValidRequestFile(1, "Football "));
  Start();
  Edit("Unsaved");
  ui.AnswerMessage(IDCANCEL);
  view->OnSportFootball();
  ASSERT_EQ(ui.CountMessages(), 1);
  EXPECT_EQ(ui.calls[0].text, "Save changes to BASK.REQ?");
  EXPECT_EQ(ui.calls[0].caption, "Corvella");
  EXPECT_EQ(ui.calls[0].flags, static_cast<unsigned>(MB_YESNOCANCEL | MB_ICONEXCLAMATION));
  EXPECT_EQ(doc->GetSportFile(), "BASK.REQ");
  EXPECT_EQ(profile->GetProfileString("REQUEST", "SPORT", ""), "BASKETBALL");
  EXPECT_EQ(Description(), "Unsaved");
  EXPECT_TRUE(doc->IsModified());
  EXPECT_EQ(dir.Read("BASK.REQ"), ValidRequestFile(2));
}

// The new sport's list is as its file holds it: nothing to save, and Exit
// does not ask.
TEST_F(DocumentWithView, NoDiscardsTheChangesAndTheNewListIsSaved) {
  dir.Write("BASK.REQ", ValidRequestFile(2));
  dir.Write("FOOT.REQ", ValidRequestFile(1, "Football "));
  Start();
  Edit("Unsaved");
  ui.AnswerMessage(IDNO);
  view->OnSportFootball();
  EXPECT_EQ(doc->GetSportFile(), "FOOT.REQ");
  EXPECT_EQ(doc->GetTitle(), "FOOT.REQ");
  EXPECT_EQ(profile->GetProfileString("REQUEST", "SPORT", ""), "FOOT.REQ");
  ASSERT_EQ(List().GetItemCount(), 1);
  EXPECT_EQ(Description(), "Football 1");
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(dir.Read("BASK.REQ"), ValidRequestFile(2));
  const std::size_t messages = ui.calls.size();
  EXPECT_TRUE(doc->SaveModified());
  EXPECT_EQ(ui.calls.size(), messages);
}

TEST_F(DocumentWithView, YesWritesTheOldSportBeforeLoadingTheNewOne) {
  dir.Write("BASK.REQ", ValidRequestFile(2));
  dir.Write("FOOT.REQ", ValidRequestFile(1, "Football "));
  Start();
  Edit("Saved on switch");
  ui.AnswerMessage(IDYES);
  view->OnSportFootball();
  EXPECT_EQ(doc->GetSportFile(), "FOOT.REQ");
  EXPECT_EQ(Description(), "Football 1");
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(doc->GetPathName(), dir.File("FOOT.REQ"));
  ProfileFile saved = ProfileFile::Load(dir.File("BASK.REQ"));
  EXPECT_EQ(saved.GetString("REQ1", "Name", "", 30), "Saved on switch");
  EXPECT_EQ(saved.GetString("REQ2", "Name", "", 30), "Request 2");
}

TEST_F(DocumentWithView, AnUnmodifiedListSwitchesWithoutAsking) {
  dir.Write("BASK.REQ", ValidRequestFile(2));
  Start();
  view->OnSportFootball();  // no FOOT.REQ: the switch loads an empty list
  EXPECT_EQ(ui.CountMessages(), 0);
  EXPECT_EQ(doc->GetSportFile(), "FOOT.REQ");
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_TRUE(doc->IsFootball());
  view->OnSportBasketball();
  EXPECT_EQ(List().GetItemCount(), 2);
  EXPECT_FALSE(doc->IsFootball());
}

TEST_F(DocumentWithView, AFailedSaveStopsTheSwitchAndKeepsTheChanges) {
  // A folder put where BASK.REQ should be after the (empty) list was loaded:
  // the list cannot be saved, and the message says why.
  dir.Write("FOOT.REQ", ValidRequestFile(1, "Football "));
  Start();
  ASSERT_TRUE(std::filesystem::create_directory(dir.File("BASK.REQ")));
  AddValidRow("x");
  Edit("Precious");
  ui.AnswerMessage(IDYES);
  view->OnSportFootball();
  ASSERT_EQ(ui.CountMessages(), 2);
  EXPECT_EQ(ui.calls[1].text, "Failed to save document " + dir.File("BASK.REQ") +
                                  ": Is a directory.\nThe file was left as it was.");
  EXPECT_EQ(doc->GetSportFile(), "BASK.REQ");
  EXPECT_EQ(Description(), "Precious");
  EXPECT_TRUE(doc->IsModified());
}

TEST_F(DocumentWithView, SportItemsAreEnabledWhenTheirFileExists) {
  Start();
  CCmdUI football(ID_SPORT_FOOTBALL);
  CCmdUI basketball(ID_SPORT_BASKETBALL);
  view->OnUpdateSportFootball(&football);
  view->OnUpdateSportBasketball(&basketball);
  EXPECT_FALSE(football.IsEnabled());
  EXPECT_FALSE(basketball.IsEnabled());
  // Saving a Basketball list creates BASK.REQ and enables its item.
  AddValidRow("New");
  ASSERT_TRUE(doc->DoFileSave());
  view->OnUpdateSportBasketball(&basketball);
  EXPECT_TRUE(basketball.IsEnabled());
  EXPECT_EQ(basketball.GetCheck(), 1);  // the sport on show
  // Saving an empty list deletes the file again.
  List().DeleteAllItems();
  ASSERT_TRUE(doc->DoFileSave());
  EXPECT_FALSE(dir.Exists("BASK.REQ"));
  view->OnUpdateSportBasketball(&basketball);
  EXPECT_FALSE(basketball.IsEnabled());
}

TEST_F(DocumentWithView, SavePromptOfNewOpenAndExit) {
  dir.Write("BASK.REQ", ValidRequestFile(1));
  Start();
  EXPECT_TRUE(doc->SaveModified());  // not modified: no question
  EXPECT_EQ(ui.CountMessages(), 0);
  Edit("Changed");
  struct Case {
    int answer;
    bool result;
    bool saved;
  };
  for (const Case& c :
       {Case{IDCANCEL, false, false}, Case{IDNO, true, false}, Case{IDYES, true, true}}) {
    SCOPED_TRACE(c.answer);
    ui.ClearRecord();
    ui.AnswerMessage(c.answer);
    EXPECT_EQ(doc->SaveModified(), c.result);
    ASSERT_EQ(ui.CountMessages(), 1);
    EXPECT_EQ(ui.calls[0].text, "Save changes to BASK.REQ?");
    EXPECT_EQ(ui.calls[0].caption, "Corvella");
    EXPECT_EQ(ui.calls[0].flags, static_cast<unsigned>(MB_YESNOCANCEL | MB_ICONEXCLAMATION));
    EXPECT_EQ(ProfileFile::Load(dir.File("BASK.REQ")).GetString("REQ1", "Name", "", 30),
              c.saved ? "Changed" : "Request 1");
    EXPECT_EQ(doc->IsModified(), !c.saved);
  }
}

TEST_F(DocumentWithView, NewAfterNoReloadsTheFileFromDisk) {
  dir.Write("BASK.REQ", ValidRequestFile(2));
  Start();
  Edit("Discard me");
  ui.AnswerMessage(IDNO);
  EXPECT_TRUE(doc->FileNew());
  EXPECT_EQ(Description(), "Request 1");
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(doc->GetTitle(), "BASK.REQ");
  EXPECT_EQ(dir.Read("BASK.REQ"), ValidRequestFile(2));
}

TEST_F(DocumentWithView, NewCancelledChangesNothing) {
  dir.Write("BASK.REQ", ValidRequestFile(2));
  Start();
  Edit("Keep me");
  ui.AnswerMessage(IDCANCEL);
  EXPECT_FALSE(doc->FileNew());
  EXPECT_EQ(Description(), "Keep me");
  EXPECT_TRUE(doc->IsModified());
}

// A file from another folder is that sport's list with unsaved changes;
// Save writes the sport's own file.
TEST_F(DocumentWithView, OpenLoadsTheChosenFileAsUnsavedChangesOfItsSport) {
  dir.Write("BASK.REQ", ValidRequestFile(2));
  TempDir elsewhere;
  const std::string other = elsewhere.Write("BASK.REQ", ValidRequestFile(5, "Other "));
  Start();
  EXPECT_TRUE(doc->Open(OpenList{"BASK.REQ", other, true}));
  EXPECT_EQ(List().GetItemCount(), 5);
  EXPECT_EQ(doc->GetTitle(), "BASK.REQ from " + other);
  EXPECT_EQ(doc->GetPathName(), dir.File("BASK.REQ"));
  EXPECT_TRUE(doc->IsModified());
  EXPECT_TRUE(doc->DoFileSave());
  EXPECT_EQ(doc->GetTitle(), "BASK.REQ");
  EXPECT_EQ(CountRequestsInFile(ProfileFile::Load(dir.File("BASK.REQ"))), 5);
  EXPECT_EQ(elsewhere.Read("BASK.REQ"), ValidRequestFile(5, "Other "));
}

TEST_F(DocumentWithView, OpeningAMissingFileIsReportedAndChangesNothing) {
  dir.Write("BASK.REQ", ValidRequestFile(2));
  Start();
  Edit("Keep me");
  EXPECT_FALSE(doc->Open(OpenList{"BASK.REQ", dir.File("NONE.REQ"), true}));
  ASSERT_EQ(ui.CountMessages(), 1);
  EXPECT_EQ(ui.calls[0].text, "Failed to open document " + dir.File("NONE.REQ") + ".");
  EXPECT_EQ(Description(), "Keep me");
  EXPECT_TRUE(doc->IsModified());
}

TEST_F(DocumentWithView, SaveFollowsTheSportAndIgnoresThePathArgument) {
  dir.Write("BASK.REQ", ValidRequestFile(1));
  Start();
  Edit("Saved");
  EXPECT_TRUE(doc->OnSaveDocument(dir.File("ELSEWHERE.REQ")));
  EXPECT_FALSE(dir.Exists("ELSEWHERE.REQ"));
  EXPECT_EQ(ProfileFile::Load(dir.File("BASK.REQ")).GetString("REQ1", "Name", "", 30), "Saved");
  EXPECT_FALSE(doc->IsModified());
}

}  // namespace
}  // namespace corvella
