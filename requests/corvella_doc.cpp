#include "requests/corvella_doc.h"

#include <unistd.h>

#include <cerrno>

#include "platform/file_path.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "requests/request_file.h"
#include "requests/request_record.h"

namespace corvella {

namespace {

constexpr const char* kSection = "REQUEST";

// Why a save of `path` failed, for the operator: a folder that cannot be
// written to is named as such (the file itself may well be writable).
std::string SaveFailure(const std::string& path, const FileWriteResult& written) {
  const std::string folder(FolderPart(path));
  const bool folderRefused = (written.Error() == EACCES || written.Error() == EROFS) &&
                             ::access(folder.empty() ? "." : folder.c_str(), W_OK) != 0;
  if (folderRefused) {
    const std::string shown = folder.size() > 1 ? folder.substr(0, folder.size() - 1) : folder;
    return "Failed to save document " + path + ": its folder " + shown + " cannot be written to (" +
           written.Reason() + ").\nThe file was left as it was.";
  }
  return "Failed to save document " + path + ": " + written.Reason() +
         ".\nThe file was left as it was.";
}

}  // namespace

CCorvellaDoc::CCorvellaDoc(AppProfile& profile, Ui& ui)
    : CDocument(ui), m_profile(profile), m_requests(kColumnCount) {
  // The program directory is the configuration file's folder. A path with no
  // folder part leaves it empty: files are then looked for in the current
  // directory.
  m_strDirectory = FolderPart(profile.Path());
  m_file.sportFile = ReadConfiguredSportOrWarn() + ".REQ";
}

std::string CCorvellaDoc::ReadConfiguredSportOrWarn() {
  const std::string code =
      SportCodeOfSetting(m_profile.GetProfileString(kSection, "SPORT", "BASKETBALL"));
  if (!code.empty()) return code;
  m_ui.MessageBox("Illegal Sport in CORVELLA.INI file!", "", MB_OK);
  return std::string(kSportFiles[1]).substr(0, 4);
}

int32_t CCorvellaDoc::ReadRtdInput() const {
  return m_profile.GetProfileInt(kSection, "ZLRTDINPUT", 1);
}

std::string CCorvellaDoc::GetSignServer() const {
  std::string name = m_profile.GetProfileString(kSection, "SIGNSERVER", ".");
  return name.empty() ? std::string(".") : name;
}

ComSettings CCorvellaDoc::ReadComSettings() const {
  ComSettings settings;
  settings.comPort = m_profile.GetProfileInt(kSection, "COMPORT", 1);
  settings.baud = m_profile.GetProfileInt(kSection, "BAUD", 9600);
  settings.wordLength = m_profile.GetProfileInt(kSection, "WORD", 8);
  settings.stopBits = m_profile.GetProfileInt(kSection, "STOPBITS", 1);
  const std::string parity = m_profile.GetProfileString(kSection, "PARITY", "N");
  const char letter = parity.empty() ? 'N' : UpperAscii(parity[0]);
  settings.parity = (letter == 'E' || letter == 'O') ? letter : 'N';
  return settings;
}

std::string CCorvellaDoc::SportFileOf(const std::string& text) {
  const std::string prefix = text.substr(0, 4);
  for (const char* file : kSportFiles) {
    if (prefix == std::string(file).substr(0, 4)) return file;
  }
  return {};
}

void CCorvellaDoc::SetSport(const std::string& text) {
  m_file.sportFile = SportFileOf(text);
  m_profile.WriteProfileString(kSection, "SPORT", m_file.sportFile);
}

OpenResult CCorvellaDoc::Open(const OpenList& what) {
  // A file from elsewhere that cannot be read leaves the shown list as it is.
  if (!what.from.empty() && !CanOpenForReading(what.from)) {
    OpenResult refused;
    refused.refusal = "Failed to open document " + what.from + ".";
    m_ui.MessageBox(refused.refusal, "Corvella", MB_OK | MB_ICONEXCLAMATION);
    return refused;
  }
  if (what.recordSport) {
    SetSport(what.sportFile);
  } else {
    m_file.sportFile = what.sportFile;
  }
  const std::string own = GetPathName();
  const bool elsewhere = !what.from.empty() && what.from != own;
  ListLoad loaded;
  if (m_pDocView != nullptr)
    loaded =
        m_pDocView->LoadList(elsewhere ? what.from : own, elsewhere ? what.from : m_file.sportFile);
  m_file.origin = elsewhere ? what.from : std::string();
  // A list read from elsewhere replaces what the sport's file holds; the
  // sport's file is then not "could not be read", whatever it is.
  m_file.loadFailure = loaded.failure;
  ++m_nLoads;
  History().Start(!elsewhere && !loaded.corrected);
  Notify(&DocumentObserver::OnListLoaded);
  Notify(&DocumentObserver::OnTitleChanged);
  OpenResult result;
  result.loaded = true;
  return result;
}

RequestFileText CCorvellaDoc::RequestsAsShown() const {
  const int count = m_requests.Count();
  RequestFileText text;
  text.Reserve(count);
  for (int row = 0; row < count; ++row) {
    text.BeginRequest();
    for (int column = COL_DESCRIPTION; column <= kLastColumn; ++column) {
      text.AddValue(column, m_requests.Text(row, column));
    }
  }
  return text;
}

OpenResult CCorvellaDoc::Reload() { return Open(OpenList{m_file.sportFile, std::string(), false}); }

std::string CCorvellaDoc::GetTitle() const {
  std::string title = m_file.sportFile;
  if (!m_file.loadFailure.empty()) title += " (could not be read)";
  if (!m_file.origin.empty()) title += " from " + m_file.origin;
  return title;
}

bool CCorvellaDoc::FileNew() {
  if (!SaveModified()) return false;
  return static_cast<bool>(Reload());
}

bool CCorvellaDoc::DoFileSave() { return OnSaveDocument(GetPathName()); }

bool CCorvellaDoc::OnSaveDocument(const std::string&) {
  // There is no Save As: the file always follows the current sport.
  const std::string path = GetPathName();
  // The list shown in place of a file that could not be read is not that
  // file's content: saving it would replace (or, empty, remove) requests the
  // operator never saw.
  if (!m_file.loadFailure.empty()) {
    m_ui.MessageBox(m_file.sportFile + " was not saved: it could not be read when the list was " +
                        "loaded (" + m_file.loadFailure +
                        "), so saving would replace requests that were never shown.\n"
                        "Make the file readable, then choose New to load it again (copy any "
                        "requests typed meanwhile with Ctrl+C first, to paste them back).",
                    "Corvella", MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  if (m_pDocView != nullptr) {
    // A failed write leaves the old file and the document modified.
    if (const FileWriteResult written = m_pDocView->SaveRequests(path); !written) {
      m_ui.MessageBox(SaveFailure(path, written), "Corvella", MB_OK | MB_ICONEXCLAMATION);
      return false;
    }
  }
  const bool hadOrigin = !m_file.origin.empty();
  m_file.origin.clear();
  History().MarkSaved();
  Notify(&DocumentObserver::OnSaved);
  if (hadOrigin) Notify(&DocumentObserver::OnTitleChanged);
  return true;
}

}  // namespace corvella
