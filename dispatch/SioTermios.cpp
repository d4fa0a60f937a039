#include "dispatch/SioTermios.h"

#include <sys/ioctl.h>

#include <cerrno>
#include <iterator>

#include "dispatch/SioSysCalls.h"
#include "platform/SysErrors.h"

namespace {

struct TSpeedEntry {
  std::uint32_t Rate;
  speed_t Speed;
};

constexpr TSpeedEntry kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

// The kernel's termios2, which carries a rate as a number.  Declared here because the
// kernel header that has it clashes with <termios.h>; the layout is the generic one
// (x86, ARM, RISC-V), the only one this layer claims custom rates on.
struct TTermios2 {
  tcflag_t c_iflag;
  tcflag_t c_oflag;
  tcflag_t c_cflag;
  tcflag_t c_lflag;
  cc_t c_line;
  cc_t c_cc[19];
  speed_t c_ispeed;
  speed_t c_ospeed;
};

#if defined(__x86_64__) || defined(__i386__) || defined(__aarch64__) || defined(__arm__) || \
    defined(__riscv)
constexpr bool kHaveTermios2 = true;
constexpr tcflag_t kBother = 0010000;
constexpr tcflag_t kCbaud = 0010017;
const unsigned long kTcGets2 = _IOR('T', 0x2A, TTermios2);
const unsigned long kTcSets2 = _IOW('T', 0x2B, TTermios2);
static_assert(sizeof(TTermios2) == 44, "termios2 layout");
#else
constexpr bool kHaveTermios2 = false;
constexpr tcflag_t kBother = 0;
constexpr tcflag_t kCbaud = 0;
const unsigned long kTcGets2 = 0;
const unsigned long kTcSets2 = 0;
#endif

int Retried(int (*call)(TSioSysCalls&, int, TTermios2&), TSioSysCalls& calls, int fd, TTermios2& t) {
  for (;;) {
    const int r = call(calls, fd, t);
    if (r == 0 || errno != EINTR) return r;
  }
}

int Gets2(TSioSysCalls& calls, int fd, TTermios2& t) { return calls.Ioctl(fd, kTcGets2, &t); }
int Sets2(TSioSysCalls& calls, int fd, TTermios2& t) { return calls.Ioctl(fd, kTcSets2, &t); }

}  // namespace

speed_t StandardSpeedOf(std::uint32_t rate) {
  for (const TSpeedEntry& e : kSpeeds) {
    if (e.Rate == rate) return e.Speed;
  }
  return B0;
}

std::uint32_t RateOfSpeed(speed_t speed) {
  for (const TSpeedEntry& e : kSpeeds) {
    if (e.Speed == speed) return e.Rate;
  }
  return 0;
}

void MakeRawTermios(termios& tio) {
  // XON/XOFF too: a line starts without flow control until it is asked for.
  tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                        IUCLC | IXON | IXOFF | IXANY | IMAXBEL);
  tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
  // CLOCAL: a missing carrier must neither block the open nor hang up the line.
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cflag &= ~static_cast<tcflag_t>(HUPCL);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
}

