#pragma once
// The request document: the configuration values, the program directory,
// and the shown list's rows, file, history and saved state. The rows (13
// cell texts each, in the columns of request_record.h) are the document's;
// its one view shows them, turns keys and clicks into changes of them, and
// fills them from a file and writes them to one when the document says so.
//
// The configuration is read afresh by each reader, so edits of CORVELLA.INI
// take effect at the next use; only a load that records its sport writes it.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/text_rows.h"
#include "requests/document.h"

namespace corvella {

class AppProfile;
class RequestFileText;

// The serial line of "COMPORT", "BAUD", "WORD", "STOPBITS" and "PARITY" in
// [REQUEST].
struct ComSettings {
  int32_t comPort = 1;
  int32_t baud = 9600;
  int32_t wordLength = 8;
  int32_t stopBits = 1;
  char parity = 'N';  // 'E', 'N' or 'O'
};

// Which file the shown list is: the one place that says so.
struct ShownFile {
  std::string sportFile;    // the sport's request file name ("BASK.REQ"); Save writes it
  std::string origin;       // the file the list was read from, when another folder's
  std::string loadFailure;  // why the sport's file could not be read ("" when it was)
};

// How a list is opened.
struct OpenList {
  std::string sportFile;    // the sport whose list it becomes ("FOOT.REQ")
  std::string from;         // the file to read; "" for the sport's own file
  bool recordSport = true;  // the sport is recorded as "SPORT" of the configuration
};

// What an open came to: the list was loaded, or nothing changed and why.
struct OpenResult {
  bool loaded = false;
  std::string refusal;  // the message shown when not loaded
  explicit operator bool() const { return loaded; }
};

class CCorvellaDoc : public CDocument {
 public:
  // Reads "SPORT" (ReadConfiguredSportOrWarn).
  CCorvellaDoc(AppProfile& profile, Ui& ui);

  // The requests of the shown list, one row of kColumnCount texts each:
  // the list control, the accessible table, printing, the clipboard and the
  // sender read them; the view changes them.
  TextRows& Requests() { return m_requests; }
  const TextRows& Requests() const { return m_requests; }
  // The text of a request file of the rows exactly as they stand, without
  // the checks a save applies and without changing any cell.
  RequestFileText RequestsAsShown() const;

  // The program directory, "" or ending in "/".
  std::string GetDirectory() const { return m_strDirectory; }
  // The shown list's sport file name ("BASK.REQ").
  std::string GetSportFile() const { return m_file.sportFile; }
  // The shown list's sport code ("BASK").
  std::string GetSportCode() const { return m_file.sportFile.substr(0, 4); }
  // The file Save writes: the sport's file in the program directory.
  std::string GetPathName() const { return m_strDirectory + m_file.sportFile; }
  const ShownFile& GetShownFile() const { return m_file; }
  // Why the shown list's file could not be read ("" when it was read, or
  // did not exist). A file that exists but could not be read is never taken
  // as an empty list: while this is set, no save writes or removes it; the
  // next load that succeeds clears it.
  const std::string& GetLoadFailure() const { return m_file.loadFailure; }
  // True when the shown list is Football's: the Top 3 rules apply.
  bool IsFootball() const { return GetSportCode() == "FOOT"; }

  // "ZLRTDINPUT" of [REQUEST]: 0 the serial port, n the sign service's
  // input n - 1.
  int32_t ReadRtdInput() const;
  // The sport code "SPORT" of [REQUEST] selects; an unknown sport shows
  // "Illegal Sport in CORVELLA.INI file!" and counts as Basketball ("BASK").
  std::string ReadConfiguredSportOrWarn();
  // "SIGNSERVER" of [REQUEST]: the computer whose sign service receives the
  // requests; "." (this computer) when the key is missing or empty. Never
  // written.
  std::string GetSignServer() const;
  // The serial line's settings; a parity letter other than E, N or O (only
  // the first character counts) is taken as N.
  ComSettings ReadComSettings() const;
  // The sport file whose name begins like `text` ("" when none).
  static std::string SportFileOf(const std::string& text);
  // Records the sport of `sportFile` as "SPORT" ("" when it names none).
  void SetSport(const std::string& sportFile);
  // Makes `sportFile` the shown sport without loading or recording it
  // (before a list is loaded, and in tests).
  void SetSportFileForRun(const std::string& sportFile) { m_file.sportFile = sportFile; }

  // Every way of opening a list ends here: start-up, a sport switch, New,
  // Open, the command line, a dropped or handed-over file. Reads the chosen
  // file into the view's list with the load's field checks; the list is
  // unsaved when the load corrected a value or the file lies elsewhere
  // (Save writes the sport's own file). A file elsewhere that cannot be read
  // changes nothing. No save prompt: the caller runs it first.
  OpenResult Open(const OpenList& what);
  // How many lists were loaded so far: a change that loaded one is no step.
  std::size_t LoadCount() const { return m_nLoads; }
  // Loads the current sport's own file again, without a save prompt.
  OpenResult Reload();
  // New: the save prompt, then the current sport's own file again; false
  // when the operator cancelled or the save failed.
  bool FileNew();

  std::string GetTitle() const override;
  std::string GetSaveName() const override { return m_file.sportFile; }
  bool DoFileSave() override;
  // Saves the list to the sport's file in the program directory (the
  // argument is not used: there is no Save As). False, with the reason
  // shown, when nothing was written.
  bool OnSaveDocument(const std::string& path);

 private:
  AppProfile& m_profile;
  TextRows m_requests;
  std::string m_strDirectory;
  ShownFile m_file;
  std::size_t m_nLoads = 0;
};

}  // namespace corvella
