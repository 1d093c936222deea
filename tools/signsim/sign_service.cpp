#include "tools/signsim/sign_service.h"

#include <strings.h>

#include <algorithm>

#include "tools/signsim/packet_decoder.h"
#include "zeltrpc/rpc/status.h"

namespace signsim {

using namespace zeltrpc;  // the opnums
using rpc::kInvalidParameter;
using rpc::kOk;
using rpc::kProcnumOutOfRange;

namespace {

bool sameName(const std::string& a, const std::string& b) {
  return strcasecmp(a.c_str(), b.c_str()) == 0;
}

bool known(const std::vector<std::string>& names, const std::string& n) {
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& s) { return sameName(s, n); });
}

void setText(Value& v, const std::string& text) { v.bytes.assign(text.begin(), text.end()); }

// Puts `text` into out buffer `i`: ERROR_MORE_DATA when it is longer than
// the capacity the client sent (the reply carries it cut to that).
uint32_t putText(CallArgs& c, size_t i, const std::string& text) {
  setText(c.v[i], text);
  return c.v[i].bytes.size() > c.capacity[i] ? kBufferTooSmall : kOk;
}

std::string joined(const std::deque<std::string>& items) {
  std::string s;
  for (const auto& i : items) s += (s.empty() ? "" : ",") + i;
  return s;
}

}  // namespace

SignService::SignService() {
  for (const char* n : {"SIGN1", "SIGN2", "SCOREBOARD"}) {
    Sign s;
    s.name = n;
    s.windows[1] = Window{1, 0, 0, 0};
    s.windows[2] = Window{0, 0, 0, 0};
    m_signs.push_back(s);
  }
  m_signs[2].photocell = 300;
  m_sequences = {"DEFAULT", "LEADERS", "SCORES", "RTD_SEQ", "WELCOME"};
  m_schedules = {"GAMEDAY", "NIGHT"};
}

SignService::Sign* SignService::find(const std::string& name) {
  for (auto& s : m_signs)
    if (sameName(s.name, name)) return &s;
  return nullptr;
}

std::vector<uint8_t> SignService::realTimeData(int32_t port) {
  std::lock_guard lock(m_mutex);
  auto it = m_realTime.find(port);
  return it == m_realTime.end() ? std::vector<uint8_t>{} : it->second;
}

void SignService::statusText(const Sign& s, std::vector<uint8_t>& out) const {
  std::string state = s.blank              ? "blank"
                      : s.sequence.empty() ? "idle"
                      : s.stepping         ? "stepping"
                                           : "playing";
  std::string t = "sign=" + s.name + " state=" + state +
                  " sequence=" + (s.sequence.empty() ? "-" : s.sequence) +
                  " frame=" + std::to_string(s.frame) + " dim=" + std::to_string(s.dim1) + "," +
                  std::to_string(s.dim2) + " queue=" + std::to_string(s.queue.size()) +
                  " schedule=" + (s.scheduleRunning ? s.schedule : "-");
  out.assign(t.begin(), t.end());
  if (out.size() < m_statusFill) out.resize(m_statusFill, '.');
}

uint32_t SignService::handle(CallArgs& call, std::string* note) {
  std::lock_guard lock(m_mutex);
  return handleLocked(call, note);
}

uint32_t SignService::handleLocked(CallArgs& c, std::string* note) {
  if (auto status = serviceCall(c, note)) return *status;
  // Every other procedure addresses a sign by its first argument.
  Sign* s = find(c.v[0].text);
  if (!s) return kUnknownSign;
  for (auto kind : {&SignService::playbackCall, &SignService::readingCall, &SignService::windowCall,
                    &SignService::videoCall}) {
    if (auto status = (this->*kind)(*s, c)) return *status;
  }
  return kProcnumOutOfRange;
}

std::optional<uint32_t> SignService::serviceCall(CallArgs& c, std::string* note) {
  auto& v = c.v;
  switch (c.opnum) {
    case kPing:
    case kUnnamed1:  // no arguments, nothing to do
      return kOk;
    case kListSigns: {
      std::string names;
      for (const auto& s : m_signs) names += (names.empty() ? "" : ",") + s.name;
      return putText(c, 0, names);
    }
    case kListServers: return putText(c, 0, v[2].l() == 0 ? "SIGNSERVER" : "SIGNSERVER,BACKUP");
    case kSetRealTimeData:  // (value1, data, length, value2, value3)
      m_realTime[v[0].l()] = v[1].bytes;
      return kOk;
    case kGetRealTimeData: {  // (value1, out data(length), length, value2, value3)
      auto it = m_realTime.find(v[0].l());
      v[1].bytes = it == m_realTime.end() ? std::vector<uint8_t>{} : it->second;
      v[1].bytes.resize(c.capacity[1], 0);
      return kOk;
    }
    case kUnnamed36:  // (value1, data, length, out buffer, size): echoes the data
      v[3].bytes = v[1].bytes;
      return kOk;
    case kUnnamed37:  // (value1, data, length, buffer1, size1, buffer2, size2)
      v[3].bytes = v[1].bytes;
      setText(v[5], "bytes=" + std::to_string(v[1].bytes.size()));
      return kOk;
    case kUnnamed38:  // (value1, data, length, buffer, size, data2, length2)
      v[3].bytes = v[1].bytes;
      v[3].bytes.insert(v[3].bytes.end(), v[5].bytes.begin(), v[5].bytes.end());
      return kOk;
    case kSendRealTimeDataPort:  // (port, data, length)
      m_realTime[v[0].l()] = v[1].bytes;
      if (note) *note = decodeRequestPacket(v[1].bytes).line;
      return kOk;
    case kUnnamed17:  // (text, out buffer, size)
      setText(v[1], "text=" + v[0].text);
      return kOk;
    default: return std::nullopt;
  }
}

