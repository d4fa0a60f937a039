// The simulator's command line: arguments separated by NUL bytes.  A command line that is
// taken leaves every value inside its documented range and no two attachments that exclude
// each other; a flag given a value is never taken.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/FuzzArguments.h"
#include "fuzz/FuzzRequire.h"
#include "tools/simulator/Listener.h"
#include "tools/simulator/Options.h"

namespace {

template <typename T>
bool OffOrWithin(T value, T min, T max) {
  return value == 0 || (value >= min && value <= max);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args = FuzzArguments(data, size, {"freqsim"});
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  TSimOptions o;
  std::string error;
  const TParseResult result = ParseOptions(static_cast<int>(args.size()), argv.data(), o, error);
  if (result == prError) {
    FUZZ_REQUIRE(!error.empty());
    return 0;
  }
  // --help and --version end the parse where they stand: what follows was never looked at.
  if (result == prHelp || result == prVersion) return 0;
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") break;
    for (const char* flag : {"--burst=", "--local=", "--verbose="}) FUZZ_REQUIRE(a.rfind(flag, 0) != 0);
  }
  FUZZ_REQUIRE(OffOrWithin(o.PeriodMs, 1, 3600000));
  FUZZ_REQUIRE(o.SignalHz >= 1e-3 && o.SignalHz <= 1e12);
  FUZZ_REQUIRE(o.NoisePpm >= 0 && o.NoisePpm <= 1e6);
  FUZZ_REQUIRE(OffOrWithin(o.FrameLimit, 1L, 1000000000L));
  FUZZ_REQUIRE(OffOrWithin(o.RunMs, 1L, 1000000000L));
  FUZZ_REQUIRE(OffOrWithin(o.GarbageBytes, 1, 4096));
  FUZZ_REQUIRE(OffOrWithin(o.CutEvery, 1, 1000000));
  FUZZ_REQUIRE(OffOrWithin(o.OverlongEvery, 1, 1000000));
  FUZZ_REQUIRE(OffOrWithin(o.BadPointEvery, 1, 1000000));
  FUZZ_REQUIRE(OffOrWithin(o.HangupAfter, 1L, 1000000000L));
  FUZZ_REQUIRE(o.LinkPath.empty() || o.DevicePath.empty());
  FUZZ_REQUIRE(o.ReplayPath.empty() || o.RelayPath.empty());
  if (!o.ListenAddress.empty()) {
    FUZZ_REQUIRE(o.LinkPath.empty() && o.DevicePath.empty());
    std::string address;
    int port = -1;
    FUZZ_REQUIRE(SplitListenAddress(o.ListenAddress, address, port) && !address.empty() && port >= 0 && port <= 65535);
  }
  return 0;
}
