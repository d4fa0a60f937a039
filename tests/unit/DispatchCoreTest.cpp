// Dispatcher pieces that need no device: baud codes, line-error taking, the registry and
// port names.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dispatch/SioPortName.h"
#include "dispatch/SioPosix.h"

namespace {

class TIdleDispatcher : public TSioPosixDispatcher {
 public:
  TIdleDispatcher() : TSioPosixDispatcher(nullptr) {}
  // The line-error bits the device reports at its next status read (then none).
  std::uint32_t Reported = 0;

 protected:
  std::uint32_t DeviceReadLineErrors() override { return std::exchange(Reported, 0u); }
};

TEST(DispatchCore, MapBaudCodeTurnsOldCodesIntoRates) {
  const struct {
    std::uint32_t Code, Rate;
  } cases[] = {
      {0xFF16, 9600},   {0xFF10, 110},    {0xFF17, 14400},  {0xFF27, 256000}, {0xFEFF, 115200},
      {0xFF19, 0xFF19}, {0xFF26, 0xFF26}, {0xFF28, 0xFF28}, {19200, 19200},   {0, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(TSioBaseDispatcher::MapBaudCode(c.Code), c.Rate) << std::hex << c.Code;
}

TEST(DispatchCore, TakeLineErrorReportsTheFirstErrorAndKeepsTheBreak) {
  const struct {
    std::uint32_t Bits;
    int First, Second;
  } cases[] = {
      {CE_RXPARITY | CE_BREAK, 3, 9},
      {CE_RXOVER | CE_FRAME, 1, 0},
      {CE_OVERRUN | CE_RXPARITY, 2, 0},
      {CE_FRAME, 4, 0},
      {CE_BREAK, 9, 9},
      {0, 0, 0},
  };
  for (const auto& c : cases) {
    TIdleDispatcher d;
    d.Reported = c.Bits;
    d.RefreshLineErrors();
    EXPECT_EQ(d.TakeLineError(), c.First) << c.Bits;
    EXPECT_EQ(d.TakeLineError(), c.Second) << c.Bits;
    EXPECT_EQ(d.TakeBreak(), (c.Bits & CE_BREAK) != 0) << c.Bits;
    EXPECT_EQ(d.TakeLineError(), 0) << c.Bits;
    EXPECT_FALSE(d.TakeBreak());
  }
}

TEST(DispatchCore, RegistryReusesTheLowestEmptySlotAndTrimsTheEnd) {
  const int base = DispatcherRegistryCount();
  auto a = std::make_unique<TIdleDispatcher>();
  auto b = std::make_unique<TIdleDispatcher>();
  auto c = std::make_unique<TIdleDispatcher>();
  EXPECT_EQ(b->RegistryIndex(), a->RegistryIndex() + 1);
  EXPECT_EQ(c->RegistryIndex(), a->RegistryIndex() + 2);
  EXPECT_EQ(DispatcherRegistryCount(), base + 3);

  const int middle = b->RegistryIndex();
  b.reset();
  EXPECT_EQ(DispatcherAt(middle), nullptr);
  EXPECT_EQ(DispatcherRegistryCount(), base + 3);
  auto d = std::make_unique<TIdleDispatcher>();
  EXPECT_EQ(d->RegistryIndex(), middle);
  EXPECT_EQ(DispatcherAt(middle), d.get());

  d.reset();
  c.reset();  // both empty slots at the end go
  EXPECT_EQ(DispatcherRegistryCount(), base + 1);
  EXPECT_EQ(DispatcherAt(a->RegistryIndex()), a.get());
  EXPECT_EQ(DispatcherAt(base + 1), nullptr);
  EXPECT_EQ(DispatcherAt(-1), nullptr);
  a.reset();
  EXPECT_EQ(DispatcherRegistryCount(), base);
}

TEST(DispatchCore, PortNamesPreferComLinksThenTtyS) {
  char folder[] = "/tmp/sio-ports-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string dir = folder;
  std::ofstream(dir + "/COM3").put('x');
  SetPortDeviceFolder(dir);
  EXPECT_EQ(PortDeviceName(3), dir + "/COM3");
  EXPECT_EQ(PortDeviceName(4), dir + "/ttyS3");
  EXPECT_EQ(PortDeviceName(1), dir + "/ttyS0");
  SetPortDevicePath(4, "/dev/ttyUSB0");
  EXPECT_EQ(PortDeviceName(4), "/dev/ttyUSB0");
  SetPortDevicePath(4, "");
  EXPECT_EQ(PortDeviceName(4), dir + "/ttyS3");
  SetPortDeviceFolder("");
  EXPECT_EQ(PortDeviceName(2).rfind("/dev/", 0), 0u);
  unlink((dir + "/COM3").c_str());
  rmdir(folder);
}

}  // namespace