std::optional<uint32_t> SignService::playbackCall(Sign& s, CallArgs& c) {
  auto& v = c.v;
  switch (c.opnum) {
    case kPlaySequence:
      if (!known(m_sequences, v[1].text)) return kUnknownName;
      s.sequence = v[1].text;
      s.playValue1 = v[2].l();
      s.playValue2 = v[3].l();
      s.frame = 0;
      s.blank = s.stepping = false;
      s.changeFlag = 1;
      return kOk;
    case kSelectFrame:
      if (v[1].l() < 0 || v[1].l() >= s.frameCount) return kInvalidParameter;
      s.frame = v[1].l();
      s.stepping = true;
      s.changeFlag = 1;
      return kOk;
    case kSingleStepFrame:
      s.stepping = true;
      s.frame =
          ((s.frame + (v[1].l() == 0 ? 1 : v[1].l())) % s.frameCount + s.frameCount) % s.frameCount;
      s.changeFlag = 1;
      return kOk;
    case kRunSchedule:
      if (!known(m_schedules, v[1].text)) return kUnknownName;
      s.schedule = v[1].text;
      s.scheduleRunning = true;
      s.schedChangeFlag = 1;
      return kOk;
    case kQueueSequence:
      if (!known(m_sequences, v[1].text)) return kUnknownName;
      s.queue.push_back(v[1].text);
      s.changeFlag = 1;
      return kOk;
    case kSetDefaultSequence:
      if (!known(m_sequences, v[1].text)) return kUnknownName;
      s.defaultSequence = v[1].text;
      s.defaultValue1 = v[2].l();
      s.defaultValue2 = v[3].l();
      return kOk;
    case kStopSequence:
      s.sequence.clear();
      s.stepping = false;
      s.changeFlag = 1;
      return kOk;
    case kBlankSign:
      s.blank = true;
      s.changeFlag = 1;
      return kOk;
    case kEndSchedule:
      s.scheduleRunning = false;
      s.schedChangeFlag = 1;
      return kOk;
    case kNextItem:
      if (s.queue.empty()) {
        s.sequence = s.defaultSequence;
      } else {
        s.sequence = s.queue.front();
        s.queue.pop_front();
      }
      s.frame = 0;
      s.changeFlag = 1;
      return kOk;
    case kClearQueue:
      s.queue.clear();
      s.changeFlag = 1;
      return kOk;
    case kSetDimming:
      s.dim1 = v[1].l();
      s.dim2 = v[2].l();
      return kOk;
    case kCheckSequence: return known(m_sequences, v[1].text) ? kOk : kUnknownName;
    case kShowFrame:
      s.shownFrameBytes = v[2].u;
      s.changeFlag = 1;
      return kOk;
    default: return std::nullopt;
  }
}

std::optional<uint32_t> SignService::readingCall(Sign& s, CallArgs& c) {
  auto& v = c.v;
  switch (c.opnum) {
    case kGetChangeFlag:  // reading a flag clears it
      v[1].setLong(s.changeFlag);
      s.changeFlag = 0;
      return kOk;
    case kGetSchedChangeFlag:
      v[1].setLong(s.schedChangeFlag);
      s.schedChangeFlag = 0;
      return kOk;
    case kGetPhotocell: v[1].setLong(s.photocell); return kOk;
    case kGetStatus:
      statusText(s, v[1].bytes);
      return v[1].bytes.size() > c.capacity[1] ? kBufferTooSmall : kOk;
    case kGetSchedSeqStatus: {  // (sign, buf1, size1, buf2, size2, in,out value)
      const uint32_t r1 = putText(c, 1, s.scheduleRunning ? s.schedule : "");
      const uint32_t r2 = putText(c, 3, s.sequence);
      v[5].setLong(v[5].l() + static_cast<int32_t>(s.queue.size()));
      return r1 ? r1 : r2;
    }
    case kGetFrameStatus:
      v[3].setLong(s.frame);
      v[4].setLong(s.frameCount);
      v[5].setLong(s.stepping ? 1 : 0);
      v[6].setLong(s.playValue1);
      v[7].setLong(s.blank ? 1 : 0);
      return putText(
          c, 1,
          "frame " + std::to_string(s.frame) + " of " + (s.sequence.empty() ? "-" : s.sequence));
    case kGetEffectStatus:  // (sign, out value, buffer, size)
      v[1].setLong(s.blank ? 0 : 1);
      return putText(c, 2, s.blank ? "effect none" : "effect fade");
    case kGetSchedule:  // (sign, size, buffer, out value)
      v[3].setLong(s.scheduleRunning ? 1 : 0);
      return putText(c, 2, s.schedule.empty() ? "" : s.schedule + " 19:00-23:00");
    case kGetQueue: return putText(c, 1, joined(s.queue));
    case kGetConfig:
      return putText(c, 1, "sign=" + s.name + " rows=16 columns=96 colors=3 ports=4");
    case kGetBulb: return putText(c, 1, "bulbs=1536 failed=0");
    case kGetBulbEx: v[3].setLong(0); return putText(c, 1, "bulbs=1536 failed=0");
    case kGetDefaultSequence:
      v[3].setLong(s.defaultValue1);
      v[4].setLong(s.defaultValue2);
      return putText(c, 1, s.defaultSequence);
    default: return std::nullopt;
  }
}

