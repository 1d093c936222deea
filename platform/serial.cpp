#include "platform/serial.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "base/unique_fd.h"
#include "platform/text.h"

namespace corvella {

namespace {

std::string LowerText(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool ParseBaud(std::string_view value, uint32_t& baud) {
  if (!AllDigits(value) || value.size() > 9) return false;
  uint32_t rate = 0;
  for (char c : value) rate = rate * 10 + static_cast<uint32_t>(c - '0');
  switch (rate) {
    case 11: rate = 110; break;
    case 15: rate = 150; break;
    case 30: rate = 300; break;
    case 60: rate = 600; break;
    case 12: rate = 1200; break;
    case 24: rate = 2400; break;
    case 48: rate = 4800; break;
    case 96: rate = 9600; break;
    case 19: rate = 19200; break;
    default: break;
  }
  if (rate == 0) return false;
  baud = rate;
  return true;
}

bool IsOneOf(std::string_view value, std::initializer_list<std::string_view> allowed) {
  for (std::string_view a : allowed) {
    if (value == a) return true;
  }
  return false;
}

// Applies one "key=value" part (already lower-cased).
bool ApplyPart(std::string_view part, SerialSettings& out) {
  const std::size_t eq = part.find('=');
  if (eq == std::string_view::npos) return false;
  const std::string_view key = part.substr(0, eq);
  const std::string_view value = part.substr(eq + 1);
  if (key == "baud") return ParseBaud(value, out.baud);
  if (key == "parity") {
    if (value.size() != 1 || std::string_view("neoms").find(value[0]) == std::string_view::npos) {
      return false;
    }
    out.parity = static_cast<char>(value[0] - 'a' + 'A');
    return true;
  }
  if (key == "data") {
    if (value.size() != 1 || value[0] < '5' || value[0] > '8') return false;
    out.dataBits = value[0] - '0';
    return true;
  }
  if (key == "stop") {
    if (value == "1") {
      out.stopBits10 = 10;
    } else if (value == "1.5") {
      out.stopBits10 = 15;
    } else if (value == "2") {
      out.stopBits10 = 20;
    } else {
      return false;
    }
    return true;
  }
  if (IsOneOf(key, {"to", "xon", "odsr", "octs", "idsr"})) return IsOneOf(value, {"on", "off"});
  if (key == "dtr") return IsOneOf(value, {"on", "off", "hs"});
  if (key == "rts") return IsOneOf(value, {"on", "off", "hs", "tg"});
  return false;
}

struct BaudCode {
  uint32_t rate;
  speed_t code;
};

// The rates the terminal driver can set by name.
constexpr BaudCode kBaudCodes[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool BaudCodeFor(uint32_t rate, speed_t& code) {
  for (const BaudCode& b : kBaudCodes) {
    if (b.rate == rate) {
      code = b.code;
      return true;
    }
  }
  return false;
}

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

bool BuildCommSettings(const std::string& mode, SerialSettings& out) {
  const std::string text = LowerText(mode);
  std::size_t i = 0;
  bool any = false;
  while (true) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size()) break;
    std::size_t end = i;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    if (!ApplyPart(std::string_view(text).substr(i, end - i), out)) return false;
    any = true;
    i = end;
  }
  return any;
}

int SerialWriteTimeoutMs(std::size_t length, uint32_t baud) {
  if (baud < 50) baud = 50;
  const unsigned long long lineMs = static_cast<unsigned long long>(length) * 12 * 1000 / baud;
  const unsigned long long total = 1000 + lineMs;
  return total > 600000 ? 600000 : static_cast<int>(total);
}

SerialPort::~SerialPort() { Close(); }

std::string SerialPort::DevicePath(const std::string& name) {
  if (name.size() < 4 || LowerText(name.substr(0, 3)) != "com") return {};
  const std::string digits = name.substr(3);
  if (!AllDigits(digits) || digits.size() > 6) return {};
  const int n = std::atoi(digits.c_str());
  if (n < 1) return {};
  const std::string variable = "CORVELLA_COM" + std::to_string(n);
  if (const char* path = std::getenv(variable.c_str()); path != nullptr && *path != '\0') {
    return path;
  }
  return "/dev/ttyS" + std::to_string(n - 1);
}

bool SerialPort::Open(const std::string& name) {
  Close();
  const std::string path = DevicePath(name);
  if (path.empty()) return false;
  // Non-blocking, so that neither a missing carrier nor a full line can hold
  // the caller; writes wait with poll() instead.
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return false;
  m_fd = std::move(fd);
  return true;
}

bool SerialPort::SetCommState(const SerialSettings& s) {
  if (!m_fd) return false;
  termios tio{};
  if (::tcgetattr(m_fd.get(), &tio) != 0) return false;

  speed_t speed;
  if (!BaudCodeFor(s.baud, speed)) return false;

  tcflag_t size;
  switch (s.dataBits) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: return false;
  }