int SettingsToTermios(const TDeviceSettings& s, termios& tio, std::uint32_t& customRate) {
  if (s.BaudRate == 0 || s.ByteSize < 5 || s.ByteSize > 8 || s.Parity > 4 || s.StopBits > 2) {
    return ERROR_INVALID_PARAMETER;
  }
  termios t = tio;
  MakeRawTermios(t);

  speed_t speed = StandardSpeedOf(s.BaudRate);
  customRate = 0;
  if (speed == B0) {
    speed = B38400;
    customRate = s.BaudRate;
  }
  cfsetispeed(&t, speed);
  cfsetospeed(&t, speed);

  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  t.c_cflag |= kSizes[s.ByteSize - 5];
  switch (s.Parity) {
    case 1: t.c_cflag |= PARENB | PARODD; break;
    case 2: t.c_cflag |= PARENB; break;
    case 3: t.c_cflag |= PARENB | CMSPAR | PARODD; break;  // mark: the parity bit is always 1
    case 4: t.c_cflag |= PARENB | CMSPAR; break;           // space: always 0
    default: break;
  }
  if (s.Parity != 0) {
    t.c_iflag |= INPCK;
  } else {
    t.c_iflag &= ~static_cast<tcflag_t>(INPCK);
  }
  // With five data bits the UART sends one and a half stop bits for CSTOPB.
  if (s.StopBits != 0) t.c_cflag |= CSTOPB;

  const bool rtsHandshake = (s.Flags & dcbRtsControlMask) == dcbRtsControlHandshake;
  if ((s.Flags & dcbOutxCtsFlow) != 0 || rtsHandshake) t.c_cflag |= CRTSCTS;

  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  if ((s.Flags & dcbOutX) != 0) t.c_iflag |= IXON;
  if ((s.Flags & dcbInX) != 0) t.c_iflag |= IXOFF;
  t.c_cc[VSTART] = s.XonChar;
  t.c_cc[VSTOP] = s.XoffChar;

  tio = t;
  return 0;
}

void TermiosToSettings(const termios& tio, std::uint32_t customRate, TDeviceSettings& s) {
  const std::uint32_t rate = customRate != 0 ? customRate : RateOfSpeed(cfgetospeed(&tio));
  if (rate != 0) s.BaudRate = rate;
  switch (tio.c_cflag & CSIZE) {
    case CS5: s.ByteSize = 5; break;
    case CS6: s.ByteSize = 6; break;
    case CS7: s.ByteSize = 7; break;
    default: s.ByteSize = 8; break;
  }
  if ((tio.c_cflag & PARENB) == 0) {
    s.Parity = 0;
  } else if ((tio.c_cflag & CMSPAR) != 0) {
    s.Parity = (tio.c_cflag & PARODD) != 0 ? 3 : 4;
  } else {
    s.Parity = (tio.c_cflag & PARODD) != 0 ? 1 : 2;
  }
  if ((tio.c_cflag & CSTOPB) == 0) {
    s.StopBits = 0;
  } else {
    s.StopBits = s.ByteSize == 5 ? 1 : 2;
  }
  if ((tio.c_cflag & CRTSCTS) != 0) {
    s.Flags |= dcbOutxCtsFlow;
    s.Flags = (s.Flags & ~dcbRtsControlMask) | dcbRtsControlHandshake;
  } else {
    s.Flags &= ~dcbOutxCtsFlow;
    if ((s.Flags & dcbRtsControlMask) == dcbRtsControlHandshake) s.Flags &= ~dcbRtsControlMask;
  }
  s.Flags = (tio.c_iflag & IXON) != 0 ? (s.Flags | dcbOutX) : (s.Flags & ~dcbOutX);
  s.Flags = (tio.c_iflag & IXOFF) != 0 ? (s.Flags | dcbInX) : (s.Flags & ~dcbInX);
  s.Flags |= dcbBinary;
  s.XonChar = tio.c_cc[VSTART];
  s.XoffChar = tio.c_cc[VSTOP];
}

int SetCustomRate(TSioSysCalls& calls, int fd, std::uint32_t rate) {
  if (!kHaveTermios2) {
    errno = EINVAL;
    return -1;
  }
  TTermios2 t{};
  if (Retried(Gets2, calls, fd, t) != 0) return -1;
  t.c_cflag &= ~(kCbaud | (kCbaud << 16));
  t.c_cflag |= kBother | (kBother << 16);
  t.c_ispeed = rate;
  t.c_ospeed = rate;
  return Retried(Sets2, calls, fd, t);
}

std::uint32_t ReadCustomRate(TSioSysCalls& calls, int fd) {
  if (!kHaveTermios2) return 0;
  TTermios2 t{};
  if (Retried(Gets2, calls, fd, t) != 0) return 0;
  return (t.c_cflag & kCbaud) == kBother ? t.c_ospeed : 0;
}
