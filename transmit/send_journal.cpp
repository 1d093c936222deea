#include "transmit/send_journal.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <future>
#include <utility>

#include "platform/user_folder.h"

namespace corvella {

namespace {

constexpr char kHeading[] =
    "# requested\tended\tsend\tlist\trequest\tdescription\tsign\tteam/player\tdestination\tstate\t"
    "status\toutcome\n";

enum FailureKind { kFolderFailure, kLineFailure, kRotationFailure };

// A program folder's journal name: its last part, kept readable, and a hash
// of the whole path, so that two folders of the same name differ.
std::string JournalStem(const std::string& programFolder) {
  std::string folder = programFolder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  uint64_t hash = 0xcbf29ce484222325ULL;
  for (unsigned char c : folder) {
    hash ^= c;
    hash *= 0x100000001b3ULL;
  }
  std::string base = folder.substr(folder.rfind('/') + 1);
  if (base.size() > 32) base.resize(32);
  for (char& c : base) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_';
    if (!plain) c = '_';
  }
  char text[20];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return "send-log-" + base + "-" + text;
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

// ---- the journal --------------------------------------------------------------------

SendJournal::SendJournal(std::string stateFolder, const std::string& programFolder,
                         ErrorObserver* errors)
    : m_folderPath(std::move(stateFolder)),
      m_name(JournalStem(programFolder) + ".tsv"),
      m_stem(JournalStem(programFolder)),
      m_errors(errors),
      m_thread([this] { Run(); }) {
  // The writer gives way to the window: woken by a line, it must not take
  // the processor from the user-interface thread that handed it over.
  Post([] { ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19); });
}

SendJournal::~SendJournal() {
  {
    std::lock_guard lock(m_mutex);
    m_stop = true;
  }
  m_wake.notify_one();
  m_thread.join();
}

std::string SendJournal::RotatedName(int n) const {
  return m_stem + "." + std::to_string(n) + ".tsv";
}

void SendJournal::Post(std::function<void()> job) {
  {
    std::lock_guard lock(m_mutex);
    m_jobs.push_back(std::move(job));
  }
  m_wake.notify_one();
}

void SendJournal::Run() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
    if (m_jobs.empty()) return;  // stopping, and every line is written
    std::function<void()> job = std::move(m_jobs.front());
    m_jobs.pop_front();
    m_busy = true;
    lock.unlock();
    job();
    lock.lock();
    m_busy = false;
    if (m_jobs.empty()) m_idle.notify_all();
  }
}

void SendJournal::WaitUntilWritten() {
  std::unique_lock lock(m_mutex);
  m_idle.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
}

void SendJournal::Append(const SendReport& report) {
  if (!report.Ended()) return;
  Post([this, line = JournalLine(report) + '\n'] { Write(line); });
}

void SendJournal::Fail(int kind, const std::string& error) {
  if (m_failed[kind]) return;
  m_failed[kind] = true;
  if (m_errors) m_errors->OnJournalError(error);
}

void SendJournal::Write(const std::string& line) {
  std::string error;
  if (!m_folder || !m_folder->IsOpen()) {
    m_folder = std::make_unique<UserFolder>(UserFolder::Open(m_folderPath, &error));
    if (!m_folder->IsOpen()) {
      Fail(kFolderFailure, m_folderPath + ": " + error);
      m_folder.reset();
      return;
    }
  }
  // Opened afresh for every line: a journal moved away or deleted is made
  // again here, and nothing is held open between sends.
  base::UniqueFd fd = m_folder->OpenForAppend(m_name, &error);
  struct stat st {};
  if (fd && ::fstat(fd.get(), &st) == 0 && static_cast<std::size_t>(st.st_size) > kMaxBytes) {
    fd.reset();
    if (!Rotate(&error)) Fail(kRotationFailure, Path() + " could not be rotated: " + error);
    fd = m_folder->OpenForAppend(m_name, &error);
    if (fd && ::fstat(fd.get(), &st) != 0) st.st_size = 1;
  }
  if (!fd) {
    Fail(kLineFailure, Path() + ": " + error);
    return;
  }
  std::string bytes = st.st_size == 0 ? kHeading + line : line;
  // A file this writer did not end (the program crashed inside a line, or
  // the file was changed by hand) may end in the middle of a line, which
  // would swallow this one: it starts on a line of its own.
  if (st.st_size > 0 && (st.st_ino != m_endedIno || st.st_dev != m_endedDev ||
                         static_cast<unsigned long long>(st.st_size) != m_endedSize)) {
    std::string content;
    if (m_folder->ReadFile(m_name, kMaxBytes + kMaxJournalLine, &content, &error) &&
        !content.empty() && content.back() != '\n')
      bytes.insert(bytes.begin(), '\n');
  }
  if (!WriteAll(fd.get(), bytes)) {
    Fail(kLineFailure, Path() + ": " + std::strerror(errno));
    return;
  }
  m_endedIno = st.st_ino;
  m_endedDev = st.st_dev;
  m_endedSize = static_cast<unsigned long long>(st.st_size) + bytes.size();
}

bool SendJournal::Rotate(std::string* error) {
  // The oldest kept file goes; every other moves one place down.
  std::string why;
  if (!m_folder->Remove(RotatedName(kKeptFiles), &why)) {
    *error = why;
    return false;
  }
  for (int n = kKeptFiles - 1; n >= 1; --n) {
    if (!m_folder->Rename(RotatedName(n), RotatedName(n + 1), &why) && !why.empty()) {
      *error = why;
      return false;
    }
  }
  if (!m_folder->Rename(m_name, RotatedName(1), &why)) {
    *error = why.empty() ? "the journal went away" : why;
    return false;
  }
  return true;
}

std::vector<SendReport> SendJournal::ReadHistory(std::size_t max, int* highest) {
  std::promise<std::vector<SendReport>> result;
  std::future<std::vector<SendReport>> future = result.get_future();
  int top = 0;
  Post([this, max, &result, &top] {
    std::string error;
    UserFolder folder = UserFolder::OpenExisting(m_folderPath, &error);
    std::vector<SendReport> history;
    // Newest file first; each file's lines are oldest first.
    for (int n = 0; n <= kKeptFiles && folder.IsOpen(); ++n) {
      std::string content;
      if (!folder.ReadFile(n == 0 ? m_name : RotatedName(n), kMaxBytes + kMaxJournalLine, &content,
                           &error))
        continue;
      std::vector<SendReport> sends;
      std::size_t start = 0;
      while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        SendReport r;
        if (ParseJournalLine(std::string_view(content).substr(start, end - start), &r)) {
          top = std::max(top, r.send);
          sends.push_back(std::move(r));
        }
        start = end + 1;
      }
      // The newest of the older file go before the ones already taken.
      const std::size_t room = max - std::min(max, history.size());
      const std::size_t take = std::min(room, sends.size());
      history.insert(history.begin(), std::make_move_iterator(sends.end() - take),
                     std::make_move_iterator(sends.end()));
    }
    result.set_value(std::move(history));
  });
  std::vector<SendReport> history = future.get();
  if (highest) *highest = top;
  return history;
}

}  // namespace corvella
