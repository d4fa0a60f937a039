// The settings record mapped to termios, checked for every data size, parity, stop-bit and
// flow setting (a pseudo-terminal rewrites size and parity, so this is checked here on the
// termios the layer builds).
#include <gtest/gtest.h>

#include "dispatch/SioTermios.h"
#include "platform/SysErrors.h"

namespace {

TDeviceSettings Line(std::uint32_t baud, std::uint8_t size, std::uint8_t parity, std::uint8_t stop,
                     std::uint32_t flags = 0) {
  TDeviceSettings s;
  s.BaudRate = baud;
  s.ByteSize = size;
  s.Parity = parity;
  s.StopBits = stop;
  s.Flags = flags;
  return s;
}

// A terminal as a fresh pseudo-terminal starts: cooked, echoing, with XON/XOFF.
termios Cooked() {
  termios t{};
  t.c_iflag = ICRNL | IXON | IXANY | BRKINT | ISTRIP;
  t.c_oflag = OPOST | ONLCR;
  t.c_cflag = CS7 | PARENB | CREAD | HUPCL;
  t.c_lflag = ECHO | ICANON | ISIG | IEXTEN | ECHOE;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 5;
  cfsetispeed(&t, B38400);
  cfsetospeed(&t, B38400);
  return t;
}

termios Mapped(const TDeviceSettings& s, std::uint32_t* customRate = nullptr) {
  termios t = Cooked();
  std::uint32_t custom = 0;
  EXPECT_EQ(SettingsToTermios(s, t, custom), 0);
  if (customRate != nullptr) *customRate = custom;
  return t;
}

TEST(DispatchTermios, EveryDataSizeMapsToItsCharacterSize) {
  const struct {
    std::uint8_t Size;
    tcflag_t Flag;
  } cases[] = {{5, CS5}, {6, CS6}, {7, CS7}, {8, CS8}};
  for (const auto& c : cases) {
    EXPECT_EQ(Mapped(Line(9600, c.Size, 0, 0)).c_cflag & CSIZE, c.Flag) << int(c.Size);
  }
}

TEST(DispatchTermios, EveryParityMapsToItsFlagsWithInputChecking) {
  const tcflag_t bits = PARENB | PARODD | CMSPAR;
  const struct {
    std::uint8_t Parity;
    tcflag_t Flags;
    bool Checked;
  } cases[] = {
      {0, 0, false},
      {1, PARENB | PARODD, true},
      {2, PARENB, true},
      {3, PARENB | PARODD | CMSPAR, true},  // mark
      {4, PARENB | CMSPAR, true},           // space
  };
  for (const auto& c : cases) {
    const termios t = Mapped(Line(9600, 8, c.Parity, 0));
    EXPECT_EQ(t.c_cflag & bits, c.Flags) << int(c.Parity);
    EXPECT_EQ((t.c_iflag & INPCK) != 0, c.Checked) << int(c.Parity);
  }
}

TEST(DispatchTermios, StopSettingsMapToCstopb) {
  EXPECT_EQ(Mapped(Line(9600, 8, 0, 0)).c_cflag & CSTOPB, 0u);
  EXPECT_EQ(Mapped(Line(9600, 5, 0, 1)).c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB));  // 1.5
  EXPECT_EQ(Mapped(Line(9600, 8, 0, 2)).c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB));
}

TEST(DispatchTermios, FlowSettingsMapToHardwareAndSoftwareFlow) {
  const struct {
    const char* Name;
    std::uint32_t Flags;
    bool Crtscts, Ixon, Ixoff;
  } cases[] = {
      {"none", 0, false, false, false},
      {"cts output flow", dcbOutxCtsFlow, true, false, false},
      {"rts handshake", dcbRtsControlHandshake, true, false, false},
      {"rts enabled only", dcbRtsControlEnable, false, false, false},
      {"rts toggle", dcbRtsControlToggle, false, false, false},
      {"dsr flow has no termios flag", dcbOutxDsrFlow | dcbDtrControlHandshake, false, false, false},
      {"xon/xoff output", dcbOutX, false, true, false},
      {"xon/xoff input", dcbInX, false, false, true},
      {"everything", dcbOutxCtsFlow | dcbOutX | dcbInX, true, true, true},
  };
  for (const auto& c : cases) {
    const termios t = Mapped(Line(9600, 8, 0, 0, c.Flags));
    EXPECT_EQ((t.c_cflag & CRTSCTS) != 0, c.Crtscts) << c.Name;
    EXPECT_EQ((t.c_iflag & IXON) != 0, c.Ixon) << c.Name;
    EXPECT_EQ((t.c_iflag & IXOFF) != 0, c.Ixoff) << c.Name;
    EXPECT_EQ(t.c_iflag & IXANY, 0u) << c.Name;
  }
  TDeviceSettings s = Line(9600, 8, 0, 0, dcbOutX);
  s.XonChar = 0x21;
  s.XoffChar = 0x23;
  const termios t = Mapped(s);
  EXPECT_EQ(t.c_cc[VSTART], 0x21);
  EXPECT_EQ(t.c_cc[VSTOP], 0x23);
}

