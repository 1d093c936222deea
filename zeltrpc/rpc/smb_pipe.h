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
// The parts, each in a file of its own: the libsmbclient loader and the
// library's turn (smb_client_api), the URL and host checks (smb_url), the
// credentials (smb_credentials), the scan for a connection's sockets that a
// forked child uses too (smb_socket_scan), the worker that owns a context
// (smb_session), and the carrier here.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "zeltrpc/rpc/smb_client_api.h"   // loadSmbClient()
#include "zeltrpc/rpc/smb_credentials.h"  // smbCredentials(), readAuthFile()
#include "zeltrpc/rpc/smb_url.h"          // smbPipeName()
#include "zeltrpc/rpc/transport.h"

namespace zeltrpc::rpc {

// In a child just after fork(): the carrier's locks and worker count start
// afresh (the parent's workers do not exist in the child, and their sessions
// are left alone). The child's only thread calls it.
void smbAfterForkInChild();

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
