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
  const std::string& path = profile.Path();
  m_strDirectory = FolderPart(path);

  m_strBaseFile = kSportFiles[0];
  m_strBaskFile = kSportFiles[1];
  m_strFootFile = kSportFiles[2];
  m_strHockFile = kSportFiles[3];
  m_strSoccFile = kSportFiles[4];
  m_strVollFile = kSportFiles[5];
  m_strParity = "N";

  GetRtdInput();
  m_strSportFile = ReadConfiguredSport() + ".REQ";
}

std::string CCorvellaDoc::ReadConfiguredSport() {
  const std::string code =
      SportCodeOfSetting(m_profile.GetProfileString(kSection, "SPORT", "BASKETBALL"));
  if (!code.empty()) return code;
  m_ui.MessageBox("Illegal Sport in CORVELLA.INI file!", "", MB_OK);
  return m_strBaskFile.substr(0, 4);
}

int32_t CCorvellaDoc::GetRtdInput() {
  m_nRtdInput = m_profile.GetProfileInt(kSection, "ZLRTDINPUT", 1);
  return m_nRtdInput;
}

std::string CCorvellaDoc::GetSignServer() const {
  std::string name = m_profile.GetProfileString(kSection, "SIGNSERVER", ".");
  return name.empty() ? std::string(".") : name;
}

void CCorvellaDoc::ReadComSettings() {
  m_nComPort = m_profile.GetProfileInt(kSection, "COMPORT", 1);
  m_nBaud = m_profile.GetProfileInt(kSection, "BAUD", 9600);
  m_nWordLength = m_profile.GetProfileInt(kSection, "WORD", 8);
  m_nStopBits = m_profile.GetProfileInt(kSection, "STOPBITS", 1);
  // Only the first character counts; anything but E, N or O is taken as N.
  const std::string parity = m_profile.GetProfileString(kSection, "PARITY", "N");
  const char letter = parity.empty() ? 'N' : UpperAscii(parity[0]);
  m_strParity = (letter == 'E' || letter == 'O') ? std::string(1, letter) : std::string("N");
}

void CCorvellaDoc::SetSport(const std::string& text) {
  m_strSportFile.clear();
  const std::string prefix = text.substr(0, 4);
  for (const std::string* file : {&m_strBaseFile, &m_strBaskFile, &m_strFootFile, &m_strHockFile,
                                  &m_strSoccFile, &m_strVollFile}) {
    if (prefix == file->substr(0, 4)) {
      m_strSportFile = *file;
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
