// The Send Log's journal on real files in a temporary folder: its lines keep
// every text and give a shell nothing to run, its rotation keeps several
// files, it follows no link and waits on no FIFO, a journal moved away is
// made again, each program folder keeps its own, and what it holds is read
// back newest last.

#include "transmit/send_journal.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace corvella {
namespace {

SendReport Ended(int send, std::string description = "Points Leaders") {
  SendReport r;
  r.state = SendReport::State::kDelivered;
  r.send = send;
  r.request = 3;
  r.list = "BASK.REQ";
  r.description = std::move(description);
  r.sign = "1";
  r.teamPlayer = "Visitor, player 12";
  r.destination = "the sign service on this computer, input 1";
  r.outcome = "Delivered";
  r.requested = 1765400000;
  r.ended = 1765400002;
  return r;
}

// The journal of program folder `program` in `dir`'s state folder.
struct Journal : SendJournal::ErrorObserver {
  Journal(const TempDir& dir, const std::string& program = "/srv/venue/")
      : journal(dir.Path() + "state", program, this) {
    ::mkdir((dir.Path() + "state").c_str(), 0700);
  }
  void OnJournalError(const std::string& error) override { errors.push_back(error); }
  void Append(const SendReport& r) {
    journal.Append(r);
    journal.WaitUntilWritten();
  }
  std::vector<std::string> errors;  // before the journal: it may fail as it goes
  SendJournal journal;
};

// Texts an operator or a pasted list may put in a request, including ones
// that would run a command in a shell that reads the file.
TEST(SendJournalTest, LinesKeepEveryTextAndGiveAShellNothingToRun) {
  const std::string texts[] = {
      "Visitor\tplayer\n12\r",
      "$(touch pwned)",
      "`touch pwned`",
      "a;touch pwned|touch pwned&touch pwned<x>y",
      "it's \"quoted\"",
      "back\\slash\\n\\x41",
      std::string("\x01\x1b[31m\x7f", 6),
      "caf\xe9 \x80 \x9f",
      "",
  };
  TempDir dir;
  std::string script;
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    SendReport r = Ended(1, text);
    r.outcome = text;
    r.teamPlayer = text;
    const std::string line = JournalLine(r);
    EXPECT_EQ(line.find_first_of("\n\r"), std::string::npos);
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 11);
    SendReport back;
    ASSERT_TRUE(ParseJournalLine(line, &back)) << line;
    EXPECT_EQ(back.description, text);
    EXPECT_EQ(back.outcome, text);
    EXPECT_EQ(back.teamPlayer, text);
    EXPECT_EQ(back.send, 1);
    EXPECT_EQ(back.requested, r.requested);
    EXPECT_EQ(back.ended, r.ended);
    script += line + "\n";
  }
  // Read as a shell script, the lines run nothing of what they hold.
  dir.Write("journal.sh", script);
  const std::string command = "cd '" + dir.Path() + "' && bash ./journal.sh >/dev/null 2>&1; true";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_FALSE(dir.Exists("pwned"));
}

TEST(SendJournalTest, RotationKeepsSeveralFilesAndDropsOnlyTheOldest) {
  TempDir dir;
  Journal j(dir);
  const std::string full(SendJournal::kMaxBytes + 10, 'x');
  const auto name = [&](int n) { return "state/" + j.journal.RotatedName(n); };
  // Every rotation moves each older file one place down.
  for (int round = 1; round <= SendJournal::kKeptFiles + 1; ++round) {
    dir.Write("state/" + j.journal.FileName(), full + std::to_string(round));
    j.Append(Ended(round));
  }
  for (int n = 1; n <= SendJournal::kKeptFiles; ++n)
    EXPECT_EQ(dir.Read(name(n)), full + std::to_string(SendJournal::kKeptFiles + 2 - n)) << n;
  EXPECT_FALSE(dir.Exists(name(SendJournal::kKeptFiles + 1)));
  int highest = 0;
  const std::vector<SendReport> history = j.journal.ReadHistory(10, &highest);
  ASSERT_EQ(history.size(), 1u);
  EXPECT_EQ(history[0].send, SendJournal::kKeptFiles + 1);
  EXPECT_TRUE(j.errors.empty());
}

