/*
 * zeltrpc.h - client library of the sign service.
 *
 * The library keeps one binding to the sign service per process. Connect
 * with zeltConnectSign("."), call any of the functions below, and release the
 * binding with zeltDisconnectSign() (unloading the library releases it too).
 *
 * The manual page zeltrpc(3) describes every call, its buffers, the
 * statuses and what to do about them, threads, fork and time-outs.
 *
 * Types: the interface's "long" is int32_t and "unsigned long" uint32_t.
 * Texts are NUL-terminated 8-bit strings; buffers are the caller's storage.
 *
 * Status values: every function returns a 32-bit status, 0 for success.
 *   5     ERROR_ACCESS_DENIED: the socket directory is not a directory, is
 *         owned by another user, or is writable by group or others; or,
 *         for a remote name, the SMB server refused the credentials, or the
 *         credentials file is refused (see "Remote names" below).
 *   14    ERROR_OUTOFMEMORY: the library could not get the memory the call
 *         needs. The request may or may not have reached the service.
 *   87    ERROR_INVALID_PARAMETER: an argument check of this library failed
 *         (a null pointer it tests, an empty server name or one over 61
 *         characters, a text or input buffer over 16777216 bytes, or a
 *         zeltGetRealTimeData length over that); nothing was sent and no
 *         size was stored. The service may return 87 too, as its answer
 *         to a call it received (signsim does for a frame out of range):
 *         when the arguments pass the checks above, which a caller can
 *         test itself, an 87 came from the service.
 *   234   ERROR_MORE_DATA: the service's answer did not fit the caller's
 *         buffer (zeltGetStatus and the other calls with a capacity): the
 *         buffer holds the first *size bytes of the answer, cut to the
 *         capacity and not NUL-terminated. The service does not say how
 *         much it needs: call again with a larger buffer.
 *   1702  RPC_S_INVALID_BINDING: not connected.
 *   1703  RPC_S_PROTSEQ_NOT_SUPPORTED: no carrier for the protocol sequence:
 *         ncacn_np when libsmbclient (libsmbclient.so.0) cannot be loaded
 *         (ncacn_nb_nb, the second try of a remote name, has none at all).
 *   1706  RPC_S_INVALID_ENDPOINT_FORMAT: the socket directory and endpoint
 *         make a path too long for a Unix-domain socket.
 *   1717  RPC_S_UNKNOWN_IF: the service does not offer the sign interface.
 *   1722  RPC_S_SERVER_UNAVAILABLE: nobody listens at the endpoint, or the
 *         connect/bind did not finish within ZELTRPC_TIMEOUT_MS; for a
 *         remote name also: the computer cannot be reached, refuses the
 *         connection, or has no pipe \pipe\zeltrpc. Nothing reached the
 *         service: the call did not run.
 *   1723  RPC_S_SERVER_TOO_BUSY: the service refused the connection for now.
 *   1726  RPC_S_CALL_FAILED: the connection broke after the request went out;
 *         the call may have run.
 *   1727  RPC_S_CALL_FAILED_DNE: the call certainly did not run: it did not
 *         get the shared connection within ZELTRPC_TIMEOUT_MS (another
 *         thread's call held it), its request could not be written whole,
 *         or the service closed the connection leaving the request unread.
 *   1728  RPC_S_PROTOCOL_ERROR: the service answered the request with a
 *         malformed or unexpected PDU; the call may have run. (A malformed
 *         answer to the bind, before any request, is 1727.)
 *   1730  RPC_S_UNSUPPORTED_TRANS_SYN: the service does not accept NDR.
 *   1766  RPC_S_INTERNAL_ERROR: an unexpected failure inside the library.
 *   1780  RPC_X_NULL_REF_POINTER: a null pointer reached a procedure
 *         argument that no check of this library tests; nothing was sent.
 *   1783  RPC_X_BAD_STUB_DATA: the reply was malformed, or it carried more
 *         bytes than the caller's buffer holds (the capacity it sent).
 *         Nothing is written to the caller's storage in that case.
 *   1818  RPC_S_CALL_CANCELLED: the request went out and no answer came
 *         within ZELTRPC_TIMEOUT_MS milliseconds (default 10000), counted
 *         from the call's start, the wait for other threads' calls
 *         included. The call may have run. (A call that timed out before
 *         its request went out returns 1727 or 1722.)
 *   Faults sent by the service arrive mapped to these values (for example
 *   1745 for an unknown procedure); any other value is the service's own
 *   result for the call.
 * After a failed call, out storage may be untouched or partly written.
 * No C++ exception leaves any function of this library; failures inside it
 * end as 14 or 1766 (zeltIsServer answers 0).
 *
 * Connection: a broken connection (the service restarted) fails the call that
 * meets it; the next call opens a new connection on the same binding. A
 * connection found closed between calls is replaced before the next call;
 * over a named pipe, where that shows only when the pipe is used, a call
 * whose request could not be written at all to a pipe left open from
 * earlier calls is sent on a new pipe. A call is never sent twice once its
 * request went out: when its reply is lost or cut short it returns 1726
 * (it may or may not have run; do not repeat it blindly).
 *
 * Remote names: zeltConnectSign("NAME") reaches the sign service of computer
 * NAME (a DNS name, an IP address or a NetBIOS name) over the named pipe
 * \pipe\zeltrpc on its share IPC$, over SMB 2/3 through libsmbclient,
 * which the library loads the first time a remote name is bound (nothing of
 * it is linked). NAME may also be an IPv6 address, bare ("::1") or in
 * brackets ("[::1]"). Credentials: a Kerberos ticket cache when there is
 * one, with the credentials file below as the fallback when the cache turns
 * out unusable (empty, broken, expired); without a cache the file named by
 * ZELTRPC_AUTH_FILE, else $XDG_CONFIG_HOME/zeltrpc/auth
 * (~/.config/zeltrpc/auth), with lines "username = ...", "password = ...",
 * "domain = ..."; with no file, an anonymous session. The file must be a
 * regular file (not a link, FIFO or device), owned by the caller and
 * readable by its owner only, at most 65536 bytes, and name a user and its
 * password (not just one of them); otherwise
 * it is refused: the connect returns 5 (unless a ticket cache is used), and
 * the reason is written once to standard error as "zeltrpc: PATH: REASON"
 * (never the password). The password is kept in memory only while the
 * session is set up. ZELTRPC_SMB_PORT names the TCP port (default 445);
 * ZELTRPC_TIMEOUT_MS bounds the connect, the session set-up and every call.
 * libsmbclient takes one call at a time in the process: a connect that
 * cannot get its turn because another connection's call is waiting for its
 * server returns 1727 at its time-out (1722 means the server itself did not
 * answer or could not be reached).
 *
 * Threads: calls from several threads are serialised on the one connection;
 * a call's time-out includes its wait for its turn, so a call that could not
 * get the connection in time returns 1727 without being sent. Connecting or
 * disconnecting while other threads call is safe: those calls finish on the
 * old binding or fail with 1702.
 *
 * fork(): the child starts unconnected. Its calls return 1702 until it calls
 * zeltConnectSign, which opens a connection of its own; the parent keeps its
 * connection and its calls in flight. The child closes its copies of the
 * parent's connection descriptors and never waits for a lock a thread of the
 * parent held at the fork (the library registers pthread_atfork handlers).
 * Over a remote name, a child that forks while another thread is inside
 * libsmbclient inherits that library in whatever state it was; a child that
 * needs the remote carrier is best started with exec.
 *
 * Time-outs and unloading, remote names: a call given up at its time-out
 * shuts its SMB connection down, which ends the library's work on it within
 * a fraction of a second; nothing of the call outlives the caller's deadline
 * by more than about half a second, and exit or dlclose after a time-out
 * does not wait for the server. Should the library's worker thread still be
 * busy then, the library keeps itself loaded until the process ends (its
 * unload is then a no-op), so no code of it is unmapped under that thread.
 *
 * ZELTRPC_TIMEOUT_MS: a whole number of milliseconds from 1 to 86400000,
 * read when a binding is made (zeltConnectSign). This and the other
 * variables named here (ZELTRPC_DIR, ZELTRPC_SMB_PORT, ZELTRPC_AUTH_FILE)
 * can also be set from the program, safely from any thread, by the
 * configuration calls at the end of this header (library version 1.1). Unset or empty: 10000. Any
 * other value ("abc", "0", "-5") is reported once on standard error
 * ("zeltrpc: ZELTRPC_TIMEOUT_MS=... is not a number ...") and 10000 used.
 * The library writes nothing else to standard error except such lines,
 * each starting with "zeltrpc: " and each written once per process.
 *
 * Sizes: functions taking "capacity" store it into *size before the call
 * ("stores capacity into size"); the others expect *size to hold the
 * capacity of its buffer. On return *size holds the byte count the service
 * sent, and the buffer holds exactly those bytes.
 */
