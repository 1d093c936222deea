// The request list and its file: loading the current sport's requests into
// the rows, writing the rows back, and the sport switch.
//
// Loading reads the file once and passes every value through its field check
// in loading mode (messages on, bad values replaced). Saving passes every cell
// through its check in quiet mode, keeps the normalised text in the cell, and
// writes the finished text in one atomic step, so the file on disk is always
// either the old list or the new one.

#include <string>

#include "listview/corvella_view.h"
#include "platform/profile.h"
#include "platform/ui.h"
#include "requests/corvella_doc.h"
#include "requests/document.h"
#include "requests/request_file.h"

namespace corvella {

namespace {

// The request file name a path ends in: its last eight characters
// ("BASK.REQ", "FOOT.REQ"), the whole path when shorter.
std::string RequestFileName(const std::string& path) {
  return path.size() <= 8 ? path : path.substr(path.size() - 8);
}

// True when the path names the Football request file: its file name begins
// with "FOOT". Folders are not looked at, so one named like "football" does
// not make another sport's list Football.
bool IsFootballFile(const std::string& path) {
  return path.size() >= 8 && path.compare(path.size() - 8, 4, "FOOT") == 0;
}

// The request files of the Sport menu's two sports.
std::string FootballFile() { return kSportFiles[2]; }
std::string BasketballFile() { return kSportFiles[1]; }

// Makes `target` (a request file name) the current sport: asks to save a
// modified list first, then records the sport and reloads the view.
void SwitchSport(CCorvellaView& view, const std::string& target) {
  if (RequestFileName(view.GetFilePath()) == target) return;
  CCorvellaDoc& doc = *view.GetDocument();
  if (doc.IsModified()) {
    // Named as the save prompt of Exit, New and Open names it.
    const int answer =
        view.GetUi().MessageBox("Save changes to " + RequestFileName(view.GetFilePath()) + "?",
                                "Corvella", MB_YESNOCANCEL | MB_ICONEXCLAMATION);
    if (answer != IDYES && answer != IDNO) return;
    // A save that failed has been reported; the list stays so nothing is lost.
    if (answer == IDYES && !doc.DoFileSave()) return;
  }
  doc.SetSport(target);
  view.OnInitialUpdate();
}

// Fills the empty list with the first `count` requests of the parsed file.
// Each value meets its check before its own cell is filled, so a check that
// looks at other columns sees the earlier ones already loaded.
void FillRows(CCorvellaView& view, const ProfileFile& file, int count) {
  ListControl& list = view.GetListCtrl();
  if (count > kMaxRequests) count = kMaxRequests;
  list.DeleteAllItems();
  list.SetItemCountHint(count);
  for (int a = 1; a <= count; ++a) {
    const std::string number = std::to_string(a);
    const int row = list.InsertItem(a - 1, number);
    if (row < 0) {
      view.GetUi().MessageBox(number, "InsertItem() Failed!!", MB_OK);
      continue;
    }
    const ProfileFile::SectionRef request = file.FindSectionRef(RequestSectionName(a));
    for (int column = COL_DESCRIPTION; column <= kLastColumn; ++column) {
      std::string value = ReadRequestValue(file, request, column);
      view.ValidateField(value, row, true, column);
      if (!list.SetItemText(row, column, value)) {
        view.GetUi().MessageBox("SetItem() Failed!!", "AddMultipleItems()", MB_OK);
      }
    }
  }
}

}  // namespace

void CCorvellaView::OnInitialUpdate() {
  UpdateFilePath();
  LoadNewList(m_strFilePath, m_doc.GetSportFile());
}

void CCorvellaView::LoadRowsFrom(const ProfileFile& file) {
  const int count = CountRequestsInFile(file);
  m_bLoading = true;
  FillRows(*this, file, count);
  m_bLoading = false;
  m_list.Invalidate();
}

bool CCorvellaView::LoadNewListFrom(const std::string& path, const std::string& name) {
  if (!CanOpenForReading(path)) return false;
  UpdateFilePath();
  LoadNewList(path, name);
  return true;
}

void CCorvellaView::LoadNewList(const std::string& path, const std::string& name) {
  m_bCorrectedOnLoad = false;
  m_doc.SetView(this);
  SetupColumns();
  // One read of the file serves both the count and the fill.
  std::size_t unmapped = 0;
  std::string failure;
  const ProfileFile file = LoadRequestFile(path, &unmapped, &failure);
  m_doc.SetLoadFailure(failure);
  if (!failure.empty()) {
    m_ui.MessageBox(name + " could not be read: " + failure + ".\n(" + path +
                        ")\n\nThe list is shown empty, but that is not what the file holds: no "
                        "save changes or removes the file until it has been loaded. Make the "
                        "file readable, then choose New to load it again.",
                    "Corvella", MB_OK | MB_ICONEXCLAMATION);
  }
  if (unmapped > 0) {
    m_ui.MessageBox(UnmappedCharactersMessage(name, unmapped), "Corvella",
                    MB_OK | MB_ICONEXCLAMATION);
  }
  const int count = CountRequestsInFile(file);
  m_bLoading = true;
  FillRows(*this, file, count);
  m_bLoading = false;
  // The first request is the current one, selected in row mode, so Send
  // and the row commands act on it before any key has been pressed.
  if (m_list.GetItemCount() > 0) SelectRowsForReview({0});
  m_doc.SetTitle(m_doc.GetSportFile());
  m_list.Invalidate();
  if (onListLoaded) onListLoaded();
}

RequestFileText CCorvellaView::RequestsAsShown() const {
  const int count = m_list.GetItemCount();
  RequestFileText text;
  text.Reserve(count);
  for (int row = 0; row < count; ++row) {
    text.BeginRequest();
    for (int column = COL_DESCRIPTION; column <= kLastColumn; ++column) {
      text.AddValue(column, m_list.GetItemText(row, column));
    }
  }
  return text;
}

void CCorvellaView::UpdateFilePath() {
  m_strFilePath = m_doc.GetDirectory() + m_doc.GetSportFile();
}

RequestFileText CCorvellaView::RequestsAsFileText() {
  const int count = m_list.GetItemCount();
  RequestFileText text;
  text.Reserve(count);
  for (int row = 0; row < count; ++row) {
    text.BeginRequest();
    for (int column = COL_NUMBER; column <= kLastColumn; ++column) {
      std::string value = m_list.GetItemText(row, column);
      ValidateField(value, row, false, column);
      m_list.SetItemText(row, column, value);
      if (column >= COL_DESCRIPTION) text.AddValue(column, value);
    }
  }
  return text;
}

bool CCorvellaView::SaveRequests() {
  if (const FileWriteResult written = WriteRequestFile(m_strFilePath, RequestsAsFileText());
      !written) {
    // The system's reason (no space left, permission denied, read-only file
    // system) tells the operator what to do about it.
    m_ui.MessageBox("Failed to save document " + m_strFilePath + ": " + written.Reason() +
                        ".\nThe file was left as it was.",
                    "Corvella", MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  return true;
}

void CCorvellaView::OnSportFootball() { SwitchSport(*this, FootballFile()); }

void CCorvellaView::OnSportBasketball() { SwitchSport(*this, BasketballFile()); }

// The sport on show is checked, so a menu (and a screen reader) tells which
// one it is.
void CCorvellaView::OnUpdateSportFootball(CCmdUI* pCmdUI) {
  pCmdUI->Enable(CanOpenForReading(m_doc.GetDirectory() + FootballFile()));
  pCmdUI->SetCheck(m_doc.GetSportFile() == FootballFile() ? 1 : 0);
}

void CCorvellaView::OnUpdateSportBasketball(CCmdUI* pCmdUI) {
  pCmdUI->Enable(CanOpenForReading(m_doc.GetDirectory() + BasketballFile()));
  pCmdUI->SetCheck(m_doc.GetSportFile() == BasketballFile() ? 1 : 0);
}

bool CCorvellaView::IsFootball() const { return IsFootballFile(m_strFilePath); }

}  // namespace corvella
