#include "listview/view_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "listview/list_view_ex.h"
#include "listview/validators.h"
#include "listview/view_columns.h"
#include "listview/view_services.h"
#include "platform/command.h"
#include "platform/profile.h"
#include "platform/ui.h"
#include "requests/corvella_doc.h"
#include "requests/document.h"
#include "requests/request_file.h"
#include "requests/request_record.h"

namespace corvella {

std::string FootballFile() { return kSportFiles[2]; }
std::string BasketballFile() { return kSportFiles[1]; }

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

void SwitchSport(CCorvellaDoc& doc, const std::string& target) {
  if (doc.GetSportFile() == target) return;
  if (!doc.SaveModified()) return;
  OpenList what;
  what.sportFile = target;
  doc.Open(what);
}

ListFile::ListFile(CListViewEx& view, Ui& ui, FieldChecks& checks, const ViewServices& services)
    : m_view(view), m_ui(ui), m_checks(checks), m_services(services) {}

// Each value meets its check before its own cell is filled, so a check that
// looks at other columns sees the earlier ones already loaded.
void ListFile::FillRows(const ProfileFile& file, int count) {
  ListControl& list = m_view.GetListCtrl();
  if (count > kMaxRequests) count = kMaxRequests;
  list.DeleteAllItems();
  list.SetItemCountHint(count);
  for (int a = 1; a <= count; ++a) {
    const std::string number = std::to_string(a);
    const int row = list.InsertItem(a - 1, number);
    if (row < 0) {
      m_ui.MessageBox(number, "InsertItem() Failed!!", MB_OK);
      continue;
    }
    const ProfileFile::SectionRef request = file.FindSectionRef(RequestSectionName(a));
    for (int column = COL_DESCRIPTION; column <= kLastColumn; ++column) {
      std::string value = ReadRequestValue(file, request, column);
      m_checks.ValidateField(value, row, true, column);
      if (!list.SetItemText(row, column, value)) {
        m_ui.MessageBox("SetItem() Failed!!", "AddMultipleItems()", MB_OK);
      }
    }
  }
}

void ListFile::LoadRowsFrom(const ProfileFile& file) {
  const int count = CountRequestsInFile(file);
  m_checks.SetLoading(true);
  FillRows(file, count);
  m_checks.SetLoading(false);
  m_view.GetListCtrl().Invalidate();
}

ListLoad ListFile::LoadList(const std::string& path, const std::string& name) {
  m_checks.ForgetCorrections();
  ListControl& list = m_view.GetListCtrl();
  SetupColumns(list, m_services.measure);
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
  m_checks.SetLoading(true);
  FillRows(file, count);
  m_checks.SetLoading(false);
  // The first request is the current one, selected in row mode, so Send
  // and the row commands act on it before any key has been pressed.
  if (list.GetItemCount() > 0) m_view.SelectRowsForReview({0});
  list.Invalidate();
  result.corrected = m_checks.CorrectedOnLoad();
  return result;
}

RequestFileText ListFile::RequestsAsFileText() {
  ListControl& list = m_view.GetListCtrl();
  const int count = list.GetItemCount();
  RequestFileText text;
  text.Reserve(count);
  for (int row = 0; row < count; ++row) {
    text.BeginRequest();
    for (int column = COL_NUMBER; column <= kLastColumn; ++column) {
      std::string value = list.GetItemText(row, column);
      m_checks.ValidateField(value, row, false, column);
      list.SetItemText(row, column, value);
      if (column >= COL_DESCRIPTION) text.AddValue(column, value);
    }
  }
  return text;
}

FileWriteResult ListFile::SaveRequests(const std::string& path) {
  return WriteRequestFile(path, RequestsAsFileText());
}

}  // namespace corvella
