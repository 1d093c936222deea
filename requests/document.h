#pragma once
// A small single-document base: modified flag, title, path name and the
// standard save prompt the New, Open and Exit commands run first.

#include <functional>
#include <string>

namespace corvella {

class Ui;

// True when `path` names a regular file that can be opened for reading now.
// Never blocks: a pipe in the file's place does not stall the program.
bool CanOpenForReading(const std::string& path);

// The one view of the document, as the document sees it.
class DocumentView {
 public:
  virtual ~DocumentView() = default;
  // Reloads the current sport's requests and rebuilds the columns.
  virtual void OnInitialUpdate() = 0;
  // Takes the request-file path afresh.
  virtual void UpdateFilePath() = 0;
  // Writes every row to the request file; false when the file could not be
  // written (the view has told the operator, and the old file is unchanged).
  virtual bool SaveRequests() = 0;
};

class CDocument {
 public:
  explicit CDocument(Ui& ui) : m_ui(ui) {}
  virtual ~CDocument() = default;
  CDocument(const CDocument&) = delete;
  CDocument& operator=(const CDocument&) = delete;

  bool IsModified() const { return m_bModified; }
  void SetModifiedFlag(bool modified = true);
  const std::string& GetTitle() const { return m_strTitle; }
  void SetTitle(const std::string& title);
  const std::string& GetPathName() const { return m_strPathName; }
  void SetPathName(const std::string& path) { m_strPathName = path; }

  // Why the document's file could not be read at its last load ("" when it
  // was read, or did not exist). A file that exists but could not be read
  // is never taken as an empty list: while this is set, no save writes or
  // removes it; the next load that succeeds clears it.
  const std::string& GetLoadFailure() const { return m_strLoadFailure; }
  void SetLoadFailure(const std::string& why) { m_strLoadFailure = why; }

  // Runs "Save changes to <title>?" with Yes, No and Cancel when modified.
  // Yes saves; returns false when the operator cancelled (or the save failed).
  virtual bool SaveModified();
  // Save with the document's own path.
  virtual bool DoFileSave();
  // The framework's save: OnSaveDocument(path), then records the path.
  bool DoSave(const std::string& path, bool replace);

  // The framework's New and Open commands (save prompt first). Open reports a
  // file it cannot read and then changes nothing.
  bool FileNew();
  bool FileOpen(const std::string& path);

  virtual bool OnNewDocument();
  virtual bool OnOpenDocument(const std::string& path);
  virtual bool OnSaveDocument(const std::string& path) = 0;

  void SetView(DocumentView* view) { m_pDocView = view; }
  DocumentView* GetDocView() const { return m_pDocView; }
  Ui& GetUi() const { return m_ui; }

  // Called whenever the title changes (the main frame shows it).
  std::function<void(const std::string&)> onTitleChanged;
  // Called whenever the modified flag changes (the title's marker shows it).
  std::function<void(bool modified)> onModifiedChanged;
  // Called after every save that wrote the file.
  std::function<void()> onSaved;

 protected:
  Ui& m_ui;
  DocumentView* m_pDocView = nullptr;

 private:
  bool m_bModified = false;
  std::string m_strTitle;
  std::string m_strPathName;
  std::string m_strLoadFailure;
};

}  // namespace corvella
