#include "dispatch/SioRfc2217.h"

#include <cstring>

using namespace telnet;

namespace {

// What we agree to: we do BINARY, SUPPRESS-GO-AHEAD and COM-PORT-OPTION ourselves, and let
// the server do BINARY and SUPPRESS-GO-AHEAD.
bool WeMay(std::uint8_t option) { return option == OptBinary || option == OptSuppressGoAhead || option == OptComPort; }
bool TheyMay(std::uint8_t option) { return option == OptBinary || option == OptSuppressGoAhead; }

}  // namespace

void TRfc2217Codec::Send(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& out) {
  out.insert(out.end(), {IAC, verb, option});
}

void TRfc2217Codec::Start(std::vector<std::uint8_t>& out) {
  for (const std::uint8_t option : {OptBinary, OptSuppressGoAhead, OptComPort}) {
    if (!FLocal[option] && !FLocalAsked[option]) {
      FLocalAsked[option] = true;
      Send(WILL, option, out);
    }
  }
  for (const std::uint8_t option : {OptBinary, OptSuppressGoAhead}) {
    if (!FRemote[option] && !FRemoteAsked[option]) {
      FRemoteAsked[option] = true;
      Send(DO, option, out);
    }
  }
}

void TRfc2217Codec::Negotiate(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& replies) {
  switch (verb) {
    case WILL:  // the server offers (or agrees) to do the option
      if (TheyMay(option)) {
        if (!FRemote[option] && !FRemoteAsked[option]) Send(DO, option, replies);
        FRemote[option] = true;
      } else if (FRemote[option] || !FRemoteAsked[option]) {
        // Never enabled: refused.  (A refusal of ours it answered is not refused again.)
        Send(DONT, option, replies);
        FRemote[option] = false;
      }
      FRemoteAsked[option] = false;
      break;
    case WONT:
      if (FRemote[option] && !FRemoteAsked[option]) Send(DONT, option, replies);
      FRemote[option] = false;
      FRemoteAsked[option] = false;
      break;
    case DO:  // the server asks us to do the option (or agrees to our offer)
      if (WeMay(option)) {
        if (!FLocal[option] && !FLocalAsked[option]) Send(WILL, option, replies);
        FLocal[option] = true;
      } else if (FLocal[option] || !FLocalAsked[option]) {
        Send(WONT, option, replies);
        FLocal[option] = false;
      }
      FLocalAsked[option] = false;
      break;
    case DONT:
      if (FLocal[option] && !FLocalAsked[option]) Send(WONT, option, replies);
      FLocal[option] = false;
      FLocalAsked[option] = false;
      break;
    default:
      break;
  }
}

void TRfc2217Codec::SubNegotiation() {
  if (FSubLength < 2 || FSub[0] != OptComPort) return;
  const std::uint8_t code = FSub[1];
  const std::uint8_t* value = FSub + 2;
  const std::size_t length = FSubLength - 2;
  if (code < kServerReply) return;  // a server's own commands are not ours to obey
  switch (code - kServerReply) {
    case cpcSetBaudRate:
      if (length == 4) {
        FServerBaud = (std::uint32_t{value[0]} << 24) | (std::uint32_t{value[1]} << 16) |
                      (std::uint32_t{value[2]} << 8) | value[3];
      }
      break;
    case cpcSetDataSize:
    case cpcSetParity:
    case cpcSetStopSize:
    case cpcSetControl:
    case cpcPurgeData:
      if (length >= 1) FServerValue[code - kServerReply] = value[0];
      break;
    case cpcNotifyLineState:
      if (length >= 1) {
        FLineState |= value[0];
        ++FNotifications;
      }
      break;
    case cpcNotifyModemState:
      if (length >= 1) {
        FModemState = value[0];
        FModemStateKnown = true;
        ++FNotifications;
      }
      break;
    case cpcFlowControlSuspend:
      FSuspended = true;
      break;
    case cpcFlowControlResume:
      FSuspended = false;
      break;
    default:
      break;
  }
}

std::size_t TRfc2217Codec::Decode(const std::uint8_t* in, std::size_t count, std::uint8_t* data,
                                  std::vector<std::uint8_t>& replies) {
  std::size_t out = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t b = in[i];
    switch (FState) {
      case stData:
        if (b == IAC) {
          FState = stIac;
        } else {
          data[out++] = b;
        }
        break;
      case stIac:
        if (b == IAC) {
          data[out++] = IAC;
          FState = stData;
        } else if (b >= WILL) {  // WILL, WONT, DO, DONT
          FVerb = b;
          FState = stOption;
        } else if (b == SB) {
          FSubLength = 0;
          FState = stSub;
        } else {
          FState = stData;  // NOP, GA, AYT, a stray SE ...: nothing to do
        }
        break;
      case stOption:
        Negotiate(FVerb, b, replies);
        FState = stData;
        break;
      case stSub:
      case stSubIac:
        if (FState == stSub && b == IAC) {
          FState = stSubIac;
        } else if (FState == stSubIac && b == SE) {
          SubNegotiation();
          FState = stData;
        } else if (FSubLength < kMaxSub) {
          // After IAC, IAC is a 255 of the value; anything else is taken as it is.
          FSub[FSubLength++] = b;
          FState = stSub;
        } else {
          // No answer of a server is this long: the end was lost, or never meant to come.
          // What follows is decoded afresh from this byte on (after an IAC, as a command).
          FState = FState == stSubIac ? stIac : stData;
          std::memcpy(FDropped, FSub, kMaxSub);
          ++FDroppedSubs;
          --i;
        }
        break;
    }
  }
  return out;
}

void TRfc2217Codec::EscapeData(const std::uint8_t* bytes, std::size_t count, std::vector<std::uint8_t>& out) {
  out.reserve(out.size() + count + 8);
  for (std::size_t i = 0; i < count; ++i) {
    out.push_back(bytes[i]);
    if (bytes[i] == IAC) out.push_back(IAC);
  }
}

void TRfc2217Codec::Command(TComPortCommand command, const std::uint8_t* value, std::size_t length,
                            std::vector<std::uint8_t>& out) {
  out.insert(out.end(), {IAC, SB, OptComPort, command});
  EscapeData(value, length, out);
  out.insert(out.end(), {IAC, SE});
}

void TRfc2217Codec::SetBaudRate(std::uint32_t baud, std::vector<std::uint8_t>& out) {
  const std::uint8_t value[4] = {static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
                                 static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)};
  Command(cpcSetBaudRate, value, 4, out);
}

void TRfc2217Codec::SetByte(TComPortCommand command, std::uint8_t value, std::vector<std::uint8_t>& out) {
  Command(command, &value, 1, out);
}

std::uint8_t TRfc2217Codec::TakeLineState() {
  const std::uint8_t bits = FLineState;
  FLineState = 0;
  return bits;
}