TEST(DispatchTermios, MappingLeavesTheTerminalRaw) {
  const termios t = Mapped(Line(9600, 8, 0, 0));
  EXPECT_EQ(t.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_iflag & (ICRNL | ISTRIP | BRKINT), 0u);
  EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(t.c_cflag & HUPCL, 0u);
  EXPECT_EQ(t.c_cc[VMIN], 0);
  EXPECT_EQ(t.c_cc[VTIME], 0);
}

TEST(DispatchTermios, StandardRatesUseTheirSpeedAndOthersAreCustom) {
  const struct {
    std::uint32_t Rate;
    speed_t Speed;
    std::uint32_t Custom;
  } cases[] = {
      {110, B110, 0},       {9600, B9600, 0},        {115200, B115200, 0},
      {4000000, B4000000, 0}, {14400, B38400, 14400}, {56000, B38400, 56000},
      {250000, B38400, 250000},
  };
  for (const auto& c : cases) {
    std::uint32_t custom = 1;
    const termios t = Mapped(Line(c.Rate, 8, 0, 0), &custom);
    EXPECT_EQ(cfgetospeed(&t), c.Speed) << c.Rate;
    EXPECT_EQ(cfgetispeed(&t), c.Speed) << c.Rate;
    EXPECT_EQ(custom, c.Custom) << c.Rate;
  }
}

TEST(DispatchTermios, ImpossibleSettingsAreRefusedAndChangeNothing) {
  const TDeviceSettings bad[] = {Line(0, 8, 0, 0), Line(9600, 4, 0, 0), Line(9600, 9, 0, 0),
                                 Line(9600, 8, 5, 0), Line(9600, 8, 0, 3)};
  for (const auto& s : bad) {
    termios t = Cooked();
    std::uint32_t custom = 0;
    EXPECT_EQ(SettingsToTermios(s, t, custom), static_cast<int>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(t.c_cflag, Cooked().c_cflag);
    EXPECT_EQ(t.c_lflag, Cooked().c_lflag);
  }
}

TEST(DispatchTermios, EveryLineSettingReadsBackAsWritten) {
  for (std::uint8_t size = 5; size <= 8; ++size) {
    for (std::uint8_t parity = 0; parity <= 4; ++parity) {
      for (std::uint8_t stop : {0, 1, 2}) {
        for (std::uint32_t flags : {0u, dcbOutX | dcbInX, dcbOutxCtsFlow | dcbRtsControlHandshake}) {
          std::uint32_t custom = 0;
          const termios t = Mapped(Line(19200, size, parity, stop, flags), &custom);
          TDeviceSettings back;
          TermiosToSettings(t, custom, back);
          // CSTOPB means one and a half stop bits with five data bits, two otherwise.
          const std::uint8_t stopBack = stop == 0 ? 0 : (size == 5 ? 1 : 2);
          EXPECT_EQ(back.BaudRate, 19200u);
          EXPECT_EQ(back.ByteSize, size);
          EXPECT_EQ(back.Parity, parity);
          EXPECT_EQ(back.StopBits, stopBack) << int(size) << int(stop);
          EXPECT_EQ(back.Flags & (dcbOutX | dcbInX | dcbOutxCtsFlow), flags & (dcbOutX | dcbInX | dcbOutxCtsFlow));
        }
      }
    }
  }
  std::uint32_t custom = 0;
  const termios t = Mapped(Line(14400, 8, 0, 0), &custom);
  TDeviceSettings back;
  TermiosToSettings(t, custom, back);
  EXPECT_EQ(back.BaudRate, 14400u);
}

}  // namespace
