// Serial ports: the mode text rules, the COMn device names, and a real line
// (a pseudo-terminal) set up, written, held exclusively and blocked.

#include "platform/serial.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <termios.h>

#include <string>

#include "support/pseudo_terminal.h"
#include "support/scoped_env.h"

namespace corvella {
namespace {

using corvella::testing::ScopedEnv;

struct ModeCase {
  const char* mode;
  bool ok;
  SerialSettings expected;  // what the text leaves in a zeroed block
};

TEST(SerialMode, ClassicRules) {
  const ModeCase cases[] = {
      {"baud=9600 parity=N data=8 stop=1", true, {9600, 'N', 8, 10}},
      {"BAUD=19200 PARITY=e DATA=7 STOP=2", true, {19200, 'E', 7, 20}},
      {"baud=96 parity=o data=5 stop=1.5", true, {9600, 'O', 5, 15}},
      {"baud=11 parity=m data=6 stop=1", true, {110, 'M', 6, 10}},
      {"  baud=14400   parity=s  ", true, {14400, 'S', 0, 0}},  // the driver decides on the rate
      {"baud=9600 parity=N data=8 stop=1 to=off xon=off dtr=on rts=hs", true, {9600, 'N', 8, 10}},
      // refused parts leave what the parts before them set
      {"baud=9600 parity=N data=9 stop=1", false, {9600, 'N', 0, 0}},
      {"baud=9600 parity=N data=4 stop=1", false, {9600, 'N', 0, 0}},
      {"baud=9600 parity=N data=8 stop=3", false, {9600, 'N', 8, 0}},
      {"baud=9600 parity=X data=8 stop=1", false, {9600, 0, 0, 0}},
      {"baud=-9600 parity=N data=8 stop=1", false, {0, 0, 0, 0}},
      {"baud=0 parity=N", false, {0, 0, 0, 0}},
      {"baud=9600 speed=fast", false, {9600, 0, 0, 0}},
      {"baud=9600 parity=", false, {9600, 0, 0, 0}},
      {"baud=9600 xon=maybe", false, {9600, 0, 0, 0}},
      {"", false, {0, 0, 0, 0}},
  };
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(c.mode);
    SerialSettings s;
    EXPECT_EQ(BuildCommSettings(c.mode, s), c.ok);
    EXPECT_EQ(s.baud, c.expected.baud);
    EXPECT_EQ(s.parity, c.expected.parity);
    EXPECT_EQ(s.dataBits, c.expected.dataBits);
    EXPECT_EQ(s.stopBits10, c.expected.stopBits10);
  }
}

TEST(SerialPortName, MapsToDevice) {
  ::unsetenv("CORVELLA_COM1");
  ::unsetenv("CORVELLA_COM2");
  EXPECT_EQ(SerialPort::DevicePath("COM1"), "/dev/ttyS0");
  EXPECT_EQ(SerialPort::DevicePath("COM2"), "/dev/ttyS1");
  EXPECT_EQ(SerialPort::DevicePath("com12"), "/dev/ttyS11");
  {
    ScopedEnv env("CORVELLA_COM2", "/dev/ttyUSB0");
    EXPECT_EQ(SerialPort::DevicePath("COM2"), "/dev/ttyUSB0");
    EXPECT_EQ(SerialPort::DevicePath("COM02"), "/dev/ttyUSB0");
    EXPECT_EQ(SerialPort::DevicePath("COM1"), "/dev/ttyS0");
  }
  {
    ScopedEnv env("CORVELLA_COM1", "");  // set but empty: not a device
    EXPECT_EQ(SerialPort::DevicePath("COM1"), "/dev/ttyS0");
  }
  for (const char* bad : {"COM0", "COM", "COM-1", "COM1x", "LPT1", "COM 1", "COM99999999999"}) {
    EXPECT_EQ(SerialPort::DevicePath(bad), "") << bad;
  }
}

TEST(SerialPortName, MissingDeviceDoesNotOpen) {
  ScopedEnv env("CORVELLA_COM3", "/nonexistent/tty");
  SerialPort port;
  EXPECT_FALSE(port.Open("COM3"));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(port.Open("COM0"));
}

class SerialLine : public ::testing::Test {
 protected:
  PseudoTerminal pty;
  ScopedEnv env{"CORVELLA_COM7", pty.SlavePath()};
};

TEST_F(SerialLine, SettingsReachTheLine) {
  struct Case {
    SerialSettings settings;
    speed_t speed;
    tcflag_t size;
    tcflag_t parity;  // PARENB | PARODD | CMSPAR bits expected
    bool twoStop;
  };
  const Case cases[] = {
      {{9600, 'N', 8, 10}, B9600, CS8, 0, false},
      {{19200, 'E', 7, 20}, B19200, CS7, PARENB, true},
      {{1200, 'O', 6, 10}, B1200, CS6, PARENB | PARODD, false},
      {{115200, 'M', 8, 20}, B115200, CS8, PARENB | PARODD | CMSPAR, true},
      {{110, 'S', 5, 15}, B110, CS5, PARENB | CMSPAR, true},
  };
  SerialPort port;
  ASSERT_TRUE(port.Open("COM7"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings.baud);
    ASSERT_TRUE(port.SetCommState(c.settings));
    const termios tio = pty.Settings();
    EXPECT_EQ(cfgetospeed(&tio), c.speed);
    EXPECT_EQ(cfgetispeed(&tio), c.speed);
    // A pseudo-terminal always reports 8 bits and no parity enable; the
    // kind of parity (odd, mark or space) it keeps.
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8)) << "size asked: " << c.size;
    EXPECT_EQ(tio.c_cflag & (PARODD | CMSPAR), c.parity & (PARODD | CMSPAR));
    EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.twoStop);
    // raw 8-bit transfer, no flow control of any kind
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_NE(tio.c_cflag & CLOCAL, 0u);
  }
}

