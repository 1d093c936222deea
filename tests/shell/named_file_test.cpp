// The vetting of a request file named on the command line or handed over by
// a later start: real files, folders and pipes in a temporary folder.

#include "shell/named_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "support/ordinary_user.h"
#include "support/temp_dir.h"

namespace corvella {
namespace {

using Fault = NamedFile::Fault;

constexpr const char* kTwoRequests = "[REQ1]\r\nName=Points\r\n[REQ2]\r\nName=Fouls\r\n";

TEST(NamedFileTest, WhatEachFileIs) {
  TempDir program;  // the program directory
  TempDir elsewhere;
  program.Write("BASK.REQ", "");  // the own file is taken as it is, even empty
  elsewhere.Write("BASK.REQ", kTwoRequests);
  elsewhere.Write("bask-saturday.req", kTwoRequests);
  elsewhere.Write("NOTES.REQ", kTwoRequests);
  elsewhere.Write("FOOT.REQ", "[REQUEST]\r\nSPORT=FOOT.REQ\r\n");
  ASSERT_EQ(::mkdir(elsewhere.File("HOCK.REQ").c_str(), 0700), 0);
  ASSERT_EQ(::mkfifo(elsewhere.File("SOCC.REQ").c_str(), 0600), 0);
  ASSERT_EQ(::symlink(program.File("BASK.REQ").c_str(), elsewhere.File("BASKLINK.REQ").c_str()), 0);
  {
    const int fd = ::open(elsewhere.File("VOLL.REQ").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, kMaxNamedFileSize + 1), 0);
    ::close(fd);
  }
  struct Case {
    const char* what;
    std::string path;
    Fault fault;
    const char* sportFile;
    bool own;
  } cases[] = {
      {"the sport's own file", program.File("BASK.REQ"), Fault::kNone, "BASK.REQ", true},
      {"a list from elsewhere", elsewhere.File("BASK.REQ"), Fault::kNone, "BASK.REQ", false},
      {"any name that begins with the sport", elsewhere.File("bask-saturday.req"), Fault::kNone,
       "BASK.REQ", false},
      {"a link to the own file is the own file", elsewhere.File("BASKLINK.REQ"), Fault::kNone,
       "BASK.REQ", true},
      {"a name of no sport", elsewhere.File("NOTES.REQ"), Fault::kNoSport, "", false},
      {"a missing file", elsewhere.File("BASE.REQ"), Fault::kCannotOpen, "BASE.REQ", false},
      {"a folder", elsewhere.File("HOCK.REQ"), Fault::kNotAFile, "HOCK.REQ", false},
      {"a pipe, without waiting for a writer", elsewhere.File("SOCC.REQ"), Fault::kNotAFile,
       "SOCC.REQ", false},
      {"a file too large", elsewhere.File("VOLL.REQ"), Fault::kTooLarge, "VOLL.REQ", false},
      {"a file without requests", elsewhere.File("FOOT.REQ"), Fault::kNoRequests, "FOOT.REQ",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const NamedFile named = VetNamedFile(c.path, program.Path());
    EXPECT_EQ(named.fault, c.fault);
    EXPECT_EQ(named.sportFile, c.sportFile);
    EXPECT_EQ(named.own, c.own);
  }
}

TEST(NamedFileTest, AFileTheUserMayNotReadCannotBeOpened) {
  // As an ordinary user: permissions do not stop root.
  const int status = RunAsOrdinaryUser([] {
    TempDir dir;
    const std::string path = dir.Write("BASK.REQ", kTwoRequests);
    if (::chmod(path.c_str(), 0200) != 0) return 2;
    const NamedFile named = VetNamedFile(path, "/nonexistent/");
    return named.fault == Fault::kCannotOpen ? 0 : 3;
  });
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace corvella
