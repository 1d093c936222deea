#pragma once
// Serial ports named the classic way ("COM1" ...), set up from a mode text
// such as "baud=9600 parity=N data=8 stop=1", written with a bounded wait.
// COMn opens the path in the environment variable CORVELLA_COM<n> when set,
// else /dev/ttyS<n-1>. No flow control.

#include <cstddef>
#include <string>

namespace corvella {

struct SerialSettings {
  int baud = 9600;
  char parity = 'N';   // N E O M S
  int dataBits = 8;    // 5..8
  int stopBits10 = 10; // 10, 15 or 20 (tenths)
};

// Parses a mode text with the classic rules; false when a part is refused.
bool BuildCommSettings(const std::string& mode, SerialSettings& out);

class SerialPort {
 public:
  SerialPort() = default;
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens "COM<n>"; false when the device cannot be opened.
  bool Open(const std::string& name);
  // Applies the settings; false when the device refuses them (or the rate
  // cannot be set).
  bool SetCommState(const SerialSettings& settings);
  // Writes up to `length` bytes, waiting at most `timeoutMs` for the line;
  // returns the number of bytes written (short on a blocked line or error).
  std::size_t Write(const void* data, std::size_t length, int timeoutMs = 2000);
  void Close();
  bool IsOpen() const { return m_fd >= 0; }
  // The device path "COM<n>" maps to.
  static std::string DevicePath(const std::string& name);

 private:
  int m_fd = -1;
};

}  // namespace corvella