// What stands in a journal file's place: nothing is written through it, the
// writer never hangs on it, and the operator is told once.
TEST(SendJournalTest, LinkOrFifoInTheJournalsPlaceIsRefusedAndSaidOnce) {
  for (const char* kind : {"link", "fifo"}) {
    SCOPED_TRACE(kind);
    TempDir dir;
    Journal j(dir);
    j.Append(Ended(1));  // makes the folder
    const std::string path = dir.Path() + "state/" + j.journal.FileName();
    ASSERT_EQ(::unlink(path.c_str()), 0);
    const std::string victim = dir.Write("BASK.REQ", "[REQ1]\n");
    if (std::string(kind) == "link")
      ASSERT_EQ(::symlink(victim.c_str(), path.c_str()), 0);
    else
      ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    j.Append(Ended(2));
    j.Append(Ended(3));
    EXPECT_EQ(dir.Read("BASK.REQ"), "[REQ1]\n");
    EXPECT_EQ(j.errors.size(), 1u);
  }
}

TEST(SendJournalTest, MadePrivateAndMadeAgainWhenMovedAway) {
  TempDir dir;
  Journal j(dir);
  j.Append(Ended(1));
  const std::string path = dir.Path() + "state/" + j.journal.FileName();
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::rename(path.c_str(), (dir.Path() + "moved.tsv").c_str()), 0);
  j.Append(Ended(2));
  int highest = 0;
  const std::vector<SendReport> history = j.journal.ReadHistory(10, &highest);
  ASSERT_EQ(history.size(), 1u);
  EXPECT_EQ(history[0].send, 2);
  EXPECT_TRUE(j.errors.empty());
}

TEST(SendJournalTest, RotationThatFailsIsSaidOnceAndLinesGoOn) {
  TempDir dir;
  Journal j(dir);
  j.Append(Ended(1));
  dir.Write("state/" + j.journal.FileName(), std::string(SendJournal::kMaxBytes + 10, 'x'));
  // A folder with something in it where the oldest file is dropped.
  const std::string oldest = dir.Path() + "state/" + j.journal.RotatedName(SendJournal::kKeptFiles);
  ASSERT_EQ(::mkdir(oldest.c_str(), 0700), 0);
  dir.Write("state/" + j.journal.RotatedName(SendJournal::kKeptFiles) + "/x", "x");
  j.Append(Ended(2));
  j.Append(Ended(3));
  ASSERT_EQ(j.errors.size(), 1u);
  EXPECT_NE(j.errors[0].find("could not be rotated"), std::string::npos) << j.errors[0];
  int highest = 0;
  EXPECT_EQ(j.journal.ReadHistory(10, &highest).size(), 2u);
  EXPECT_EQ(highest, 3);
}

// Two programs on two folders keep two journals; the history is the newest
// sends, oldest first, across the rotated files, and a damaged line is
// passed over.
TEST(SendJournalTest, EachProgramFolderReadsBackItsOwnNewestSends) {
  TempDir dir;
  Journal venue(dir, "/srv/venue/");
  Journal other(dir, "/srv/other/");
  ASSERT_NE(venue.journal.FileName(), other.journal.FileName());
  dir.Write(
      "state/" + venue.journal.RotatedName(1),
      JournalLine(Ended(1)) + "\n" + JournalLine(Ended(2)) + "\n" + JournalLine(Ended(3)) + "\n");
  venue.Append(Ended(4));
  other.Append(Ended(40));
  dir.Write("state/" + venue.journal.FileName(), dir.Read("state/" + venue.journal.FileName()) +
                                                     "garbage\t1\n" +
                                                     JournalLine(Ended(5)).substr(0, 30));
  venue.Append(Ended(6));
  int highest = 0;
  const std::vector<SendReport> history = venue.journal.ReadHistory(4, &highest);
  std::vector<int> sends;
  for (const SendReport& r : history) sends.push_back(r.send);
  EXPECT_EQ(sends, (std::vector<int>{2, 3, 4, 6}));
  EXPECT_EQ(highest, 6);
}

}  // namespace
}  // namespace corvella
