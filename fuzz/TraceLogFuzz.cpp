// The byte trace and the dispatch log: recorded from a fuzzed run of events, written out and
// read back.  Checked: every entry kept (the newest of the trace, whole newest entries of the
// log) is in the file, in order; lines wrap where the next value would pass column 78, and
// no sooner; with all-hex rendering the bytes read back exactly.
//
// Input: flags (bit 0 hex, bit 1 all hex, bit 2 append to an existing file), the trace's
// capacity, the log's ring and scratch sizes, then steps (see Step below).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "common/SioStrRes.h"
#include "dispatch/SioLog.h"
#include "dispatch/SioTrace.h"
#include "dispatch/SioTraceText.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzRequire.h"
#include "unit/TraceLogFiles.h"

namespace {

constexpr std::size_t kLastColumn = 78;
constexpr std::size_t kLogFixedWidth = 44;
constexpr std::size_t kLogDataWidth = kLastColumn - kLogFixedWidth - 1;  // data columns 46..78
constexpr char kEarlierText[] = "written before\n";

struct TOptions {
  bool Hex;
  bool AllHex;
  bool Append;
};

struct TLogEntry {
  std::uint32_t Time;
  std::uint8_t Kind;
  std::uint8_t Subkind;
  std::uint32_t Data;
  std::vector<std::uint8_t> Bytes;  // what the log keeps of the block
};

struct TModel {
  std::vector<std::pair<char, std::uint8_t>> Trace;  // everything since the last reset
  std::deque<TLogEntry> Log;
  std::uint32_t LogFree = 0;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1) {
    lines.push_back(text.substr(from, nl - from));
  }
  lines.push_back(text.substr(from));
  return lines;
}

std::string Rendered(std::uint8_t value, const TOptions& o) {
  char text[8];
  return std::string(text, static_cast<std::size_t>(RenderTraceByte(value, o.Hex, o.AllHex, text)));
}

// The lengths of the lines a run of rendered values fills when a value that would pass
// `width` columns starts a new line.
std::vector<std::size_t> WrappedLengths(const std::vector<std::string>& values, std::size_t width) {
  std::vector<std::size_t> lengths{0};
  for (const std::string& v : values) {
    if (lengths.back() + v.size() > width) lengths.push_back(0);
    lengths.back() += v.size();
  }
  return lengths;
}

// "[XY]" values back to bytes.
std::vector<std::uint8_t> FromAllHex(const std::string& text) {
  FUZZ_REQUIRE(text.size() % 4 == 0);
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < text.size(); i += 4) {
    FUZZ_REQUIRE(text[i] == '[' && text[i + 3] == ']');
    const std::string digits = text.substr(i + 1, 2);
    FUZZ_REQUIRE(digits.find_first_not_of("0123456789ABCDEF") == std::string::npos);
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits, nullptr, 16)));
  }
  return bytes;
}

// Reads the file as the writer left it: what an append found there stays in front.  Returns
// false when there is no file.
bool WrittenText(const std::string& path, const TOptions& o, std::string& text) {
  if (!FileExists(path)) return false;
  text = ReadWholeFile(path);
  if (o.Append) {
    FUZZ_REQUIRE(text.rfind(kEarlierText, 0) == 0);
    text.erase(0, sizeof kEarlierText - 1);
  }
  return true;
}

void PrepareFile(const std::string& path, const TOptions& o) {
  std::remove(path.c_str());
  if (o.Append) WriteWholeFile(path, kEarlierText);
}

