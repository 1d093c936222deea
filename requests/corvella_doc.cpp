#include "requests/corvella_doc.h"

#include "platform/file_path.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "requests/request_record.h"

namespace corvella {

namespace {

constexpr const char* kSection = "REQUEST";

}  // namespace

CCorvellaDoc::CCorvellaDoc(AppProfile& profile, Ui& ui) : CDocument(ui), m_profile(profile) {
  // The program directory is the configuration file's folder. A path with no
  // folder part leaves it empty: files are then looked for in the current
  // directory.
  m_strDirectory = FolderPart(profile.Path());
  m_strSportFile = ReadConfiguredSportOrWarn() + ".REQ";
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

void CCorvellaDoc::SetSport(const std::string& text) {
  m_strSportFile.clear();
  const std::string prefix = text.substr(0, 4);
  for (const char* file : kSportFiles) {
    if (prefix == std::string(file).substr(0, 4)) {
      m_strSportFile = file;
      break;
    }
  }
  m_profile.WriteProfileString(kSection, "SPORT", m_strSportFile);
}

bool CCorvellaDoc::DoFileSave() {
  // The file always follows the current sport.
  const std::string path = m_strDirectory + m_strSportFile;
  SetPathName(path);
  return DoSave(path, true);
}

bool CCorvellaDoc::OnSaveDocument(const std::string&) {
  // The list shown in place of a file that could not be read is not that
  // file's content: saving it would replace (or, empty, remove) requests the
  // operator never saw.
  if (!GetLoadFailure().empty()) {
    m_ui.MessageBox(m_strSportFile + " was not saved: it could not be read when the list was " +
                        "loaded (" + GetLoadFailure() +
                        "), so saving would replace requests that were never shown.\n"
                        "Make the file readable, then choose New to load it again (copy any "
                        "requests typed meanwhile with Ctrl+C first, to paste them back).",
                    "Corvella", MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  // A failed write has been reported by the view; the document then stays
  // modified.
  if (DocumentView* view = GetDocView()) {
    view->UpdateFilePath();
    if (!view->SaveRequests()) return false;
  }
  SetModifiedFlag(false);
  return true;
}

}  // namespace corvella
