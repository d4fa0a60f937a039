#include "app/CommandLine.h"

#include <charconv>
#include <cmath>

#include "app/KeyboardMap.h"
#include "app/Language.h"
#include "app/OptionValue.h"
#include "dispatch/SioSocketPath.h"
#include "publish/TopicName.h"
#include "remote/ScpiNetwork.h"

namespace {

// A whole decimal number in [low, high], nothing else.
bool ParseInteger(const std::string& text, long low, long high, long& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, value);
  return !text.empty() && text[0] != '-' && error == std::errc() && ptr == end && value >= low && value <= high;
}

bool ParseSeconds(const std::string& text, double& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
  return !text.empty() && text[0] != '-' && error == std::errc() && ptr == end && std::isfinite(value) &&
         value > 0 && value <= 1e9;
}

std::string ParsePort(const std::string& mapping, TProgramOptions& o) {
  const auto eq = mapping.find('=');
  if (eq == std::string::npos || eq == 0 || eq + 1 == mapping.size()) return "--port needs N=PATH";
  long number = 0;
  if (!ParseInteger(mapping.substr(0, eq), 1, 255, number)) return "port number must be 1..255";
  const std::string path = mapping.substr(eq + 1);
  TSocketPath where;
  std::string problem;
  if (SocketPathKind(path) != skNone && !ParseSocketPath(path, where, &problem))
    return "--port " + mapping + ": " + problem + " (write tcp://HOST:PORT or rfc2217://HOST:PORT, PORT 1..65535)";
  o.Ports.push_back({static_cast<unsigned>(number), path});
  return {};
}

std::string ParseKeys(const std::string& list, TProgramOptions& o) {
  o.Keys.clear();
  std::size_t start = 0;
  for (;;) {
    const auto comma = list.find(',', start);
    const std::string key = list.substr(start, comma - start);
    long code = KeyCodeByName(key);
    if (code == 0 && !ParseInteger(key, 1, 28, code))
      return "--keys takes key codes 1..28, key names (avg1000) or the window's keyboard letters (F), separated by "
             "commas; " + key + " is none";
    o.Keys.push_back(static_cast<int>(code));
    if (comma == std::string::npos) return {};
    start = comma + 1;
  }
}

// HOST, HOST:PORT, [IPV6] or [IPV6]:PORT; a bare IPv6 address (two colons or more) is a host.
std::string ParseBroker(const std::string& value, TProgramOptions& o) {
  const char* const problem = "--mqtt takes HOST or HOST:PORT (port 1..65535; IPv6 in brackets)";
  std::string host = value;
  std::string port;
  if (!value.empty() && value[0] == '[') {
    const auto close = value.find(']');
    if (close == std::string::npos) return problem;
    host = value.substr(1, close - 1);
    const std::string rest = value.substr(close + 1);
    if (!rest.empty()) {
      if (rest[0] != ':') return problem;
      port = rest.substr(1);
      if (port.empty()) return problem;
    }
  } else if (const auto colon = value.find(':'); colon != std::string::npos && value.find(':', colon + 1) == std::string::npos) {
    host = value.substr(0, colon);
    port = value.substr(colon + 1);
    if (port.empty()) return problem;
  }
  long number = 1883;
  if (host.empty() || host.find_first_of(" \t[]/") != std::string::npos || (!port.empty() && !ParseInteger(port, 1, 65535, number)))
    return problem;
  o.MqttHost = host;
  o.MqttPort = static_cast<int>(number);
  return {};
}