#ifndef ZELTRPC_H
#define ZELTRPC_H

#include <stdint.h>

#ifndef ZELTRPC_API
#if defined(ZELTRPC_BUILDING) && (defined(__GNUC__) || defined(__clang__))
#define ZELTRPC_API __attribute__((visibility("default")))
#else
#define ZELTRPC_API
#endif
#endif

/* ---- Status values ------------------------------------------------------ */

/* Every status this library or the sign service returns, by the Win32 name
 * clients of the sign service know, with a short text for people:
 * ZELTRPC_STATUS_LIST(X) expands X(NAME, value, "text") once for each, so a
 * program builds its own table from it:
 *
 *   #define ROW(name, value, text) {value, #name, text},
 *   static const struct { uint32_t value; const char *name, *text; }
 *       statuses[] = { ZELTRPC_STATUS_LIST(ROW) };
 *
 * ZELTRPC_STATUS_OUTCOMES(X) expands X(NAME, value, outcome, "text") over
 * the same list, where outcome says what a caller may conclude about the
 * call (see enum zeltrpc_outcome):
 *   ZELT_CALL_RAN           the service received the call and this is its
 *                           answer (0, 2, 6, 234, 1130, 1168);
 *   ZELT_CALL_NOT_RUN       the call certainly did not run: it was refused
 *                           before it was sent, never reached the service,
 *                           was not sent whole, or the service refused it
 *                           before running it; making it again cannot run
 *                           it twice;
 *   ZELT_CALL_MAY_HAVE_RUN  the request may have reached the service and
 *                           run; find out before repeating a call that
 *                           changes something (14, 1726, 1728, 1766,
 *                           1767-1771, 1783, 1818, 1820).
 * 87 is NOT_RUN from both of its sources: the library's argument checks
 * refuse before sending, and the service answers 87 for arguments it
 * refuses. A service's own result that is not in the list says nothing of
 * this kind.
 *
 * The constants themselves are ZELT_ followed by the name
 * (ZELT_RPC_S_SERVER_UNAVAILABLE is 1722). The comment at the top of this
 * header tells when each of the library's statuses arises. Nothing here is
 * a symbol of the library: the lists are the header's alone. */
