// Profile files: the lexical rules, writing, and robustness on broken input.

#include "platform/profile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <random>
#include <string>

#include "platform/program_path.h"
#include "support/ordinary_user.h"
#include "support/temp_dir.h"

namespace corvella {
namespace {

struct LookupCase {
  const char* name;
  std::string text;
  const char* section;
  const char* key;
  const char* def;
  std::size_t size;
  std::string expected;
};

class ProfileLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(ProfileLookup, ReadsValueAsTheProfileFunctionsDo) {
  const LookupCase& c = GetParam();
  ProfileFile profile(c.text);
  EXPECT_EQ(profile.GetString(c.section, c.key, c.def, c.size), c.expected);
}

const std::string kNulLine("junk\0junk\n", 10);

INSTANTIATE_TEST_SUITE_P(
    Lexical, ProfileLookup,
    ::testing::Values(
        LookupCase{"Plain", "[REQ1]\nName=Points\n", "REQ1", "Name", "", 30, "Points"},
        LookupCase{"SectionCaseIgnored", "[req1]\nName=Points\n", "REQ1", "Name", "", 30, "Points"},
        LookupCase{"KeyCaseIgnored", "[REQ1]\nNAME=Points\n", "REQ1", "name", "", 30, "Points"},
        LookupCase{"BlanksTrimmed", "  [ REQ1 ]  \n\t Name \t=  Two words \t\n", "REQ1", "Name", "",
                   30, "Two words"},
        LookupCase{"CrLf", "[REQ1]\r\nName=Points\r\n", "REQ1", "Name", "", 30, "Points"},
        LookupCase{"NoFinalLineEnd", "[REQ1]\nName=Points", "REQ1", "Name", "", 30, "Points"},
        LookupCase{"DoubleQuotesStripped", "[S]\nK=\" padded \"\n", "S", "K", "", 30, " padded "},
        LookupCase{"SingleQuotesStripped", "[S]\nK=' x'\n", "S", "K", "", 30, " x"},
        LookupCase{"OnlyOnePairStripped", "[S]\nK=\"\"x\"\"\n", "S", "K", "", 30, "\"x\""},
        LookupCase{"UnmatchedQuotesKept", "[S]\nK=\"x'\n", "S", "K", "", 30, "\"x'"},
        LookupCase{"LoneQuoteKept", "[S]\nK=\"\n", "S", "K", "", 30, "\""},
        LookupCase{"EmptyQuotes", "[S]\nK=\"\"\n", "S", "K", "d", 30, ""},
        LookupCase{"EmptyValueIsNotMissing", "[S]\nK=\n", "S", "K", "d", 30, ""},
        LookupCase{"EqualsInValue", "[S]\nK=a=b\n", "S", "K", "", 30, "a=b"},
        LookupCase{"FirstKeyWins", "[S]\nK=one\nK=two\n", "S", "K", "", 30, "one"},
        LookupCase{"FirstSectionWins", "[S]\nA=1\n[T]\n[S]\nK=late\n", "S", "K", "d", 30, "d"},
        LookupCase{"KeyOfOtherSection", "[S]\n[T]\nK=x\n", "S", "K", "d", 30, "d"},
        LookupCase{"MissingSection", "[S]\nK=x\n", "Q", "K", "d", 30, "d"},
        LookupCase{"KeyBeforeAnySection", "K=x\n[S]\n", "S", "K", "d", 30, "d"},
        LookupCase{"CommentNotAKey", "[S]\n;K=x\n", "S", "K", "d", 30, "d"},
        LookupCase{"LineWithoutEqualsIgnored", "[S]\nK\nK=x\n", "S", "K", "d", 30, "x"},
        LookupCase{"UnclosedSectionHeader", "[S\nK=x\n", "S", "K", "d", 30, "x"},
        LookupCase{"TextAfterHeaderIgnored", "[S] trailing\nK=x\n", "S", "K", "d", 30, "x"},
        LookupCase{"CutToBufferMinusOne", "[S]\nK=123456789012345678901234567890\n", "S", "K", "",
                   30, "12345678901234567890123456789"},
        LookupCase{"CutAfterUnquoting", "[S]\nK=\"abcdef\"\n", "S", "K", "", 4, "abc"},
        LookupCase{"DefaultCutToo", "", "S", "K", "abcdef", 3, "ab"},
        LookupCase{"BufferOfZero", "[S]\nK=x\n", "S", "K", "d", 0, ""},
        LookupCase{"NulBytesInOtherLines", "[S]\n" + kNulLine + "K=x\n", "S", "K", "d", 30, "x"},
        LookupCase{"LoneCrInsideLine", "[S]\nK=a\rb\n", "S", "K", "d", 30, "a\rb"},
        LookupCase{"EmptyFile", "", "S", "K", "d", 30, "d"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileInt, ReadsTheLeadingInteger) {
  struct Case {
    const char* value;
    int expected;
  };
  const Case cases[] = {{"12", 12},
                        {" -5", -5},
                        {"+7", 7},
                        {"abc", 0},
                        {"12abc", 12},
                        {"0x10", 0},
                        {"\"42\"", 42},
                        {"99999999999", INT_MAX},
                        {"-99999999999", INT_MIN}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    ProfileFile profile(std::string("[REQUEST]\nBAUD=") + c.value + "\n");
    EXPECT_EQ(profile.GetInt("REQUEST", "BAUD", 9600), c.expected);
  }
  // Missing key and empty value give the default.
  EXPECT_EQ(ProfileFile("[REQUEST]\n").GetInt("REQUEST", "BAUD", 9600), 9600);
  EXPECT_EQ(ProfileFile("[REQUEST]\nBAUD=\n").GetInt("REQUEST", "BAUD", 9600), 9600);
}

TEST(ProfileWrite, ReplacesAValueAndKeepsEveryOtherLine) {
  ProfileFile profile("; settings\n[REQUEST]\nsport = BASKETBALL\nBAUD=9600\n\n[OTHER]\nX=1\n");
  profile.SetString("request", "SPORT", "FOOT.REQ");
  EXPECT_EQ(profile.ToText(),
            "; settings\r\n[REQUEST]\r\nsport=FOOT.REQ\r\nBAUD=9600\r\n\r\n[OTHER]\r\nX=1\r\n");
  EXPECT_EQ(profile.GetString("REQUEST", "SPORT", "", 100), "FOOT.REQ");
}

TEST(ProfileWrite, AddsAKeyAtTheEndOfItsSection) {
  ProfileFile profile("[REQUEST]\nBAUD=9600\n\n[OTHER]\nX=1\n");
  profile.SetString("REQUEST", "SPORT", "FOOT.REQ");
  EXPECT_EQ(profile.ToText(), "[REQUEST]\r\nBAUD=9600\r\nSPORT=FOOT.REQ\r\n\r\n[OTHER]\r\nX=1\r\n");
}

TEST(ProfileWrite, AddsAMissingSectionAtTheEnd) {
  ProfileFile profile("[OTHER]\nX=1");
  profile.SetString("REQUEST", "SPORT", "FOOT.REQ");
  EXPECT_EQ(profile.ToText(), "[OTHER]\r\nX=1\r\n\r\n[REQUEST]\r\nSPORT=FOOT.REQ\r\n");
  ProfileFile empty;
  empty.SetString("REQUEST", "SPORT", "FOOT.REQ");
  EXPECT_EQ(empty.ToText(), "[REQUEST]\r\nSPORT=FOOT.REQ\r\n");
}

TEST(ProfileWrite, EdgesOfTheText) {
  struct Case {
    const char* text;
    const char* section;
    const char* expected;
  };
  const Case cases[] = {
      {"[S]", "S", "[S]\r\nK=v\r\n"},
      {"[S]\nK=1", "S", "[S]\r\nK=v\r\n"},
      {"[S]\r\nK = \"1\"  \r\nL=2", "S", "[S]\r\nK=v\r\nL=2\r\n"},
      {"[S]\nA=1\n\n\n", "T", "[S]\r\nA=1\r\n\r\n\r\n[T]\r\nK=v\r\n"},
      {"[S]\nA=1\n;note\n\n[U]\n", "S", "[S]\r\nA=1\r\n;note\r\nK=v\r\n\r\n[U]\r\n"},
      {"K=0\n", "S", "K=0\r\n\r\n[S]\r\nK=v\r\n"},
      {"\n", "S", "\r\n[S]\r\nK=v\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ProfileFile profile(c.text);
    profile.SetString(c.section, "K", "v");
    EXPECT_EQ(profile.ToText(), c.expected);
    EXPECT_EQ(profile.GetString(c.section, "k", "", 10), "v");
  }
}

TEST(ProfileWrite, ChangesOnlyTheFirstOccurrence) {
  ProfileFile profile("[S]\nK=1\nK=2\n[S]\nK=3\n");
  profile.SetString("S", "K", "x");
  EXPECT_EQ(profile.ToText(), "[S]\r\nK=x\r\nK=2\r\n[S]\r\nK=3\r\n");
}

TEST(ProfileWrite, LineBreaksCannotAddLines) {
  ProfileFile profile;
  profile.SetString("S", "K", "a\r\n[EVIL]\nX=1");
  EXPECT_FALSE(profile.HasSection("EVIL"));
  EXPECT_EQ(profile.GetString("S", "K", "", 100), "a  [EVIL] X=1");
}

// Broken input of every kind reads as "nothing found" and never stops the
// reader from finding what is there.
TEST(ProfileRobustness, BrokenInputNeverHidesGoodLines) {
  std::mt19937 random(1234);
  std::string garbage(200000, '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  const std::string hugeLine(1 << 20, 'x');
  const std::string cases[] = {
      garbage,
      std::string(100000, '\0'),
      hugeLine,
      std::string(1 << 20, '['),
      std::string(1 << 20, '='),
      std::string(1 << 20, '\n'),
      std::string(1 << 20, '\r'),
      "[" + hugeLine,
      "[S]\nK=" + hugeLine,
  };
  for (const std::string& junk : cases) {
    SCOPED_TRACE(junk.size());
    ProfileFile broken(junk);
    EXPECT_EQ(broken.GetString("REQ1", "Name", "d", 30), "d");
    ProfileFile mixed("[REQ1]\nName=first\n" + junk + "\n[REQ2]\nName=second\n");
    EXPECT_EQ(mixed.GetString("REQ1", "Name", "", 30), "first");
    EXPECT_EQ(mixed.GetString("REQ2", "Name", "", 30), "second");
  }
}

TEST(ProfileRobustness, ManySectionsAndKeysAreAllFound) {
  std::string text;
  for (int i = 1; i <= 20000; ++i) {
    text += "[REQ" + std::to_string(i) + "]\nName=n" + std::to_string(i) + "\nTeam=T\n";
  }
  ProfileFile profile(text);
  EXPECT_EQ(profile.GetString("REQ1", "Name", "", 30), "n1");
  EXPECT_EQ(profile.GetString("req20000", "team", "", 30), "T");
  EXPECT_FALSE(profile.HasSection("REQ20001"));
}

// ---- files --------------------------------------------------------------------

TEST(ProfileFunctions, ReadIntoACallerBuffer) {
  TempDir dir;
  std::string path = dir.Write("CORVELLA.INI", "[REQUEST]\r\nPARITY=even\r\n");
  char buffer[3];
  EXPECT_EQ(GetPrivateProfileString("REQUEST", "PARITY", "N", buffer, sizeof buffer, path.c_str()),
            2u);
  EXPECT_STREQ(buffer, "ev");
  EXPECT_EQ(GetPrivateProfileString("REQUEST", "MISSING", "N", buffer, sizeof buffer, path.c_str()),
            1u);
  EXPECT_STREQ(buffer, "N");
  EXPECT_EQ(GetPrivateProfileString("REQUEST", "PARITY", "N", buffer, 0, path.c_str()), 0u);
  std::string missing = dir.File("NONE.INI");
  EXPECT_EQ(
      GetPrivateProfileString("REQUEST", "PARITY", "N", buffer, sizeof buffer, missing.c_str()),
      1u);
  EXPECT_STREQ(buffer, "N");
  EXPECT_EQ(GetPrivateProfileInt("REQUEST", "BAUD", 9600, missing), 9600);
}

TEST(ProfileFunctions, WriteCreatesAndUpdatesTheFile) {
  TempDir dir;
  std::string path = dir.File("CORVELLA.INI");
  EXPECT_TRUE(WritePrivateProfileString("REQUEST", "SPORT", "FOOT.REQ", path));
  EXPECT_EQ(dir.Read("CORVELLA.INI"), "[REQUEST]\r\nSPORT=FOOT.REQ\r\n");
  EXPECT_TRUE(WritePrivateProfileString("REQUEST", "SPORT", "BASK.REQ", path));
  EXPECT_EQ(GetPrivateProfileString("REQUEST", "SPORT", "", 100, path), "BASK.REQ");
  EXPECT_EQ(dir.List(), std::vector<std::string>{"CORVELLA.INI"});  // no temporary left over
}

TEST(ProfileFunctions, WriteIntoAMissingFolderFails) {
  TempDir dir;
  EXPECT_FALSE(WritePrivateProfileString("S", "K", "v", dir.File("nope/CORVELLA.INI")));
  EXPECT_TRUE(dir.List().empty());
}

TEST(ProfileFunctions, AnUnreadableFileIsNotOverwritten) {
  // As an ordinary user: permissions do not stop root.
  const int failed = RunAsOrdinaryUser([] {
    TempDir dir;
    std::string path = dir.Write("CORVELLA.INI", "[REQUEST]\nBAUD=19200\n");
    if (::chmod(path.c_str(), 0200) != 0) return 2;
    const bool written = WritePrivateProfileString("REQUEST", "SPORT", "FOOT.REQ", path);
    ::chmod(path.c_str(), 0600);
    if (written) return 3;
    return dir.Read("CORVELLA.INI") == "[REQUEST]\nBAUD=19200\n" ? 0 : 4;
  });
  EXPECT_EQ(failed, 0);
}

TEST(ProfileFunctions, APipeInPlaceOfTheFileNeitherHangsNorIsReplaced) {
  TempDir dir;
  const std::string path = dir.File("CORVELLA.INI");
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  EXPECT_EQ(GetPrivateProfileString("REQUEST", "SPORT", "BASKETBALL", 100, path), "BASKETBALL");
  EXPECT_FALSE(WritePrivateProfileString("REQUEST", "SPORT", "FOOT.REQ", path));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(ProfileFunctions, AWriteThatWouldPassTheSizeCapFailsAndChangesNothing) {
  TempDir dir;
  const std::string path = dir.File("CORVELLA.INI");
  // A file right at the cap still reads; one more key would take it past.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(ProfileFile::kMaxBytes)), 0);
  ::close(fd);
  EXPECT_FALSE(WritePrivateProfileString("REQUEST", "SPORT", "FOOT.REQ", path));
  EXPECT_EQ(GetPrivateProfileString("REQUEST", "SPORT", "", 100, path), "");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(static_cast<std::size_t>(st.st_size), ProfileFile::kMaxBytes);
}

TEST(AppProfile, ReadsAndWritesItsOneFile) {
  TempDir dir;
  AppProfile profile(dir.File("CORVELLA.INI"));
  EXPECT_EQ(profile.GetProfileString("REQUEST", "SPORT", "BASKETBALL"), "BASKETBALL");
  EXPECT_EQ(profile.GetProfileInt("REQUEST", "ZLRTDINPUT", 1), 1);
  EXPECT_TRUE(profile.WriteProfileString("REQUEST", "SPORT", "FOOT.REQ"));
  EXPECT_EQ(profile.GetProfileString("REQUEST", "SPORT", "BASKETBALL"), "FOOT.REQ");
  dir.Write("CORVELLA.INI", "[request]\nzlrtdinput=0\n");
  EXPECT_EQ(profile.GetProfileInt("REQUEST", "ZLRTDINPUT", 1), 0);
}

class ProgramPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("CORVELLA_DIR")) m_old = old, m_hadOld = true;
  }
  void TearDown() override {
    if (m_hadOld) {
      ::setenv("CORVELLA_DIR", m_old.c_str(), 1);
    } else {
      ::unsetenv("CORVELLA_DIR");
    }
  }
  std::string m_old;
  bool m_hadOld = false;
};

TEST_F(ProgramPathTest, EnvironmentNamesTheFolder) {
  ::setenv("CORVELLA_DIR", "/srv/corvella", 1);
  EXPECT_EQ(ProgramDirectory(), "/srv/corvella/");
  EXPECT_EQ(ConfigurationPath(), "/srv/corvella/CORVELLA.INI");
  ::setenv("CORVELLA_DIR", "/srv/corvella/", 1);
  EXPECT_EQ(ProgramDirectory(), "/srv/corvella/");
}

}  // namespace
}  // namespace corvella
