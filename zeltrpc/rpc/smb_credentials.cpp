#include "zeltrpc/rpc/smb_credentials.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/unique_fd.h"
#include "zeltrpc/rpc/settings.h"
#include "zeltrpc/rpc/status.h"
#include "zeltrpc/rpc/transport.h"

namespace zeltrpc::rpc {

namespace {

bool haveTicketCache() {
  if (const char* c = std::getenv("KRB5CCNAME"); c && *c) {
    std::string name = c;
    if (name.rfind("FILE:", 0) == 0)
      name = name.substr(5);
    else if (name.find(':') != std::string::npos && name.front() != '/')
      return true;  // KEYRING:, KCM:, DIR:, ...: present when named
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
  }
  struct stat st {};
  const std::string dflt = "/tmp/krb5cc_" + std::to_string(::getuid());
  return ::stat(dflt.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

std::string defaultAuthFile() {
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x)
    return std::string(x) + "/zeltrpc/auth";
  if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + "/.config/zeltrpc/auth";
  return {};
}

}  // namespace

void wipeSecret(std::string& s) {
  volatile char* p = s.data();
  for (size_t i = 0; i < s.size(); ++i) p[i] = 0;
  s.clear();
}

SmbCredentials::~SmbCredentials() { wipeSecret(password); }

void SmbCredentials::clear() {
  kerberos = false;
  user.clear();
  domain.clear();
  wipeSecret(password);
}

void SmbCredentials::takeFrom(SmbCredentials&& other) {
  kerberos = other.kerberos;
  user.swap(other.user);
  domain.swap(other.domain);
  password.swap(other.password);  // other's destructor wipes what this held
}

SmbCredentials parseAuthText(std::string_view text) {
  SmbCredentials c;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view key = line.substr(0, eq);
    while (!key.empty() && (key.front() == ' ' || key.front() == '\t')) key.remove_prefix(1);
    while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.remove_suffix(1);
    std::string_view value = line.substr(eq + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
      value.remove_prefix(1);
    auto is = [&](const char* k) {
      return key.size() == std::strlen(k) && strncasecmp(key.data(), k, key.size()) == 0;
    };
    if (is("username"))
      c.user.assign(value);
    else if (is("password"))
      c.password.assign(value);
    else if (is("domain"))
      c.domain.assign(value);
  }
  if (size_t slash = c.user.find('\\'); slash != std::string::npos && c.domain.empty()) {
    c.domain = c.user.substr(0, slash);
    c.user.erase(0, slash + 1);
  }
  return c;
}

uint32_t readAuthFile(const std::string& path, SmbCredentials& creds, std::string* why) {
  auto refuse = [&](const std::string& text) {
    if (why) *why = path + ": " + text;
    return kAccessDenied;
  };
  // Non-blocking, so that a FIFO in its place is refused below instead of
  // waiting for a writer; a regular file reads the same either way.
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (!fd) return refuse(std::strerror(errno));
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return refuse("not a regular file");
  if (st.st_uid != ::getuid()) return refuse("owned by another user");
  if (st.st_mode & (S_IRWXG | S_IRWXO))
    return refuse("group or others may read it; allow only its owner (chmod 600)");
  // A credentials file is a few short lines: one that is longer is not
  // read in part (a user named past the part read would be lost silently).
  // It is read into one buffer sized from the file, so that no grown and
  // freed copy of the password is left behind, and wiped after parsing.
  constexpr size_t kMaxAuthFile = 65536;
  if (st.st_size > static_cast<off_t>(kMaxAuthFile))
    return refuse("longer than " + std::to_string(kMaxAuthFile) + " bytes");
  std::string text(static_cast<size_t>(st.st_size) + 1, '\0');
  size_t got = 0;
  ssize_t n = 0;
  // One byte more than the file held when it was looked at: a file that
  // grew meanwhile is refused rather than read in part.
  while (got < text.size() && (n = ::read(fd.get(), text.data() + got, text.size() - got)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    got += static_cast<size_t>(n);
  }
  fd.reset();
  if (n < 0 || got > static_cast<size_t>(st.st_size)) {
    wipeSecret(text);
    return refuse(n < 0 ? "cannot be read" : "changed while it was read");
  }
  text.resize(got);  // never larger: the buffer stays where it is
  creds.clear();
  creds.takeFrom(parseAuthText(text));
  wipeSecret(text);
  return kOk;
}

uint32_t smbCredentials(SmbCredentials& creds, std::string* why) {
  creds.clear();
  const bool kerberos = haveTicketCache();
  std::string path;
  if (auto set = authFileSetting()) {
    path = *set;
  } else if (const char* f = std::getenv("ZELTRPC_AUTH_FILE"); f && *f) {
    path = f;
  } else {
    path = defaultAuthFile();
    struct stat st {};
    if (!path.empty() && ::lstat(path.c_str(), &st) != 0) path.clear();  // no file: anonymous
  }
  uint32_t status = kOk;
  std::string reason;
  if (!path.empty()) {
    status = readAuthFile(path, creds, &reason);
    // A file that names only half of an account cannot serve: without
    // this refusal it would end as an anonymous session, and a failure
    // that does not say why.
    if (status == kOk && creds.user.empty() && creds.password.empty()) {
      // Empty, a domain alone, or keys misspelt ("user =", "passwd ="):
      // taken as it is, it would connect anonymously without a word.
      reason = path + ": names no user (lines \"username = ...\" and \"password = ...\")";
      status = kAccessDenied;
    } else if (status == kOk && !creds.user.empty() && creds.password.empty()) {
      reason = path + ": names a user but no password";
      status = kAccessDenied;
    } else if (status == kOk && creds.user.empty() && !creds.password.empty()) {
      reason = path + ": names a password but no user (a line \"username = ...\")";
      status = kAccessDenied;
    }
  }
  if (status != kOk) {
    diagnose(reason);
    if (why) *why = reason;
    creds.clear();
  }
  // A ticket cache comes first; the file's user and password are what
  // libsmbclient falls back to when the cache cannot be used (empty, broken,
  // expired). With a ticket cache a refused file leaves Kerberos alone.
  if (kerberos) {
    creds.kerberos = true;
    return kOk;
  }
  return status;
}

}  // namespace zeltrpc::rpc
