// The crash-safe writer: whole replacement, links followed, failures that
// leave the old file, kills at any moment, and the clean-up of what killed
// saves left behind.

#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace corvella {
namespace {

TEST(WriteFileAtomically, ReplacesTheWholeFileAndKeepsItsMode) {
  TempDir dir;
  std::string path = dir.Write("BASK.REQ", "old content that is longer than the new one");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  EXPECT_TRUE(WriteFileAtomically(path, "new"));
  EXPECT_EQ(dir.Read("BASK.REQ"), "new");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"BASK.REQ"});
}

TEST(WriteFileAtomically, WritesThroughASymbolicLink) {
  TempDir dir;
  std::string target = dir.Write("real.REQ", "old");
  ASSERT_EQ(::symlink(target.c_str(), dir.File("BASK.REQ").c_str()), 0);
  EXPECT_TRUE(WriteFileAtomically(dir.File("BASK.REQ"), "new"));
  EXPECT_EQ(dir.Read("real.REQ"), "new");
  struct stat st {};
  ASSERT_EQ(::lstat(dir.File("BASK.REQ").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));

  // A folder reached through a link: the file in the real folder is
  // replaced and no temporary file is left in either.
  ASSERT_EQ(::mkdir(dir.File("real").c_str(), 0700), 0);
  ASSERT_EQ(::symlink(dir.File("real").c_str(), dir.File("linked").c_str()), 0);
  EXPECT_TRUE(WriteFileAtomically(dir.File("linked/FOOT.REQ"), "first"));
  EXPECT_TRUE(WriteFileAtomically(dir.File("linked/FOOT.REQ"), "second"));
  EXPECT_EQ(dir.Read("real/FOOT.REQ"), "second");
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"BASK.REQ", "linked", "real", "real.REQ"}));
  int inReal = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.File("real")))
    inReal += entry.is_regular_file();
  EXPECT_EQ(inReal, 1);
}

TEST(WriteFileAtomically, FailureLeavesTheOldFile) {
  TempDir dir;
  // A folder where the file should be cannot be replaced.
  ASSERT_EQ(::mkdir(dir.File("BASK.REQ").c_str(), 0700), 0);
  const FileWriteResult onFolder = WriteFileAtomically(dir.File("BASK.REQ"), "new");
  EXPECT_FALSE(onFolder);
  EXPECT_EQ(onFolder.Error(), EISDIR);  // the reason comes with the result
  EXPECT_EQ(dir.List(), std::vector<std::string>{"BASK.REQ"});
  EXPECT_FALSE(WriteFileAtomically("", "new"));
  if (::geteuid() != 0) {
    std::string path = dir.Write("FOOT.REQ", "old");
    ASSERT_EQ(::chmod(path.c_str(), 0400), 0);
    EXPECT_FALSE(WriteFileAtomically(path, "new"));
    EXPECT_EQ(dir.Read("FOOT.REQ"), "old");
  }
}

// A process that dies in the middle of a save leaves nothing behind once
// the file is saved again, and the file is always one whole text.
TEST(WriteFileAtomically, SavesKilledAtRandomMomentsLeaveNoDebris) {
  TempDir dir;
  std::string text;
  for (int i = 0; i < 300; ++i) text += "[REQ" + std::to_string(i + 1) + "]\r\nName=Request\r\n";
  const std::string path = dir.Write("BASK.REQ", text);
  std::mt19937 random(20261208);
  for (int kill = 0; kill < 30; ++kill) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (;;) WriteFileAtomically(path, text);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 4000));
    ::kill(child, SIGKILL);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    ASSERT_EQ(dir.Read("BASK.REQ"), text);
  }
  ASSERT_TRUE(WriteFileAtomically(path, text));
  EXPECT_EQ(dir.List(), std::vector<std::string>{"BASK.REQ"});
}

// Only temporaries of the file being saved, named as this program names
// them and left by a process that no longer exists, are removed.
TEST(WriteFileAtomically, RemovesOnlyItsOwnStaleTemporaries) {
  TempDir dir;
  const pid_t gone = ::fork();
  ASSERT_GE(gone, 0);
  if (gone == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
  const std::string dead = std::to_string(gone);
  const std::string alive = std::to_string(::getpid());
  const std::vector<std::string> kept = {
      "BASK.REQ.~" + alive + ".7.tmp",    "BASK.REQ.~" + dead + ".x.tmp",
      "BASK.REQ.~" + dead + ".1.tmp.old", "BASK.REQ.bak",
      "FOOT.REQ.~" + dead + ".0.tmp",     "XBASK.REQ.~" + dead + ".0.tmp"};
  for (const std::string& name : kept) dir.Write(name, "x");
  dir.Write("BASK.REQ.~" + dead + ".0.tmp", "x");
  dir.Write("BASK.REQ.~" + dead + ".12.tmp", "x");
  ASSERT_TRUE(WriteFileAtomically(dir.File("BASK.REQ"), "new"));
  std::vector<std::string> expected = kept;
  expected.push_back("BASK.REQ");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(dir.List(), expected);
}

// A file someone else wrote is committed under its name: replacing or not,
// and an existing file that may not be replaced stays with the reason EEXIST.
TEST(CommitTemporaryFile, GivesTheNameOnlyWhereAllowed) {
  TempDir dir;
  dir.Write("out.pdf", "old");
  const std::string first = dir.Write(".out.pdf.1", "new");
  const FileWriteResult kept = CommitTemporaryFile(first, dir.File("out.pdf"), false);
  EXPECT_FALSE(kept);
  EXPECT_EQ(kept.Error(), EEXIST);
  EXPECT_EQ(dir.Read("out.pdf"), "old");
  EXPECT_TRUE(CommitTemporaryFile(first, dir.File("out.pdf"), true));
  EXPECT_EQ(dir.Read("out.pdf"), "new");
  const std::string second = dir.Write(".other.pdf.1", "other");
  EXPECT_TRUE(CommitTemporaryFile(second, dir.File("other.pdf"), false));
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"other.pdf", "out.pdf"}));
}

}  // namespace
}  // namespace corvella
