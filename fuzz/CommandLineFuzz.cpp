// The program's command line: arguments separated by NUL bytes.
// Checked for a command line that is taken: every value inside its documented range (port
// numbers 1..255, key codes 1..28, a broker port 1..65535, a topic that can be published to), the
// logger's options only with --headless (or --help/--version), a topic only with a broker;
// every --port given is kept, in order; and the options written back as a command line of
// their own (--name=VALUE) parse to the same options, so nothing given was lost or bent.
// A command line that is refused says why.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "fuzz/FuzzArguments.h"
#include "fuzz/FuzzRequire.h"
#include "publish/TopicName.h"

namespace {

// The names of the options the user gave, found by an independent walk: a value option
// without '=' takes the next argument as its value, whatever it looks like.
std::vector<std::string> OptionsGiven(const std::vector<std::string>& args) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const std::string name = a.rfind("--", 0) == 0 ? a.substr(0, a.find('=')) : a;
    names.push_back(name);
    const bool withValue = name == "--port" || name == "--com" || name == "--csv" || name == "--count" ||
                           name == "--duration" || name == "--keys" || name == "--mqtt" || name == "--mqtt-topic";
    if (withValue && name == a) ++i;
  }
  return names;
}

std::size_t Times(const std::vector<std::string>& names, const std::string& name) {
  return static_cast<std::size_t>(std::count(names.begin(), names.end(), name));
}

std::string Decimal(double value) {
  char text[400];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
  FUZZ_REQUIRE(error == std::errc());
  return {text, end};
}

// The options as a command line of their own.
std::vector<std::string> Written(const TProgramOptions& o) {
  std::vector<std::string> args;
  if (o.Help) args.push_back("--help");
  if (o.Version) args.push_back("--version");
  if (o.Headless) args.push_back("--headless");
  for (const TPortMapping& p : o.Ports) args.push_back("--port=" + std::to_string(p.Number) + "=" + p.Path);
  if (!o.MqttHost.empty()) {
    const bool v6 = o.MqttHost.find(':') != std::string::npos;
    args.push_back("--mqtt=" + (v6 ? "[" + o.MqttHost + "]" : o.MqttHost) + ":" + std::to_string(o.MqttPort));
    args.push_back("--mqtt-topic=" + o.MqttTopic);
  }
  // The logger's options are taken with --help or --version too.
  if (!o.Headless && !o.Help && !o.Version) return args;
  args.push_back("--com=" + std::to_string(o.Com));
  args.push_back("--csv=" + o.CsvPath);
  if (o.Count > 0) args.push_back("--count=" + std::to_string(o.Count));
  if (o.DurationS > 0) args.push_back("--duration=" + Decimal(o.DurationS));
  if (!o.Keys.empty()) {
    std::string keys;
    for (int k : o.Keys) keys += (keys.empty() ? "" : ",") + std::to_string(k);
    args.push_back("--keys=" + keys);
  }
  if (o.Summary) args.push_back("--summary");
  if (o.Reconnect) args.push_back("--reconnect");
  return args;
}

bool Same(const TProgramOptions& a, const TProgramOptions& b) {
  if (a.Ports.size() != b.Ports.size()) return false;
  for (std::size_t i = 0; i < a.Ports.size(); ++i)
    if (a.Ports[i].Number != b.Ports[i].Number || a.Ports[i].Path != b.Ports[i].Path) return false;
  return a.Help == b.Help && a.Version == b.Version && a.Headless == b.Headless && a.MqttHost == b.MqttHost &&
         a.MqttPort == b.MqttPort && a.MqttTopic == b.MqttTopic && a.Com == b.Com && a.CsvPath == b.CsvPath &&
         a.Count == b.Count && a.DurationS == b.DurationS && a.Keys == b.Keys && a.Summary == b.Summary &&
         a.Reconnect == b.Reconnect;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> args = FuzzArguments(data, size);
  const TCommandLine line = ParseCommandLine(args);
  if (!line.Ok()) {
    FUZZ_REQUIRE(!line.Error.empty());
    return 0;
  }
  const TProgramOptions& o = line.Options;
  const std::vector<std::string> given = OptionsGiven(args);
  for (const TPortMapping& p : o.Ports) FUZZ_REQUIRE(p.Number >= 1 && p.Number <= 255 && !p.Path.empty());
  FUZZ_REQUIRE(o.Ports.size() == Times(given, "--port"));
  FUZZ_REQUIRE(o.Com >= 1 && o.Com <= 255);
  FUZZ_REQUIRE(!o.CsvPath.empty());
  FUZZ_REQUIRE(o.Count >= 0 && o.Count <= 1'000'000'000'000L);
  FUZZ_REQUIRE(std::isfinite(o.DurationS) && o.DurationS >= 0 && o.DurationS <= 1e9);
  for (int k : o.Keys) FUZZ_REQUIRE(k >= 1 && k <= 28);
  FUZZ_REQUIRE(o.MqttPort >= 1 && o.MqttPort <= 65535);
  FUZZ_REQUIRE(o.MqttHost.find_first_of(" \t[]/") == std::string::npos);
  FUZZ_REQUIRE(TopicPrefixProblem(o.MqttTopic).empty());
  FUZZ_REQUIRE(o.Headless == (Times(given, "--headless") > 0));
  FUZZ_REQUIRE(!o.Headless || AsksForHeadless(args));
  FUZZ_REQUIRE(!(o.Help || o.Version) || AsksForHelpOrVersion(args));
  if (!o.Headless && !o.Help && !o.Version) {
    for (const char* name : {"--com", "--csv", "--count", "--duration", "--keys", "--summary", "--reconnect"})
      FUZZ_REQUIRE(Times(given, name) == 0);
  }
  FUZZ_REQUIRE(Times(given, "--mqtt-topic") == 0 || !o.MqttHost.empty());

  const TCommandLine again = ParseCommandLine(Written(o));
  FUZZ_REQUIRE(again.Ok());
  FUZZ_REQUIRE(Same(again.Options, o));
  return 0;
}