void CheckTrace(TTraceQueue& trace, std::uint32_t capacity, const TModel& model, const TOptions& o,
                const std::string& path) {
  PrepareFile(path, o);
  FUZZ_REQUIRE(trace.Write(path, o.Append, o.Hex, o.AllHex) == 0);
  FUZZ_REQUIRE(!trace.Exists());
  const std::size_t kept = std::min<std::size_t>(model.Trace.size(), capacity);
  std::string text;
  const bool written = WrittenText(path, o, text);
  FUZZ_REQUIRE(written == (kept > 0 || o.Append));
  if (kept == 0) {
    FUZZ_REQUIRE(text.empty());
    return;
  }
  // The kept entries in runs of one kind: a header line, the values, then "\r" and an empty
  // line before the next run; no line end after the last value.
  const std::vector<std::string> lines = Lines(text);
  std::size_t at = 0;
  for (std::size_t first = model.Trace.size() - kept; first < model.Trace.size();) {
    const char kind = model.Trace[first].first;
    std::size_t end = first;
    std::vector<std::string> values;
    std::vector<std::uint8_t> bytes;
    for (; end < model.Trace.size() && model.Trace[end].first == kind; ++end) {
      values.push_back(Rendered(model.Trace[end].second, o));
      bytes.push_back(model.Trace[end].second);
    }
    const std::string header = kind == 'R' ? "Receive: " : kind == 'T' ? "Transmit: " : std::string("Special-") + kind + ": ";
    FUZZ_REQUIRE(at < lines.size() && lines[at++] == header);
    const bool lastRun = end == model.Trace.size();
    const std::vector<std::size_t> lengths = WrappedLengths(values, kLastColumn);
    std::string joined;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
      FUZZ_REQUIRE(at < lines.size());
      std::string line = lines[at++];
      if (!lastRun && i + 1 == lengths.size()) {
        FUZZ_REQUIRE(!line.empty() && line.back() == '\r');
        line.pop_back();
      }
      FUZZ_REQUIRE(line.size() == lengths[i]);
      joined += line;
    }
    if (!lastRun) FUZZ_REQUIRE(at < lines.size() && lines[at++].empty());
    if (o.AllHex) FUZZ_REQUIRE(FromAllHex(joined) == bytes);
    std::string expected;
    for (const std::string& v : values) expected += v;
    FUZZ_REQUIRE(joined == expected);
    first = end;
  }
  FUZZ_REQUIRE(at == lines.size());
}

std::string TableText(std::uint32_t id) { return ErrorStrings().FindString(id).value_or(""); }

void CheckLogEntry(const std::vector<std::string>& lines, std::size_t& at, const TLogEntry& e, const TOptions& o) {
  FUZZ_REQUIRE(at < lines.size());
  const std::string& first = lines[at++];
  char prefix[32];
  std::snprintf(prefix, sizeof prefix, "%04u.%03u", e.Time / 1000, e.Time % 1000);
  std::snprintf(prefix, sizeof prefix, "%8s  ", std::string(prefix).c_str());
  FUZZ_REQUIRE(first.rfind(prefix, 0) == 0);
  char data[16];
  std::snprintf(data, sizeof data, "  %08X  ", e.Data);
  const std::size_t field = first.find(data, 8);
  FUZZ_REQUIRE(field != std::string::npos);
  std::vector<std::string> parts{first.substr(field + 12)};
  const std::string indent(kLogFixedWidth, ' ');
  while (at < lines.size() && lines[at].rfind(indent, 0) == 0) parts.push_back(lines[at++].substr(kLogFixedWidth));

  if (e.Bytes.empty()) {
    FUZZ_REQUIRE(parts.size() == 1);
    if (e.Kind == lkTelnet) {
      FUZZ_REQUIRE(parts[0] == "[" + (e.Data <= 42 ? TableText(15700 + e.Data) : "") + "]");
    } else {
      FUZZ_REQUIRE(parts[0].empty());
    }
    return;
  }
  if (e.Subkind == lsStatus && (e.Kind == lkTrigAllc || e.Kind == lkTrigDisp)) {
    FUZZ_REQUIRE(parts.size() == 1 && (parts[0].empty() || (parts[0].front() == '(' && parts[0].back() == ')')));
    return;
  }
  std::vector<std::string> values;
  for (const std::uint8_t b : e.Bytes) values.push_back(Rendered(b, o));
  const std::vector<std::size_t> lengths = WrappedLengths(values, kLogDataWidth);
  FUZZ_REQUIRE(parts.size() == lengths.size());
  std::string joined;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    std::string part = parts[i];
    if (i + 1 == parts.size() && e.Subkind == lsModemStatus) {
      // The names of the modem bits set, after the bytes.
      FUZZ_REQUIRE(part.size() >= lengths[i] + 2 && part[lengths[i]] == '(' && part.back() == ')');
      part.resize(lengths[i]);
    }
    FUZZ_REQUIRE(part.size() == lengths[i]);
    joined += part;
  }
  if (o.AllHex) FUZZ_REQUIRE(FromAllHex(joined) == e.Bytes);
  std::string expected;
  for (const std::string& v : values) expected += v;
  FUZZ_REQUIRE(joined == expected);
}

