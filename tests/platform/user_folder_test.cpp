// The checked user folder: what it refuses to open, that later operations
// stay in the folder that was checked, and that no file operation follows a
// link or waits on a FIFO.

#include "platform/user_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "support/ordinary_user.h"
#include "support/temp_dir.h"

namespace corvella {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(UserFolder, RefusesAFolderThatIsNotTheUsersAlone) {
  struct Case {
    const char* what;
    std::function<std::string(const TempDir&)> make;  // returns the path to open
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"link",
       [](const TempDir& dir) {
         EXPECT_EQ(::mkdir(dir.File("real").c_str(), 0700), 0);
         EXPECT_EQ(::symlink(dir.File("real").c_str(), dir.File("corvella").c_str()), 0);
         return dir.File("corvella");
       },
       "is a link"},
      {"group-writable",
       [](const TempDir& dir) {
         EXPECT_EQ(::mkdir(dir.File("corvella").c_str(), 0700), 0);
         EXPECT_EQ(::chmod(dir.File("corvella").c_str(), 0770), 0);
         return dir.File("corvella");
       },
       "can be written by other users"},
      {"a file", [](const TempDir& dir) { return dir.Write("corvella", "x"); }, "is not a folder"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string path = c.make(dir);
    std::string error;
    EXPECT_FALSE(UserFolder::Open(path, &error).IsOpen()) << c.what;
    EXPECT_TRUE(Contains(error, c.reason)) << c.what << ": " << error;
  }

  // Another user's folder (here root's, opened by an ordinary user).
  TempDir dir;
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(dir.File("corvella").c_str(), 0755), 0);
  const std::string path = dir.File("corvella");
  if (IsRoot()) {
    EXPECT_EQ(RunAsOrdinaryUser([&path] {
                std::string error;
                const bool open = UserFolder::Open(path, &error).IsOpen();
                return !open && Contains(error, "is owned by another user") ? 0 : 1;
              }),
              0);
  }
}

TEST(UserFolder, MakesMissingFoldersForTheUserAlone) {
  TempDir dir;
  const std::string path = dir.File("state/deeper/corvella");
  std::string error;
  UserFolder folder = UserFolder::Open(path, &error);
  ASSERT_TRUE(folder.IsOpen()) << error;
  for (const char* made : {"state", "state/deeper", "state/deeper/corvella"}) {
    struct stat st {};
    ASSERT_EQ(::stat(dir.File(made).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << made;
  }
}

TEST(UserFolder, StaysInTheFolderThatWasChecked) {
  // Someone who may write above the folder swaps it for his own after it
  // was opened: reads, writes and removals still reach the checked one.
  TempDir dir;
  ASSERT_EQ(::mkdir(dir.File("corvella").c_str(), 0700), 0);
  dir.Write("corvella/copy", "the operator's");
  UserFolder folder = UserFolder::Open(dir.File("corvella"), nullptr);
  ASSERT_TRUE(folder.IsOpen());
  ASSERT_EQ(::rename(dir.File("corvella").c_str(), dir.File("moved").c_str()), 0);
  ASSERT_EQ(::mkdir(dir.File("corvella").c_str(), 0700), 0);
  dir.Write("corvella/copy", "the attacker's");

  std::string content, error;
  ASSERT_TRUE(folder.ReadFile("copy", 1000, &content, &error)) << error;
  EXPECT_EQ(content, "the operator's");
  ASSERT_TRUE(folder.ReplaceFile("copy", "new", &error)) << error;
  EXPECT_EQ(dir.Read("moved/copy"), "new");
  EXPECT_EQ(dir.Read("corvella/copy"), "the attacker's");
}

TEST(UserFolder, FilesAreNeverLinksFifosOrOthersAndNeverWaitedOn) {
  TempDir dir;
  ASSERT_EQ(::mkdir(dir.File("corvella").c_str(), 0700), 0);
  const std::string target = dir.Write("BASK.REQ", "the operator's list");
  UserFolder folder = UserFolder::Open(dir.File("corvella"), nullptr);
  ASSERT_TRUE(folder.IsOpen());
  ASSERT_EQ(::symlink(target.c_str(), dir.File("corvella/link").c_str()), 0);
  ASSERT_EQ(::mkfifo(dir.File("corvella/fifo").c_str(), 0600), 0);
  ASSERT_EQ(::mkdir(dir.File("corvella/folder").c_str(), 0700), 0);
  dir.Write("corvella/big", std::string(101, 'x'));
  dir.Write("corvella/others", "x");
  ASSERT_EQ(::chown(dir.File("corvella/others").c_str(), ::geteuid() + 1, ::getegid()), 0);

  struct Case {
    const char* name;
    const char* reason;
  };
  for (const Case& c : {Case{"link", "is a link"}, Case{"fifo", "is not a regular file"},
                        Case{"folder", "is a folder"}, Case{"big", "is larger than 100 bytes"},
                        Case{"others", "is owned by another user"}}) {
    std::string content, error;
    EXPECT_FALSE(folder.ReadFile(c.name, 100, &content, &error)) << c.name;
    EXPECT_TRUE(Contains(error, c.reason)) << c.name << ": " << error;
    if (std::string(c.name) != "big") {
      EXPECT_FALSE(folder.OpenForAppend(c.name, &error)) << c.name;
      EXPECT_TRUE(Contains(error, c.reason)) << c.name << ": " << error;
    }
  }
  std::string error;
  EXPECT_FALSE(folder.ReadFile("missing", 100, nullptr, &error));
  EXPECT_EQ(error, "");

  // A link in a file's place is replaced, never written through; the new
  // file is the user's alone.
  ASSERT_TRUE(folder.ReplaceFile("link", "settings", &error)) << error;
  EXPECT_EQ(dir.Read("BASK.REQ"), "the operator's list");
  EXPECT_EQ(dir.Read("corvella/link"), "settings");
  struct stat st {};
  ASSERT_EQ(::lstat(dir.File("corvella/link").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(folder.List("li"), std::vector<std::string>{"link"});

  // A file appended to is made the user's alone.
  ASSERT_TRUE(folder.Remove("link", &error)) << error;
  EXPECT_TRUE(folder.OpenForAppend("journal", &error)) << error;
  ASSERT_EQ(::stat(dir.File("corvella/journal").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace
}  // namespace corvella
