// The SCPI parser and the commands behind it, fed whatever a client can send.
//
// Input: the bytes a client sends, cut into lines at LF as the server cuts them; after each
// line the instrument takes a measurement.  Checked for every line:
//   - each unit that parsed has a header of 1..12-character upper-case mnemonics and
//     parameters of their kind, and writing the units out again and parsing that gives the
//     same units;
//   - the replies the commands make are 7-bit printable text, one line each;
//   - the error queue never holds more than its capacity.
// The panel behind the commands is a plain record of 27 lamps (no port, no window).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzRequire.h"
#include "remote/ScpiInstrument.h"
#include "remote/ScpiParser.h"

namespace {

class TLampPanel : public TRemotePanel {
 public:
  void PressKey(int code) override {
    FUZZ_REQUIRE(code >= 1 && code <= 28);
    if (code <= 27) Lamps[static_cast<std::size_t>(code - 1)] = !Lamps[static_cast<std::size_t>(code - 1)];
  }
  bool KeyLit(int key) const override {
    FUZZ_REQUIRE(key >= 1 && key <= 27);
    return Lamps[static_cast<std::size_t>(key - 1)];
  }
  bool KeyPending() const override { return false; }
  std::string ReadingText() const override { return " 10000.000"; }
  TRemoteLink Link() const override { return rlConnected; }
  TRemoteStatistics Statistics() const override { return {3, 1e7, 1.0, 1e7 - 1, 1e7 + 1, 1e-9}; }
  void ResetStatistics() override {}
  bool Lamps[27] = {};
};

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

// The units written out again, in a form the parser must read back the same.
std::string Written(const std::vector<TScpiUnit>& units) {
  std::string line;
  for (const TScpiUnit& u : units) {
    if (!line.empty()) line += ";";
    if (u.Rooted) line += ":";
    for (std::size_t i = 0; i < u.Header.size(); ++i) line += (i > 0 ? ":" : "") + u.Header[i];
    if (u.Query) line += "?";
    for (std::size_t i = 0; i < u.Params.size(); ++i)
      line += (i == 0 ? " " : ",") + (u.Params[i].Kind == pkString ? Quoted(u.Params[i].Text) : u.Params[i].Text);
  }
  return line;
}

bool SameUnits(const std::vector<TScpiUnit>& a, const std::vector<TScpiUnit>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].Rooted != b[i].Rooted || a[i].Query != b[i].Query || a[i].Header != b[i].Header ||
        a[i].Params.size() != b[i].Params.size())
      return false;
    for (std::size_t p = 0; p < a[i].Params.size(); ++p)
      if (a[i].Params[p].Kind != b[i].Params[p].Kind || a[i].Params[p].Text != b[i].Params[p].Text) return false;
  }
  return true;
}

void CheckUnits(std::string_view line) {
  const std::vector<TScpiUnit> units = ParseScpiLine(line);
  std::vector<TScpiUnit> good;
  for (const TScpiUnit& u : units) {
    if (u.Error != 0) {
      FUZZ_REQUIRE(u.Error == -102);
      continue;
    }
    FUZZ_REQUIRE(!u.Header.empty());
    for (const std::string& m : u.Header) {
      const std::string_view name = u.Common ? std::string_view(m).substr(1) : std::string_view(m);
      FUZZ_REQUIRE(!name.empty() && name.size() <= kScpiMnemonicMax && name[0] >= 'A' && name[0] <= 'Z');
      for (char c : name) FUZZ_REQUIRE((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_');
    }
    for (const TScpiParam& p : u.Params) {
      if (p.Kind == pkWord) FUZZ_REQUIRE(!p.Text.empty() && p.Text[0] >= 'A' && p.Text[0] <= 'Z');
      if (p.Kind == pkNumber) FUZZ_REQUIRE(!p.Text.empty() && p.Text.find_first_of(",;") == std::string::npos);
    }
    good.push_back(u);
  }
  FUZZ_REQUIRE(SameUnits(ParseScpiLine(Written(good)), good));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  TLampPanel panel;
  TScpiMailbox mailbox(1 << 20, 1 << 30);
  TScpiInstrument instrument(panel, {"MAKER", "MODEL", "1"}, mailbox, [] {}, [] {});
  mailbox.Post({TScpiEvent::evOpened, 1, {}});
  std::size_t start = 0;
  while (start < input.size()) {
    std::size_t end = input.find('\n', start);
    if (end == std::string_view::npos) end = input.size();
    const std::string_view line = input.substr(start, end - start);
    start = end + 1;
    CheckUnits(line);
    mailbox.Post({line.size() > TScpiInstrument::LineLimit ? TScpiEvent::evTooLong : TScpiEvent::evLine, 1,
                  std::string(line)});
    instrument.Drain();
    instrument.Reading(1e7);
    instrument.LinkLost();
    instrument.Drain();
    std::string out;
    FUZZ_REQUIRE(mailbox.TakeOutput(1, out));
    for (char c : out) FUZZ_REQUIRE(c == '\n' || (c >= 32 && c < 127));
  }
  return 0;
}
