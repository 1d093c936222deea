// The credentials of an SMB session, in this order: a Kerberos ticket cache
// when there is one (with the file below as the fallback when the cache turns
// out unusable); otherwise the file named by zeltSetAuthFile, else by
// ZELTRPC_AUTH_FILE, else
// $XDG_CONFIG_HOME/zeltrpc/auth (~/.config/zeltrpc/auth), with
// "username = ...", "password = ...", "domain = ..." lines; otherwise an
// anonymous session. No password ever reaches a log line or an error text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zeltrpc::rpc {

struct SmbCredentials {
  bool kerberos = false;  // try the ticket cache first, then what is below
  std::string user;
  std::string domain;
  std::string password;
  SmbCredentials() = default;
  SmbCredentials(const SmbCredentials&) = default;
  SmbCredentials& operator=(const SmbCredentials&) = default;
  ~SmbCredentials();  // wipes the password
  // Empties every field, wiping the password where it lies (assigning an
  // empty value would leave its bytes in the kept buffer).
  void clear();
  // Takes other's fields without copying the password.
  void takeFrom(SmbCredentials&& other);
};

// Overwrites a secret's bytes before clearing it, so that freed memory keeps
// no copy.
void wipeSecret(std::string& secret);

// The credentials a file's text names: "key = value" lines, keys in any case
// with blanks around them, the value from its first non-blank to the line's
// end (CR of a CRLF removed; inner and trailing blanks and '=' kept); the last
// line of a key wins; other lines are ignored. "DOMAIN\user" names the domain
// too unless a domain line does.
SmbCredentials parseAuthText(std::string_view text);

// Reads the credentials file at `path` in the format above, into one buffer
// sized from the file that is wiped before returning. Returns 0,
// RPC_S_ACCESS_DENIED (5) for a file group or others can read or write, one
// owned by another user, one longer than 65536 bytes, one that grew while
// read, or one that cannot be read; `why` names the reason (never the
// password).
uint32_t readAuthFile(const std::string& path, SmbCredentials& creds, std::string* why = nullptr);

// The credentials to use, chosen as described above; 5 when the file that
// would be used is refused, names no user (empty, a domain alone, misspelt
// keys) or only one of user and password (without a ticket cache). The reason for a refusal is also
// written once to standard error (diagnose()). With a ticket cache, `kerberos` is set and the
// file's user and password, when usable, are kept for the fallback after Kerberos.
uint32_t smbCredentials(SmbCredentials& creds, std::string* why = nullptr);

}  // namespace zeltrpc::rpc