void CheckLog(TDispatchLog& log, const TModel& model, const TOptions& o, const std::string& path) {
  PrepareFile(path, o);
  FUZZ_REQUIRE(log.Write(path, o.Append, o.Hex, o.AllHex) == 0);
  FUZZ_REQUIRE(!log.Exists());
  std::string text;
  const bool written = WrittenText(path, o, text);
  FUZZ_REQUIRE(written == (!model.Log.empty() || o.Append));
  if (model.Log.empty()) {
    FUZZ_REQUIRE(text.empty());
    return;
  }
  std::vector<std::string> lines = Lines(text);
  FUZZ_REQUIRE(lines.size() > 5 && lines.back().empty());
  lines.pop_back();
  FUZZ_REQUIRE(lines[0] == "SIO v3.02" && lines[1].rfind("Compiler : ", 0) == 0 &&
          lines[2].rfind("Operating System : ", 0) == 0 && lines[3] == TableText(15501) &&
          lines[4] == TableText(15502));
  std::size_t at = 5;
  for (const TLogEntry& e : model.Log) CheckLogEntry(lines, at, e, o);
  FUZZ_REQUIRE(at == lines.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TTempFolder folder;
  static const std::string tracePath = folder.File("fuzz.trc");
  static const std::string logPath = folder.File("fuzz.log");
  FUZZ_REQUIRE(!folder.Path().empty());

  TFuzzInput in(data, size);
  const std::uint8_t flags = in.Byte();
  const TOptions o{(flags & 1) != 0, (flags & 2) != 0, (flags & 4) != 0};
  const std::uint32_t traceCapacity = in.U16() % 700;
  const std::uint32_t ringSize = in.U16() % 3000;
  const std::uint32_t scratchAsked = in.U16() % 1200;

  TTraceQueue trace;
  FUZZ_REQUIRE(trace.Create(traceCapacity) == 0);
  TDispatchLog log;
  log.Create(ringSize, scratchAsked);
  FUZZ_REQUIRE(log.Exists() && log.Size() == ringSize);
  const std::uint32_t scratch = log.ScratchSize();
  FUZZ_REQUIRE(scratch <= scratchAsked && (ringSize <= TDispatchLog::kHeaderSize || scratch <= ringSize - TDispatchLog::kHeaderSize));

  TModel model;
  model.LogFree = ringSize;
  while (!in.Empty()) {
    const std::uint8_t step = in.Byte();
    switch (step % 8) {
      case 0:
      case 1:
      case 2: {
        static constexpr char kKinds[] = {'T', 'R', '#'};
        const char kind = kKinds[step % 8];
        const std::uint8_t value = in.Byte();
        trace.Record(kind, value);
        if (traceCapacity > 0) model.Trace.emplace_back(kind, value);
        break;
      }
      case 3:
      case 4: {
        TLogEntry e{in.U32(), in.Byte(), in.Byte(), in.U32(), {}};
        // Bytes of the user kind are written as they are with all hex, line ends included.
        if (o.AllHex && e.Kind == lkUser) e.Kind = lkNone;
        const auto block = in.Bytes(in.U16() % 1500);
        const bool noBlock = step % 8 == 4;
        log.Record(e.Time, e.Kind, e.Subkind, e.Data, noBlock ? nullptr : block.data(),
                   static_cast<std::uint32_t>(block.size()));
        if (ringSize <= TDispatchLog::kHeaderSize) break;
        if (!noBlock) e.Bytes.assign(block.begin(), block.begin() + std::min<std::size_t>(block.size(), scratch));
        const std::uint32_t needed = TDispatchLog::kHeaderSize + static_cast<std::uint32_t>(e.Bytes.size());
        while (model.LogFree < needed) {
          FUZZ_REQUIRE(!model.Log.empty());
          model.LogFree += TDispatchLog::kHeaderSize + static_cast<std::uint32_t>(model.Log.front().Bytes.size());
          model.Log.pop_front();
        }
        model.LogFree -= needed;
        model.Log.push_back(std::move(e));
        FUZZ_REQUIRE(log.Free() == model.LogFree);
        break;
      }
      case 5:
        trace.Reset();
        model.Trace.clear();
        break;
      case 6:
        log.Reset();
        model.Log.clear();
        model.LogFree = ringSize;
        break;
      default:
        trace.Pause();
        log.Pause();
        trace.Resume();
        log.Resume();
        break;
    }
  }
  FUZZ_REQUIRE(trace.Count() == std::min<std::size_t>(model.Trace.size(), traceCapacity));
  CheckTrace(trace, traceCapacity, model, o, tracePath);
  CheckLog(log, model, o, logPath);
  return 0;
}
