#pragma once
// RecoveryCopy: while the request list holds changes that were not saved, a
// copy of it is kept in the user's state folder ($XDG_STATE_HOME/corvella,
// else ~/.local/state/corvella), written with the crash-safe writer of the
// request files within about half a second of each change. A save, or
// leaving the list without saving, removes it; so a copy that is still there
// when a list is loaded is what a crash or a power cut left behind, and the
// operator is asked whether to restore it. A copy older than the request
// file, or one that cannot be read or does not hold a list, is set aside
// with a message, never applied silently; so is one the operator declines.
//
// The copies are the user's alone: their folder must belong to the user and
// be writable by nobody else (else no copy is written, and the operator is
// told why), every copy is written with mode 0600, and a symbolic link in a
// copy's place is replaced, never followed. A copy is read once, through the
// folder that was checked, and those bytes are what a restore applies; a
// copy whose body is not exactly the list its header announces is set
// aside.
//
// A copy is named after the program folder and the sport
// ("corvella-<hash of the folder>-BASK.REQ.recovery"), never lies in the
// program folder, and does not end in ".REQ", so it is never taken for a
// request file.

#include <QObject>
#include <QTimer>
#include <string>

#include "requests/document.h"

namespace corvella {

class CCorvellaDoc;
class CCorvellaView;
class Ui;
class UserFolder;

class RecoveryCopy : public QObject, public DocumentObserver {
 public:
  // Follows `doc` from now on.
  RecoveryCopy(CCorvellaView& view, CCorvellaDoc& doc, Ui& ui);
  // Removes the copy: the window closes after the save prompt (saved, or
  // "No").
  ~RecoveryCopy() override;

  // The folder of the copies: UserStateFolderPath().
  static std::string Folder();
  // The copy of the list of `requestFile` (a full path).
  static std::string PathFor(const std::string& requestFile);

  // A list was loaded: the copy of the list before it goes (it was saved or
  // given up), and a copy of the new one is offered for restoring (not for a
  // list read from another folder: the copy then only follows its file).
  void OnListLoaded() override;
  // Writes or removes the copy as the list and the document stand now; runs
  // shortly after each change of the document's history.
  void WriteOrRemoveCopy();

  // ---- implements DocumentObserver -------------------------------------------------
  void OnHistoryChanged() override { ScheduleWrite(); }

 private:
  void ScheduleWrite();
  void OfferRestore();
  // Renames the copy out of the way; says so (with `why`) when `tell`, and
  // always when it cannot be renamed.
  void SetAside(const UserFolder& folder, const std::string& why, bool tell = true);
  void Remove();

  CCorvellaView& m_view;
  CCorvellaDoc& m_doc;
  Ui& m_ui;
  QTimer m_timer;
  std::string m_strPath;                // the copy of the list loaded now
  unsigned long m_writtenRevision = 0;  // the revision of the rows the copy holds
  bool m_bWritten = false;
  bool m_bMayExist = false;  // written, or restored from
  bool m_bWarned = false;    // told that no copy can be written
};

}  // namespace corvella
