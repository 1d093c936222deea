#pragma once
// The Send Log's journal: every send that ended, one line each, in files of
// the user's state folder, so the record of a game outlives the program (a
// crash included) and is read back at the next start.
//
// Each program folder keeps a journal of its own ("send-log-<folder>-<hash>
// .tsv"): two programs on two folders never write or rotate each other's.
// Past kMaxBytes the file becomes ".1.tsv", the one before that ".2.tsv" and
// so on; kKeptFiles old files are kept. Every file is reached through the
// checked user folder: no link is followed, a FIFO or device in a file's
// place is refused, files are made 0600. A line is opened, appended and
// closed for each send, so a journal moved or deleted while the program runs
// is made again at the next send. Its lines: see journal_line.h.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "transmit/journal_line.h"
#include "transmit/send_ledger.h"

namespace corvella {

class UserFolder;

class SendJournal {
 public:
  static constexpr std::size_t kMaxBytes = 1 << 20;
  static constexpr int kKeptFiles = 5;

  // Told why the journal cannot be kept as it should.
  class ErrorObserver {
   public:
    virtual ~ErrorObserver() = default;
    // On the writer's thread, once for each kind of failure (the folder, a
    // line, the rotation).
    virtual void OnJournalError(const std::string& error) = 0;
  };

  // The journal of `programFolder`, in the user's folder `stateFolder`
  // (made 0700 when missing, at the first write or read). Nothing is read or
  // written here. `errors`, when given, must outlive the journal: the writer
  // may still fail while the destructor writes the last lines.
  SendJournal(std::string stateFolder, const std::string& programFolder,
              ErrorObserver* errors = nullptr);
  // Writes every line handed over before it goes.
  ~SendJournal();
  SendJournal(const SendJournal&) = delete;
  SendJournal& operator=(const SendJournal&) = delete;

  // The file's name in the folder, and the full path of the current file.
  const std::string& FileName() const { return m_name; }
  std::string Path() const { return m_folderPath + "/" + m_name; }
  // The name of the `n`th older file (1 is the newest of them).
  std::string RotatedName(int n) const;

  // Hands the line of `report` to the writer when the send has ended.
  void Append(const SendReport& report);
  // Blocks until every line handed over has been written (or has failed).
  void WaitUntilWritten();
  // The newest `max` sends the journal holds, oldest first (read on the
  // writer's thread, after the lines handed over before). The highest send
  // number of the whole journal is put in `highest` (0 when none).
  std::vector<SendReport> ReadHistory(std::size_t max, int* highest);

 private:
  void Post(std::function<void()> job);
  void Run();
  // On the writer's thread.
  void Write(const std::string& line);
  bool Rotate(std::string* error);
  void Fail(int kind, const std::string& error);

  std::string m_folderPath;
  std::string m_name;                    // "send-log-<folder>-<hash>" + ".tsv"
  std::string m_stem;                    // the same without ".tsv"
  ErrorObserver* m_errors;               // may be null
  std::unique_ptr<UserFolder> m_folder;  // the writer's; opened at first use
  bool m_failed[3] = {};
  // The file this writer last ended with a whole line.
  unsigned long long m_endedIno = 0;
  unsigned long long m_endedDev = 0;
  unsigned long long m_endedSize = 0;

  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_idle;
  std::deque<std::function<void()>> m_jobs;
  bool m_busy = false;
  bool m_stop = false;
  std::thread m_thread;  // last: starts once the members above exist
};

}  // namespace corvella