  tcflag_t parity;
  switch (s.parity) {
    case 'N': parity = 0; break;
    case 'E': parity = PARENB; break;
    case 'O': parity = PARENB | PARODD; break;
    case 'M': parity = PARENB | PARODD | CMSPAR; break;
    case 'S': parity = PARENB | CMSPAR; break;
    default: return false;
  }

  // Two stop bits with five data bits are sent as one and a half: 1.5 is
  // only valid with 5 data bits and 2 only with 6 to 8.
  tcflag_t stop;
  if (s.stopBits10 == 10) {
    stop = 0;
  } else if (s.stopBits10 == 15 && s.dataBits == 5) {
    stop = CSTOPB;
  } else if (s.stopBits10 == 20 && s.dataBits != 5) {
    stop = CSTOPB;
  } else {
    return false;
  }

  ::cfmakeraw(&tio);
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  tio.c_cflag |= size | parity | stop | CLOCAL | CREAD;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0) return false;
  if (::tcsetattr(m_fd.get(), TCSANOW, &tio) != 0) return false;

  // tcsetattr succeeds when any part was taken; the rate must have been.
  // (Character size and parity are not compared: a pseudo-terminal, which
  // has no wire, always reports 8 bits without parity.)
  termios now{};
  if (::tcgetattr(m_fd.get(), &now) != 0) return false;
  return ::cfgetospeed(&now) == speed && ::cfgetispeed(&now) == speed;
}

std::size_t SerialPort::Write(const void* data, std::size_t length, int timeoutMs) {
  if (!m_fd) return 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
  const char* bytes = static_cast<const char*>(data);
  std::size_t written = 0;
  while (written < length) {
    const ssize_t n = ::write(m_fd.get(), bytes + written, length - written);
    if (n > 0) {
      written += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) break;  // device error
    const int left = MillisecondsLeft(deadline);
    if (left == 0) break;
    pollfd p{m_fd.get(), POLLOUT, 0};
    const int ready = ::poll(&p, 1, left);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) break;
  }

  // Wait for the bytes to leave the driver's queue; what is still queued at
  // the deadline did not go out.
  int queued = 0;
  while (::ioctl(m_fd.get(), TIOCOUTQ, &queued) == 0 && queued > 0) {
    if (MillisecondsLeft(deadline) == 0) {
      const std::size_t stuck = static_cast<std::size_t>(queued);
      written = stuck < written ? written - stuck : 0;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (written < length) m_stuck = true;
  return written;
}

void SerialPort::Close() {
  if (!m_fd) return;
  // Bytes stuck on a line that stopped taking them would make close() wait
  // for the line; drop them. After a write that went out nothing is dropped
  // (on a pseudo-terminal a flush would even discard what the other side
  // has not read yet).
  if (m_stuck) ::tcflush(m_fd.get(), TCOFLUSH);
  m_fd.reset();
  m_stuck = false;
}

}  // namespace corvella