#define ZELTRPC_STATUS_ROWS_(R, X)                                                                 \
  R(X, ERROR_SUCCESS, 0, RAN, "success")                                                           \
  R(X, ERROR_FILE_NOT_FOUND, 2, RAN, "the sign service knows no such sign")                        \
  R(X, ERROR_ACCESS_DENIED, 5, NOT_RUN, "access denied")                                           \
  R(X, ERROR_INVALID_HANDLE, 6, RAN, "the sign service lost the call's context")                   \
  R(X, ERROR_OUTOFMEMORY, 14, MAY_HAVE_RUN, "out of memory")                                       \
  R(X, ERROR_INVALID_PARAMETER, 87, NOT_RUN,                                                       \
    "an argument was refused, by the client library or the sign service")                          \
  R(X, ERROR_MORE_DATA, 234, RAN, "the answer did not fit the buffer")                             \
  R(X, ERROR_NOT_ENOUGH_SERVER_MEMORY, 1130, RAN, "the sign service ran out of memory")            \
  R(X, ERROR_NOT_FOUND, 1168, RAN, "the sign service knows no such sequence or schedule")          \
  R(X, RPC_S_INVALID_STRING_BINDING, 1700, NOT_RUN, "the server name cannot be used")              \
  R(X, RPC_S_INVALID_BINDING, 1702, NOT_RUN, "not connected")                                      \
  R(X, RPC_S_PROTSEQ_NOT_SUPPORTED, 1703, NOT_RUN, "no way to reach that computer")                \
  R(X, RPC_S_INVALID_RPC_PROTSEQ, 1704, NOT_RUN, "the server name cannot be used")                 \
  R(X, RPC_S_INVALID_ENDPOINT_FORMAT, 1706, NOT_RUN, "the socket folder's path is too long")       \
  R(X, RPC_S_UNKNOWN_IF, 1717, NOT_RUN, "not a sign service")                                      \
  R(X, RPC_S_SERVER_UNAVAILABLE, 1722, NOT_RUN, "the sign service cannot be reached")              \
  R(X, RPC_S_SERVER_TOO_BUSY, 1723, NOT_RUN, "the sign service is busy")                           \
  R(X, RPC_S_CALL_FAILED, 1726, MAY_HAVE_RUN,                                                      \
    "the connection broke; the request may or may not have reached the sign")                      \
  R(X, RPC_S_CALL_FAILED_DNE, 1727, NOT_RUN,                                                       \
    "the request could not be sent; the call did not run")                                         \
  R(X, RPC_S_PROTOCOL_ERROR, 1728, MAY_HAVE_RUN, "the sign service answered wrongly")              \
  R(X, RPC_S_UNSUPPORTED_TRANS_SYN, 1730, NOT_RUN, "the sign service does not speak NDR")          \
  R(X, RPC_S_UNSUPPORTED_TYPE, 1732, NOT_RUN, "the sign service refused a type of the call")       \
  R(X, RPC_S_INVALID_TAG, 1733, NOT_RUN, "the sign service found a bad tag in the call")           \
  R(X, RPC_S_INVALID_BOUND, 1734, NOT_RUN, "the sign service found a bad array bound in the call") \
  R(X, RPC_S_PROCNUM_OUT_OF_RANGE, 1745, NOT_RUN, "the sign service does not offer this call")     \
  R(X, RPC_S_UNKNOWN_AUTHN_SERVICE, 1747, NOT_RUN, "the sign service refused the authentication")  \
  R(X, RPC_S_INTERNAL_ERROR, 1766, MAY_HAVE_RUN, "internal error of the client library")           \
  R(X, RPC_S_ZERO_DIVIDE, 1767, MAY_HAVE_RUN, "the sign service divided by zero")                  \
  R(X, RPC_S_ADDRESS_ERROR, 1768, MAY_HAVE_RUN, "the sign service failed on a bad address")        \
  R(X, RPC_S_FP_DIV_ZERO, 1769, MAY_HAVE_RUN, "the sign service divided by zero")                  \
  R(X, RPC_S_FP_UNDERFLOW, 1770, MAY_HAVE_RUN, "the sign service failed on a number too small")    \
  R(X, RPC_S_FP_OVERFLOW, 1771, MAY_HAVE_RUN, "the sign service failed on a number too large")     \
  R(X, RPC_X_NULL_REF_POINTER, 1780, NOT_RUN, "a null pointer was given; nothing was sent")        \
  R(X, RPC_X_BAD_STUB_DATA, 1783, MAY_HAVE_RUN, "the sign service answered wrongly")               \
  R(X, RPC_S_CALL_CANCELLED, 1818, MAY_HAVE_RUN, "no answer in time; the call may have run")       \
  R(X, RPC_S_COMM_FAILURE, 1820, MAY_HAVE_RUN, "the connection to the sign service failed")        \
  R(X, RPC_X_WRONG_PIPE_ORDER, 1831, NOT_RUN, "the sign service refused the call's pipes")         \
  R(X, RPC_X_PIPE_CLOSED, 1916, NOT_RUN, "the sign service refused the call's pipes")              \
  R(X, RPC_X_PIPE_DISCIPLINE_ERROR, 1917, NOT_RUN, "the sign service refused the call's pipes")    \
  R(X, RPC_X_PIPE_EMPTY, 1918, NOT_RUN, "the sign service refused the call's pipes")
