// The instrument link: key codes out, status bytes and 18-nibble state frames in.
//
// The link has no framing beyond counting: a byte of 16 or more is a status byte and starts a
// new frame, a byte below 16 is a nibble, and the 18th nibble after a status byte completes a
// frame.  The decoder is plain logic fed one byte at a time; it reports what the window must
// show through a TPanelSink, and what each decoded frame said to a TFrameObserver.  Everything
// here runs on the window's thread and takes no lock.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "measure/DecodedFrame.h"

constexpr int NibbleStoreSize = 100;  // entries of TLinkState::Nibbles
constexpr int FrameNibbles = 18;      // nibbles of one TPanelFrame
constexpr int FrameKeys = 27;         // key areas Pa1..Pa27
constexpr int FrameLeds = 4;          // ALed1..ALed4
constexpr int FrameDigits = 8;        // digits of the reading, 1 = leftmost

constexpr std::uint8_t FirstStatusByte = 16;      // bytes from here up are status bytes
constexpr std::uint8_t StatusRemoteOff = 128;     // hides LaRsOn
constexpr std::uint8_t StatusCommandDone = 130;   // the instrument took the last key code
constexpr std::uint8_t StatusRemoteOn = 132;      // shows LaRsOn
constexpr std::uint8_t KeyCodeTestMode = 28;      // double click on Pa19 or Pa20
constexpr int BlankDigit = 15;                    // digit nibble of a dark digit

// The decoder's state; one per window, all zero at program start.
struct TLinkState {
  std::uint8_t KeyCode = 0;      // code of the last key press
  std::uint8_t RxByte = 0;       // the byte just taken from the port
  // Bytes since the last status byte, i.e. the position of the newest nibble.  It never goes
  // past NibbleStoreSize + 1: nibbles beyond the store are dropped until the next status byte.
  std::uint8_t NibbleCount = 0;
  std::array<std::int32_t, NibbleStoreSize> Nibbles{};  // [p] holds nibble p+1 of the frame
  std::int32_t CommandPending = 0;  // 1 from a key press until status byte 130
  std::int32_t PointCode = 0;       // decimal-point code of the last decoded frame
  std::string ReadingText;          // the reading of the last decoded frame with a valid point
  // Kept for observers of decoded frames; nothing the window shows depends on them.
  std::uint8_t LastStatus = 0;      // the last status byte; 0 until one came
  bool RemoteOn = false;            // status 132 came after the last 128 (LaRsOn shown)
};

// One state frame: nibbles 2k-1 (low) and 2k (high) make frame byte k, k = 1..9.
struct TPanelFrame {
  std::array<std::uint8_t, FrameNibbles> Nibble{};  // [i] is nibble i+1 in arrival order

  // The first 18 entries of the store.
  static TPanelFrame FromStore(const TLinkState& state);

  std::uint8_t Byte(int k) const;   // k = 1..9
  bool KeyLit(int key) const;       // key area Pa<key>, key = 1..27
  bool LedOn(int led) const;        // ALed<led>, led = 1..4
  int Digit(int k) const;           // digit k = 1..8 from the left; BlankDigit when dark
  int PointCode() const;            // frame byte 9
};

// Frame nibble number (1..18) that carries digit k (1..8).
constexpr int DigitNibble(int k) { return (k % 2 == 1) ? 9 + k : 7 + k; }

// A point code is valid when it is 0 (no point) or selects exactly one digit.
bool IsValidPointCode(int pointCode);

// The reading text of a frame: three blanks for a dark digit 1..4, two for a dark digit 5..8,
// otherwise the digit's value in decimal (10..14 take two characters) followed by "." when the
// point code selects that digit.  A dark digit never carries the point.
std::string ComposeReading(const TPanelFrame& frame);

// The elements of the window the decoder writes text into.  The numbering is fixed so that
// plRS0 + i is the echo label of nibble i+1.
enum TPanelLabel : std::uint8_t {
  plReady, plRS0, plRS1, plRS2, plRS3, plRS4, plRS5, plRS6, plRS7, plRezult
};

// What the window implements to receive the decoder's updates.  Every call happens inside
// ReceiveByte on the window's thread; the sink must not call back into the decoder.
class TPanelSink {
 public:
  virtual ~TPanelSink() = default;
  // LaReady, LaRS0..LaRS7 or LaRezult shows text.
  virtual void SetLabelText(TPanelLabel label, const std::string& text) = 0;
  // LaRsOn shown (status byte 132) or hidden (128).
  virtual void SetRsOnVisible(bool visible) = 0;
  // Key area Pa<key> (1..27) lit or unlit.
  virtual void SetKeyLit(int key, bool lit) = 0;
  // ALed<led> (1..4) on or off.
  virtual void SetLedOn(int led, bool on) = 0;
};

// Told of every decoded frame, after the sink has shown it, with what it showed.  Observing
// changes nothing the decoder shows.  Called inside ReceiveByte on the window's thread; the
// observer must not call back into the decoder.
class TFrameObserver {
 public:
  virtual ~TFrameObserver() = default;
  virtual void FrameDecoded(const TDecodedFrame& frame) = 0;
};

// A key press with code 1..28: marks a command pending and records the code.  Returns the byte
// to hand to the port; the window sends it and only then changes its own lamps.
std::uint8_t KeyPress(TLinkState& state, std::uint8_t code);

// Processes one byte just taken from the port.  Call it only once a byte has really been taken:
// when the port has none, the state must stay as it is.  A frame it decodes is also handed to
// `observer` when there is one.
void ReceiveByte(TLinkState& state, std::uint8_t b, TPanelSink& sink, TFrameObserver* observer = nullptr);

// Sets all entries of the nibble store to 0 (window creation, Reset); the count, the pending
// flag, the point code and the reading are kept.
void ResetNibbleStore(TLinkState& state);
