#pragma once
// A request list view on a scripted UI, with a configuration file in a
// temporary folder (sport Basketball), thirteen columns and the list focused,
// ready for editing (not loading).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listview/corvella_view.h"
#include "platform/profile.h"
#include "requests/corvella_doc.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace corvella {

class ViewFixture : public ::testing::Test {
 protected:
  ViewFixture()
      : profile(dir.Write("CORVELLA.INI", "[REQUEST]\r\nSPORT=BASK.REQ\r\nZLRTDINPUT=1\r\n")),
        doc(profile, ui),
        view(doc, ui) {
    view.SetupColumns();
    view.m_bLoading = false;
    list().SetHasFocus(true);
    list().SetClientSize(Size{1600, 600});
    doc.SetModifiedFlag(false);
  }

  ListControl& list() { return view.GetListCtrl(); }

  // Appends a well-formed request described as `description`.
  void AddRow(const std::string& description) {
    static const char* const kCells[kColumnCount] = {"",  "", "I",       "N",   "G",   "1", "Continuous",
                                                      "1", "C", "DEFAULT", "RTD", "0", "0"};
    const int row = list().GetItemCount();
    list().InsertItem(row, std::to_string(row + 1));
    for (int c = 1; c < kColumnCount; ++c) list().SetItemText(row, c, kCells[c]);
    list().SetItemText(row, COL_DESCRIPTION, description);
  }
  // Rows described "R1" ... "R<count>".
  void AddRows(int count) {
    for (int i = 1; i <= count; ++i) AddRow("R" + std::to_string(i));
  }

  // Exactly these rows selected.
  void Select(const std::vector<int>& rows) {
    list().SetItemState(-1, 0, LVIS_SELECTED);
    for (int row : rows) list().SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
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

  // The centre of a cell in client coordinates.
  Point CellCentre(int row, int column) {
    Rect rc;
    EXPECT_TRUE(list().GetSubItemRect(row, column, rc));
    return Point{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  }

  // Makes the request file the Football one (the sport test looks at the path).
  void UseFootball() { view.m_strFilePath = dir.File("FOOT.REQ"); }

  TempDir dir;
  ScriptedUi ui;
  AppProfile profile;
  CCorvellaDoc doc;
  CCorvellaView view;
};

}  // namespace corvella
