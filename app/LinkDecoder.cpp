#include "app/LinkDecoder.h"

#include <algorithm>

TPanelFrame TPanelFrame::FromStore(const TLinkState& state) {
  TPanelFrame frame;
  for (int i = 0; i < FrameNibbles; ++i) {
    frame.Nibble[i] = static_cast<std::uint8_t>(state.Nibbles[i] & 0x0F);
  }
  return frame;
}

std::uint8_t TPanelFrame::Byte(int k) const {
  return static_cast<std::uint8_t>(16 * Nibble[2 * k - 1] + Nibble[2 * k - 2]);
}

bool TPanelFrame::KeyLit(int key) const {
  const int bit = key - 1;
  return (Byte(bit / 8 + 1) >> (bit % 8)) & 1;
}

bool TPanelFrame::LedOn(int led) const {
  // Byte 4 bits 4..7 drive ALed4, ALed1, ALed2, ALed3; bit 3 belongs to nothing.
  static constexpr int kBitOfLed[FrameLeds] = {5, 6, 7, 4};
  return (Byte(4) >> kBitOfLed[led - 1]) & 1;
}

int TPanelFrame::Digit(int k) const { return Nibble[DigitNibble(k) - 1]; }

int TPanelFrame::PointCode() const { return Byte(9); }

bool IsValidPointCode(int pointCode) {
  return pointCode >= 0 && pointCode <= 128 && (pointCode & (pointCode - 1)) == 0;
}

std::string ComposeReading(const TPanelFrame& frame) {
  const int point = frame.PointCode();
  std::string text;
  for (int k = 1; k <= FrameDigits; ++k) {
    const int digit = frame.Digit(k);
    if (digit == BlankDigit) {
      // The right half of the display is narrower by one blank per dark digit.
      text += (k <= 4) ? "   " : "  ";
      continue;
    }
    text += std::to_string(digit);
    if (point & (1 << (FrameDigits - k))) text += '.';
  }
  return text;
}

std::uint8_t KeyPress(TLinkState& state, std::uint8_t code) {
  // The flag goes up before the byte leaves, so a frame completing meanwhile is not decoded.
  state.CommandPending = 1;
  state.KeyCode = code;
  return state.KeyCode;
}

namespace {

// What the frame showed, for an observer.
TDecodedFrame Described(const TLinkState& state, const TPanelFrame& frame, const std::string& shown, bool error) {
  TDecodedFrame d;
  for (int key = 1; key <= FrameKeys; ++key) d.Keys[static_cast<std::size_t>(key - 1)] = frame.KeyLit(key);
  for (int led = 1; led <= FrameLeds; ++led) d.Leds[static_cast<std::size_t>(led - 1)] = frame.LedOn(led);
  d.Reading = shown;
  d.PointError = error;
  for (int k = 1; k <= 9; ++k) d.Bytes[static_cast<std::size_t>(k - 1)] = frame.Byte(k);
  d.Status = state.LastStatus;
  d.Remote = state.RemoteOn;
  return d;
}

void DecodeFrame(TLinkState& state, TPanelSink& sink, TFrameObserver* observer) {
  const TPanelFrame frame = TPanelFrame::FromStore(state);
  for (int key = 1; key <= FrameKeys; ++key) sink.SetKeyLit(key, frame.KeyLit(key));
  for (int led : {4, 1, 2, 3}) sink.SetLedOn(led, frame.LedOn(led));
  state.PointCode = frame.PointCode();
  const bool error = !IsValidPointCode(state.PointCode);
  if (error) {
    sink.SetLabelText(plRezult, "Error");
  } else {
    state.ReadingText = ComposeReading(frame);
    sink.SetLabelText(plRezult, state.ReadingText);
  }
  if (observer != nullptr) observer->FrameDecoded(Described(state, frame, error ? "Error" : state.ReadingText, error));
}

}  // namespace

void ReceiveByte(TLinkState& state, std::uint8_t b, TPanelSink& sink, TFrameObserver* observer) {
  state.RxByte = b;
  if (b >= FirstStatusByte) {
    state.LastStatus = b;
    if (b == StatusCommandDone) state.CommandPending = 0;
    if (b == StatusRemoteOff) {
      state.RemoteOn = false;
      sink.SetRsOnVisible(false);
    }
    if (b == StatusRemoteOn) {
      state.RemoteOn = true;
      sink.SetRsOnVisible(true);
    }
    sink.SetLabelText(plReady, std::to_string(b));
    state.NibbleCount = 0;
    return;
  }
  // Past the store the count stays one beyond it: nothing is written outside the store, and
  // the count cannot wrap round to a small value that would pass for an early nibble.
  if (state.NibbleCount >= NibbleStoreSize) {
    state.NibbleCount = NibbleStoreSize + 1;
    return;
  }
  state.NibbleCount = static_cast<std::uint8_t>(state.NibbleCount + 1);
  state.Nibbles[state.NibbleCount - 1] = b;
  if (state.NibbleCount <= 8) {
    sink.SetLabelText(static_cast<TPanelLabel>(plRS0 + state.NibbleCount - 1), std::to_string(b));
  }
  if (state.NibbleCount == FrameNibbles && state.CommandPending == 0) DecodeFrame(state, sink, observer);
}

void ResetNibbleStore(TLinkState& state) { std::fill(state.Nibbles.begin(), state.Nibbles.end(), 0); }
