#include "shell/recovery_copy.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "listview/corvella_view.h"
#include "platform/atomic_file.h"
#include "platform/file_path.h"
#include "platform/profile.h"
#include "platform/program_path.h"
#include "platform/ui.h"
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

// Why `folder` (made with its parents when missing and `make`) cannot hold
// the copies, "" when it can: it must be a folder of this user that nobody
// else can write to, in a parent of the same kind, so nobody else can read
// the copies, put their own in, or swap the folder for another.
std::string FolderFault(const std::string& folder, bool make) {
  std::string path;
  std::size_t from = 0;
  while (make && from != std::string::npos) {
    const std::size_t slash = folder.find('/', from + 1);
    path = folder.substr(0, slash);
    if (!path.empty()) ::mkdir(path.c_str(), 0700);
    from = slash;
  }
  for (const std::string& each : {DirectoryOf(folder), folder}) {
    struct stat st {};
    if (::lstat(each.c_str(), &st) != 0) return each + ": " + std::strerror(errno);
    if (!S_ISDIR(st.st_mode)) return each + " is not a folder";
    if (st.st_uid != ::getuid()) return each + " belongs to another user";
    if ((st.st_mode & 022) != 0) return each + " can be written by other users";
  }
  return {};
}

// Why the copy at `path` does not hold a list, "" when it does: it can be
// read, and its header counts the requests that follow (a copy without a
// header, written before copies had one, must hold requests).
std::string CopyFault(const std::string& path) {
  std::string text, failure;
  if (!ProfileFile::ReadText(path, text, &failure))
    return "it could not be read (" + (failure.empty() ? std::string("missing") : failure) + ")";
  const ProfileFile copy = ProfileFile::FromText(std::move(text));
  const int count = CountRequestsInFile(copy);
  if (!copy.HasSection(kHeaderSection))
    return count > 0 ? std::string() : "it does not hold a list of requests";
  if (copy.GetInt(kHeaderSection, kHeaderCount, -1) != count)
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
  // No home folder at all: no folder, which the checks below refuse.
  const std::string state = UserBaseDirectory("XDG_STATE_HOME", ".local/state");
  return state.empty() ? std::string() : state + "/corvella";
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
  m_written.clear();
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
  ListRows rows = TakeRows(m_view.GetListCtrl());
  if (m_bWritten && SameRows(rows, m_written)) return;
  const RequestFileText list = m_view.RequestsAsShown();
  std::string reason = FolderFault(Folder(), true);
  if (reason.empty()) {
    const std::string header = std::string("[") + kHeaderSection + "]\r\n" + kHeaderCount + "=" +
                               std::to_string(list.Count()) + "\r\n\r\n";
    if (const FileWriteResult written = WritePrivateFileAtomically(m_strPath, header + list.Text());
        !written)
      reason = m_strPath + ": " + written.Reason();
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
  m_written = std::move(rows);
  m_bWritten = true;
  m_bMayExist = true;
}

void RecoveryCopy::OfferRestore() {
  struct stat copy {};
  if (::lstat(m_strPath.c_str(), &copy) != 0) return;  // nothing was left behind
  // Copies are taken only from a folder that is the user's alone: one that
  // others can write to may hold anything.
  if (!FolderFault(Folder(), false).empty()) return;
  const std::string file = m_doc.GetPathName();
  const std::string name = BaseName(file);
  if (!S_ISREG(copy.st_mode)) {
    SetAside("it is not a regular file");
    return;
  }
  struct stat saved {};
  if (::stat(file.c_str(), &saved) == 0 && !Newer(copy, saved)) {
    SetAside("it is older than " + name + ", which was saved after it");
    return;
  }
  // What cannot be a list is never offered: restoring it would empty the
  // list, and the next save would remove the request file.
  if (const std::string fault = CopyFault(m_strPath); !fault.empty()) {
    SetAside(fault);
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
    SetAside("restoring it was declined", false);
    return;
  }
  if (!m_view.LoadRowsFrom(m_strPath)) {
    SetAside("it could not be read");
    return;
  }
  m_bMayExist = true;
  // The restored rows are unsaved changes: Save writes them, the save prompt
  // asks for them, and no undo makes them look saved.
  m_doc.History().MarkUnsaved();
  m_view.GetListCtrl().Invalidate();
}

void RecoveryCopy::SetAside(const std::string& why, bool tell) {
  const std::string aside =
      m_strPath + "." + TimeText(std::time(nullptr), "%Y%m%d-%H%M%S") + ".set-aside";
  const bool moved = ::rename(m_strPath.c_str(), aside.c_str()) == 0;
  if (!tell && moved) return;
  m_ui.MessageBox(
      "A recovery copy of " + BaseName(m_doc.GetPathName()) + " was not used because " + why +
          ".\n" + (moved ? "It was set aside as " + aside + "." : "It stays as " + m_strPath + "."),
      "Corvella", MB_OK | MB_ICONEXCLAMATION);
}

void RecoveryCopy::Remove() {
  if (!m_strPath.empty()) ::unlink(m_strPath.c_str());
  m_bWritten = false;
  m_bMayExist = false;
}

}  // namespace corvella
