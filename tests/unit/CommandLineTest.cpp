// The program's command line: the options of the window and of the headless logger, and every
// way a value can be wrong.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace {

using TArgs = std::vector<std::string>;

TEST(CommandLineTest, WindowTakesPortMappingsOnly) {
  const TCommandLine none = ParseCommandLine({});
  ASSERT_TRUE(none.Ok());
  EXPECT_FALSE(none.Options.Headless);
  EXPECT_TRUE(none.Options.Ports.empty());

  const TCommandLine ports = ParseCommandLine({"--port", "2=/tmp/COM2", "--port=1=/dev/ttyUSB0", "--port", "2=/x"});
  ASSERT_TRUE(ports.Ok()) << ports.Error;
  ASSERT_EQ(ports.Options.Ports.size(), 3u);
  EXPECT_EQ(ports.Options.Ports[0].Number, 2u);
  EXPECT_EQ(ports.Options.Ports[0].Path, "/tmp/COM2");
  EXPECT_EQ(ports.Options.Ports[1].Number, 1u);
  EXPECT_EQ(ports.Options.Ports[1].Path, "/dev/ttyUSB0");
  EXPECT_FALSE(AsksForHeadless({"--port", "2=/tmp/COM2"}));
}

TEST(CommandLineTest, HeadlessTakesEveryOption) {
  const TArgs args{"--headless", "--port", "1=/tmp/a=b", "--com", "1", "--csv", "out.csv", "--count=20",
                   "--duration", "1.5", "--keys", "20,5,28", "--summary", "--reconnect"};
  EXPECT_TRUE(AsksForHeadless(args));
  const TCommandLine c = ParseCommandLine(args);
  ASSERT_TRUE(c.Ok()) << c.Error;
  const TProgramOptions& o = c.Options;
  EXPECT_TRUE(o.Headless);
  EXPECT_EQ(o.Ports.at(0).Path, "/tmp/a=b");
  EXPECT_EQ(o.Com, 1u);
  EXPECT_EQ(o.CsvPath, "out.csv");
  EXPECT_EQ(o.Count, 20);
  EXPECT_DOUBLE_EQ(o.DurationS, 1.5);
  EXPECT_EQ(o.Keys, (std::vector<int>{20, 5, 28}));
  EXPECT_TRUE(o.Summary);
  EXPECT_TRUE(o.Reconnect);

  const TCommandLine defaults = ParseCommandLine({"--headless"});
  ASSERT_TRUE(defaults.Ok());
  EXPECT_EQ(defaults.Options.Com, 2u);
  EXPECT_EQ(defaults.Options.CsvPath, "-");
  EXPECT_EQ(defaults.Options.Count, 0);
  EXPECT_EQ(defaults.Options.DurationS, 0);
  EXPECT_FALSE(defaults.Options.Reconnect);
  EXPECT_TRUE(ParseCommandLine({"--help"}).Options.Help);
}

// Window and logger alike; the host as it is to be looked up (IPv6 without its brackets).
TEST(CommandLineTest, MqttTakesAHostWithOrWithoutAPort) {
  struct TCase {
    TArgs Args;
    const char* Host;
    int Port;
    const char* Topic;
  };
  const TCase cases[] = {
      {{"--mqtt", "broker"}, "broker", 1883, "frontpanel"},
      {{"--mqtt=10.0.0.7:1884", "--mqtt-topic", "lab/counter"}, "10.0.0.7", 1884, "lab/counter"},
      {{"--headless", "--mqtt", "[::1]:8883"}, "::1", 8883, "frontpanel"},
      {{"--mqtt", "::1"}, "::1", 1883, "frontpanel"},
  };
  for (const TCase& c : cases) {
    const TCommandLine result = ParseCommandLine(c.Args);
    ASSERT_TRUE(result.Ok()) << c.Args[0] << ": " << result.Error;
    EXPECT_EQ(result.Options.MqttHost, c.Host);
    EXPECT_EQ(result.Options.MqttPort, c.Port);
    EXPECT_EQ(result.Options.MqttTopic, c.Topic);
  }
  EXPECT_TRUE(ParseCommandLine({}).Options.MqttHost.empty()) << "no publishing unless asked";
}

