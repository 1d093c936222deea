#include "transmit/send_ledger.h"

#include <zeltrpc.h>

#include <cstring>
#include <utility>

namespace corvella {

namespace {

using State = SendReport::State;

// Every status of the client library and the sign service, by the name
// integrators know and what it means to the operator.
struct StatusText {
  uint32_t status;
  const char* name;
  const char* meaning;
};
#define CORVELLA_STATUS_ROW(name, value, text) {value, #name, text},
constexpr StatusText kStatusTexts[] = {ZELTRPC_STATUS_LIST(CORVELLA_STATUS_ROW)};
#undef CORVELLA_STATUS_ROW

// Statuses that reach the program only as the sign service's fault answer to
// a call it received: the line worked, the service refused or failed the call.
constexpr uint32_t kFaultStatuses[] = {6,    1130, 1732, 1733, 1734, 1745, 1767, 1768,
                                       1769, 1770, 1771, 1831, 1916, 1917, 1918};

struct StateWords {
  State state;
  const char* name;
};
constexpr StateWords kStateNames[] = {
    {State::kRefused, "REFUSED"},
    {State::kWaiting, "WAITING"},
    {State::kSending, "SENDING"},
    {State::kDelivered, "DELIVERED"},
    {State::kSentWithWarning, "SENT, SETTINGS FAILED"},
    {State::kFailed, "NOT DELIVERED"},
    {State::kUnknown, "OUTCOME UNKNOWN"},
    {State::kCancelled, "CANCELLED"},
};

std::string TimeOfDay(std::time_t when) {
  std::tm local{};
  char text[16] = "";
  if (when != 0 && localtime_r(&when, &local)) std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

}  // namespace

const char* SendStateName(State state) {
  for (const StateWords& w : kStateNames) {
    if (w.state == state) return w.name;
  }
  return "";
}

State SendStateFromName(const std::string& name) {
  for (const StateWords& w : kStateNames) {
    if (name == w.name) return w.state;
  }
  return State::kNone;
}

SendLook LookOf(State state) {
  switch (state) {
    case State::kDelivered: return SendLook::kDelivered;
    case State::kFailed:
    case State::kRefused: return SendLook::kFailed;
    case State::kSentWithWarning:
    case State::kCancelled: return SendLook::kWarning;
    case State::kUnknown: return SendLook::kUnknown;
    case State::kNone:
    case State::kWaiting:
    case State::kSending: break;
  }
  return SendLook::kSending;
}

// The library's own classification of its statuses decides: a status that
// says the call may have run (the connection broke after the request went
// out, no answer in time, a malformed answer ...) leaves the outcome open.
bool MayHaveReachedSign(uint32_t status) {
#define CORVELLA_MAY_HAVE_RUN_(name, value, outcome, text) \
  if (status == (value)) return (outcome) == ZELT_CALL_MAY_HAVE_RUN;
  ZELTRPC_STATUS_OUTCOMES(CORVELLA_MAY_HAVE_RUN_)
#undef CORVELLA_MAY_HAVE_RUN_
  return false;
}

std::string DescribeStatus(uint32_t status) {
  std::string text = "status " + std::to_string(status);
  // A failed call is also what the sign service's unspecified fault comes
  // to: the line need not have broken.
  if (status == ZELT_RPC_S_CALL_FAILED) {
    return text +
           " RPC_S_CALL_FAILED: the call failed (the connection broke, or the sign service "
           "answered it with a fault); the request may or may not have reached the sign";
  }
  for (const StatusText& known : kStatusTexts) {
    if (known.status != status) continue;
    text += std::string(" ") + known.name + ": " + known.meaning;
    for (uint32_t fault : kFaultStatuses) {
      if (fault == status)
        return text + " (the sign service received the call and answered it with a fault)";
    }
    return text;
  }
  return text + " from the sign service";
}

void SetSignServiceOutcome(SendReport& r, uint32_t status) {
  r.status = status;
  if (status == 0) {
    r.state = State::kDelivered;
    r.outcome = "Delivered";
  } else if (MayHaveReachedSign(status)) {
    r.state = State::kUnknown;
    r.outcome = "outcome unknown: the request may have reached the sign; " + DescribeStatus(status);
  } else {
    r.state = State::kFailed;
    r.outcome = "NOT delivered: " + DescribeStatus(status);
  }
}

std::string SummaryLine(const SendReport& r) {
  const std::string request = "Request " + std::to_string(r.request);
  // Every line ends with the time of day, so that one send's line is told
  // from the next one's.
  const std::string at = " at " + TimeOfDay(r.time) + ".";
  switch (r.state) {
    case State::kRefused: return r.outcome + " (" + TimeOfDay(r.time) + ").";
    case State::kWaiting: return request + " " + r.outcome + " (to " + r.destination + ")" + at;
    case State::kSending:
      return "Sending request " + std::to_string(r.request) + " to " + r.destination + "...";
    case State::kDelivered: return request + " delivered to " + r.destination + at;
    case State::kSentWithWarning:
    case State::kFailed:
    case State::kUnknown:
    case State::kCancelled: return request + " " + r.outcome + " (" + r.destination + ")" + at;
    case State::kNone: break;
  }
  return {};
}

void SendLedger::Record(SendReport report) {
  const std::time_t now = std::time(nullptr);
  report.time = now;
  if (report.requested == 0) report.requested = now;
  if (report.state == State::kSending && report.started == 0) report.started = now;
  if (report.Ended() && report.ended == 0) report.ended = now;
  report.text = SummaryLine(report);
  if (report.send != 0) {
    if (report.Ended())
      m_open.erase(report.send);
    else
      m_open[report.send] = report;
  }
  m_last = std::move(report);
  // A copy: an observer may record again (a waiting count that changed).
  const SendReport told = m_last;
  for (const Observer& observe : m_observers) observe(told);
}

const SendReport* SendLedger::Find(int send) const {
  const auto found = m_open.find(send);
  return found == m_open.end() ? nullptr : &found->second;
}

std::vector<SendReport> SendLedger::Open() const {
  std::vector<SendReport> open;
  open.reserve(m_open.size());
  for (const auto& [number, report] : m_open) open.push_back(report);
  return open;
}

}  // namespace corvella
