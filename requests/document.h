#pragma once
// A small single-document base: the undo history and the saved state it
// gives, the standard save prompt the New, Open and Exit commands run first,
// and the observers that follow the document.
//
// "Modified" is a reading of the history: the document is modified exactly
// when the history stands away from its saved state. Nothing else writes it.

#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "requests/edit_history.h"

namespace corvella {

class Ui;

// True when `path` names a regular file that can be opened for reading now.
// Never blocks: a pipe in the file's place does not stall the program.
bool CanOpenForReading(const std::string& path);

// What a load of the list came to.
struct ListLoad {
  bool read = true;        // false: the file exists but could not be read
  std::string failure;     // why not ("" when it was read, or did not exist)
  bool corrected = false;  // a field check replaced a bad value of the file
};

// The one view of the document, as the document sees it: it fills the list
// from a file and writes the list to one.
class DocumentView {
 public:
  virtual ~DocumentView() = default;
  // Fills the list afresh from the request file at `path`, whose messages
  // name it `name`; a missing file gives an empty list.
  virtual ListLoad LoadList(const std::string& path, const std::string& name) = 0;
  // Writes every row to the request file at `path`; on failure the old file
  // is left as it was.
  virtual FileWriteResult SaveRequests(const std::string& path) = 0;
};

// Those who follow the document (the title, the status bar, the recovery
// copy): told after the document changed.
class DocumentObserver {
 public:
  virtual ~DocumentObserver() = default;
  // A new list is shown, whatever way it was opened.
  virtual void OnListLoaded() {}
  // A step was recorded, undone or redone, or the saved state moved.
  virtual void OnHistoryChanged() {}
  // The title (the file, whether it was read, modified or not) changed.
  virtual void OnTitleChanged() {}
  // A save wrote the file.
  virtual void OnSaved() {}
};

class CDocument {
 public:
  explicit CDocument(Ui& ui);
  virtual ~CDocument() = default;
  CDocument(const CDocument&) = delete;
  CDocument& operator=(const CDocument&) = delete;

  bool IsModified() const { return !m_history.IsClean(); }
  EditHistory& History() { return m_history; }
  const EditHistory& History() const { return m_history; }
  // The document's title: its file and what is known of it.
  virtual std::string GetTitle() const = 0;
  // The name the save prompt asks about.
  virtual std::string GetSaveName() const = 0;

  // Runs "Save changes to <name>?" with Yes, No and Cancel when modified.
  // Yes saves; returns false when the operator cancelled (or the save failed).
  bool SaveModified();
  // Saves to the document's own file; false when nothing was written (the
  // reason was shown).
  virtual bool DoFileSave() = 0;

  void SetView(DocumentView* view) { m_pDocView = view; }
  DocumentView* GetDocView() const { return m_pDocView; }
  Ui& GetUi() const { return m_ui; }

  // `observer` is told of changes until it is removed (it must be removed
  // before it goes).
  void AddObserver(DocumentObserver* observer);
  void RemoveObserver(DocumentObserver* observer);

 protected:
  // Tells every observer, through `event`.
  void Notify(void (DocumentObserver::*event)());

  Ui& m_ui;
  DocumentView* m_pDocView = nullptr;

 private:
  void OnHistoryMoved();

  EditHistory m_history;
  bool m_bWasModified = false;
  std::vector<DocumentObserver*> m_observers;
};

}  // namespace corvella
