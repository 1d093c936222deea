#include "requests/document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "base/unique_fd.h"
#include "platform/ui.h"

namespace corvella {

bool CanOpenForReading(const std::string& path) {
  const base::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) return false;
  struct stat st {};
  return ::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode);
}

CDocument::CDocument(Ui& ui) : m_ui(ui), m_history([this] { OnHistoryMoved(); }) {}

void CDocument::OnHistoryMoved() {
  Notify(&DocumentObserver::OnHistoryChanged);
  if (IsModified() == m_bWasModified) return;
  m_bWasModified = IsModified();
  Notify(&DocumentObserver::OnTitleChanged);
}

void CDocument::AddObserver(DocumentObserver* observer) { m_observers.push_back(observer); }

void CDocument::RemoveObserver(DocumentObserver* observer) {
  m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer),
                    m_observers.end());
}

void CDocument::Notify(void (DocumentObserver::*event)()) {
  // A copy: an observer may go while it is told.
  const std::vector<DocumentObserver*> observers = m_observers;
  for (DocumentObserver* observer : observers) (observer->*event)();
}

bool CDocument::SaveModified() {
  if (!IsModified()) return true;
  std::string name = GetSaveName();
  if (name.empty()) name = "Untitled";
  switch (m_ui.MessageBox("Save changes to " + name + "?", "Corvella",
                          MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
    case IDYES: return DoFileSave();
    case IDNO: return true;
    default: return false;
  }
}

}  // namespace corvella