// Window and logger alike; checked here, looked up when the program listens.
TEST(CommandLineTest, ScpiTakesAPortWithAnOptionalAddress) {
  const std::pair<TArgs, const char*> cases[] = {
      {{"--scpi", "5025"}, "5025"}, {{"--headless", "--scpi=[::1]:0"}, "[::1]:0"}, {{"--scpi", "0.0.0.0:5025"}, "0.0.0.0:5025"}};
  for (const auto& [args, where] : cases) {
    const TCommandLine result = ParseCommandLine(args);
    ASSERT_TRUE(result.Ok()) << where << ": " << result.Error;
    EXPECT_EQ(result.Options.Scpi, where);
  }
  EXPECT_TRUE(ParseCommandLine({}).Options.Scpi.empty()) << "no remote control unless asked";
}

TEST(CommandLineTest, LangChoosesTheWindowsLanguage) {
  const std::pair<TArgs, const char*> cases[] = {
      {{}, ""}, {{"--lang", "ru"}, "ru"}, {{"--lang=en"}, "en"}, {{"--headless", "--lang", "ru"}, "ru"}};
  for (const auto& [args, language] : cases) {
    const TCommandLine result = ParseCommandLine(args);
    ASSERT_TRUE(result.Ok()) << language << ": " << result.Error;
    EXPECT_EQ(result.Options.Language, language);
  }
}

struct BadCase {
  TArgs Args;
  const char* Error;  // a part of the message
};

TEST(CommandLineTest, RefusesWhatIsWrongAndSaysWhat) {
  const BadCase cases[] = {
      {{"--bogus"}, "unknown argument: --bogus"},
      {{"--csv", "f.csv"}, "--csv needs --headless"},
      {{"--summary"}, "--summary needs --headless"},
      {{"--reconnect"}, "--reconnect needs --headless"},
      {{"--headless", "--reconnect=yes"}, "--reconnect takes no value"},
      {{"--headless=1"}, "--headless takes no value"},
      {{"--headless", "--count"}, "--count needs a value"},
      {{"--port", "0=/x"}, "1..255"},
      {{"--port", "2="}, "N=PATH"},
      {{"--port", "=/x"}, "N=PATH"},
      {{"--port", "2=tcp://127.0.0.1:99999"}, "the port must be a number 1..65535"},
      {{"--port", "2=rfc2217://[::1"}, "--port 2=rfc2217://[::1: "},
      {{"--headless", "--com", "0"}, "--com"},
      {{"--headless", "--csv="}, "--csv"},
      {{"--headless", "--count", "0"}, "--count"},
      {{"--headless", "--count", " 5"}, "--count"},
      {{"--headless", "--count", "+5"}, "--count"},
      {{"--headless", "--count", "5x"}, "--count"},
      {{"--headless", "--count", "99999999999999999999"}, "--count"},
      {{"--headless", "--duration", "0"}, "--duration"},
      {{"--headless", "--duration", "-1"}, "--duration"},
      {{"--headless", "--duration", "nan"}, "--duration"},
      {{"--headless", "--duration", "1e3"}, "--duration"},
      {{"--headless", "--keys", "29"}, "--keys"},
      {{"--headless", "--keys", "1,,2"}, "--keys"},
      {{"--headless", "--keys", ""}, "--keys"},
      {{"--scpi"}, "--scpi needs a value"},
      {{"--scpi", "[::1]"}, "--scpi takes [ADDRESS:]PORT"},
      {{"--headless", "--scpi", "::1:5025"}, "--scpi takes [ADDRESS:]PORT"},
      {{"--scpi", "70000"}, "--scpi takes [ADDRESS:]PORT"},
      {{"--mqtt"}, "--mqtt needs a value"},
      {{"--mqtt", ""}, "--mqtt takes HOST"},
      {{"--mqtt", ":1883"}, "--mqtt takes HOST"},
      {{"--mqtt", "broker:"}, "--mqtt takes HOST"},
      {{"--mqtt", "broker:65536"}, "--mqtt takes HOST"},
      {{"--mqtt", "[::1]1883"}, "--mqtt takes HOST"},
      {{"--mqtt", "mqtt://broker"}, "--mqtt takes HOST"},
      {{"--mqtt", "broker", "--mqtt-topic", "lab/#"}, "--mqtt-topic"},
      {{"--mqtt", "broker", "--mqtt-topic="}, "--mqtt-topic"},
      {{"--mqtt", "broker", "--mqtt-topic", "lab\tbench"}, "--mqtt-topic: the topic prefix holds at byte 4 a control"},
      {{"--mqtt-topic", "lab"}, "--mqtt-topic needs --mqtt"},
      {{"--lang"}, "--lang needs a value"},
      {{"--lang", "de"}, "--lang takes ru or en"},
      {{"--lang", "ru_RU"}, "--lang takes ru or en"},
      {{"--lang", "RU"}, "--lang takes ru or en"},
  };
  for (const BadCase& c : cases) {
    const TCommandLine result = ParseCommandLine(c.Args);
    std::string joined;
    for (const std::string& a : c.Args) joined += a + " ";
    EXPECT_FALSE(result.Ok()) << joined;
    EXPECT_NE(result.Error.find(c.Error), std::string::npos) << joined << "-> " << result.Error;
  }
}

