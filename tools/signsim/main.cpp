// signsim: a stand-in sign service for tests, benchmarks and demonstrations.
// Listens on the ncalrpc endpoint until SIGINT, SIGTERM or SIGHUP, then
// removes its socket. Prints one line per call on standard output, and tells
// a service manager that started it with $NOTIFY_SOCKET when it is ready.

#include <malloc.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/signsim/log_text.h"
#include "tools/signsim/log_writer.h"
#include "tools/signsim/server.h"
#include "tools/signsim/service_notify.h"

namespace {

const char kUsage[] =
    "usage: signsim [options]\n"
    "Stand-in sign service on the ncalrpc endpoint of the sign interface.\n"
    "\n"
    "  --dir DIR          socket directory (default: $ZELTRPC_DIR, else\n"
    "                     $XDG_RUNTIME_DIR/zeltrpc, else /tmp/zeltrpc-<uid>)\n"
    "  --endpoint NAME    endpoint, the socket's name (default: zeltrpc)\n"
    "  --tcp HOST:PORT    serve on a TCP socket as well (\":PORT\" or \"PORT\":\n"
    "                     loopback; port 0: any free port)\n"
    "  --samba-pipe DIR   serve \\pipe\\zeltrpc for the Samba smbd on this\n"
    "                     computer whose `ncalrpc dir` is DIR: listen on\n"
    "                     DIR/np/zeltrpc instead of the ncalrpc endpoint\n"
    "  --big-endian       send every PDU in big-endian data representation\n"
    "  --fault OPNUM      answer calls of OPNUM with a fault\n"
    "  --fault-status N   status carried by that fault (default 0x1C000012)\n"
    "  --delay-ms N       wait N milliseconds before each reply\n"
    "  --drop-after N     answer N calls per connection, then close it when the\n"
    "                     next request arrives, without running that call\n"
    "  --lose-reply-after N  answer N calls per connection, then run the next\n"
    "                     call and close the connection without its reply\n"
    "  --cut-reply        with --lose-reply-after: first send 100 bytes of a\n"
    "                     reply whose header claims 65535\n"
    "  --max-frag N       largest fragment to send and accept (40..65535)\n"
    "  --status-fill N    pad GetStatus texts to N bytes\n"
    "  --quiet            no line per call or connection\n"
    "  --version          the version\n"
    "  --help             this text\n"
    "\n"
    "Prints \"signsim: listening on <path>\" (and \"signsim: listening on tcp\n"
    "<address>:<port>\" with --tcp) when ready, each line after the time\n"
    "unless standard output is the journal; tells a service manager through\n"
    "$NOTIFY_SOCKET; stops on SIGINT, SIGTERM or SIGHUP and removes the socket.\n";

bool number(const char* text, long long low, long long high, long long& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtoll(text, &end, 0);
  return errno == 0 && end != text && *end == '\0' && value >= low && value <= high;
}

}  // namespace

int main(int argc, char** argv) {
  signsim::Options options;
  bool quiet = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](const char* what) -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "signsim: %s needs a value\n", what);
        std::exit(2);
      }
      return argv[++i];
    };
    long long n = 0;
    auto bad = [&](const char* opt) {
      std::fprintf(stderr, "signsim: bad value for %s\n%s", opt, kUsage);
      return 2;
    };
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--version") {
      std::puts("signsim " SIGNSIM_VERSION);
      return 0;
    } else if (a == "--dir") {
      options.dir = value("--dir");
    } else if (a == "--endpoint") {
      options.endpoint = value("--endpoint");
    } else if (a == "--tcp") {
      options.tcp = value("--tcp");
    } else if (a == "--samba-pipe") {
      options.sambaPipe = value("--samba-pipe");
    } else if (a == "--big-endian") {
      options.bigEndian = true;
    } else if (a == "--quiet") {
      quiet = true;
    } else if (a == "--fault") {
      if (!number(value("--fault"), 0, 65535, n)) return bad("--fault");
      options.faultOpnum = static_cast<int>(n);
    } else if (a == "--fault-status") {
      if (!number(value("--fault-status"), 1, 0xFFFFFFFFLL, n)) return bad("--fault-status");
      options.faultStatus = static_cast<uint32_t>(n);
    } else if (a == "--delay-ms") {
      if (!number(value("--delay-ms"), 0, 3600000, n)) return bad("--delay-ms");
      options.delayMs = static_cast<int>(n);
    } else if (a == "--drop-after") {
      if (!number(value("--drop-after"), 0, 1 << 30, n)) return bad("--drop-after");
      options.dropAfter = static_cast<int>(n);
    } else if (a == "--lose-reply-after") {
      if (!number(value("--lose-reply-after"), 0, 1 << 30, n)) return bad("--lose-reply-after");
      options.loseReplyAfter = static_cast<int>(n);
    } else if (a == "--cut-reply") {
      options.cutReply = true;
    } else if (a == "--max-frag") {
      if (!number(value("--max-frag"), 40, 65535, n)) return bad("--max-frag");
      options.maxFrag = static_cast<uint16_t>(n);
    } else if (a == "--status-fill") {
      if (!number(value("--status-fill"), 0, 16 * 1024 * 1024, n)) return bad("--status-fill");
      options.statusFill = static_cast<uint32_t>(n);
    } else {
      std::fprintf(stderr, "signsim: unknown option %s\n%s", a.c_str(), kUsage);
      return 2;
    }
  }

  // Buffers of a megabyte and more (large requests and replies) get pages of
  // their own that go back to the system when they are freed. A fixed
  // threshold also keeps malloc from raising it after the first such free
  // and keeping later ones in heaps it does not give back.
  mallopt(M_MMAP_THRESHOLD, 1024 * 1024);

  // Signals are taken by sigwait below; block them before threads start.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stopSignals, sig);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  // The log never holds up a call (log_writer.h); the journal stamps lines
  // with their time itself.
  signsim::LogWriter log(STDOUT_FILENO, !signsim::isJournalStream(STDOUT_FILENO));
  signsim::LogSink sink;
  if (!quiet) sink = [&log](const std::string& line) { log.write(line); };
  // Nothing in this process reads back the calls it served.
  options.recordCalls = false;
  signsim::SignServer server(options, sink);
  std::string error;
  if (!server.start(error)) {
    std::fprintf(stderr, "signsim: %s\n", signsim::printableText(error).c_str());
    return 1;
  }
  using Keep = signsim::LogWriter::Keep;
  if (!server.tcpAddress().empty())
    log.write("listening on tcp " + server.tcpAddress(), Keep::Always);
  log.write("listening on " + server.socketPath(), Keep::Always);
  // One assignment per line: a folder's name cannot add another.
  signsim::notifyServiceManager("READY=1\nSTATUS=listening on " +
                                signsim::printableText(server.socketPath()));

  int sig = 0;
  sigwait(&stopSignals, &sig);
  signsim::notifyServiceManager("STOPPING=1");
  server.stop();
  log.write(std::string("stopped by ") +
                (sig == SIGINT    ? "SIGINT"
                 : sig == SIGTERM ? "SIGTERM"
                                  : "SIGHUP") +
                ", socket removed",
            Keep::Always);
  // A reader that no longer reads does not keep the process: what it has
  // not taken after a few seconds is lost with it.
  log.finish(std::chrono::seconds(5));
  return 0;
}
