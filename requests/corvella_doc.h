#pragma once
// The request document: the configuration values, the six request file
// names, the current sport and the program directory. It holds no requests;
// those live in the rows of its one view.

#include <cstdint>
#include <string>

#include "requests/document.h"

namespace corvella {

class AppProfile;
class CCorvellaView;

class CCorvellaDoc : public CDocument {
 public:
  // Reads "SPORT" and "ZLRTDINPUT"; an unknown sport falls back to Basketball
  // with the message "Illegal Sport in CORVELLA.INI file!".
  CCorvellaDoc(AppProfile& profile, Ui& ui);

  std::string GetDirectory() const { return m_strDirectory; }
  std::string GetSportFile() const { return m_strSportFile; }
  int32_t GetRtdInput();
  // "SIGNSERVER" of [REQUEST]: the computer whose sign service receives the
  // requests; "." (this computer) when the key is missing or empty. Read at
  // each call, never written.
  std::string GetSignServer() const;
  void ReadComSettings();
  void SetSport(const std::string& text);

  bool DoFileSave() override;
  bool OnSaveDocument(const std::string& path) override;
  bool OnNewDocument() override;

  AppProfile& GetProfile() const { return m_profile; }

  // Called by the view when writing the request file failed (it has told the
  // operator): the save then reports failure and the document stays modified.
  void NoteSaveFailed() { m_bSaveFailed = true; }

  std::string m_strBaseFile;
  std::string m_strBaskFile;
  std::string m_strFootFile;
  std::string m_strHockFile;
  std::string m_strSoccFile;
  std::string m_strVollFile;
  std::string m_strParity;
  int32_t m_nComPort = 1;
  int32_t m_nBaud = 9600;
  int32_t m_nWordLength = 8;
  int32_t m_nStopBits = 1;
  std::string m_strDirectory;
  std::string m_strSportFile;
  int32_t m_nRtdInput = 1;
  CCorvellaView* m_pView = nullptr;

 private:
  AppProfile& m_profile;
  bool m_bSaveFailed = false;
};

}  // namespace corvella
