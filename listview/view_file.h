#pragma once
// The request list and its file: filling the rows from a request file,
// writing the rows back, and the Sport menu's items.
//
// Loading reads the file once and passes every value through its field check
// in loading mode (messages on, bad values replaced). Saving passes every cell
// through its check in quiet mode, keeps the normalised text in the cell, and
// writes the finished text in one atomic step, so the file on disk is always
// either the old list or the new one.

#include <string>

#include "requests/document.h"
#include "requests/request_file.h"

namespace corvella {

class CCmdUI;
class CCorvellaDoc;
class CListViewEx;
class FieldChecks;
class ProfileFile;
class Ui;
struct ViewServices;

// The document's view of the list: the request view hands it to the
// document, which loads and saves the list through it.
class ListFile : public DocumentView {
 public:
  // Fills and reads the rows of `view`, with `checks`, telling through `ui`;
  // the columns are measured by the measure of `services`. All of them must
  // outlive this object.
  ListFile(CListViewEx& view, Ui& ui, FieldChecks& checks, const ViewServices& services);

  // Fills the list from the requests of `file` instead of the sport's own
  // file (the recovery copy), with the load's field checks; the document's
  // file stays as it is (a file without requests empties the list).
  void LoadRowsFrom(const ProfileFile& file);
  // The text a save writes: every cell first meets its check (without
  // messages) and keeps what the check made of it.
  RequestFileText RequestsAsFileText();

  // ---- implements DocumentView ------------------------------------------------------
  ListLoad LoadList(const std::string& path, const std::string& name) override;
  FileWriteResult SaveRequests(const std::string& path) override;

 private:
  // Fills the empty list with the first `count` requests of the parsed file.
  void FillRows(const ProfileFile& file, int count);

  CListViewEx& m_view;
  Ui& m_ui;
  FieldChecks& m_checks;
  const ViewServices& m_services;
};

// ---- the Sport menu ------------------------------------------------------------------

// The request files of the Sport menu's two sports.
std::string FootballFile();
std::string BasketballFile();

// Makes `target` (a request file name) the current sport: asks to save a
// modified list first (a save that failed has been reported, and the list
// stays so nothing is lost), then loads the sport's own file.
void SwitchSport(CCorvellaDoc& doc, const std::string& target);

// The Sport menu's item of `file`: enabled when the file can be read now,
// checked when it is the sport on show; greyed, it says why.
void UpdateSportItem(const CCorvellaDoc& doc, const std::string& file, CCmdUI* pCmdUI);

}  // namespace corvella