// Applies one option with its value; returns the problem, or empty.
std::string Apply(const std::string& name, const std::string& value, TProgramOptions& o) {
  long number = 0;
  if (name == "--port") return ParsePort(value, o);
  if (name == "--com") {
    if (!ParseInteger(value, 1, 255, number)) return "--com takes a port number 1..255";
    o.Com = static_cast<unsigned>(number);
  } else if (name == "--csv") {
    if (value.empty()) return "--csv takes a file name or -";
    o.CsvPath = value;
  } else if (name == "--count") {
    if (!ParseInteger(value, 1, 1'000'000'000'000L, number)) return "--count takes a whole number from 1";
    o.Count = number;
  } else if (name == "--duration") {
    if (!ParseSeconds(value, o.DurationS)) return "--duration takes a number of seconds greater than 0";
  } else if (name == "--keys") {
    return ParseKeys(value, o);
  } else if (name == "--mqtt") {
    return ParseBroker(value, o);
  } else if (name == "--scpi") {
    std::string address;
    int port = 0;
    if (!SplitScpiAddress(value, address, port)) return "--scpi takes [ADDRESS:]PORT (port 0..65535; IPv6 in brackets)";
    o.Scpi = value;
  } else if (name == "--lang") {
    TLanguage language = lnEnglish;
    if (!ParseLanguage(value, language)) return "--lang takes ru or en";
    o.Language = value;
  } else if (name == "--mqtt-topic") {
    if (const std::string problem = TopicPrefixProblem(value); !problem.empty()) return "--mqtt-topic: " + problem;
    o.MqttTopic = value;
  }
  return {};
}

bool TakesValue(const std::string& name) {
  for (const char* n : {"--port", "--com", "--csv", "--count", "--duration", "--keys", "--mqtt", "--mqtt-topic", "--scpi", "--lang"})
    if (name == n) return true;
  return false;
}

bool IsHeadlessOnly(const std::string& name) {
  for (const char* n : {"--com", "--csv", "--count", "--duration", "--keys", "--summary", "--reconnect", "--every-frame"})
    if (name == n) return true;
  return false;
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  TCommandLine result;
  TProgramOptions& o = result.Options;
  std::string headlessOnly;  // the first option given that only the logger takes
  bool topicGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto eq = arg.find('=');
    const std::string name = arg.rfind("--", 0) == 0 && eq != std::string::npos ? arg.substr(0, eq) : arg;
    if (IsHeadlessOnly(name) && headlessOnly.empty()) headlessOnly = name;
    topicGiven = topicGiven || name == "--mqtt-topic";
    if (name == "--help" || name == "-h") {
      o.Help = true;
    } else if (name == "--version") {
      o.Version = true;
    } else if (name == "--headless") {
      o.Headless = true;
    } else if (name == "--summary") {
      o.Summary = true;
    } else if (name == "--reconnect") {
      o.Reconnect = true;
    } else if (name == "--every-frame") {
      o.EveryFrame = true;
    } else if (TakesValue(name)) {
      std::string value;
      if (!TakeOptionValue(args, i, eq, value)) {
        result.Error = name + " needs a value";
        return result;
      }
      result.Error = Apply(name, value, o);
      if (!result.Error.empty()) return result;
    } else {
      result.Error = "unknown argument: " + arg;
      return result;
    }
    if (name != arg && !TakesValue(name)) {
      result.Error = name + " takes no value";
      return result;
    }
  }
  if (!o.Headless && !headlessOnly.empty() && !o.Help && !o.Version) result.Error = headlessOnly + " needs --headless";
  if (topicGiven && o.MqttHost.empty() && result.Ok()) result.Error = "--mqtt-topic needs --mqtt";
  return result;
}

std::vector<std::string> WithoutToolkitOptions(const std::vector<std::string>& args) {
  // Qt's own options, which the window's application object takes; with one dash or two.
  static const char* const withValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                                          "geometry", "qwindowicon", "icon", "qwindowtitle", "title", "display",
                                          "name", "style", "stylesheet", "session", "qmljsdebugger", "dialogs"};
  static const char* const alone[] = {"reverse", "widgetcount", "nograb", "dograb", "sync", "testability"};
  std::vector<std::string> left;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string name = arg.rfind("--", 0) == 0 ? arg.substr(2) : arg.rfind('-', 0) == 0 ? arg.substr(1) : std::string();
    const auto eq = name.find('=');
    const bool inline_value = eq != std::string::npos;
    if (inline_value) name.erase(eq);
    bool toolkit = false;
    for (const char* n : withValue) {
      if (name != n) continue;
      toolkit = true;
      if (!inline_value && i + 1 < args.size()) ++i;
    }
    for (const char* n : alone) toolkit = toolkit || (name == n && !inline_value);
    if (!toolkit) left.push_back(arg);
  }
  return left;
}

bool AsksForHeadless(const std::vector<std::string>& args) {
  for (const std::string& arg : args)
    if (arg == "--headless") return true;
  return false;
}

