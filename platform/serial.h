#pragma once
// Serial ports named the classic way ("COM1" ...), set up from a mode text
// such as "baud=9600 parity=N data=8 stop=1", written with a bounded wait.
//
// COMn opens the path in the environment variable CORVELLA_COM<n> when it is
// set and not empty, else /dev/ttyS<n-1>. The port is held exclusively while
// open (an advisory lock, as other serial programs on this platform take it),
// is set to raw 8-bit transfer and never uses flow control, hardware or
// software. Writes never block the caller for longer than the time they are
// given: a line that does not take the bytes ends as a short write.

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/unique_fd.h"

namespace corvella {

using base::UniqueFd;

// A device-control block: what a mode text sets. Zero means "not set".
struct SerialSettings {
  uint32_t baud = 0;
  char parity = 0;     // 'N', 'E', 'O', 'M' or 'S'
  int dataBits = 0;    // 5 to 8
  int stopBits10 = 0;  // 10, 15 or 20: one, one and a half or two stop bits
};

// Completes `out` from a mode text with the classic rules: blank-separated
// "key=value" parts, keys and values without regard to letter case.
//   baud=<digits>   the rate; 11 15 30 60 12 24 48 96 19 stand for 110 150 300
//                   600 1200 2400 4800 9600 19200
//   parity=n|e|o|m|s   data=5|6|7|8   stop=1|1.5|2
//   to= xon= odsr= octs= idsr= on|off, dtr=on|off|hs, rts=on|off|hs|tg
//                   accepted and ignored (this port never uses flow control)
// Parts are applied from the left; at the first part that is refused the
// function returns false and `out` keeps what the parts before it set.
bool BuildCommSettings(const std::string& mode, SerialSettings& out);

// Longest time, in milliseconds, a write of `length` bytes at `baud` should
// need: the bytes at twelve bits each, plus one second for the driver.
int SerialWriteTimeoutMs(std::size_t length, uint32_t baud);

class SerialPort {
 public:
  SerialPort() = default;
  ~SerialPort();  // closes
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens "COM<n>" for reading and writing, exclusively. False when the name
  // is no port name, the device cannot be opened or another program holds it.
  bool Open(const std::string& name);
  // Applies the settings in raw mode without flow control. False when the
  // device is no terminal, a setting is missing or out of range, the rate is
  // one the terminal driver cannot set, the combination of data and stop bits
  // is invalid (5 data bits with 2 stop bits, 6 to 8 with 1.5), or the driver
  // does not keep the rate. The line keeps its old settings when the
  // settings themselves are refused.
  bool SetCommState(const SerialSettings& settings);
  // Writes up to `length` bytes and waits for them to leave, at most
  // `timeoutMs` in all; returns how many bytes were written. Short when the
  // line does not take the bytes in time or the device reports an error.
  std::size_t Write(const void* data, std::size_t length, int timeoutMs);
  // Drops output still queued (only after a write that ran out of time) and
  // closes; never blocks for long.
  void Close();
  bool IsOpen() const { return static_cast<bool>(m_fd); }

  // The device path "COM<n>" maps to; empty for a text that is no port name
  // (not "COM" followed by a decimal number from 1).
  static std::string DevicePath(const std::string& name);

 private:
  UniqueFd m_fd;
  bool m_stuck = false;  // the last write ran out of time or failed
};

}  // namespace corvella