// --keys takes codes, the keys' names and the window's letters alike; digits stay codes.
TEST(CommandLineTest, KeysAreGivenByCodeNameOrLetter) {
  const TCommandLine c = ParseCommandLine({"--headless", "--keys", "avg1000,F,t,6,Display0.3,e,memory"});
  ASSERT_TRUE(c.Ok()) << c.Error;
  EXPECT_EQ(c.Options.Keys, (std::vector<int>{6, 19, 20, 6, 24, 28, 8}));
  EXPECT_EQ(ParseCommandLine({"--headless", "--keys", "avg7"}).Error.find("avg7 is none") != std::string::npos, true);
}

// The window toolkit's options are its own: read around, with their values, one dash or two.
TEST(CommandLineTest, TheToolkitsOptionsAreLeftToIt) {
  const TArgs args{"-platform", "xcb", "--port", "2=/x", "-style=fusion", "--display", ":1", "-reverse", "--mqtt",
                   "h", "-name", "panel", "-title"};
  EXPECT_EQ(WithoutToolkitOptions(args), (TArgs{"--port", "2=/x", "--mqtt", "h"}));
  EXPECT_EQ(WithoutToolkitOptions({"-reverse=1", "--bogus"}), (TArgs{"-reverse=1", "--bogus"}));
}

TEST(CommandLineTest, HelpGoesToStandardOutputAndAProblemToStandardError) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  EXPECT_EQ(CommandLineExitStatus(ParseCommandLine({"--help"}), "1.0", out, err), 0);
  EXPECT_EQ(CommandLineExitStatus(ParseCommandLine({"--version"}), "1.0", out, err), 0);
  EXPECT_EQ(CommandLineExitStatus(ParseCommandLine({"--bogus"}), "1.0", out, err), 2);
  EXPECT_EQ(CommandLineExitStatus(ParseCommandLine({"--headless"}), "1.0", out, err), -1);
  EXPECT_EQ(std::ftell(out), static_cast<long>(std::string(UsageText()).size() + std::string("frontpanel 1.0\n").size()));
  EXPECT_GT(std::ftell(err), std::ftell(out));
  std::fclose(out);
  std::fclose(err);
}

}  // namespace
