// Copy, Cut and Paste of the request list through an in-memory clipboard:
// the lines written, where pasted requests land, renumbering, selection,
// the enabling of Paste and the 300-request limit.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "listview/clipboard_text.h"
#include "support/request_files.h"
#include "tests/listview/list_fixture.h"

namespace corvella {
namespace {

int ParseLines(const std::string& text) {
  return static_cast<int>(ParseClipboardText(text).size());
}

class ViewClipboardTest : public ListFixture {
 protected:
  bool PasteEnabled() {
    CCmdUI cmd(ID_EDIT_PASTE);
    view.OnUpdateEditPaste(&cmd);
    return cmd.IsEnabled();
  }
};

TEST_F(ViewClipboardTest, CopyWritesOneLinePerSelectedRowInListOrder) {
  AddRows(3);
  list().SetItemText(2, COL_DESCRIPTION, "Leaders");
  Select({2, 0});
  view.OnEditCopy();
  ASSERT_TRUE(clipboard.content);
  EXPECT_EQ(*clipboard.content,
            " 1|R1|I|N|G|1|Continuous|1|C|DEFAULT|RTD|0|0|\r\n"
            " 3|Leaders|I|N|G|1|Continuous|1|C|DEFAULT|RTD|0|0|\r\n");
  // Copy changes nothing in the list.
  EXPECT_EQ(list().GetItemCount(), 3);
  EXPECT_FALSE(doc.IsModified());
}

TEST_F(ViewClipboardTest, EmptySequenceCopiesAsTwoBlanksAndPastesBackAsTwoBlanks) {
  AddRows(1);
  list().SetItemText(0, COL_SEQUENCE, "");
  Select({0});
  view.OnEditCopy();
  ASSERT_TRUE(clipboard.content);
  EXPECT_EQ(*clipboard.content, " 1|R1|I|N|G|1|Continuous|1|C|DEFAULT|  |0|0|\r\n");

  Select({});
  view.OnEditPaste();
  ASSERT_EQ(list().GetItemCount(), 2);
  EXPECT_EQ(list().GetItemText(1, COL_SEQUENCE), "  ");
  EXPECT_EQ(list().GetItemText(1, COL_OFFSET), "0");
}

TEST_F(ViewClipboardTest, RowsTwoAndFivePastedBeforeRowOne) {
  AddRows(5);
  Select({1, 4});
  view.OnEditCopy();
  view.SetFocusRow(0);
  Select({0});
  view.OnEditPaste();
  EXPECT_EQ(Column(COL_DESCRIPTION),
            (std::vector<std::string>{"R2", "R5", "R1", "R2", "R3", "R4", "R5"}));
  EXPECT_EQ(Column(COL_NUMBER), (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7"}));
  EXPECT_EQ(Column(COL_DISPLAY_MODE)[1], "Continuous");
  // The selection is reset to the focus row.
  EXPECT_EQ(Selected(), std::vector<int>{0});
}

TEST_F(ViewClipboardTest, PasteWithoutSelectionAppends) {
  AddRows(3);
  // A cell keeps what a request file can hold, so it reads back as shown.
  const std::string description = "New one" + std::string(28, '.');
  clipboard.content = " 7|" + description + "|T|N|S|2|Single Step|3|D|LIB|SEQ|4|5|\r\n";
  Select({});
  view.OnEditPaste();
  ASSERT_EQ(list().GetItemCount(), 4);
  EXPECT_EQ(list().GetItemText(3, COL_NUMBER), "4");
  EXPECT_EQ(list().GetItemText(3, COL_DESCRIPTION), description.substr(0, 29));
  EXPECT_EQ(list().GetItemText(3, COL_DISPLAY_MODE), "Single Step");
  EXPECT_EQ(list().GetItemText(3, COL_OFFSET), "5");
  EXPECT_EQ(Column(COL_DESCRIPTION)[0], "R1");
}

TEST_F(ViewClipboardTest, PasteWithoutFocusRowSelectsNothing) {
  AddRows(3);
  clipboard.content = " 1|x|\r\n";
  view.SetFocusRow(-1);
  Select({1});
  view.OnEditPaste();
  EXPECT_EQ(list().GetItemCount(), 4);
  EXPECT_TRUE(Selected().empty());
}

TEST_F(ViewClipboardTest, CutOfAllRowsLeavesAnEmptyList) {
  AddRows(4);
  Select({0, 1, 2, 3});
  view.OnEditCut();
  EXPECT_EQ(list().GetItemCount(), 0);
  ASSERT_TRUE(clipboard.content);
  EXPECT_EQ(ParseLines(*clipboard.content), 4);
}

TEST_F(ViewClipboardTest, CutRemovesTheSelectedRowsAndRenumbers) {
  AddRows(5);
  view.SetFocusRow(1);
  Select({1, 3});
  view.OnEditCut();
  EXPECT_EQ(Column(COL_DESCRIPTION), (std::vector<std::string>{"R1", "R3", "R5"}));
  EXPECT_EQ(Column(COL_NUMBER), (std::vector<std::string>{"1", "2", "3"}));
  ASSERT_TRUE(clipboard.content);
  EXPECT_EQ(clipboard.content->substr(0, 6), " 2|R2|");
}

TEST_F(ViewClipboardTest, RefusedClipboardIsReportedAndCutKeepsTheRows) {
  AddRows(3);
  clipboard.refuse = true;
  Select({0, 2});
  view.OnEditCopy();
  view.OnEditCut();
  EXPECT_EQ(clipboard.setCalls, 2);
  EXPECT_EQ(ui.CountMessages("Unable to set Clipboard data"), 2);
  const auto messages = ui.Messages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages[0].caption, "");
  EXPECT_EQ(messages[0].flags, static_cast<unsigned>(MB_OK));
  EXPECT_EQ(Column(COL_DESCRIPTION), (std::vector<std::string>{"R1", "R2", "R3"}));
}

TEST_F(ViewClipboardTest, FortyCharacterCellIsCopiedAsThirty) {
  AddRows(1);
  list().SetItemText(0, COL_DESCRIPTION, std::string(30, 'a') + std::string(10, 'b'));
  Select({0});
  view.OnEditCopy();
  ASSERT_TRUE(clipboard.content);
  EXPECT_EQ(*clipboard.content,
            " 1|" + std::string(30, 'a') + "|I|N|G|1|Continuous|1|C|DEFAULT|RTD|0|0|\r\n");
}

TEST_F(ViewClipboardTest, LongCellsInManyRowsAreCopiedWhole) {
  for (int i = 0; i < 50; ++i) {
    AddRow("d");
    for (int c = 1; c < kColumnCount; ++c) list().SetItemText(i, c, std::string(45, 'a' + c));
  }
  list().SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
  view.OnEditCopy();
  ASSERT_TRUE(clipboard.content);
  EXPECT_EQ(ParseLines(*clipboard.content), 50);
  // Every line: blank, number, 12 cells of 30, 13 bars and CR LF.
  std::size_t expected = 0;
  for (int i = 1; i <= 50; ++i) expected += 1 + std::to_string(i).size() + 12 * 30 + 13 + 2;
  EXPECT_EQ(clipboard.content->size(), expected);
}

TEST_F(ViewClipboardTest, BarInDescriptionNeverShiftsThePastedFields) {
  // A description read from a file written elsewhere holds the separator.
  AddRows(2);
  list().SetItemText(0, COL_DESCRIPTION, "Lead|ers");
  Select({0, 1});
  view.OnEditCopy();
  ASSERT_TRUE(clipboard.content);
  EXPECT_EQ(clipboard.content->substr(0, 14),
            " 1|Lead\xA6"
            "ers|I|");
  Select({});
  view.OnEditPaste();
  ASSERT_EQ(list().GetItemCount(), 4);
  EXPECT_EQ(testing::RowValues(list(), 2),
            (testing::RequestValues{"Lead\xA6"
                                    "ers",
                                    "I", "N", "G", "1", "Continuous", "1", "C", "DEFAULT", "RTD",
                                    "0", "0"}));
  EXPECT_EQ(list().GetItemText(3, COL_DESCRIPTION), "R2");
  EXPECT_EQ(ui.CountMessages(), 0);

  // A line that some other copy wrote with the bar inside a field is left
  // out whole, with a message, and the lines around it are pasted.
  ui.ClearRecord();
  clipboard.content =
      " 1|Lead|ers|I|N|G|1|Continuous|1|C|DEFAULT|RTD|0|0|\r\n"
      " 2|Next|I|N|G|1|Continuous|1|C|DEFAULT|RTD|0|0|\r\n";
  Select({});
  view.OnEditPaste();
  ASSERT_EQ(list().GetItemCount(), 5);
  EXPECT_EQ(list().GetItemText(4, COL_DESCRIPTION), "Next");
  ASSERT_EQ(ui.CountMessages(), 1);
  EXPECT_EQ(ui.Messages()[0].text, SplitLinesMessage(1));
  EXPECT_NE(ui.Messages()[0].text.find("\"|\""), std::string::npos);
}

TEST_F(ViewClipboardTest, TextWithCharactersOutsideTheCodePageIsRefused) {
  AddRows(3);
  // An emoji arrives from the clipboard as '?'; the clipboard says so.
  clipboard.content = " 1|Goal ?|I|N|G|1|Continuous|1|C|DEFAULT|RTD|0|0|\r\n";
  clipboard.outsideCodePage = true;
  Select({1});
  view.OnEditPaste();
  EXPECT_EQ(list().GetItemCount(), 3);
  EXPECT_EQ(Selected(), std::vector<int>{1});
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{kPasteOutsideCodePageMessage});
}

TEST_F(ViewClipboardTest, PastedCellsMeetTheChecksOfALoad) {
  // A line from another program: the library too long, sign 17, offset 5000,
  // Team/Ind lower case and drive "d:".
  AddRows(1);
  clipboard.content =
      " 7|From elsewhere|i|N|G|17|cont|5|d:|VERYLONGLIBRARYNAME12345|rtd.sqz|0|5000|\r\n";
  Select({});
  view.OnEditPaste();
  ASSERT_EQ(list().GetItemCount(), 2);
  EXPECT_EQ(testing::RowValues(list(), 1),
            (testing::RequestValues{"From elsewhere", "I", "N", "G", "1", "Continuous", "5", "D",
                                    "VERYLONG", "RTD", "0", "0"}));
  // Each correction is reported with the load's message, titled by the row.
  EXPECT_EQ(ui.MessageTexts(), (std::vector<std::string>{
                                   "Sign Number can NOT be GREATER than 16",
                                   "Libraries being requested must be 8 or LESS characters.",
                                   ".SQZ extension does not need to be included in Sequence name.",
                                   "RTD Offset must be less than 5000."}));
  for (const auto& message : ui.Messages()) EXPECT_EQ(message.caption, "Field 2");
  // A value too long for any field is kept as a request file gives it back.
  ui.ClearRecord();
  clipboard.content = " 1|" + std::string(40, 'x') + "|I|N|G|1|Continuous|1|C|DEFAULT|RTD|0|0|";
  view.OnEditPaste();
  EXPECT_EQ(list().GetItemText(2, COL_DESCRIPTION), std::string(kMaxRequestValue, 'x'));
}

TEST_F(ViewClipboardTest, TextWithoutBarsPastesNothingButResetsTheList) {
  AddRows(3);
  list().SetItemText(1, COL_NUMBER, "9");
  clipboard.content = "Hello from a text editor\r\nsecond line\r\n";
  view.SetFocusRow(2);
  Select({0, 1});
  view.OnEditPaste();
  EXPECT_EQ(list().GetItemCount(), 3);
  EXPECT_EQ(Column(COL_NUMBER), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(Selected(), std::vector<int>{2});
  EXPECT_EQ(ui.CountMessages(), 0);
}

TEST_F(ViewClipboardTest, PasteStopsAtThreeHundredAndSaysHowManyLinesItDropped) {
  AddRows(298);
  std::string text;
  for (int i = 0; i < 5; ++i)
    text += " 1|P" + std::to_string(i) + "|I|N|G|1|Continuous|1|C|DEFAULT|RTD|0|0|\r\n";
  clipboard.content = text;
  Select({});
  view.OnEditPaste();
  ASSERT_EQ(list().GetItemCount(), kMaxRequests);
  EXPECT_EQ(list().GetItemText(298, COL_DESCRIPTION), "P0");
  EXPECT_EQ(list().GetItemText(299, COL_DESCRIPTION), "P1");
  EXPECT_EQ(list().GetItemText(299, COL_NUMBER), "300");
  ASSERT_EQ(ui.CountMessages(), 1);
  EXPECT_NE(ui.Messages()[0].text.find("3 pasted lines were dropped"), std::string::npos);

  // A full list takes nothing more, and the selection stays where it was
  // (the focus row lies elsewhere).
  ui.ClearRecord();
  doc.History().MarkSaved();
  view.SetFocusRow(0);
  Select({5, 7});
  clipboard.content = " 1|one more|\r\n";
  view.OnEditPaste();
  EXPECT_EQ(list().GetItemCount(), kMaxRequests);
  EXPECT_EQ(list().GetItemText(5, COL_DESCRIPTION), "R6");
  EXPECT_EQ(Selected(), (std::vector<int>{5, 7}));
  EXPECT_FALSE(doc.IsModified());
  ASSERT_EQ(ui.CountMessages(), 1);
  EXPECT_NE(ui.Messages()[0].text.find("1 pasted line was dropped"), std::string::npos);
}

struct PasteEnabling {
  const char* name;
  bool hasText;
  int column;
  std::vector<int> selected;
  bool enabled;
};

class PasteEnablingTest : public ViewClipboardTest,
                          public ::testing::WithParamInterface<PasteEnabling> {};

TEST_P(PasteEnablingTest, FollowsColumnSelectionAndClipboard) {
  const PasteEnabling& c = GetParam();
  AddRows(4);
  if (c.hasText) clipboard.content = "text";
  view.SetCurrentColumn(c.column);
  Select(c.selected);
  EXPECT_EQ(PasteEnabled(), c.enabled);
}

INSTANTIATE_TEST_SUITE_P(Cases, PasteEnablingTest,
                         ::testing::Values(PasteEnabling{"NoText", false, 0, {1}, false},
                                           PasteEnabling{"NoTextNoSelection", false, 0, {}, false},
                                           PasteEnabling{"RowModeOneRow", true, 0, {1}, true},
                                           PasteEnabling{"RowModeNoRow", true, 0, {}, true},
                                           PasteEnabling{"RowModeTwoRows", true, 0, {1, 2}, false},
                                           PasteEnabling{"CellModeOneRow", true, 3, {1}, false},
                                           PasteEnabling{"CellModeNoRow", true, 3, {}, true}),
                         [](const ::testing::TestParamInfo<PasteEnabling>& info) {
                           return info.param.name;
                         });

TEST_F(ViewClipboardTest, WithoutClipboardNothingHappens) {
  AddRows(2);
  view.Connect({.keys = &keys, .sending = &sending});
  Select({0});
  view.OnEditCopy();
  view.OnEditPaste();
  EXPECT_EQ(list().GetItemCount(), 2);
  EXPECT_FALSE(PasteEnabled());
}

}  // namespace
}  // namespace corvella
