#pragma once
// The request document: the configuration values, the six request file
// names, the current sport and the program directory. It holds no requests;
// those live in the rows of its one view.

#include <cstdint>
#include <string>

#include "requests/document.h"

namespace corvella {

class AppProfile;

class CCorvellaDoc : public CDocument {
 public:
  // Reads "SPORT" (ReadConfiguredSport) and "ZLRTDINPUT".
  CCorvellaDoc(AppProfile& profile, Ui& ui);

  std::string GetDirectory() const { return m_strDirectory; }
  std::string GetSportFile() const { return m_strSportFile; }
  // "ZLRTDINPUT" of [REQUEST], read afresh: 0 the serial port, n the sign
  // service's input n - 1.
  int32_t GetRtdInput();
  // The sport code "SPORT" of [REQUEST] selects, read afresh (it may differ
  // from the current sport file); an unknown sport shows "Illegal Sport in
  // CORVELLA.INI file!" and counts as Basketball ("BASK").
  std::string ReadConfiguredSport();
  // "SIGNSERVER" of [REQUEST]: the computer whose sign service receives the
  // requests; "." (this computer) when the key is missing or empty. Read at
  // each call, never written.
  std::string GetSignServer() const;
  void ReadComSettings();
  void SetSport(const std::string& text);

  bool DoFileSave() override;
  bool OnSaveDocument(const std::string& path) override;

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

 private:
  AppProfile& m_profile;
};

}  // namespace corvella
