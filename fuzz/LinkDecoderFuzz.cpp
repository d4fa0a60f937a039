// The link decoder fed what a line can bring, with key presses and window resets in between.
//
// Input: line bytes, one a step.  0xFE escapes a step that is no line byte: 0xFE 0xFE is the
// line byte 0xFE, 0xFE then k (0..28) a key press with code k, 0xFE then anything else a reset
// of the nibble store.  Beside the decoder runs a shadow of what it must hold: the count since
// the last status byte, the pending command, the store; after every step the decoder's state
// and the updates it made are checked against it.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/LinkDecoder.h"
#include "fuzz/FuzzRequire.h"

namespace {

struct TCall {
  enum TKind { Label, RsOn, Key, Led } Kind;
  int Index;
  std::string Text;  // labels
  bool On;           // the others
};

// Records the updates of one step; refuses any element that does not exist.
struct TStepSink : TPanelSink {
  std::vector<TCall> Calls;
  void SetLabelText(TPanelLabel label, const std::string& text) override {
    FUZZ_REQUIRE(label <= plRezult);
    Calls.push_back({TCall::Label, label, text, false});
  }
  void SetRsOnVisible(bool visible) override { Calls.push_back({TCall::RsOn, 0, {}, visible}); }
  void SetKeyLit(int key, bool lit) override {
    FUZZ_REQUIRE(key >= 1 && key <= FrameKeys);
    Calls.push_back({TCall::Key, key, {}, lit});
  }
  void SetLedOn(int led, bool on) override {
    FUZZ_REQUIRE(led >= 1 && led <= FrameLeds);
    Calls.push_back({TCall::Led, led, {}, on});
  }
};

struct TShadow {
  long Count = 0;  // bytes since the last status byte, not bounded
  bool Pending = false;
  std::uint8_t KeyCode = 0;
  std::array<std::int32_t, NibbleStoreSize> Store{};
};

void CheckStatusByte(const TLinkState& state, const TShadow& shadow, std::uint8_t b, const TStepSink& sink) {
  FUZZ_REQUIRE(state.NibbleCount == 0);
  std::size_t expected = 1;
  if (b == StatusRemoteOff || b == StatusRemoteOn) {
    expected = 2;
    FUZZ_REQUIRE(sink.Calls.size() == 2 && sink.Calls[0].Kind == TCall::RsOn && sink.Calls[0].On == (b == StatusRemoteOn));
  }
  FUZZ_REQUIRE(sink.Calls.size() == expected);
  const TCall& ready = sink.Calls.back();
  FUZZ_REQUIRE(ready.Kind == TCall::Label && ready.Index == plReady && ready.Text == std::to_string(b));
  FUZZ_REQUIRE(state.CommandPending == (shadow.Pending ? 1 : 0));
}

void CheckNibble(const TLinkState& state, const TShadow& shadow, std::int32_t pointBefore, std::uint8_t b,
                 const TStepSink& sink) {
  FUZZ_REQUIRE(state.NibbleCount == (shadow.Count <= NibbleStoreSize ? shadow.Count : NibbleStoreSize + 1));
  std::size_t next = 0;
  if (shadow.Count <= 8) {
    FUZZ_REQUIRE(sink.Calls.size() > next);
    const TCall& echo = sink.Calls[next++];
    FUZZ_REQUIRE(echo.Kind == TCall::Label && echo.Index == plRS0 + shadow.Count - 1 && echo.Text == std::to_string(b));
  }
  // A frame is decoded at its 18th nibble, and only with no command pending.
  if (shadow.Count != FrameNibbles || shadow.Pending) {
    FUZZ_REQUIRE(sink.Calls.size() == next);
    FUZZ_REQUIRE(state.PointCode == pointBefore);
    return;
  }
  FUZZ_REQUIRE(sink.Calls.size() == next + FrameKeys + FrameLeds + 1);
  TPanelFrame frame;
  for (int i = 0; i < FrameNibbles; ++i) frame.Nibble[i] = static_cast<std::uint8_t>(shadow.Store[i]);
  for (int key = 1; key <= FrameKeys; ++key) {
    const TCall& c = sink.Calls[next++];
    FUZZ_REQUIRE(c.Kind == TCall::Key && c.Index == key && c.On == frame.KeyLit(key));
  }
  for (int led : {4, 1, 2, 3}) {
    const TCall& c = sink.Calls[next++];
    FUZZ_REQUIRE(c.Kind == TCall::Led && c.Index == led && c.On == frame.LedOn(led));
  }
  const int point = shadow.Store[16] | shadow.Store[17] << 4;
  FUZZ_REQUIRE(state.PointCode == point);
  const TCall& reading = sink.Calls[next];
  FUZZ_REQUIRE(reading.Kind == TCall::Label && reading.Index == plRezult);
  FUZZ_REQUIRE(reading.Text == (IsValidPointCode(point) ? ComposeReading(frame) : "Error"));
  if (IsValidPointCode(point)) FUZZ_REQUIRE(state.ReadingText == reading.Text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // On the heap, so that a write past the object is caught as well as one past the store.
  auto state = std::make_unique<TLinkState>();
  TShadow shadow;
  TStepSink sink;
  for (std::size_t i = 0; i < size; ++i) {
    std::uint8_t b = data[i];
    if (b == 0xFE && i + 1 < size) {
      const std::uint8_t step = data[++i];
      if (step <= KeyCodeTestMode) {
        FUZZ_REQUIRE(KeyPress(*state, step) == step);
        shadow.Pending = true;
        shadow.KeyCode = step;
      } else if (step != 0xFE) {
        ResetNibbleStore(*state);
        shadow.Store.fill(0);
      }
      if (step != 0xFE) {
        FUZZ_REQUIRE(state->KeyCode == shadow.KeyCode && state->CommandPending == (shadow.Pending ? 1 : 0));
        FUZZ_REQUIRE(state->Nibbles == shadow.Store);
        continue;
      }
    }
    const std::int32_t pointBefore = state->PointCode;
    sink.Calls.clear();
    ReceiveByte(*state, b, sink);
    FUZZ_REQUIRE(state->RxByte == b && state->KeyCode == shadow.KeyCode);
    if (b >= FirstStatusByte) {
      shadow.Count = 0;
      if (b == StatusCommandDone) shadow.Pending = false;
      CheckStatusByte(*state, shadow, b, sink);
    } else {
      ++shadow.Count;
      if (shadow.Count <= NibbleStoreSize) {
        const auto at = static_cast<std::size_t>(shadow.Count - 1);
        shadow.Store[at] = b;
        FUZZ_REQUIRE(state->Nibbles[at] == b);
      }
      CheckNibble(*state, shadow, pointBefore, b, sink);
      FUZZ_REQUIRE(state->CommandPending == (shadow.Pending ? 1 : 0));
    }
  }
  // A stray write into the store shows here (the fields around it are checked every step).
  FUZZ_REQUIRE(state->Nibbles == shadow.Store);
  return 0;
}