std::optional<uint32_t> SignService::windowCall(Sign& s, CallArgs& c) {
  auto& v = c.v;
  switch (c.opnum) {
    case kListWindows: {
      std::string t;
      for (const auto& [id, w] : s.windows)
        t += (t.empty() ? "" : ";") + std::to_string(id) + (w.enabled ? ":on:" : ":off:") +
             std::to_string(w.x) + "," + std::to_string(w.y) + "," + std::to_string(w.z);
      return putText(c, 1, t);
    }
    case kWindowEnable:  // (sign, window, enabled)
      s.windows[v[1].l()].enabled = v[2].l();
      return kOk;
    case kWindowMove: {  // (sign, window, x, y)
      auto& w = s.windows[v[1].l()];
      w.x = v[2].l();
      w.y = v[3].l();
      return kOk;
    }
    case kQueueWindowEnable:
      s.pendingWindowOps.push_back("enable " + std::to_string(v[1].l()) + " " +
                                   std::to_string(v[2].l()));
      return kOk;
    case kQueueWindowMove:
      s.pendingWindowOps.push_back("move " + std::to_string(v[1].l()));
      return kOk;
    default: return std::nullopt;
  }
}

std::optional<uint32_t> SignService::videoCall(Sign& s, CallArgs& c) {
  auto& v = c.v;
  // The settings that VL...Send stores one by one and VLReadFmtInpSrc and
  // VLReadBCHS read back.
  auto setting = [&]() -> int32_t* {
    switch (c.opnum) {
      case kVLSendBrightness: return &s.brightness;
      case kVLSendContrast: return &s.contrast;
      case kVLSendSaturation: return &s.saturation;
      case kVLSendHue: return &s.hue;
      case kVLSendFormat: return &s.format;
      case kVLSendInput: return &s.input;
      case kVLSendSource: return &s.source;
      default: return nullptr;
    }
  };
  if (int32_t* target = setting()) {
    *target = v[1].l();
    s.vlChangeFlag = 1;
    return kOk;
  }
  switch (c.opnum) {
    case kVLGetChangeFlag:
      v[1].setLong(s.vlChangeFlag);
      s.vlChangeFlag = 0;
      return kOk;
    case kVLGetStatus:
      return putText(
          c, 1,
          "brightness=" + std::to_string(s.brightness) + " contrast=" + std::to_string(s.contrast) +
              " saturation=" + std::to_string(s.saturation) + " hue=" + std::to_string(s.hue));
    case kVLGetConfig:
      return putText(c, 1,
                     "format=" + std::to_string(s.format) + " input=" + std::to_string(s.input) +
                         " source=" + std::to_string(s.source));
    case kVLSendViewableArea:
      for (int i = 0; i < 4; ++i) s.viewable[i] = v[1 + i].l();
      s.vlChangeFlag = 1;
      return kOk;
    case kVLSendWindow:
      for (int i = 0; i < 4; ++i) s.window[i] = v[1 + i].l();
      s.vlChangeFlag = 1;
      return kOk;
    case kVLReadFmtInpSrc:
      v[1].setLong(s.format);
      v[2].setLong(s.input);
      v[3].setLong(s.source);
      return kOk;
    case kVLReadViewableArea:
      for (int i = 0; i < 4; ++i) v[1 + i].setLong(s.viewable[i]);
      return kOk;
    case kVLReadWindow:
      for (int i = 0; i < 4; ++i) v[1 + i].setLong(s.window[i]);
      return kOk;
    case kVLReadBCHS:
      v[1].setLong(s.brightness);
      v[2].setLong(s.contrast);
      v[3].setLong(s.hue);
      v[4].setLong(s.saturation);
      return kOk;
    default: return std::nullopt;
  }
}

}  // namespace signsim
