// What a client's line becomes: its units, headers, parameters and the syntax errors found;
// how headers name commands of the tree; how replies write numbers; how errors queue up.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "remote/ScpiCommands.h"
#include "remote/ScpiErrors.h"
#include "remote/ScpiFormat.h"
#include "remote/ScpiNetwork.h"
#include "remote/ScpiParser.h"

namespace {

// "*IDN?", ":SYST:ERR?", "FREQ:GATE:TIME n0.1", "SYST:KEY w5" ... or "!-102" for a unit that did
// not parse; units joined by " | ".
std::string Describe(const std::vector<TScpiUnit>& units) {
  std::string out;
  for (const TScpiUnit& u : units) {
    if (!out.empty()) out += " | ";
    if (u.Error != 0) {
      out += "!" + std::to_string(u.Error);
      continue;
    }
    if (u.Rooted) out += ":";
    for (std::size_t i = 0; i < u.Header.size(); ++i) out += (i > 0 ? ":" : "") + u.Header[i];
    if (u.Query) out += "?";
    for (const TScpiParam& p : u.Params) out += std::string(" ") + "nws"[p.Kind] + p.Text;
  }
  return out;
}

TEST(ScpiParserTest, ALineBecomesItsUnitsOrTheSyntaxErrorOfEach) {
  const struct {
    const char* Line;
    const char* Units;
  } cases[] = {
      {"*IDN?", "*IDN?"},
      {"*idn?", "*IDN?"},
      {"  meas:freq?  ", "MEAS:FREQ?"},
      {"FREQ:GATE:TIME 0.1;TIME?", "FREQ:GATE:TIME n0.1 | TIME?"},
      {":syst:err?;*CLS;:READ?", ":SYST:ERR? | *CLS | :READ?"},
      {"DATA:REM? 10,wait", "DATA:REM? n10 wWAIT"},
      {"FREQ:GATE:TIME 100 ms", "FREQ:GATE:TIME n100 ms"},
      {"SYST:KEY 5 , 6", "SYST:KEY n5 n6"},
      {"DISP:TEXT \"a;b,\"\"c\"\"\";*IDN?", "DISP:TEXT sa;b,\"c\" | *IDN?"},
      {"DISP:TEXT 'it''s'", "DISP:TEXT sit's"},
      {"", ""},
      {" ; ;", ""},
      {"*IDN?\r", "*IDN?"},
      {"FREQ::GATE", "!-102"},
      {"FREQ:", "!-102"},
      {"1FREQ", "!-102"},
      {"*IDN?X", "!-102"},
      {"*IDN?;FREQ:GATE:TIME 1,", "*IDN? | !-102"},
      {"SYST:KEY (@1)", "!-102"},
      {"FREQ:GATE:TIME 1ISP:TEXT \"a;b\"", "!-102"},
      {"FREQ:GATE:TIME 1 2", "!-102"},
      {"DISP:TEXT \"open;*IDN?", "!-102"},
      {"*IDN?;DISP:TEXT 'open", "*IDN? | !-102"},
      {"ABCDEFGHIJKLM?", "!-102"},
      {"ABCDEFGHIJKL?", "ABCDEFGHIJKL?"},
      {"*RST:FREQ", "!-102"},
      {"READ?\x01", "!-102"},
  };
  for (const auto& c : cases) EXPECT_EQ(Describe(ParseScpiLine(c.Line)), c.Units) << c.Line;
}

TEST(ScpiParserTest, HeadersNameTheirCommandInLongOrShortFormWithOptionalNodesLeftOut) {
  const struct {
    std::vector<std::string> Header;
    bool Query;
    const char* Pattern;  // nullptr: nothing
  } cases[] = {
      {{"FREQ", "GATE", "TIME"}, false, "[SENSe:]FREQuency:GATE:TIME"},
      {{"SENSE", "FREQUENCY", "GATE", "TIME"}, true, "[SENSe:]FREQuency:GATE:TIME"},
      {{"SENS", "FREQ", "GATE", "TIME"}, true, "[SENSe:]FREQuency:GATE:TIME"},
      {{"FREQU", "GATE", "TIME"}, true, nullptr},        // neither the long nor the short form
      {{"SYST", "ERR"}, true, "SYSTem:ERRor[:NEXT]"},
      {{"SYSTEM", "ERROR", "NEXT"}, true, "SYSTem:ERRor[:NEXT]"},
      {{"SYST", "ERR"}, false, nullptr},                 // a query only
      {{"READ"}, false, nullptr},
      {{"CONF", "FREQ", "RAT"}, false, "CONFigure:FREQuency:RATio"},
      {{"CONF", "FREQ"}, false, "CONFigure:FREQuency"},
      {{"CONF"}, true, "CONFigure"},
      {{"CALC", "AVER", "ADEV"}, true, "CALCulate:AVERage:ADEViation"},
      {{"*IDN"}, true, "*IDN"},
      {{"*IDN"}, false, nullptr},
      {{"*WAI"}, false, "*WAI"},
      {{"GATE", "TIME"}, true, nullptr},
  };
  for (const auto& c : cases) {
    const TScpiCommand* command = FindScpiCommand(c.Header, c.Query);
    std::string where;
    for (const std::string& m : c.Header) where += m + ":";
    if (c.Pattern == nullptr) {
      EXPECT_EQ(command, nullptr) << where;
    } else {
      ASSERT_NE(command, nullptr) << where;
      EXPECT_EQ(command->Pattern.Text(), c.Pattern) << where;
    }
  }
}

TEST(ScpiParserTest, RepliesWriteNr3AndNoValueAs991E37AndNumbersAreReadWithTimeSuffixes) {
  EXPECT_EQ(Nr3(1e7), "+1.00000000000000E+07");
  EXPECT_EQ(Nr3(-0.001), "-1.00000000000000E-03");
  EXPECT_EQ(Nr3(10000123.0), "+1.00001230000000E+07");
  for (const std::optional<double> none : {std::optional<double>(), std::optional<double>(std::nan("")),
                                           std::optional<double>(std::numeric_limits<double>::infinity())})
    EXPECT_EQ(Nr3(none), "+9.91000000000000E+37");
  EXPECT_EQ(Nr3List(std::vector<double>{1, 2}), "+1.00000000000000E+00,+2.00000000000000E+00");
  EXPECT_EQ(QuotedString("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(QuotedString(std::string_view("5\0\n\xb7", 4)), "\"5???\"");

  const struct {
    const char* Text;
    bool Suffix;
    std::optional<double> Value;
  } numbers[] = {
      {"0.1", false, 0.1},  {"+10", false, 10},    {"-1.5E-3", false, -1.5e-3}, {".5", false, 0.5},
      {"5.", false, 5},     {"1e1", false, 10},    {"100 ms", true, 0.1},       {"100MS", true, 0.1},
      {"2 s", true, 2},     {"10us", true, 1e-5},  {"100 ms", false, {}},       {"1 kHz", true, {}},
      {"", false, {}},      {"+", false, {}},      {"1e", false, {}},           {"1e400", false, {}},
      {"0x10", false, {}},  {"1.2.3", false, {}},  {".", false, {}},            {"5 5", true, {}},
  };
  for (const auto& n : numbers) {
    const std::optional<double> v = ParseDecimal(n.Text, n.Suffix);
    ASSERT_EQ(v.has_value(), n.Value.has_value()) << n.Text;
    if (v) {
      EXPECT_DOUBLE_EQ(*v, *n.Value) << n.Text;
    }
  }
}

TEST(ScpiParserTest, TheErrorQueueKeepsTheOldestAndMarksAnOverflowInPlaceOfTheNewest) {
  TScpiErrorQueue queue;
  EXPECT_EQ(queue.Pop(), "0,\"No error\"");
  queue.Push(seUndefinedHeader, "FOO");
  for (std::size_t i = 1; i < TScpiErrorQueue::Capacity + 5; ++i) queue.Push(seDataOutOfRange);
  EXPECT_EQ(queue.Size(), TScpiErrorQueue::Capacity);
  EXPECT_EQ(queue.Pop(), "-113,\"Undefined header;FOO\"");
  for (std::size_t i = 2; i < TScpiErrorQueue::Capacity; ++i) EXPECT_EQ(queue.Pop(), "-222,\"Data out of range\"");
  EXPECT_EQ(queue.Pop(), "-350,\"Queue overflow\"");
  EXPECT_EQ(queue.Pop(), "0,\"No error\"");
  EXPECT_EQ(EventBitOf(seSyntax), 32);
  EXPECT_EQ(EventBitOf(seHardware), 16);
  EXPECT_EQ(EventBitOf(seQueueOverflow), 8);
}

TEST(ScpiParserTest, AListenAddressIsAPortWithAnOptionalAddressIPv6InBrackets) {
  const struct {
    const char* Where;
    const char* Address;  // nullptr: refused
    int Port;
  } cases[] = {
      {"5025", "127.0.0.1", 5025},   {"0", "127.0.0.1", 0},         {"0.0.0.0:5025", "0.0.0.0", 5025},
      {"[::1]:0", "::1", 0},         {"localhost:7", "localhost", 7}, {"", nullptr, 0},
      {"65536", nullptr, 0},         {"::1:5025", nullptr, 0},      {"[::1]", nullptr, 0},
      {":5025", nullptr, 0},         {"host:", nullptr, 0},         {"-1", nullptr, 0},
      {"[]:5025", nullptr, 0},       {"50 25", nullptr, 0},
  };
  for (const auto& c : cases) {
    std::string address;
    int port = -1;
    const bool ok = SplitScpiAddress(c.Where, address, port);
    EXPECT_EQ(ok, c.Address != nullptr) << c.Where;
    if (ok && c.Address != nullptr) {
      EXPECT_EQ(address, c.Address) << c.Where;
      EXPECT_EQ(port, c.Port) << c.Where;
    }
  }
}

}  // namespace
