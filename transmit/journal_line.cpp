#include "transmit/journal_line.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

#include "platform/utf8_windows1252.h"

namespace corvella {

namespace {

constexpr std::size_t kFields = 12;

// Characters that a shell would act on: escaped, so that a journal read as a
// script runs nothing.
bool IsShellSpecial(char c) { return std::strchr("$`;|&<>'\"", c) != nullptr && c != '\0'; }

std::string Windows1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    char32_t u = c;
    if (c >= 0x80 && c < 0xA0) u = kWindows1252High[c - 0x80];
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (u >> 12));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

std::string TimeText(std::time_t when) {
  if (when == 0) return "-";
  std::tm local{};
  char text[40] = "";
  if (localtime_r(&when, &local)) std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
  return text;
}

// "2026-12-10T23:12:01+0100" (or "-": none) back to a time.
bool ParseTime(std::string_view text, std::time_t* when) {
  if (text == "-") {
    *when = 0;
    return true;
  }
  if (text.size() != 24 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
      text[16] != ':' || (text[19] != '+' && text[19] != '-'))
    return false;
  const auto number = [&](std::size_t at, std::size_t length, int* value) {
    for (std::size_t i = at; i < at + length; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
    }
    return std::from_chars(text.data() + at, text.data() + at + length, *value).ec == std::errc();
  };
  int year, month, day, hour, minute, second, offH, offM;
  if (!number(0, 4, &year) || !number(5, 2, &month) || !number(8, 2, &day) ||
      !number(11, 2, &hour) || !number(14, 2, &minute) || !number(17, 2, &second) ||
      !number(20, 2, &offH) || !number(22, 2, &offM))
    return false;
  if (year < 1970 || year > 9998 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 ||
      minute > 59 || second > 60 || offH > 23 || offM > 59)
    return false;
  std::tm utc{};
  utc.tm_year = year - 1900;
  utc.tm_mon = month - 1;
  utc.tm_mday = day;
  utc.tm_hour = hour;
  utc.tm_min = minute;
  utc.tm_sec = second;
  const std::time_t asUtc = ::timegm(&utc);
  const long offset = (offH * 60L + offM) * 60L * (text[19] == '-' ? -1 : 1);
  *when = asUtc - offset;
  return true;
}

bool ParseNumber(std::string_view text, long long low, long long high, long long* value) {
  if (text.empty() || text.size() > 12) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size() && *value >= low && *value <= high;
}

}  // namespace

std::string EscapeJournalField(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\\': out += "\\\\"; continue;
      case '\t': out += "\\t"; continue;
      case '\n': out += "\\n"; continue;
      case '\r': out += "\\r"; continue;
      default: break;
    }
    if (byte < 0x20 || byte == 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    } else {
      if (IsShellSpecial(c)) out += '\\';
      out += c;
    }
  }
  return out;
}

bool UnescapeJournalField(std::string_view field, std::string* text) {
  text->clear();
  for (std::size_t i = 0; i < field.size(); ++i) {
    const char c = field[i];
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return false;
    if (IsShellSpecial(c)) return false;
    if (c != '\\') {
      *text += c;
      continue;
    }
    if (++i == field.size()) return false;
    const char e = field[i];
    switch (e) {
      case '\\': *text += '\\'; break;
      case 't': *text += '\t'; break;
      case 'n': *text += '\n'; break;
      case 'r': *text += '\r'; break;
      case 'x': {
        if (i + 2 >= field.size()) return false;
        int value = 0;
        const char* first = field.data() + i + 1;
        const auto [end, ec] = std::from_chars(first, first + 2, value, 16);
        if (ec != std::errc() || end != first + 2 || (value >= 0x20 && value != 0x7F)) return false;
        *text += static_cast<char>(value);
        i += 2;
        break;
      }
      default:
        if (!IsShellSpecial(e)) return false;
        *text += e;
        break;
    }
  }
  return true;
}

std::string JournalLine(const SendReport& r) {
  const auto text = [](const std::string& windows1252) {
    return EscapeJournalField(Windows1252ToUtf8(windows1252));
  };
  std::string line;
  line += TimeText(r.requested) + '\t';
  line += TimeText(r.ended) + '\t';
  line += std::to_string(r.send) + '\t';
  line += text(r.list) + '\t';
  line += std::to_string(r.request) + '\t';
  line += text(r.description) + '\t';
  line += text(r.sign) + '\t';
  line += text(r.teamPlayer) + '\t';
  line += text(r.destination) + '\t';
  line += EscapeJournalField(SendStateName(r.state)) + '\t';
  line += std::to_string(r.status) + '\t';
  line += text(r.outcome);
  return line;
}

bool ParseJournalLine(std::string_view line, SendReport* report) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (line.empty() || line.size() > kMaxJournalLine || line.front() == '#') return false;
  std::string_view fields[kFields];
  std::size_t count = 0;
  for (std::size_t start = 0;;) {
    const std::size_t tab = line.find('\t', start);
    if (count == kFields) return false;
    fields[count++] = line.substr(start, tab == std::string_view::npos ? tab : tab - start);
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  if (count != kFields) return false;

  SendReport r;
  long long number = 0;
  if (!ParseTime(fields[0], &r.requested) || !ParseTime(fields[1], &r.ended)) return false;
  if (!ParseNumber(fields[2], 0, 0x7FFFFFFF, &number)) return false;
  r.send = static_cast<int>(number);
  if (!ParseNumber(fields[4], 0, 0x7FFFFFFF, &number)) return false;
  r.request = static_cast<int>(number);
  if (!ParseNumber(fields[10], 0, 0xFFFFFFFFLL, &number)) return false;
  r.status = static_cast<uint32_t>(number);
  std::string state;
  if (!UnescapeJournalField(fields[9], &state)) return false;
  r.state = SendStateFromName(state);
  if (!r.Ended()) return false;
  const std::pair<int, std::string*> texts[] = {{3, &r.list},        {5, &r.description},
                                                {6, &r.sign},        {7, &r.teamPlayer},
                                                {8, &r.destination}, {11, &r.outcome}};
  std::string utf8;
  for (const auto& [at, out] : texts) {
    if (!UnescapeJournalField(fields[at], &utf8)) return false;
    *out = Utf8ToWindows1252(utf8);
  }
  r.time = r.ended != 0 ? r.ended : r.requested;
  r.text = SummaryLine(r);
  *report = std::move(r);
  return true;
}

}  // namespace corvella
