// The credentials file's text as the SMB carrier reads it: which line names
// what, and what is kept of a value (a password is taken as written, blanks
// and '=' included).
#include "zeltrpc/rpc/smb_credentials.h"

#include <gtest/gtest.h>

namespace {

using zeltrpc::rpc::parseAuthText;

struct AuthTextCase {
  const char* what;
  const char* text;
  const char* user;
  const char* domain;
  const char* password;
};

TEST(SmbCredentialsParse, NamesWhatEachLineSays) {
  const AuthTextCase cases[] = {
      {"empty text", "", "", "", ""},
      {"no newline at the end", "username=op\npassword=pw", "op", "", "pw"},
      {"blanks around the key, before the value", " \tUserName \t=  op\n", "op", "", ""},
      {"a password keeps '=', inner and trailing blanks", "password = a=b c \n", "", "", "a=b c "},
      {"a CR of CRLF is not part of the value", "password=pw\r\nusername=op\r\n", "op", "", "pw"},
      {"lines without '=' and unknown keys are skipped",
       "[auth]\n# username = no\nuser = no\nusername = op\n", "op", "", ""},
      {"the last line of a key wins", "username = a\nusername = b\n", "b", "", ""},
      {"DOMAIN\\user names the domain", "username = VENUE\\op\n", "op", "VENUE", ""},
      {"a domain line wins over DOMAIN\\user", "domain = HQ\nusername = VENUE\\op\n", "VENUE\\op",
       "HQ", ""},
      {"an empty value clears", "password = pw\npassword =\n", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto creds = parseAuthText(c.text);
    EXPECT_EQ(creds.user, c.user);
    EXPECT_EQ(creds.domain, c.domain);
    EXPECT_EQ(creds.password, c.password);
    EXPECT_FALSE(creds.kerberos);
  }
}

}  // namespace
