#include "tools/signsim/sign_service.h"

#include <strings.h>

#include <algorithm>

#include "tools/signsim/packet_decoder.h"

namespace signsim {

namespace {

bool sameName(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

bool known(const std::vector<std::string>& names, const std::string& n) {
  return std::any_of(names.begin(), names.end(), [&](const std::string& s) { return sameName(s, n); });
}

void setText(Value& v, const std::string& text) { v.bytes.assign(text.begin(), text.end()); }

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
  std::string state = s.blank ? "blank" : s.sequence.empty() ? "idle" : s.stepping ? "stepping" : "playing";
  std::string t = "sign=" + s.name + " state=" + state + " sequence=" + (s.sequence.empty() ? "-" : s.sequence) +
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
  auto& v = c.v;
  // Opnums that address no sign.
  switch (c.opnum) {
    case 0:   // Ping
    case 1:   // no arguments, nothing to do
      return 0;
    case 28: {         // ListSigns
      std::string names;
      for (const auto& s : m_signs) names += (names.empty() ? "" : ",") + s.name;
      setText(v[0], names);
      return v[0].bytes.size() > c.capacity[0] ? kBufferTooSmall : 0;
    }
    case 58:  // ListServers
      setText(v[0], v[2].l() == 0 ? "SIGNSERVER" : "SIGNSERVER,BACKUP");
      return v[0].bytes.size() > c.capacity[0] ? kBufferTooSmall : 0;
    case 34:  // SetRealTimeData(value1, data, length, value2, value3)
      m_realTime[v[0].l()] = v[1].bytes;
      return 0;
    case 35: {  // GetRealTimeData(value1, out data(length), length, value2, value3)
      auto it = m_realTime.find(v[0].l());
      v[1].bytes = it == m_realTime.end() ? std::vector<uint8_t>{} : it->second;
      v[1].bytes.resize(c.capacity[1], 0);
      return 0;
    }
    case 36:  // (value1, data, length, out buffer, size): echoes the data
      v[3].bytes = v[1].bytes;
      return 0;
    case 37:  // (value1, data, length, buffer1, size1, buffer2, size2)
      v[3].bytes = v[1].bytes;
      setText(v[5], "bytes=" + std::to_string(v[1].bytes.size()));
      return 0;
    case 38:  // (value1, data, length, buffer, size, data2, length2)
      v[3].bytes = v[1].bytes;
      v[3].bytes.insert(v[3].bytes.end(), v[5].bytes.begin(), v[5].bytes.end());
      return 0;
    case 40: {  // SendRealTimeDataPort(port, data, length)
      m_realTime[v[0].l()] = v[1].bytes;
      if (note) *note = decodeRequestPacket(v[1].bytes).line;
      return 0;
    }
    case 17:  // (text, out buffer, size)
      setText(v[1], "text=" + v[0].text);
      return 0;
    default: break;
  }

  Sign* s = find(v[0].text);
  if (!s) return kUnknownSign;
  auto changed = [s] { s->changeFlag = 1; };
  auto text = [&](size_t i, const std::string& t) {
    setText(v[i], t);
    return v[i].bytes.size() > c.capacity[i] ? kBufferTooSmall : 0u;
  };

  switch (c.opnum) {
    case 2:  // PlaySequence
      if (!known(m_sequences, v[1].text)) return kUnknownName;
      s->sequence = v[1].text;
      s->playValue1 = v[2].l();
      s->playValue2 = v[3].l();
      s->frame = 0;
      s->blank = s->stepping = false;
      changed();
      return 0;
    case 3:  // SelectFrame
      if (v[1].l() < 0 || v[1].l() >= s->frameCount) return 87;
      s->frame = v[1].l();
      s->stepping = true;
      changed();
      return 0;
    case 4:  // SingleStepFrame
      s->stepping = true;
      s->frame = ((s->frame + (v[1].l() == 0 ? 1 : v[1].l())) % s->frameCount + s->frameCount) % s->frameCount;
      changed();
      return 0;
    case 5:  // RunSchedule
      if (!known(m_schedules, v[1].text)) return kUnknownName;
      s->schedule = v[1].text;
      s->scheduleRunning = true;
      s->schedChangeFlag = 1;
      return 0;
    case 6:  // QueueSequence
      if (!known(m_sequences, v[1].text)) return kUnknownName;
      s->queue.push_back(v[1].text);
      changed();
      return 0;
    case 7:  // SetDefaultSequence
      if (!known(m_sequences, v[1].text)) return kUnknownName;
      s->defaultSequence = v[1].text;
      s->defaultValue1 = v[2].l();
      s->defaultValue2 = v[3].l();
      return 0;
    case 8:  // StopSequence
      s->sequence.clear();
      s->stepping = false;
      changed();
      return 0;
    case 9:  // BlankSign
      s->blank = true;
      changed();
      return 0;
    case 10:  // EndSchedule
      s->scheduleRunning = false;
      s->schedChangeFlag = 1;
      return 0;
    case 11:  // NextItem
      if (s->queue.empty()) {
        s->sequence = s->defaultSequence;
      } else {
        s->sequence = s->queue.front();
        s->queue.pop_front();
      }
      s->frame = 0;
      changed();
      return 0;
    case 12:  // ClearQueue
      s->queue.clear();
      changed();
      return 0;
    case 13:  // SetDimming
      s->dim1 = v[1].l();
      s->dim2 = v[2].l();
      return 0;
    case 14:  // CheckSequence
      return known(m_sequences, v[1].text) ? 0 : kUnknownName;
    case 15:  // GetChangeFlag: reading clears it
      v[1].setLong(s->changeFlag);
      s->changeFlag = 0;
      return 0;
    case 16:  // GetSchedChangeFlag
      v[1].setLong(s->schedChangeFlag);
      s->schedChangeFlag = 0;
      return 0;
    case 18:  // GetPhotocell
      v[1].setLong(s->photocell);
      return 0;
    case 19:  // GetStatus
      statusText(*s, v[1].bytes);
      return v[1].bytes.size() > c.capacity[1] ? kBufferTooSmall : 0;
    case 20: {  // GetSchedSeqStatus(sign, buf1, size1, buf2, size2, in,out value)
      uint32_t r1 = text(1, s->scheduleRunning ? s->schedule : "");
      uint32_t r2 = text(3, s->sequence);
      v[5].setLong(v[5].l() + static_cast<int32_t>(s->queue.size()));
      return r1 ? r1 : r2;
    }
    case 21:  // GetFrameStatus
      v[3].setLong(s->frame);
      v[4].setLong(s->frameCount);
      v[5].setLong(s->stepping ? 1 : 0);
      v[6].setLong(s->playValue1);
      v[7].setLong(s->blank ? 1 : 0);
      return text(1, "frame " + std::to_string(s->frame) + " of " + (s->sequence.empty() ? "-" : s->sequence));
    case 22:  // GetEffectStatus(sign, out value, buffer, size)
      v[1].setLong(s->blank ? 0 : 1);
      return text(2, s->blank ? "effect none" : "effect fade");
    case 23:  // GetSchedule(sign, size, buffer, out value)
      v[3].setLong(s->scheduleRunning ? 1 : 0);
      return text(2, s->schedule.empty() ? "" : s->schedule + " 19:00-23:00");
    case 24:  // GetQueue
      return text(1, joined(s->queue));
    case 25:  // GetConfig
      return text(1, "sign=" + s->name + " rows=16 columns=96 colors=3 ports=4");
    case 26:  // GetBulb
      return text(1, "bulbs=1536 failed=0");
    case 27:  // GetBulbEx
      v[3].setLong(0);
      return text(1, "bulbs=1536 failed=0");
    case 29: {  // ListWindows
      std::string t;
      for (const auto& [id, w] : s->windows)
        t += (t.empty() ? "" : ";") + std::to_string(id) + (w.enabled ? ":on:" : ":off:") + std::to_string(w.x) +
             "," + std::to_string(w.y) + "," + std::to_string(w.z);
      return text(1, t);
    }
    case 30:  // WindowEnable(sign, window, enabled)
      s->windows[v[1].l()].enabled = v[2].l();
      return 0;
    case 31: {  // WindowMove(sign, window, x, y)
      auto& w = s->windows[v[1].l()];
      w.x = v[2].l();
      w.y = v[3].l();
      return 0;
    }
    case 32:  // QueueWindowEnable
      s->pendingWindowOps.push_back("enable " + std::to_string(v[1].l()) + " " + std::to_string(v[2].l()));
      return 0;
    case 33:  // QueueWindowMove
      s->pendingWindowOps.push_back("move " + std::to_string(v[1].l()));
      return 0;
    case 39:  // GetDefaultSequence
      v[3].setLong(s->defaultValue1);
      v[4].setLong(s->defaultValue2);
      return text(1, s->defaultSequence);
    case 41:  // ShowFrame
      s->shownFrameBytes = v[2].u;
      changed();
      return 0;
    case 42:  // VLGetChangeFlag
      v[1].setLong(s->vlChangeFlag);
      s->vlChangeFlag = 0;
      return 0;
    case 43:  // VLGetStatus
      return text(1, "brightness=" + std::to_string(s->brightness) + " contrast=" + std::to_string(s->contrast) +
                         " saturation=" + std::to_string(s->saturation) + " hue=" + std::to_string(s->hue));
    case 44:  // VLGetConfig
      return text(1, "format=" + std::to_string(s->format) + " input=" + std::to_string(s->input) +
                         " source=" + std::to_string(s->source));
    case 45: s->brightness = v[1].l(); s->vlChangeFlag = 1; return 0;
    case 46: s->contrast = v[1].l(); s->vlChangeFlag = 1; return 0;
    case 47: s->saturation = v[1].l(); s->vlChangeFlag = 1; return 0;
    case 48: s->hue = v[1].l(); s->vlChangeFlag = 1; return 0;
    case 49: s->format = v[1].l(); s->vlChangeFlag = 1; return 0;
    case 50: s->input = v[1].l(); s->vlChangeFlag = 1; return 0;
    case 51: s->source = v[1].l(); s->vlChangeFlag = 1; return 0;
    case 52:
      for (int i = 0; i < 4; ++i) s->viewable[i] = v[1 + i].l();
      s->vlChangeFlag = 1;
      return 0;
    case 53:
      for (int i = 0; i < 4; ++i) s->window[i] = v[1 + i].l();
      s->vlChangeFlag = 1;
      return 0;
    case 54:
      v[1].setLong(s->format);
      v[2].setLong(s->input);
      v[3].setLong(s->source);
      return 0;
    case 55:
      for (int i = 0; i < 4; ++i) v[1 + i].setLong(s->viewable[i]);
      return 0;
    case 56:
      for (int i = 0; i < 4; ++i) v[1 + i].setLong(s->window[i]);
      return 0;
    case 57:
      v[1].setLong(s->brightness);
      v[2].setLong(s->contrast);
      v[3].setLong(s->hue);
      v[4].setLong(s->saturation);
      return 0;
    default: return 1745;
  }
}

}  // namespace signsim
