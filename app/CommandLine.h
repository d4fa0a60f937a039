// The program's command line, for the window and for the headless logger alike:
//
//   frontpanel [--port N=PATH]... [--mqtt HOST[:PORT] [--mqtt-topic PREFIX]]
//              [--scpi [ADDRESS:]PORT] [--lang ru|en]
//   frontpanel --headless [--port N=PATH]... [--com N] [--csv FILE|-] [--count N]
//              [--duration S] [--keys K,K,...] [--summary] [--reconnect] [--every-frame]
//              [--mqtt HOST[:PORT] [--mqtt-topic PREFIX]] [--scpi [ADDRESS:]PORT]
//   frontpanel --help | --version
//
// Parsing never exits or prints: it returns the options or the reason they are wrong, so the
// program, its tests and a fuzz target all drive the same code.  Every option also takes its
// value as --option=VALUE.  Numbers are plain decimals, without blanks or signs.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct TPortMapping {
  unsigned Number = 0;  // 1..255
  std::string Path;
};

struct TProgramOptions {
  bool Help = false;
  bool Version = false;
  bool Headless = false;
  std::vector<TPortMapping> Ports;  // in the order given; a later one for the same N wins
  // Publishing over MQTT, window and logger alike; no host: none.  An IPv6 address is given
  // in brackets ([::1]:1883) and kept without them.
  std::string MqttHost;
  int MqttPort = 1883;
  std::string MqttTopic = "frontpanel";  // publishable (publish/TopicName.h), not empty
  // Remote control over SCPI, window and logger alike: [ADDRESS:]PORT as given (checked);
  // empty: none.
  std::string Scpi;
  // The window's language, "ru" or "en"; empty: the environment's (app/Language.h).  The
  // logger writes English whatever it is.
  std::string Language;
  // Headless only.
  unsigned Com = 2;             // the port to open, as the window's Com1/Com2 choice
  std::string CsvPath = "-";    // "-": standard output
  long Count = 0;               // stop after this many measurements; 0: no limit
  double DurationS = 0;         // stop after this many seconds of recording; 0: no limit
  std::vector<int> Keys;        // key codes 1..28 pressed in order at start (given as codes,
                                // key names or the window's keyboard letters, app/KeyboardMap.h)
  bool Summary = false;         // a JSON summary on standard error at the end
  bool Reconnect = false;       // a lost line is opened again and recording goes on
  bool EveryFrame = false;      // a CSV row per decoded frame, not per measurement
};

struct TCommandLine {
  TProgramOptions Options;
  std::string Error;  // empty when the command line is good
  bool Ok() const { return Error.empty(); }
};

// Parses the arguments after the program name.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The arguments without the window toolkit's own (-platform NAME, -display NAME, -style NAME,
// ... with one dash or two), which the window's application object takes: so the program's
// own options are read before any window-system object exists, and with no display at all.
std::vector<std::string> WithoutToolkitOptions(const std::vector<std::string>& args);

// Whether the arguments ask for the headless logger, or for --help or --version, which are
// answered without a display too (decided before any window-system object exists, which
// would take its own options out of the command line).
bool AsksForHeadless(const std::vector<std::string>& args);
bool AsksForHelpOrVersion(const std::vector<std::string>& args);

// The usage text (several lines, ending in a line break).
const char* UsageText();

// What the program does with a parsed command line before it runs: a problem is written with
// the usage to `err` (returns 2), --help writes the usage to `out` (returns 0), --version
// writes "frontpanel <version>" to `out` (returns 0).  Returns -1 when the program should go on.
int CommandLineExitStatus(const TCommandLine& commandLine, const char* version, std::FILE* out,
                          std::FILE* err);
