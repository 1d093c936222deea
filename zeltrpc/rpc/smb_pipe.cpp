#include "zeltrpc/rpc/smb_pipe.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <memory>
#include <thread>

#include "zeltrpc/rpc/smb_session.h"
#include "zeltrpc/rpc/smb_socket_scan.h"
#include "zeltrpc/rpc/status.h"

namespace zeltrpc::rpc {

namespace {

// The carrier: hands each operation to its connection's worker and waits for
// it no longer than the operation's deadline.
class SmbPipe final : public Carrier {
 public:
  explicit SmbPipe(std::shared_ptr<SmbSession> s)
      : m_session(std::move(s)), m_worker(startSmbWorker(m_session)) {}

  ~SmbPipe() override {
    std::unique_lock lock(m_session->mutex);
    m_session->quit = true;
    m_session->wake.notify_all();
    // Closing the pipe and logging off take a round trip or two. A worker
    // that a silent server holds longer has its connection shut down, which
    // ends its call at once; it is left to finish on its own (the library
    // then stays loaded) only when even that does not free it.
    auto exited = [&] { return m_session->exited; };
    bool done = m_session->wake.wait_for(lock, std::chrono::seconds(m_stuck ? 0 : 1), exited);
    if (!done) {
      m_session->abandonLocked();
      done = m_session->wake.wait_for(lock, std::chrono::seconds(2), exited);
    }
    lock.unlock();
    if (done) {
      m_worker.join();
    } else {
      pinLibrary();
      m_worker.detach();
    }
  }

  // Runs `job` on the worker; false when the deadline passed first (the
  // connection is then of no further use).
  bool run(std::function<void()> job, Clock::time_point deadline) {
    if (m_stuck) return false;
    std::unique_lock lock(m_session->mutex);
    m_session->job = std::move(job);
    m_session->started = false;
    const uint64_t ticket = ++m_session->posted;
    m_session->wake.notify_all();
    auto done = [&] { return m_session->finished >= ticket; };
    if (deadline == Clock::time_point{}) {
      m_session->wake.wait(lock, done);
    } else if (!m_session->wake.wait_until(lock, deadline, done)) {
      // Given up: the worker's call is ended by shutting its connection
      // down. Should it still not return, the library is kept loaded for it.
      // A job still waiting for the library is simply not run.
      m_stuck = true;
      m_session->abandonLocked();
      if (m_session->started &&
          !m_session->wake.wait_for(lock, std::chrono::milliseconds(500), done))
        pinLibrary();
    }
    return !m_stuck;
  }

  // Whether the last job posted got the library's turn (as opposed to
  // waiting behind another connection's call until the deadline).
  bool started() {
    std::lock_guard state(m_session->mutex);
    return m_session->started;
  }

  // implements Carrier ------------------------------------------------
  // Each PDU is one SMB write: a pipe in message mode takes one message of
  // at most 65535 bytes per write and keeps the PDUs apart.
  Io sendAll(std::span<const uint8_t> bytes, Clock::time_point deadline) override {
    if (m_stuck) return Io::Failed;
    SmbSession* s = m_session.get();
    s->out.assign(bytes.begin(), bytes.end());
    if (run([s] { s->io = writeSmbPdus(s); }, deadline)) return s->io;
    // Given up while the worker wrote: the write may have got through, so it
    // counts as sent (the next read on this stuck carrier fails).
    return started() ? Io::Ok : Io::TimedOut;
  }

  Io readPdu(Pdu& pdu, Clock::time_point deadline) override {
    return readPduAtLeast(pdu, deadline, kCommonHeaderSize);
  }

  Io readPduAtLeast(Pdu& pdu, Clock::time_point deadline, size_t leastLength) override {
    if (m_stuck) return Io::Failed;
    SmbSession* s = m_session.get();
    if (!run([s, leastLength] { s->io = readOneSmbPdu(s, leastLength); }, deadline))
      return Io::TimedOut;
    if (s->io == Io::Ok) pdu = s->pdu;
    return s->io;
  }

  // The request's writes and the first read in one job of the worker: one
  // hand-over to it and back per call instead of two.
  SentAndRead sendAndRead(std::span<const uint8_t> bytes, Pdu& pdu, Clock::time_point deadline,
                          size_t leastLength) override {
    SentAndRead r;
    if (m_stuck) return r;
    SmbSession* s = m_session.get();
    s->out.assign(bytes.begin(), bytes.end());
    // Results go through the session: a job given up on may still finish
    // after this returned.
    if (!run(
            [s, leastLength] {
              s->io = Io::Ok;
              s->sent = writeSmbPdus(s);
              if (s->sent != Io::Ok)
                s->io = Io::Failed;
              else if (s->io == Io::Ok)
                s->io = readOneSmbPdu(s, leastLength);
            },
            deadline)) {
      // A job that never got the library's turn sent nothing; one that did
      // may have written the request before the deadline.
      if (started()) return {Io::Ok, Io::TimedOut};
      return {Io::TimedOut, Io::TimedOut};
    }
    r.sent = s->sent;
    r.read = s->io;
    if (r.sent == Io::Ok && r.read == Io::Ok) pdu = s->pdu;
    return r;
  }

  // Over SMB a broken pipe shows only when it is used.
  bool peerGone() const override { return m_stuck; }

 private:
  std::shared_ptr<SmbSession> m_session;
  std::thread m_worker;
  bool m_stuck = false;
};

}  // namespace

void smbAfterForkInChild() {
  // The child closes its copies of the parent's SMB connections: the
  // carriers' duplicates and libsmbclient's own descriptors of the same
  // sockets.
  closeSmbSocketsAfterFork();
  smbLibraryTurn().resetAfterFork();
  resetSmbWorkersAfterFork();
}

uint32_t openSmbPipe(const std::string& networkAddress, const std::string& endpoint,
                     Clock::time_point deadline, std::chrono::milliseconds ioTimeout,
                     std::unique_ptr<Carrier>& out) {
  if (!loadSmbClient()) return kProtseqNotSupported;
  std::string pipe;
  if (uint32_t s = smbPipeName(endpoint, pipe)) return s;
  std::string host = networkAddress;
  host.erase(0, std::min(host.find_first_not_of('\\'), host.size()));
  if (host.empty()) host = "127.0.0.1";
  std::string server;
  if (!smbUrlHost(host, server)) return kServerUnavailable;

  auto session = std::make_shared<SmbSession>();
  if (uint32_t s = smbCredentials(session->creds)) return s;
  auto carrier = std::make_unique<SmbPipe>(session);
  SmbSession* s = session.get();
  const std::string url = "smb://" + server + "/IPC$/" + pipe;
  const uint16_t port = smbPort();
  const int ms = static_cast<int>(std::min<int64_t>(ioTimeout.count(), 24LL * 3600 * 1000));
  s->port = port;
  if (!carrier->run([s, url, port, ms] { openSmbSessionPipe(s, url, port, ms); }, deadline)) {
    // Still waiting for another connection's libsmbclient call: not a sign
    // that the server cannot be reached.
    // Nothing of it went out then: the call certainly did not run.
    return carrier->started() ? kServerUnavailable : kCallFailedDne;
  }
  if (s->error == EACCES || s->error == EPERM) return kAccessDenied;
  if (s->error == ENOMEM) return kOutOfMemory;
  if (s->error != 0) return kServerUnavailable;
  out = std::move(carrier);
  return kOk;
}

}  // namespace zeltrpc::rpc
