#include "remote/ScpiErrors.h"

#include "remote/ScpiFormat.h"

const char* ScpiErrorText(int code) {
  switch (code) {
    case seNone: return "No error";
    case seCommand: return "Command error";
    case seSyntax: return "Syntax error";
    case seDataType: return "Data type error";
    case seParameterNotAllowed: return "Parameter not allowed";
    case seMissingParameter: return "Missing parameter";
    case seUndefinedHeader: return "Undefined header";
    case seDataOutOfRange: return "Data out of range";
    case seIllegalValue: return "Illegal parameter value";
    case seTooMuchData: return "Too much data";
    case seDataStale: return "Data corrupt or stale";
    case seHardware: return "Hardware error";
    case seQueueOverflow: return "Queue overflow";
    default: return "Error";
  }
}

std::uint8_t EventBitOf(int code) {
  if (code <= -100 && code > -200) return 32;
  if (code <= -200 && code > -300) return 16;
  if (code <= -300 && code > -400) return 8;
  if (code <= -400 && code > -500) return 4;
  return 0;
}

void TScpiErrorQueue::Push(int code, const std::string& info) {
  if (FEntries.size() >= Capacity) {
    FEntries.back() = {seQueueOverflow, {}};
    return;
  }
  FEntries.push_back({code, info});
}

std::string TScpiErrorQueue::Pop() {
  if (FEntries.empty()) return "0," + QuotedString(ScpiErrorText(seNone));
  const TEntry e = std::move(FEntries.front());
  FEntries.pop_front();
  std::string text = ScpiErrorText(e.Code);
  if (!e.Info.empty()) text += ";" + e.Info;
  return std::to_string(e.Code) + "," + QuotedString(text);
}
