// The worker side of an ncacn_np connection: a thread that owns one
// libsmbclient context and runs the carrier's operations on it one at a time,
// each in the library's process-wide turn. The carrier (smb_pipe.cpp) posts
// an operation and waits for it no longer than its deadline; a carrier that
// stops waiting shuts the connection's sockets down, which ends the worker's
// call at once, and leaves the worker to free the context when it returns.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "zeltrpc/rpc/pdu.h"
#include "zeltrpc/rpc/smb_client_api.h"
#include "zeltrpc/rpc/smb_credentials.h"
#include "zeltrpc/rpc/transport.h"

namespace zeltrpc::rpc {

// What the carrier and its worker thread share. Fields below `mutex` are
// guarded by it unless said otherwise; the results of a job (io, sent, in,
// pdu, error, ctx, file) are written by the worker while it runs the job and
// read by the carrier after the job finished.
struct SmbSession {
  std::mutex mutex;
  std::condition_variable wake;
  std::function<void()> job;  // set by the carrier, cleared by the worker
  uint64_t posted = 0;
  uint64_t finished = 0;
  bool quit = false;
  bool exited = false;

  SMBCCTX* ctx = nullptr;
  SMBCFILE* file = nullptr;
  uint16_t port = 0;
  std::vector<ino_t> socketsBefore;  // taken as the open starts
  bool opening = false;              // the open is under way
  // The carrier gave up: run nothing more. Atomic so that a worker waiting
  // for the library's turn can see it without this session's lock.
  std::atomic<bool> abandoned{false};
  bool started = false;      // the last job posted got the library's turn
  std::vector<int> sockets;  // duplicates of the connection's sockets
  SmbCredentials creds;
  std::vector<uint8_t> out;  // the PDUs of one write
  std::vector<uint8_t> in;   // the last PDU read
  Pdu pdu;
  Io sent = Io::Ok;  // the writes of a request written and answered in one job
  Io io = Io::Ok;
  int error = 0;  // errno of a failed open

  // Shuts the connection's sockets down so that a libsmbclient call blocked
  // on them ends now, and wakes a job waiting for the library so that it is
  // not run. Called with `mutex` held.
  void abandonLocked();

  // The worker thread's loop: runs each posted job, then closes and frees
  // the context once `quit` is set.
  void run();
};

// Starts the worker thread of `session`, counted as live until it ends.
std::thread startSmbWorker(std::shared_ptr<SmbSession> session);

// Keeps this library mapped until the process ends: taken when a worker may
// outlive the carrier that gave up on it, so that no unload (dlclose) can
// take the code it runs away from under it.
void pinLibrary();

// Operations the carrier posts to its worker (each runs on the worker, in
// the library's turn).

// Creates the context with the session's credentials and opens `url`; sets
// ctx, file, sockets and, for a failure, error. The password is wiped when
// it returns.
void openSmbSessionPipe(SmbSession* s, const std::string& url, uint16_t port, int timeoutMs);

// Writes the PDUs in s->out, each as an SMB write of its own. Io::Closed
// when the first write failed (nothing reached the service). A write of the
// last PDU that timed out or failed otherwise may have reached the server
// before its answer was lost: that is Io::Ok, with s->io set to the failure
// for the read that follows to report.
Io writeSmbPdus(SmbSession* s);

// Reads one PDU into s->in and s->pdu, asking for no more than the message
// holds: at least `leastLength` bytes, then exactly what its header names.
Io readOneSmbPdu(SmbSession* s, size_t leastLength);

// In a child just after fork(): the live-worker count starts afresh.
void resetSmbWorkersAfterFork();

}  // namespace zeltrpc::rpc
