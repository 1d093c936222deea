#pragma once
// The request list on the list-control model for the view's tests: a
// configuration in a temporary folder, a scripted UI, scripted modifier keys,
// an in-memory clipboard and a count of the requests sent; thirteen columns,
// the list focused, ready for editing (not loading). Rows of well-formed
// requests, clicks on cells, key presses, and reading back the selection and
// the cells.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "listview/corvella_view.h"
#include "listview/view_columns.h"
#include "platform/clipboard.h"
#include "platform/profile.h"
#include "platform/vk.h"
#include "requests/corvella_doc.h"
#include "support/fake_key_state.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace corvella {

// The system clipboard as a string; it can be told to refuse data.
class FakeClipboard : public Clipboard {
 public:
  bool SetText(const std::string& text) override {
    ++setCalls;
    if (refuse) return false;
    content = text;
    return true;
  }
  std::optional<std::string> GetText() override { return content; }
  bool HasText() override { return content.has_value(); }
  bool TextOutsideCodePage() override { return outsideCodePage; }

  std::optional<std::string> content;
  bool outsideCodePage = false;  // content stands for text that held such characters
  bool refuse = false;
  int setCalls = 0;
};

// Counts the Send Request commands the view hands on.
class CountingSending : public RequestSending {
 public:
  void OnSendRequest() override { ++sends; }
  int sends = 0;
};

class ListFixture : public ::testing::Test {
 protected:
  explicit ListFixture(const char* sportFile = "BASK.REQ")
      : profile(dir.Write("CORVELLA.INI",
                          std::string("[REQUEST]\r\nSPORT=") + sportFile + "\r\nZLRTDINPUT=1\r\n")),
        doc(profile, ui),
        view(doc, ui) {
    view.Connect({.clipboard = &clipboard, .keys = &keys, .sending = &sending});
    SetupColumns(list(), nullptr);
    doc.SetSportFileForRun(sportFile);
    view.Checks().SetLoading(false);
    list().SetHasFocus(true);
    list().SetClientSize(Size{1600, 600});
    doc.History().MarkSaved();
  }

  ListControl& list() { return view.GetListCtrl(); }

  // Appends a well-formed request (individual, Continuous, times 1)
  // described as `description`.
  void AddRow(const std::string& description) {
    static const char* const kCells[kColumnCount] = {
        "", "", "I", "N", "G", "1", "Continuous", "1", "C", "DEFAULT", "RTD", "0", "0"};
    const int row = list().GetItemCount();
    list().InsertItem(row, std::to_string(row + 1));
    for (int c = 1; c < kColumnCount; ++c) list().SetItemText(row, c, kCells[c]);
    list().SetItemText(row, COL_DESCRIPTION, description);
  }
  // Appends `count` requests described "R<n>" after their position.
  void AddRows(int count) {
    for (int i = 0; i < count; ++i) AddRow("R" + std::to_string(list().GetItemCount() + 1));
  }
  // Sets a column of the given rows.
  void SetCells(const std::vector<int>& rows, int column, const std::string& text) {
    for (int row : rows) list().SetItemText(row, column, text);
  }

  // Exactly these rows selected; nothing else changes.
  void Select(const std::vector<int>& rows) {
    list().SetItemState(-1, 0, LVIS_SELECTED);
    for (int row : rows) list().SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
  }
  // Exactly these rows selected, with the range and the caret a keyboard
  // selection from `rows.front()` to `rows.back()` leaves.
  void SelectRange(const std::vector<int>& rows) {
    Select(rows);
    if (!rows.empty()) {
      view.SetSelectionRange(rows.front(), rows.back());
      view.SetFocusRow(rows.back());
    }
  }
  std::vector<int> Selected() {
    std::vector<int> rows;
    for (int r = list().GetNextItem(-1, LVNI_SELECTED); r != -1;
         r = list().GetNextItem(r, LVNI_SELECTED)) {
      rows.push_back(r);
    }
    return rows;
  }
  std::vector<std::string> Column(int column) {
    std::vector<std::string> texts;
    for (int r = 0; r < list().GetItemCount(); ++r) texts.push_back(list().GetItemText(r, column));
    return texts;
  }

  // The centre of a cell in client coordinates.
  Point CellCentre(int row, int column) {
    Rect rc;
    EXPECT_TRUE(list().GetSubItemRect(row, column, rc)) << "row " << row << " column " << column;
    return Point{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  }
  // A left click on the middle of a cell, as the widget delivers it.
  void Click(int row, int column, unsigned flags = MK_LBUTTON) {
    view.OnLButtonDown(flags, CellCentre(row, column));
  }
  void DoubleClick(int row, int column) {
    Click(row, column);
    view.OnLButtonDblClk(MK_LBUTTON, CellCentre(row, column));
  }

  // One key press and release; `modifiers` are held during it.
  void Key(unsigned vk, std::vector<unsigned> modifiers = {}) {
    for (unsigned m : modifiers) keys.Press(m);
    view.OnKeyDown(vk, 1, 0);
    view.OnKeyUp(vk, 1, 0);
    for (unsigned m : modifiers) keys.Release(m);
  }
  // Shift goes down (and stays down until ReleaseShift).
  void HoldShift() {
    keys.Press(VK_SHIFT);
    view.OnKeyDown(VK_SHIFT, 1, 0);
  }
  void ReleaseShift() {
    keys.Release(VK_SHIFT);
    view.OnKeyUp(VK_SHIFT, 1, 0);
  }

  // Rows per page becomes `rows` (the client height holds exactly that many).
  void SetRowsPerPage(int rows) {
    list().SetClientSize(Size{800, list().GetHeaderHeight() + rows * list().GetRowHeight()});
  }

  // Makes the request file the Football one (the sport test looks at the path).
  void UseFootball() { doc.SetSportFileForRun("FOOT.REQ"); }

  TempDir dir;
  AppProfile profile;
  ScriptedUi ui;
  FakeKeyState keys;
  FakeClipboard clipboard;
  CountingSending sending;
  CCorvellaDoc doc;
  CCorvellaView view;
};

class FootballListFixture : public ListFixture {
 protected:
  FootballListFixture() : ListFixture("FOOT.REQ") {}
};

}  // namespace corvella
