#pragma once
// A request list on the list-control model with a scripted UI and scripted
// modifier keys, for the key, cell-editing and Edit Request tests: rows of
// well-formed requests, clicks on cells, key presses, and reading back the
// selection and the cells.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listview/corvella_view.h"
#include "platform/profile.h"
#include "platform/vk.h"
#include "requests/corvella_doc.h"
#include "support/fake_key_state.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace corvella {

class EditFixture : public ::testing::Test {
 protected:
  explicit EditFixture(const char* sportFile = "BASK.REQ")
      : profile(dir.Write("CORVELLA.INI",
                          std::string("[REQUEST]\r\nSPORT=") + sportFile + "\r\nZLRTDINPUT=1\r\n")),
        doc(profile, ui),
        view(doc, ui) {
    view.SetKeyState(&keys);
    view.SetupColumns();
    view.m_strFilePath = dir.Path() + sportFile;
    view.m_bLoading = false;
    list().SetHasFocus(true);
    doc.SetModifiedFlag(false);
  }

  ListControl& list() { return view.GetListCtrl(); }

  // Appends `count` requests "R1", "R2" ...: individual, Continuous, times 1.
  void AddRows(int count) {
    for (int i = 0; i < count; ++i) {
      static const char* const kRow[kColumnCount] = {"",  "",  "I",   "N",       "G",   "1", "Continuous",
                                                     "1", "C", "DEFAULT", "RTD", "0", "0"};
      const int row = list().GetItemCount();
      list().InsertItem(row, std::to_string(row + 1));
      for (int c = 1; c < kColumnCount; ++c) list().SetItemText(row, c, kRow[c]);
      list().SetItemText(row, COL_DESCRIPTION, "R" + std::to_string(row + 1));
    }
  }

  // Sets a column of the given rows.
  void SetCells(const std::vector<int>& rows, int column, const std::string& text) {
    for (int row : rows) list().SetItemText(row, column, text);
  }

  // A left click on the middle of a cell, as the widget delivers it.
  void Click(int row, int column, unsigned flags = MK_LBUTTON) {
    Rect cell;
    ASSERT_TRUE(list().GetSubItemRect(row, column, cell)) << "row " << row << " column " << column;
    view.OnLButtonDown(flags, Point{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2});
  }
  void DoubleClick(int row, int column) {
    Click(row, column);
    Rect cell;
    list().GetSubItemRect(row, column, cell);
    view.OnLButtonDblClk(MK_LBUTTON, Point{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2});
  }

  // Exactly these rows selected; the range and the caret as a keyboard
  // selection from `rows.front()` to `rows.back()` leaves them.
  void Select(const std::vector<int>& rows) {
    list().SetItemState(-1, 0, LVIS_SELECTED);
    for (int row : rows) list().SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
    if (!rows.empty()) {
      view.m_nSelTop = rows.front();
      view.m_nSelBottom = rows.back();
      view.m_nFocusRow = rows.back();
    }
  }

  std::vector<int> Selected() {
    std::vector<int> rows;
    for (int r = list().GetNextItem(-1, LVNI_SELECTED); r != -1; r = list().GetNextItem(r, LVNI_SELECTED)) {
      rows.push_back(r);
    }
    return rows;
  }

  std::vector<std::string> Column(int column) {
    std::vector<std::string> texts;
    for (int r = 0; r < list().GetItemCount(); ++r) texts.push_back(list().GetItemText(r, column));
    return texts;
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

  TempDir dir;
  AppProfile profile;
  ScriptedUi ui;
  FakeKeyState keys;
  CCorvellaDoc doc;
  CCorvellaView view;
};

class FootballEditFixture : public EditFixture {
 protected:
  FootballEditFixture() : EditFixture("FOOT.REQ") {}
};

}  // namespace corvella
