// Where the program keeps its files (the order of choice, seeding the
// per-user folder) and the message a later start hands to the running one.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/program_path.h"
#include "platform/shell_open.h"
#include "support/temp_dir.h"

namespace corvella {
namespace {

// ---- the program directory ---------------------------------------------------------

TEST(ProgramDirectoryTest, ChosenInOrder) {
  TempDir withIni;
  withIni.Write("CORVELLA.INI", "[REQUEST]\n");
  TempDir withoutIni;
  const std::string portable = withIni.Path();
  const std::string installed = withoutIni.Path();
  struct Case {
    const char* what;
    ProgramLocations where;
    std::string expected;
    bool perUser;
  } cases[] = {
      {"the environment wins",
       {"/srv/corvella", portable, "/data", "/home/op"},
       "/srv/corvella/",
       false},
      {"a folder with CORVELLA.INI", {"", portable, "/data", "/home/op"}, portable, false},
      {"an installed program", {"", installed, "/data/", "/home/op"}, "/data/corvella/", true},
      {"no XDG_DATA_HOME",
       {"", installed, "", "/home/op"},
       "/home/op/.local/share/corvella/",
       true},
      {"a relative XDG_DATA_HOME is ignored",
       {"", installed, "data", "/home/op/"},
       "/home/op/.local/share/corvella/",
       true},
      {"no home folder: the current directory", {"", installed, "", ""}, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bool perUser = !c.perUser;
    EXPECT_EQ(ChooseProgramDirectory(c.where, &perUser), c.expected);
    EXPECT_EQ(perUser, c.perUser);
  }
}

TEST(ProgramDirectoryTest, SeedingCopiesTheSamplesAndReplacesNothing) {
  TempDir examples;
  examples.Write("CORVELLA.INI", "[REQUEST]\r\nSPORT=FOOT.REQ\r\n");
  examples.Write("BASK.REQ", "[REQ1]\r\nName=Points\r\n");
  examples.Write("FOOT.REQ", "[REQ1]\r\nName=Passing\r\n");
  TempDir home;
  const std::string dir = home.Path() + "share/corvella/";
  // The operator's own Football list is already there.
  ASSERT_EQ(::mkdir((home.Path() + "share").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
  home.Write("share/corvella/FOOT.REQ", "mine");

  std::string error;
  ASSERT_TRUE(SeedProgramDirectory(dir, examples.Path(), &error)) << error;
  EXPECT_EQ(home.Read("share/corvella/FOOT.REQ"), "mine");
  EXPECT_EQ(home.Read("share/corvella/BASK.REQ"), examples.Read("BASK.REQ"));
  EXPECT_EQ(home.Read("share/corvella/CORVELLA.INI"), examples.Read("CORVELLA.INI"));

  // With CORVELLA.INI in place the folder is set up: a list the operator
  // emptied (its file deleted) stays gone.
  ASSERT_EQ(::unlink((dir + "BASK.REQ").c_str()), 0);
  ASSERT_TRUE(SeedProgramDirectory(dir, examples.Path(), &error)) << error;
  EXPECT_FALSE(home.Exists("share/corvella/BASK.REQ"));

  // A folder that cannot be made is reported.
  home.Write("file", "x");
  EXPECT_FALSE(SeedProgramDirectory(home.Path() + "file/corvella/", examples.Path(), &error));
  EXPECT_NE(error.find("Cannot create the folder"), std::string::npos) << error;
}

// ---- the hand-over message ---------------------------------------------------------

TEST(ShellOpenTest, DecodesWhatIsEncodedInAnyPieces) {
  for (const std::string& path :
       {std::string("/home/op/BASK.REQ"), std::string(), std::string(4096, '/')}) {
    const std::string message = EncodeShellOpen(path) + "trailing";
    for (std::size_t cut = 0; cut < message.size() - 8; ++cut) {
      const ShellOpenMessage part = DecodeShellOpen(std::string_view(message).substr(0, cut));
      ASSERT_EQ(part.status, ShellOpenMessage::Incomplete) << cut;
    }
    const ShellOpenMessage whole = DecodeShellOpen(message);
    ASSERT_EQ(whole.status, ShellOpenMessage::Complete);
    EXPECT_EQ(whole.path, path);
    EXPECT_EQ(whole.used, message.size() - 8);
  }
}

TEST(ShellOpenTest, RejectsWhatCanNeverBeAMessage) {
  const std::string good = EncodeShellOpen("/a");
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"wrong tag", "CVX1" + good.substr(4)},
      {"wrong first byte", "X"},
      {"path too long", EncodeShellOpen(std::string(4097, '/'))},
      {"length near 4 GiB", std::string("CVO1\xff\xff\xff\xff", 8)},
      {"relative path", EncodeShellOpen("BASK.REQ")},
      {"NUL in the path", EncodeShellOpen(std::string("/a\0b", 4))},
      {"NUL seen before the rest arrives",
       EncodeShellOpen(std::string("/a\0bcdef", 8)).substr(0, 11)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeShellOpen(c.bytes).status, ShellOpenMessage::Invalid) << c.what;
  }
}

}  // namespace
}  // namespace corvella
