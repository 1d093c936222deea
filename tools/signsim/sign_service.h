// The stand-in sign service's state and the service side of every opnum.
// A few named signs with a sequence, frame, dimming, queue, schedule, windows
// and video settings each, plus real-time data per port, so that every call
// has a meaningful answer. Thread-safe: one lock around the state.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tools/signsim/server_stub.h"

namespace signsim {

inline constexpr uint32_t kUnknownSign = 2;       // ERROR_FILE_NOT_FOUND
inline constexpr uint32_t kUnknownName = 1168;    // ERROR_NOT_FOUND: sequence or schedule
inline constexpr uint32_t kBufferTooSmall = 234;  // ERROR_MORE_DATA: text cut to the capacity

class SignService {
 public:
  SignService();

  // Runs the service side of `call.opnum`: reads the in items, fills the out
  // items and returns the procedure's status. `note`, when given, receives
  // an extra log line (the decoded request packet) or stays empty.
  uint32_t handle(CallArgs& call, std::string* note);

  // GetStatus pads its text with '.' up to this many bytes (benchmarks).
  void setStatusFill(uint32_t bytes) { m_statusFill = bytes; }

  // Real-time data last received for a port (tests).
  std::vector<uint8_t> realTimeData(int32_t port);

 private:
  struct Window {
    int32_t enabled = 0;
    int32_t x = 0, y = 0, z = 0;
  };
  struct Sign {
    std::string name;
    std::string sequence;
    std::string schedule;
    std::string defaultSequence = "DEFAULT";
    int32_t defaultValue1 = 0, defaultValue2 = 0;
    int32_t frame = 0, frameCount = 12;
    int32_t playValue1 = 0, playValue2 = 0;
    bool stepping = false, blank = false, scheduleRunning = false;
    int32_t dim1 = 100, dim2 = 100;
    int32_t changeFlag = 0, schedChangeFlag = 0, vlChangeFlag = 0;
    int32_t photocell = 512;
    std::deque<std::string> queue;
    std::map<int32_t, Window> windows;
    std::vector<std::string> pendingWindowOps;
    int32_t brightness = 50, contrast = 50, saturation = 50, hue = 0;
    int32_t format = 0, input = 1, source = 0;
    int32_t viewable[4] = {0, 0, 640, 480};
    int32_t window[4] = {0, 0, 640, 480};
    uint32_t shownFrameBytes = 0;
  };

  Sign* find(const std::string& name);
  uint32_t handleLocked(CallArgs& call, std::string* note);

  // The service side by kind of procedure, called with the lock held. Each
  // returns the procedure's status, or nothing for an opnum of another kind.
  std::optional<uint32_t> serviceCall(CallArgs& call, std::string* note);  // addresses no sign
  std::optional<uint32_t> playbackCall(Sign& s,
                                       CallArgs& call);  // sequences, frames, schedules, queue
  std::optional<uint32_t> readingCall(Sign& s, CallArgs& call);  // flags, photocell, status texts
  std::optional<uint32_t> windowCall(Sign& s, CallArgs& call);
  std::optional<uint32_t> videoCall(Sign& s, CallArgs& call);  // the video processor (VL...)

  void statusText(const Sign& s, std::vector<uint8_t>& out) const;

  std::mutex m_mutex;
  std::vector<Sign> m_signs;
  std::vector<std::string> m_sequences;
  std::vector<std::string> m_schedules;
  std::map<int32_t, std::vector<uint8_t>> m_realTime;
  uint32_t m_statusFill = 0;
};

}  // namespace signsim
