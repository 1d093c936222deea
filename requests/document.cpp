#include "requests/document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/unique_fd.h"
#include "platform/file_path.h"
#include "platform/ui.h"

namespace corvella {

bool CanOpenForReading(const std::string& path) {
  const base::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) return false;
  struct stat st {};
  return ::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode);
}

void CDocument::SetModifiedFlag(bool modified) {
  if (modified == m_bModified) return;
  m_bModified = modified;
  if (onModifiedChanged) onModifiedChanged(m_bModified);
}

void CDocument::SetTitle(const std::string& title) {
  m_strTitle = title;
  if (onTitleChanged) onTitleChanged(m_strTitle);
}

bool CDocument::SaveModified() {
  if (!IsModified()) return true;
  std::string name = m_strTitle;
  if (name.empty()) name = FileNamePart(m_strPathName);
  if (name.empty()) name = "Untitled";
  switch (m_ui.MessageBox("Save changes to " + name + "?", "Corvella",
                          MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
    case IDYES: return DoFileSave();
    case IDNO: return true;
    default: return false;
  }
}

bool CDocument::DoFileSave() {
  // There is no Save As: a document without a path has nowhere to go.
  if (m_strPathName.empty()) return false;
  return DoSave(m_strPathName, true);
}

bool CDocument::DoSave(const std::string& path, bool replace) {
  if (!OnSaveDocument(path)) return false;
  if (replace) SetPathName(path);
  if (onSaved) onSaved();
  return true;
}

bool CDocument::FileNew() {
  if (!SaveModified()) return false;
  if (!OnNewDocument()) return false;
  if (m_pDocView != nullptr) m_pDocView->OnInitialUpdate();
  return true;
}

bool CDocument::FileOpen(const std::string& path) {
  if (!SaveModified()) return false;
  if (!OnOpenDocument(path)) return false;
  SetPathName(path);
  if (m_pDocView != nullptr) m_pDocView->OnInitialUpdate();
  return true;
}

bool CDocument::OnNewDocument() {
  m_strPathName.clear();
  SetModifiedFlag(false);
  return true;
}

bool CDocument::OnOpenDocument(const std::string& path) {
  // The document reads nothing from the file, but a file that cannot be
  // opened is reported and leaves everything as it was.
  if (!CanOpenForReading(path)) {
    m_ui.MessageBox("Failed to open document " + path + ".", "Corvella",
                    MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  SetModifiedFlag(false);
  return true;
}

}  // namespace corvella