TEST_F(SerialLine, RefusedSettingsLeaveTheLineAsItWas) {
  SerialPort port;
  ASSERT_TRUE(port.Open("COM7"));
  ASSERT_TRUE(port.SetCommState({4800, 'O', 7, 10}));
  const SerialSettings refused[] = {
      {14400, 'N', 8, 10},                      // a rate the terminal driver cannot set
      {0, 'N', 8, 10},                          // no rate at all
      {9600, 'N', 0, 0},                        // what a refused mode text leaves behind
      {9600, 'X', 8, 10},  {9600, 'N', 5, 20},  // two stop bits need 6 to 8 data bits
      {9600, 'N', 8, 15},                       // one and a half need 5
  };
  for (const SerialSettings& s : refused) {
    SCOPED_TRACE(std::to_string(s.baud) + " " + std::to_string(s.dataBits) + " " +
                 std::to_string(s.stopBits10));
    EXPECT_FALSE(port.SetCommState(s));
    const termios tio = pty.Settings();
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B4800));
    EXPECT_NE(tio.c_cflag & PARODD, 0u);
  }
}

TEST_F(SerialLine, EveryByteArrivesIntact) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  bytes += "\r\n\n\r";
  SerialPort port;
  ASSERT_TRUE(port.Open("COM7"));
  ASSERT_TRUE(port.SetCommState({9600, 'N', 8, 10}));
  EXPECT_EQ(port.Write(bytes.data(), bytes.size(), 2000), bytes.size());
  port.Close();
  EXPECT_EQ(pty.Read(bytes.size()), bytes);
}

TEST_F(SerialLine, HeldExclusivelyWhileOpen) {
  SerialPort first, second;
  ASSERT_TRUE(first.Open("COM7"));
  EXPECT_FALSE(second.Open("COM7"));
  first.Close();
  EXPECT_TRUE(second.Open("COM7"));
}

TEST_F(SerialLine, BlockedLineEndsAsShortWrite) {
  // Nobody reads the master: the line fills up and the write gives up.
  const std::string bytes(4 * 1024 * 1024, 'x');
  SerialPort port;
  ASSERT_TRUE(port.Open("COM7"));
  ASSERT_TRUE(port.SetCommState({9600, 'N', 8, 10}));
  const std::size_t written = port.Write(bytes.data(), bytes.size(), 100);
  EXPECT_LT(written, bytes.size());
  EXPECT_GT(written, 0u);
  port.Close();
  EXPECT_FALSE(port.IsOpen());
}

TEST(SerialDevice, NoTerminalRefusesSettingsButWrites) {
  ScopedEnv env("CORVELLA_COM4", "/dev/null");
  SerialPort port;
  ASSERT_TRUE(port.Open("COM4"));
  EXPECT_FALSE(port.SetCommState({9600, 'N', 8, 10}));
  EXPECT_EQ(port.Write("abc", 3, 100), 3u);
}

TEST(SerialDevice, DeviceErrorEndsAsShortWrite) {
  ScopedEnv env("CORVELLA_COM4", "/dev/full");
  SerialPort port;
  ASSERT_TRUE(port.Open("COM4"));
  EXPECT_EQ(port.Write("abc", 3, 100), 0u);
}

TEST(SerialDevice, WriteTimeoutGrowsWithTheLine) {
  EXPECT_EQ(SerialWriteTimeoutMs(57, 9600), 1000 + 57 * 12 * 1000 / 9600);
  EXPECT_GT(SerialWriteTimeoutMs(57, 110), 7000);
  EXPECT_EQ(SerialWriteTimeoutMs(57, 0), SerialWriteTimeoutMs(57, 50));
  EXPECT_LE(SerialWriteTimeoutMs(~std::size_t{0} / 16, 50), 600000);
}

}  // namespace
}  // namespace corvella
