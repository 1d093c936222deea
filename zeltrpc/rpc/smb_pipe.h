// The ncacn_np carrier: the named pipe of an endpoint "\pipe\NAME" on the
// share IPC$ of a computer, over SMB 2/3 through libsmbclient.
//
// libsmbclient is loaded with dlopen the first time a remote name is bound,
// so programs that only talk to "." neither load nor link it. Its calls block;
// each one runs on a worker thread of the connection while the caller waits
// no longer than its deadline, so a silent server ends as a time-out; a
// connection given up on is shut down, which ends its worker's call at once.
// The library is not safe for calls from several threads at once, so its
// calls are made one at a time in the process.
//
// Credentials, in this order: a Kerberos ticket cache when there is one
// (with the file below as the fallback when the cache turns out unusable);
// otherwise the file named by ZELTRPC_AUTH_FILE, else
// $XDG_CONFIG_HOME/zeltrpc/auth (~/.config/zeltrpc/auth), with
// "username = ...", "password = ...", "domain = ..." lines; otherwise an
// anonymous session. No password ever reaches a log line or an error text.
// ZELTRPC_SMB_PORT names the TCP port (default 445).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "zeltrpc/rpc/transport.h"

namespace zeltrpc::rpc {

// Loads libsmbclient.so.0 and resolves what the carrier uses, once per
// process. False when it cannot be loaded (the library stays loaded once it
// was).
bool loadSmbClient();

struct SmbCredentials {
  bool kerberos = false;  // try the ticket cache first, then what is below
  std::string user;
  std::string domain;
  std::string password;
  SmbCredentials() = default;
  SmbCredentials(const SmbCredentials&) = default;
  SmbCredentials& operator=(const SmbCredentials&) = default;
  ~SmbCredentials();  // wipes the password
};

// Reads the credentials file at `path` in the format above. Returns 0,
// RPC_S_ACCESS_DENIED (5) for a file group or others can read or write, one
// owned by another user, one longer than 65536 bytes, or one that cannot be
// read; `why` names the reason (never the password).
uint32_t readAuthFile(const std::string& path, SmbCredentials& creds, std::string* why = nullptr);

// The credentials to use, chosen as described above; 5 when the file that
// would be used is refused or names only one of user and password (without
// a ticket cache). The reason for a refusal is also written once to standard
// error (diagnose()). With a ticket cache, `kerberos` is set and the file's
// user and password, when usable, are kept for the fallback after Kerberos.
uint32_t smbCredentials(SmbCredentials& creds, std::string* why = nullptr);

// In a child just after fork(): the carrier's locks and worker count start
// afresh (the parent's workers do not exist in the child, and their sessions
// are left alone). The child's only thread calls it.
void smbAfterForkInChild();

// Pipe name of an ncacn_np endpoint ("\pipe\zeltrpc" -> "zeltrpc"), or
// RPC_S_INVALID_ENDPOINT_FORMAT (1706).
uint32_t smbPipeName(const std::string& endpoint, std::string& pipe);

// Opens the pipe of `endpoint` on the computer of `networkAddress` ("\\NAME"
// or "NAME"; empty: this computer) by `deadline`; `ioTimeout` bounds each
// step inside libsmbclient. Returns 0 with the
// connection in `out`; 1703 when libsmbclient cannot be loaded; 5 when the
// credentials are refused (by this library or by the server); 1722 when the
// computer cannot be reached, refuses the connection, has no such pipe, or
// does not finish within the time-out.
uint32_t openSmbPipe(const std::string& networkAddress, const std::string& endpoint,
                     Clock::time_point deadline, std::chrono::milliseconds ioTimeout,
                     std::unique_ptr<Carrier>& out);

}  // namespace zeltrpc::rpc
