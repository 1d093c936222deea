// The request list and its file: filling the rows from a request file,
// writing the rows back, and the sport switch.
//
// Loading reads the file once and passes every value through its field check
// in loading mode (messages on, bad values replaced). Saving passes every cell
// through its check in quiet mode, keeps the normalised text in the cell, and
// writes the finished text in one atomic step, so the file on disk is always
// either the old list or the new one.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "listview/corvella_view.h"
#include "platform/profile.h"
#include "platform/ui.h"
#include "requests/corvella_doc.h"
#include "requests/document.h"
#include "requests/request_file.h"

namespace corvella {

namespace {

// The request files of the Sport menu's two sports.
std::string FootballFile() { return kSportFiles[2]; }
std::string BasketballFile() { return kSportFiles[1]; }

// The Sport menu's item of `file`: enabled when the file can be read now,
// checked when it is the sport on show; greyed, it says why.
void UpdateSportItem(const CCorvellaDoc& doc, const std::string& file, CCmdUI* pCmdUI) {
  const std::string path = doc.GetDirectory() + file;
  const bool readable = CanOpenForReading(path);
  pCmdUI->Enable(readable);
  pCmdUI->SetCheck(doc.GetSportFile() == file ? 1 : 0);
  if (readable) return;
  const std::string folder = doc.GetDirectory().empty() ? "." : doc.GetDirectory();
  struct stat st {};
  std::string why;
  if (::stat(path.c_str(), &st) != 0) {
    why = errno == ENOENT ? "there is no " + file + " in " + folder
                          : path + " cannot be read (" + std::strerror(errno) + ")";
  } else if (!S_ISREG(st.st_mode)) {
    why = path + " is not a regular file";
  } else {
    why = path + " cannot be read (" +
          (::access(path.c_str(), R_OK) != 0 ? std::strerror(errno) : "it cannot be opened") + ")";
  }
  pCmdUI->SetReason("Not available: " + why);
}

// Makes `target` (a request file name) the current sport: asks to save a
// modified list first (a save that failed has been reported, and the list
// stays so nothing is lost), then loads the sport's own file.
void SwitchSport(CCorvellaView& view, const std::string& target) {
  CCorvellaDoc& doc = *view.GetDocument();
  if (doc.GetSportFile() == target) return;
  if (!doc.SaveModified()) return;
  OpenList what;
  what.sportFile = target;
  doc.Open(what);
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

void CCorvellaView::OnInitialUpdate() { m_doc.Reload(); }

void CCorvellaView::LoadRowsFrom(const ProfileFile& file) {
  const int count = CountRequestsInFile(file);
  m_bLoading = true;
  FillRows(*this, file, count);
  m_bLoading = false;
  m_list.Invalidate();
}

ListLoad CCorvellaView::LoadList(const std::string& path, const std::string& name) {
  m_bCorrectedOnLoad = false;
  SetupColumns();
  // One read of the file serves both the count and the fill.
  std::size_t unmapped = 0;
  ListLoad result;
  const ProfileFile file = LoadRequestFile(path, &unmapped, &result.failure);
  result.read = result.failure.empty();
  if (!result.read) {
    m_ui.MessageBox(name + " could not be read: " + result.failure + ".\n(" + path +
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
  m_list.Invalidate();
  result.corrected = m_bCorrectedOnLoad;
  return result;
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

FileWriteResult CCorvellaView::SaveRequests(const std::string& path) {
  return WriteRequestFile(path, RequestsAsFileText());
}

void CCorvellaView::OnSportFootball() { SwitchSport(*this, FootballFile()); }

void CCorvellaView::OnSportBasketball() { SwitchSport(*this, BasketballFile()); }

// The sport on show is checked, so a menu (and a screen reader) tells which
// one it is; a sport whose file cannot be read is greyed and says why.
void CCorvellaView::OnUpdateSportFootball(CCmdUI* pCmdUI) {
  UpdateSportItem(m_doc, FootballFile(), pCmdUI);
}

void CCorvellaView::OnUpdateSportBasketball(CCmdUI* pCmdUI) {
  UpdateSportItem(m_doc, BasketballFile(), pCmdUI);
}

bool CCorvellaView::IsFootball() const { return m_doc.IsFootball(); }

}  // namespace corvella
