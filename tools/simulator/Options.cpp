#include "tools/simulator/Options.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

#include "tools/simulator/Listener.h"

namespace {

// strtol and strtod skip leading blanks; a value given with blanks is a mistake to report.
bool StartsAsNumber(const std::string& text) {
  return !text.empty() && !std::isspace(static_cast<unsigned char>(text[0]));
}

bool ParseLong(const std::string& text, long min, long max, long& value) {
  if (!StartsAsNumber(text)) return false;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < min || v > max) return false;
  value = v;
  return true;
}

bool ParseDouble(const std::string& text, double min, double max, double& value) {
  if (!StartsAsNumber(text)) return false;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text.c_str(), &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(v) || v < min || v > max) return false;
  value = v;
  return true;
}

}  // namespace

const char* UsageText() {
  return R"(Usage: freqsim [options]
Plays the frequency counter on a serial line for the front panel: answers key codes with
status byte 130 and sends a state frame (a status byte and 18 nibbles) every display period.
Each measurement is a gate of the averaging time (ALed4 lit) followed by a display period in
which the result is held; the reading changes only when a gate ends.
The first line printed is the path of the line to give the front panel.

Attachment:
  --link PATH          also make a symbolic link PATH to the new pseudo-terminal
                       (a stale link there is replaced; removed on exit)
  --device PATH        use this serial device instead of a new pseudo-terminal
                       (set to 9600 baud, 8 data bits, no parity, 1 stop bit, raw)
  --listen [ADDR:]PORT serve the line over TCP instead, raw, on ADDR (127.0.0.1 when left
                       out; [::1]:PORT for IPv6; PORT 0: any free port); the first line
                       printed is then tcp://ADDR:PORT.  One client at a time: another
                       that connects meanwhile is closed at once
Behaviour:
  --period-ms N        send a frame every N ms instead of the display time the keys choose
                       (the instrument then also holds each result for N ms)
  --burst              write each message at once instead of pacing bytes at 9600 baud
  --local              start with remote mode off (status byte 128); SIGUSR1 toggles it
  --signal-hz F        frequency of the simulated input signal (default 10000000)
  --noise-ppm X        noise of the input signal in parts per million (default 0.1)
  --seed N             seed of the noise and of injected garbage (default 1)
  --frames N           exit after N complete frames
  --run-ms N           exit after N milliseconds
  --verbose            describe every key and frame on standard error
Faults:
  --garbage N          N random bytes after every frame
  --cut-every K        every K-th frame is cut short by a status byte
  --overlong-every K   every K-th frame is followed by 300 more nibbles
  --bad-point-every K  every K-th frame carries an invalid decimal-point code
  --hangup-after N     close the line after N frames
Capture:
  --record FILE        save every byte sent and received, with its time
  --sent-log FILE      write a line for every frame sent whole: its number, time,
                       reading, the faults injected with it, the number of the gate
                       whose result it shows and the instrument's state (counting,
                       memory, overflow)
  --replay FILE        send the instrument's bytes of FILE with their original spacing
                       instead of simulating
  --relay DEVICE       pass bytes between the line and a real instrument on DEVICE
                       instead of simulating (use with --record)
  --help               show this text
  --version            show the version

Exit status: 0 when stopped by SIGINT or SIGTERM or a limit, 1 when the line fails,
2 for a bad option or an unusable device or file.
)";
}

TParseResult ParseOptions(int argc, char** argv, TSimOptions& o, std::string& error) {
  using TSetter = std::function<bool(const std::string&)>;
  auto longIn = [](long& field, long min, long max) {
    return [&field, min, max](const std::string& v) { return ParseLong(v, min, max, field); };
  };
  auto intIn = [](int& field, long min, long max) {
    return [&field, min, max](const std::string& v) {
      long value = 0;
      if (!ParseLong(v, min, max, value)) return false;
      field = static_cast<int>(value);
      return true;
    };
  };
  auto text = [](std::string& field) {
    return [&field](const std::string& v) {
      field = v;
      return !v.empty();
    };
  };
  long seed = o.Seed;
  const std::map<std::string, TSetter> valued = {
      {"--link", text(o.LinkPath)},
      {"--device", text(o.DevicePath)},
      {"--listen", [&](const std::string& v) {
         std::string address;
         int port = 0;
         o.ListenAddress = v;
         return SplitListenAddress(v, address, port);
       }},
      {"--period-ms", intIn(o.PeriodMs, 1, 3600000)},
      {"--signal-hz", [&](const std::string& v) { return ParseDouble(v, 1e-3, 1e12, o.SignalHz); }},
      {"--noise-ppm", [&](const std::string& v) { return ParseDouble(v, 0, 1e6, o.NoisePpm); }},
      {"--seed", longIn(seed, 0, 0xFFFFFFFFL)},
      {"--frames", longIn(o.FrameLimit, 1, 1000000000L)},
      {"--run-ms", longIn(o.RunMs, 1, 1000000000L)},
      {"--garbage", intIn(o.GarbageBytes, 1, 4096)},
      {"--cut-every", intIn(o.CutEvery, 1, 1000000)},
      {"--overlong-every", intIn(o.OverlongEvery, 1, 1000000)},
      {"--bad-point-every", intIn(o.BadPointEvery, 1, 1000000)},
      {"--hangup-after", longIn(o.HangupAfter, 1, 1000000000L)},
      {"--record", text(o.RecordPath)},
      {"--sent-log", text(o.SentPath)},
      {"--replay", text(o.ReplayPath)},
      {"--relay", text(o.RelayPath)},
  };
  const std::map<std::string, bool*> flags = {
      {"--burst", &o.Burst}, {"--local", &o.Local}, {"--verbose", &o.Verbose}};

  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") return prHelp;
    if (arg == "--version") return prVersion;
    if (auto f = flags.find(arg); f != flags.end()) {
      *f->second = true;
      continue;
    }
    std::string value;
    bool hasValue = false;
    if (const auto eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
      value = arg.substr(eq + 1);
      arg.resize(eq);
      hasValue = true;
    }
    if (flags.count(arg) != 0) {
      error = "option '" + arg + "' takes no value";
      return prError;
    }
    const auto v = valued.find(arg);
    if (v == valued.end()) {
      error = "unknown option '" + arg + "'";
      return prError;
    }
    if (!hasValue) {
      // An option in the value's place means the value was left out ("--link --run-ms 5");
      // a value that really starts with "--" can be given as --link=--odd.
      if (i + 1 >= argc || std::string(argv[i + 1]).rfind("--", 0) == 0) {
        error = "option '" + arg + "' needs a value";
        return prError;
      }
      value = argv[++i];
    }
    if (!v->second(value)) {
      error = "bad value '" + value + "' for option '" + arg + "'";
      return prError;
    }
  }
  o.Seed = static_cast<std::uint32_t>(seed);
  if (!o.LinkPath.empty() && !o.DevicePath.empty()) {
    error = "--link names a new pseudo-terminal and cannot go with --device";
    return prError;
  }
  if (!o.ListenAddress.empty() && (!o.LinkPath.empty() || !o.DevicePath.empty())) {
    error = "--listen serves the line over TCP and cannot go with --link or --device";
    return prError;
  }
  if (!o.ReplayPath.empty() && !o.RelayPath.empty()) {
    error = "--replay and --relay cannot go together";
    return prError;
  }
  return prRun;
}