bool AsksForHelpOrVersion(const std::vector<std::string>& args) {
  for (const std::string& arg : args)
    if (arg == "--help" || arg == "-h" || arg == "--version") return true;
  return false;
}

const char* UsageText() {
  return "usage: frontpanel [--port N=PATH]... [--mqtt HOST[:PORT] [--mqtt-topic PREFIX]]\n"
         "                  [--scpi [ADDRESS:]PORT] [--lang ru|en]\n"
         "       frontpanel --headless [--port N=PATH]... [--com N] [--csv FILE|-] [--count N]\n"
         "                  [--duration S] [--keys K,K,...] [--summary] [--reconnect] [--every-frame]\n"
         "                  [--mqtt HOST[:PORT] [--mqtt-topic PREFIX]] [--scpi [ADDRESS:]PORT]\n"
         "       frontpanel --analyze FILE [options]   (see frontpanel --analyze --help)\n"
         "  --port N=PATH   use PATH as port N (1..255): a serial device (/dev/ttyUSB0, or a\n"
         "                  link to one such as the simulator's), tcp://HOST:PORT for a device\n"
         "                  server's raw TCP port, or rfc2217://HOST:PORT for one that speaks\n"
         "                  RFC 2217 (telnet with the line settings)\n"
         "  --mqtt HOST[:PORT]\n"
         "                  publish every measurement to the MQTT broker at HOST (port 1883 by\n"
         "                  default) as JSON on PREFIX/reading, the port's state on PREFIX/status\n"
         "  --mqtt-topic PREFIX\n"
         "                  the topics' prefix (default frontpanel)\n"
         "  --scpi [ADDRESS:]PORT\n"
         "                  take SCPI commands over TCP on PORT (5025 is usual; 0: any free\n"
         "                  port), from ADDRESS only (127.0.0.1 unless named; IPv6 in brackets)\n"
         "  --lang ru|en    the window's language (default: Russian for a Russian locale,\n"
         "                  English otherwise; the logger writes English)\n"
         "  --headless      log measurements without a window (no display needed)\n"
         "  --com N         the port the logger opens (default 2, as the window)\n"
         "  --csv FILE      write the measurements as CSV to FILE (appending; lines end in CR LF),\n"
         "                  - for standard output (the default; lines end in LF)\n"
         "  --count N       stop after N rows\n"
         "  --duration S    stop after S seconds of recording\n"
         "  --keys K,...    press these keys first, each after the last was answered: key codes\n"
         "                  1..28, key names (avg1 .. avg10000, memory, frequency, period, ratio,\n"
         "                  interval, display0.3 .. display4, test, ...) or the letters the\n"
         "                  window's keyboard uses (F, T, R, I, Z, X, C, V, M, E, ...)\n"
         "  --summary       print JSON on standard error: the current segment's count, unit,\n"
         "                  mean, std, min, max; adev (the overlapping Allan deviation as\n"
         "                  [tau_s, value] pairs) and tau0 of the segments measured with the same\n"
         "                  settings, without bridging a gap; segment, segments, segment_start,\n"
         "                  the readings left out (left_out) and the analysis's facts\n"
         "  --every-frame   a row for every decoded frame instead of one per measurement\n"
         "                  (the new_measurement column marks the frames that begin one)\n"
         "  --reconnect     when the line is lost, open it again once its device is back (after\n"
         "                  1, 2, 4 s, then every 5 s) and go on recording; without it a lost line\n"
         "                  ends the run (status 1)\n"
         "  --analyze FILE  the stability analysis of a recording (see --analyze --help)\n"
         "  --help, -h      show this text\n"
         "  --version       show the version\n"
         "exit status: 0 when done as asked, 1 on a failure (the port, the file, a lost line, no\n"
         "display for the window; the reason on standard error), 2 for a bad argument\n";
}

int CommandLineExitStatus(const TCommandLine& commandLine, const char* version, std::FILE* out,
                          std::FILE* err) {
  if (!commandLine.Ok()) {
    std::fprintf(err, "frontpanel: %s\n%s", commandLine.Error.c_str(), UsageText());
    return 2;
  }
  if (commandLine.Options.Help) {
    std::fputs(UsageText(), out);
    return 0;
  }
  if (commandLine.Options.Version) {
    std::fprintf(out, "frontpanel %s\n", version);
    return 0;
  }
  return -1;
}
