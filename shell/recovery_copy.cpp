#include "shell/recovery_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "listview/corvella_view.h"
#include "platform/file_path.h"
#include "platform/profile.h"
#include "platform/ui.h"
#include "platform/user_folder.h"
#include "requests/corvella_doc.h"
#include "requests/request_file.h"

namespace corvella {

namespace {

constexpr int kWriteDelayMs = 500;

// Every copy begins with this section, which says how many requests follow:
// a copy of an empty list is told from a file that lost its content.
constexpr const char* kHeaderSection = "RECOVERY";
constexpr const char* kHeaderCount = "Requests";

// The folder of `path` without its trailing "/", "." when it has none.
std::string DirectoryOf(const std::string& path) {
  const std::string_view folder = FolderPart(path);
  return folder.empty() ? std::string(".") : std::string(folder.substr(0, folder.size() - 1));
}

std::string BaseName(const std::string& path) { return std::string(FileNamePart(path)); }

// FNV-1a: the same folder gives the same name in every version of the
// program.
std::string FolderHash(const std::string& folder) {
  uint64_t hash = 0xcbf29ce484222325ULL;
  for (unsigned char c : folder) {
    hash ^= c;
    hash *= 0x100000001b3ULL;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

std::string TimeText(std::time_t when, const char* format) {
  std::tm local{};
  char text[64] = "";
  if (localtime_r(&when, &local)) std::strftime(text, sizeof text, format, &local);
  return text;
}

bool Newer(const struct stat& a, const struct stat& b) {
  if (a.st_mtim.tv_sec != b.st_mtim.tv_sec) return a.st_mtim.tv_sec > b.st_mtim.tv_sec;
  return a.st_mtim.tv_nsec > b.st_mtim.tv_nsec;
}

// Whether `line` (its CR gone) is "key=..." with one of a request's keys.
bool IsRequestValueLine(std::string_view line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  const std::string_view key = line.substr(0, equals);
  for (int column = COL_DESCRIPTION; column <= kLastColumn; ++column) {
    if (key == kColumns[column].key) return true;
  }
  return false;
}

// Whether `body` is exactly a list of `count` requests as the copies are
// written: the sections REQ1 to REQ<count> in order, each holding only
// request values and empty lines, and nothing else (no line before the
// first section, no other section, nothing at all when `count` is 0).
bool IsExactList(std::string_view body, int count) {
  int section = 0;
  while (!body.empty()) {
    const std::size_t end = std::min(body.find('\n'), body.size());
    std::string_view line = body.substr(0, end);
    body.remove_prefix(std::min(end + 1, body.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() && section > 0) continue;  // between requests
    if (!line.empty() && line.front() == '[') {
      if (line != "[" + RequestSectionName(section + 1) + "]") return false;
      ++section;
    } else if (section == 0 || !IsRequestValueLine(line)) {
      return false;
    }
  }
  return section == count;
}

// The list a copy holds, or why it holds none: its header counts the
// requests that follow, and what follows must be exactly that list (a copy
// without a header, written before copies had one, must hold requests and
// nothing else).
std::string CopyFault(const std::string& text, ProfileFile& list) {
  const std::string headerStart = std::string("[") + kHeaderSection + "]";
  std::string_view body = text;
  int announced = -1;
  if (body.substr(0, headerStart.size()) == headerStart) {
    // "[RECOVERY]", "Requests=<n>", an empty line, the list.
    const std::size_t blank = body.find("\r\n\r\n");
    if (blank == std::string_view::npos) return "it does not hold the list it was written with";
    const ProfileFile header(body.substr(0, blank + 2));
    announced = header.GetInt(kHeaderSection, kHeaderCount, -1);
    const std::string exact =
        headerStart + "\r\n" + kHeaderCount + "=" + std::to_string(announced) + "\r\n\r\n";
    if (announced < 0 || announced > kMaxRequests || body.substr(0, exact.size()) != exact)
      return "it does not hold the list it was written with";
    body.remove_prefix(exact.size());
  }
  list = ProfileFile(body);
  const int count = CountRequestsInFile(list);
  if (announced < 0 && count == 0) return "it does not hold a list of requests";
  if (!IsExactList(body, announced < 0 ? count : announced) ||
      (announced >= 0 && count != announced))
    return "it does not hold the list it was written with";
  return {};
}

}  // namespace

RecoveryCopy::RecoveryCopy(CCorvellaView& view, CCorvellaDoc& doc, Ui& ui)
    : m_view(view), m_doc(doc), m_ui(ui) {
  // A burst of changes is written once, about half a second after the first;
  // with no change the copy's timer does not run at all.
  m_timer.setSingleShot(true);
  m_timer.setInterval(kWriteDelayMs);
  QObject::connect(&m_timer, &QTimer::timeout, this, [this] { WriteOrRemoveCopy(); });
  m_doc.AddObserver(this);
}

RecoveryCopy::~RecoveryCopy() {
  m_doc.RemoveObserver(this);
  Remove();
}

std::string RecoveryCopy::Folder() {
  // No home folder at all: no folder, which opening it refuses.
  return UserStateFolderPath();
}

std::string RecoveryCopy::PathFor(const std::string& requestFile) {
  const std::string folder = DirectoryOf(requestFile);
  return Folder() + "/" + BaseName(folder) + "-" + FolderHash(folder) + "-" +
         BaseName(requestFile) + ".recovery";
}

void RecoveryCopy::OnListLoaded() {
  // The list loaded before this one was saved or given up ("No" in the save
  // prompt): its copy has done its work.
  Remove();
  m_strPath = PathFor(m_doc.GetPathName());
  m_bWritten = false;
  if (m_doc.GetShownFile().origin.empty()) OfferRestore();
  ScheduleWrite();
}

void RecoveryCopy::ScheduleWrite() {
  if (!m_timer.isActive()) m_timer.start();
}

void RecoveryCopy::WriteOrRemoveCopy() {
  if (m_strPath.empty()) return;
  if (!m_doc.IsModified()) {
    if (m_bMayExist) Remove();
    return;
  }
  // The rows have not changed since they were written: the copy holds them.
  const unsigned long revision = m_doc.Requests().Revision();
  if (m_bWritten && revision == m_writtenRevision) return;
  const RequestFileText list = m_doc.RequestsAsShown();
  std::string reason;
  if (const UserFolder folder = UserFolder::Open(Folder(), &reason); folder.IsOpen()) {
    const std::string header = std::string("[") + kHeaderSection + "]\r\n" + kHeaderCount + "=" +
                               std::to_string(list.Count()) + "\r\n\r\n";
    folder.ReplaceFile(BaseName(m_strPath), header + list.Text(), &reason);
  }
  if (!reason.empty()) {
    // Said once, until a copy can be written again: the operator must know
    // that a crash now would lose the changes, but not be asked twice a second.
    if (!m_bWarned) {
      m_bWarned = true;
      m_ui.MessageBox("The unsaved changes to " + BaseName(m_doc.GetPathName()) +
                          " cannot be kept in a recovery copy (" + reason +
                          ").\nA crash would lose them: save them as soon as you can.",
                      "Corvella", MB_OK | MB_ICONEXCLAMATION);
    }
    return;
  }
  m_bWarned = false;
  m_writtenRevision = revision;
  m_bWritten = true;
  m_bMayExist = true;
}

void RecoveryCopy::OfferRestore() {
  // Copies are taken only from a folder that is the user's alone (one that
  // others can write to may hold anything), and the folder checked is the
  // one read from and restored from: the copy is read once, here, and those
  // bytes are what a Yes restores.
  const UserFolder folder = UserFolder::OpenExisting(Folder(), nullptr);
  if (!folder.IsOpen()) return;
  const std::string copyName = BaseName(m_strPath);
  struct stat copy {};
  if (::fstatat(folder.Fd(), copyName.c_str(), &copy, AT_SYMLINK_NOFOLLOW) != 0)
    return;  // nothing was left behind
  const std::string file = m_doc.GetPathName();
  const std::string name = BaseName(file);
  std::string text, failure;
  if (!folder.ReadFile(copyName, ProfileFile::kMaxBytes, &text, &failure)) {
    SetAside(folder,
             "it could not be read (" + (failure.empty() ? std::string("missing") : failure) + ")");
    return;
  }
  struct stat saved {};
  if (::stat(file.c_str(), &saved) == 0 && !Newer(copy, saved)) {
    SetAside(folder, "it is older than " + name + ", which was saved after it");
    return;
  }
  // What is not exactly a list is never offered: restoring it would empty
  // the list, and the next save would remove the request file.
  ProfileFile list;
  if (const std::string fault = CopyFault(text, list); !fault.empty()) {
    SetAside(folder, fault);
    return;
  }
  const std::string when = TimeText(copy.st_mtim.tv_sec, "%H:%M:%S on %Y-%m-%d");
  const int answer =
      m_ui.MessageBox("Corvella ended without saving the changes to " + name +
                          ". A copy of the list as it was at " + when +
                          " was kept.\n\nRestore these changes?\n(No sets the copy aside in " +
                          Folder() + ", where it stays.)",
                      "Corvella", MB_YESNO | MB_ICONQUESTION);
  if (answer != IDYES) {
    // Kept, not removed: a wrong answer can still be undone by hand.
    SetAside(folder, "restoring it was declined", false);
    return;
  }
  m_view.LoadRowsFrom(list);
  m_bMayExist = true;
  // The restored rows are unsaved changes: Save writes them, the save prompt
  // asks for them, and no undo makes them look saved.
  m_doc.History().MarkUnsaved();
  m_view.GetListCtrl().Invalidate();
}

void RecoveryCopy::SetAside(const UserFolder& folder, const std::string& why, bool tell) {
  const std::string asideName =
      BaseName(m_strPath) + "." + TimeText(std::time(nullptr), "%Y%m%d-%H%M%S") + ".set-aside";
  const std::string aside = Folder() + "/" + asideName;
  const bool moved = folder.Rename(BaseName(m_strPath), asideName, nullptr);
  if (!tell && moved) return;
  m_ui.MessageBox(
      "A recovery copy of " + BaseName(m_doc.GetPathName()) + " was not used because " + why +
          ".\n" + (moved ? "It was set aside as " + aside + "." : "It stays as " + m_strPath + "."),
      "Corvella", MB_OK | MB_ICONEXCLAMATION);
}

void RecoveryCopy::Remove() {
  if (!m_strPath.empty()) {
    if (const UserFolder folder = UserFolder::OpenExisting(Folder(), nullptr); folder.IsOpen())
      folder.Remove(BaseName(m_strPath), nullptr);
  }
  m_bWritten = false;
  m_bMayExist = false;
}

}  // namespace corvella
