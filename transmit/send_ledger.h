#pragma once
// The one record of every send, and the ledger that owns those records.
//
//   SendReport  one send (or one refused send command): which request of
//               which list, where to, when it was asked for, started and
//               ended, and the one state it is in. A value.
//   SendLook    how a state looks to the operator (good, failed, unknown ...),
//               the one place the state's presentation is decided; the
//               status bar and the Send Log take their colours and icons
//               from it.
//   SendLedger  keeps the records and tells its observers of every change,
//               in order, on the thread that made it (the user-interface
//               thread). The sender is its one writer; the status bar, the
//               announcer, the Send Log and the journal observe it. A record
//               is complete (state, times, destination, reason) when its end
//               is told, so every observer has the whole outcome at once.

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace corvella {

struct SendReport {
  enum class State {
    kNone,
    kRefused,          // the command sent nothing, and why
    kWaiting,          // handed over, behind a send still on its way
    kSending,          // on its way
    kDelivered,        // the sign service took it, or the serial line took every byte
    kSentWithWarning,  // every byte went out, but the line's settings could not be applied
    kFailed,           // certainly not delivered, and why
    kUnknown,          // the request may or may not have reached the sign
    kCancelled,        // cancelled while it waited
  };
  State state = State::kNone;
  int send = 0;               // the send's number, unique across starts; 0 for a refused command
  int request = 0;            // the request's number in its list, from 1; 0 when none
  std::string list;           // the request file of that list ("BASK.REQ")
  std::string description;    // the request's Description
  std::string sign;           // its Sign #
  std::string teamPlayer;     // "Visitor, player 12"; "Home"
  std::string destination;    // "the sign service on this computer, input 1", "COM1 (/dev/ttyS0)"
  uint32_t status = 0;        // the client library's status of a failed send
  std::string outcome;        // how it ended (or stands), in full
  std::time_t requested = 0;  // when the operator sent it
  std::time_t started = 0;    // when it went on its way; 0 before
  std::time_t ended = 0;      // when it ended; 0 before
  std::time_t time = 0;       // when it reached this state
  std::string text;           // the one-line summary for the status bar

  // Delivered, sent with a warning, failed, unknown, refused or cancelled.
  bool Ended() const {
    return state != State::kNone && state != State::kWaiting && state != State::kSending;
  }
};

// "DELIVERED", "NOT DELIVERED", "OUTCOME UNKNOWN" ...: the state as one word
// or a few; the journal's words too. kNone is "".
const char* SendStateName(SendReport::State state);
// The state named by SendStateName's word; kNone when none is.
SendReport::State SendStateFromName(const std::string& name);

// How a state is shown: one look per kind of news (on its way; delivered;
// went out, but not as asked, or cancelled; not delivered; not known).
enum class SendLook { kSending, kDelivered, kWarning, kFailed, kUnknown };
SendLook LookOf(SendReport::State state);

// "status 1722 RPC_S_SERVER_UNAVAILABLE: the sign service cannot be reached"
std::string DescribeStatus(uint32_t status);
// True for a status after which the request may or may not have reached the
// sign (out of memory, a broken call, no answer in time).
bool MayHaveReachedSign(uint32_t status);
// The state and the outcome text of a sign-service call that returned `status`.
void SetSignServiceOutcome(SendReport& report, uint32_t status);

// The one-line summary of a report, for the status bar. A failure's line puts
// the reason first, so that a bar too narrow for the whole line still shows it.
std::string SummaryLine(const SendReport& report);

class SendLedger {
 public:
  using Observer = std::function<void(const SendReport&)>;

  // Told of every record as it changes, after the observers added before.
  void Observe(Observer observer) { m_observers.push_back(std::move(observer)); }

  // The number the next send gets, and takes it.
  int TakeNumber() { return m_nNext++; }
  // Numbers up to `used` were given out before (an earlier run of the
  // program): later sends get higher ones.
  void ContinueAfter(int used) {
    if (used >= m_nNext) m_nNext = used + 1;
  }

  // Keeps `report` as the new state of its send (a refused command is kept
  // as a record of its own): stamps the times and the summary line, then
  // tells every observer.
  void Record(SendReport report);

  // The record of send `send` while it has not ended; null otherwise.
  const SendReport* Find(int send) const;
  // The newest record told.
  const SendReport& Last() const { return m_last; }
  // Sends not ended yet, oldest first.
  std::vector<SendReport> Open() const;

 private:
  std::vector<Observer> m_observers;
  std::map<int, SendReport> m_open;  // not ended, by number
  SendReport m_last;
  int m_nNext = 1;
};

}  // namespace corvella
