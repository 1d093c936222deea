#pragma once
// The request document: the configuration values, the current sport's
// request file and the program directory. It holds no requests; those live
// in the rows of its one view.
//
// The configuration is read afresh by each reader, so edits of CORVELLA.INI
// take effect at the next use; only SetSport writes it.

#include <cstdint>
#include <string>

#include "requests/document.h"

namespace corvella {

class AppProfile;

// The serial line of "COMPORT", "BAUD", "WORD", "STOPBITS" and "PARITY" in
// [REQUEST].
struct ComSettings {
  int32_t comPort = 1;
  int32_t baud = 9600;
  int32_t wordLength = 8;
  int32_t stopBits = 1;
  char parity = 'N';  // 'E', 'N' or 'O'
};

class CCorvellaDoc : public CDocument {
 public:
  // Reads "SPORT" (ReadConfiguredSportOrWarn).
  CCorvellaDoc(AppProfile& profile, Ui& ui);

  // The program directory, "" or ending in "/".
  std::string GetDirectory() const { return m_strDirectory; }
  // The current sport's request file name ("BASK.REQ").
  std::string GetSportFile() const { return m_strSportFile; }
  // "ZLRTDINPUT" of [REQUEST]: 0 the serial port, n the sign service's
  // input n - 1.
  int32_t ReadRtdInput() const;
  // The sport code "SPORT" of [REQUEST] selects (it may differ from the
  // current sport file); an unknown sport shows "Illegal Sport in
  // CORVELLA.INI file!" and counts as Basketball ("BASK").
  std::string ReadConfiguredSportOrWarn();
  // "SIGNSERVER" of [REQUEST]: the computer whose sign service receives the
  // requests; "." (this computer) when the key is missing or empty. Never
  // written.
  std::string GetSignServer() const;
  // The serial line's settings; a parity letter other than E, N or O (only
  // the first character counts) is taken as N.
  ComSettings ReadComSettings() const;
  // Makes the sport whose file name begins like `text` current and records
  // it as "SPORT"; no such sport leaves no current file (and records "").
  void SetSport(const std::string& text);
  // Makes `file` the current sport's request file for this run only, leaving
  // "SPORT" as it is (printing a named file).
  void SetSportFileForRun(const std::string& file) { m_strSportFile = file; }

  bool DoFileSave() override;
  bool OnSaveDocument(const std::string& path) override;

 private:
  AppProfile& m_profile;
  std::string m_strDirectory;
  std::string m_strSportFile;
};

}  // namespace corvella