#define ZELTRPC_STATUS_ROW3_(X, name, value, outcome, text) X(name, value, text)
#define ZELTRPC_STATUS_ROW4_(X, name, value, outcome, text) \
  X(name, value, ZELT_CALL_##outcome, text)
#define ZELTRPC_STATUS_LIST(X) ZELTRPC_STATUS_ROWS_(ZELTRPC_STATUS_ROW3_, X)
#define ZELTRPC_STATUS_OUTCOMES(X) ZELTRPC_STATUS_ROWS_(ZELTRPC_STATUS_ROW4_, X)

/* What a status says about whether the call ran (ZELTRPC_STATUS_OUTCOMES). */
enum zeltrpc_outcome { ZELT_CALL_RAN = 1, ZELT_CALL_NOT_RUN = 2, ZELT_CALL_MAY_HAVE_RUN = 3 };

#define ZELTRPC_STATUS_CONSTANT_(name, value, text) ZELT_##name = value,
/* ZELT_ERROR_SUCCESS, ZELT_ERROR_ACCESS_DENIED, ... */
enum zeltrpc_status {
  ZELTRPC_STATUS_LIST(ZELTRPC_STATUS_CONSTANT_) ZELT_STATUS_LIST_END_ = -1 /* not a status */
};
#undef ZELTRPC_STATUS_CONSTANT_

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Connection ------------------------------------------------------- */

/* Binds to the sign service on computer `server` ("." for this computer,
 * over ncalrpc endpoint "zeltrpc" in the socket directory) and pings it.
 * Releases any earlier binding first, even for the same name. Remote names
 * try ncacn_np, then ncacn_nb_nb; as ncacn_nb_nb has no carrier here (1703),
 * a failed remote name returns the named pipe's status (1722, 5, ...).
 * Returns 0 when connected, 87 for a null or empty name or one longer than
 * 61 characters (nothing changed), otherwise the status of the last attempt
 * (and the process is left without a binding). */
ZELTRPC_API uint32_t zeltConnectSign(const char* server);

/* Releases the binding, if any. Returns 0. */
ZELTRPC_API uint32_t zeltDisconnectSign(void);

/* 1 when connected and `server` equals the name last given to
 * zeltConnectSign without regard to letter case, otherwise 0. */
ZELTRPC_API uint32_t zeltIsServer(const char* server);

/* Asks the service whether it answers; returns the status of Ping. */
ZELTRPC_API uint32_t zeltPing(void);

/* ---- Sequences, frames and schedules ---------------------------------- */

/* Plays `sequence` on `sign`; value1 and value2 are passed through. */
ZELTRPC_API uint32_t zeltPlaySequence(const char* sign, const char* sequence, int32_t value1,
                                      int32_t value2);
/* Adds `sequence` to the queue of `sign`. */
ZELTRPC_API uint32_t zeltQueueSequence(const char* sign, const char* sequence, int32_t value1,
                                       int32_t value2);
/* Makes `sequence` the default sequence of `sign`. */
ZELTRPC_API uint32_t zeltSetDefaultSequence(const char* sign, const char* sequence, int32_t value1,
                                            int32_t value2);
/* Checks that `sequence` exists for `sign`. */
ZELTRPC_API uint32_t zeltCheckSequence(const char* sign, const char* sequence);
/* Shows frame number `frame`. */
ZELTRPC_API uint32_t zeltSelectFrame(const char* sign, int32_t frame);
/* Steps through frames one at a time. */
ZELTRPC_API uint32_t zeltSingleStepFrame(const char* sign, int32_t value);
/* Runs the named schedule. */
ZELTRPC_API uint32_t zeltRunSchedule(const char* sign, const char* schedule, int32_t value);
/* Stops the running sequence of `sign`. */
ZELTRPC_API uint32_t zeltStopSequence(const char* sign);
/* Blanks `sign`. */
ZELTRPC_API uint32_t zeltBlankSign(const char* sign);
/* Ends the running schedule of `sign`. */
ZELTRPC_API uint32_t zeltEndSchedule(const char* sign);
/* Moves `sign` on to the next item of its queue. */
ZELTRPC_API uint32_t zeltNextItem(const char* sign);
/* Empties the queue of `sign`. */
ZELTRPC_API uint32_t zeltClearQueue(const char* sign);
/* Sets the dimming of `sign`. */
ZELTRPC_API uint32_t zeltSetDimming(const char* sign, int32_t value1, int32_t value2);
/* Shows `length` bytes of frame data. */
ZELTRPC_API uint32_t zeltShowFrame(const char* sign, const char* data, uint32_t length);

/* ---- Flags and readings ----------------------------------------------- */

/* Each stores one value of `sign`, as the service defines it, into the
 * caller's integer. */
ZELTRPC_API uint32_t zeltGetChangeFlag(const char* sign, int32_t* flag);
ZELTRPC_API uint32_t zeltGetSchedChangeFlag(const char* sign, int32_t* flag);
ZELTRPC_API uint32_t zeltGetPhotocell(const char* sign, int32_t* value);

/* ---- Status texts ----------------------------------------------------- */

/* Status of `sign` into buffer. 87 when sign, buffer or size is null. */
ZELTRPC_API uint32_t zeltGetStatus(const char* sign, char* buffer, uint32_t capacity,
                                   uint32_t* size);
/* Configuration of `sign`. 87 when sign, buffer or size is null. */
ZELTRPC_API uint32_t zeltGetConfig(const char* sign, char* buffer, uint32_t capacity,
                                   uint32_t* size);
/* Windows of `sign`. 87 when sign, buffer or size is null. */
ZELTRPC_API uint32_t zeltListWindows(const char* sign, char* buffer, uint32_t capacity,
                                     uint32_t* size);
/* Queue of `sign` (no argument check). */
ZELTRPC_API uint32_t zeltGetQueue(const char* sign, char* buffer, uint32_t capacity,
                                  uint32_t* size);
/* Bulb report of `sign`; with a non-null `extra` also its extra value
 * (GetBulbEx), otherwise GetBulb. 87 when sign, buffer or size is null. */
ZELTRPC_API uint32_t zeltGetBulb(const char* sign, char* buffer, uint32_t capacity, uint32_t* size,
                                 int32_t* extra);
/* Names of the signs (no argument check). */
ZELTRPC_API uint32_t zeltListSigns(char* buffer, uint32_t capacity, uint32_t* size);
/* Names of the servers (no argument check). */
ZELTRPC_API uint32_t zeltListServers(char* buffer, uint32_t capacity, uint32_t* size,
                                     int32_t value);
/* Schedule and sequence status; *size1 and *size2 hold the capacities.
 * *value is sent to the service and replaced by its answer.
 * 87 when any pointer but `value` is null. */
ZELTRPC_API uint32_t zeltGetSchedSeqStatus(const char* sign, char* buffer1, uint32_t* size1,
                                           char* buffer2, uint32_t* size2, int32_t* value);
/* Default sequence; *size holds the capacity. 87 when sign, buffer or size is null. */
ZELTRPC_API uint32_t zeltGetDefaultSequence(const char* sign, char* buffer, uint32_t* size,
                                            int32_t* value1, int32_t* value2);
/* Frame status; *size holds the capacity. 87 when sign, buffer, size,
 * value2 or value3 is null. */
ZELTRPC_API uint32_t zeltGetFrameStatus(const char* sign, char* buffer, uint32_t* size,
                                        int32_t* value1, int32_t* value2, int32_t* value3,
                                        int32_t* value4, int32_t* value5);
/* Effect status; *size holds the capacity. 87 when any pointer is null. */
ZELTRPC_API uint32_t zeltGetEffectStatus(const char* sign, int32_t* value, char* buffer,
                                         uint32_t* size);
/* Schedule text; *size holds the capacity. 87 when sign or size is null. */
ZELTRPC_API uint32_t zeltGetSchedule(const char* sign, uint32_t* size, char* buffer,
                                     int32_t* value);

/* ---- Windows ---------------------------------------------------------- */

ZELTRPC_API uint32_t zeltWindowEnable(const char* sign, int32_t value1, int32_t value2);
ZELTRPC_API uint32_t zeltWindowMove(const char* sign, int32_t value1, int32_t value2,
                                    int32_t value3);
ZELTRPC_API uint32_t zeltQueueWindowEnable(const char* sign, int32_t value1, int32_t value2);
ZELTRPC_API uint32_t zeltQueueWindowMove(const char* sign, int32_t value1, int32_t value2,
                                         int32_t value3);

/* ---- Real-time data --------------------------------------------------- */

/* Stores `length` bytes of real-time data (the procedure's last value is 0). */
ZELTRPC_API uint32_t zeltSetRealTimeData(int32_t value1, const char* data, uint32_t length,
                                         int32_t value2);
/* Reads exactly `length` bytes of real-time data into `data`. */
ZELTRPC_API uint32_t zeltGetRealTimeData(int32_t value1, char* data, uint32_t length,
                                         int32_t value2);
/* Sends `length` bytes to real-time-data input `port` (0-based). */
ZELTRPC_API uint32_t zeltSendRealTimeDataPort(int32_t port, const char* data, uint32_t length);

/* ---- Video processor -------------------------------------------------- */

ZELTRPC_API uint32_t zeltVLGetChangeFlag(const char* sign, int32_t* flag);
/* *size holds the capacity of buffer. */
ZELTRPC_API uint32_t zeltVLGetStatus(const char* sign, char* buffer, uint32_t* size);
ZELTRPC_API uint32_t zeltVLGetConfig(const char* sign, char* buffer, uint32_t* size);
ZELTRPC_API uint32_t zeltVLSendBrightness(const char* sign, int32_t value);
ZELTRPC_API uint32_t zeltVLSendContrast(const char* sign, int32_t value);
ZELTRPC_API uint32_t zeltVLSendSaturation(const char* sign, int32_t value);
ZELTRPC_API uint32_t zeltVLSendHue(const char* sign, int32_t value);
ZELTRPC_API uint32_t zeltVLSendFormat(const char* sign, int32_t value);
ZELTRPC_API uint32_t zeltVLSendInput(const char* sign, int32_t value);
ZELTRPC_API uint32_t zeltVLSendSource(const char* sign, int32_t value);
ZELTRPC_API uint32_t zeltVLSendViewableArea(const char* sign, int32_t value1, int32_t value2,
                                            int32_t value3, int32_t value4);
ZELTRPC_API uint32_t zeltVLSendWindow(const char* sign, int32_t value1, int32_t value2,
                                      int32_t value3, int32_t value4);
ZELTRPC_API uint32_t zeltVLReadFmtInpSrc(const char* sign, int32_t* format, int32_t* input,
                                         int32_t* source);
ZELTRPC_API uint32_t zeltVLReadViewableArea(const char* sign, int32_t* value1, int32_t* value2,
                                            int32_t* value3, int32_t* value4);
ZELTRPC_API uint32_t zeltVLReadWindow(const char* sign, int32_t* value1, int32_t* value2,
                                      int32_t* value3, int32_t* value4);
ZELTRPC_API uint32_t zeltVLReadBCHS(const char* sign, int32_t* brightness, int32_t* contrast,
                                    int32_t* hue, int32_t* saturation);

/* ---- Other ------------------------------------------------------------ */

/* Tests its arguments only: 0 when a, b and d are non-null, else 87.
 * Reads and writes nothing, sends nothing. */
ZELTRPC_API uint32_t zeltGetDIB(const void* a, const void* b, const void* c, const void* d);

/* ---- Configuration (library version 1.1) ------------------------------ */

/* Settings that stand in place of the environment variables of the same
 * meaning while they are set; each returns 0, or 87 for a value out of
 * range (nothing changes then). 0 or a null pointer clears the setting, and
 * the environment counts again. Safe to call from any thread at any time,
 * unlike setenv() in a threaded program. They take effect as the variables
 * do: the time-out when the next binding is made (zeltConnectSign), the
 * others when the next connection is opened. */

/* The time-out of connects and calls in milliseconds, 1 to 86400000
 * (ZELTRPC_TIMEOUT_MS); 0 clears. */
ZELTRPC_API uint32_t zeltSetTimeout(uint32_t milliseconds);
/* The TCP port of remote computers' SMB servers, 1 to 65535
 * (ZELTRPC_SMB_PORT); 0 clears. */
ZELTRPC_API uint32_t zeltSetSmbPort(uint32_t port);
/* The credentials file for remote computers (ZELTRPC_AUTH_FILE), a path of
 * 1 to 4095 bytes; NULL clears. The file is checked when it is read. */
ZELTRPC_API uint32_t zeltSetAuthFile(const char* path);
/* The folder of the local service's socket (ZELTRPC_DIR), a path of 1 to
 * 4095 bytes; NULL clears. The folder is checked when it is used. */
ZELTRPC_API uint32_t zeltSetSocketDir(const char* path);

#ifdef __cplusplus
}
#endif

#endif /* ZELTRPC_H */
