// Takes typed values off the front of a fuzz input.  Past its end every value reads as 0, so a
// target never needs to check how much is left before asking.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

class TFuzzInput {
 public:
  TFuzzInput(const std::uint8_t* data, std::size_t size) : FRest(data, size) {}

  bool Empty() const { return FRest.empty(); }
  std::size_t Left() const { return FRest.size(); }

  std::uint8_t Byte() {
    if (FRest.empty()) return 0;
    const std::uint8_t b = FRest.front();
    FRest = FRest.subspan(1);
    return b;
  }
  bool Flag() { return (Byte() & 1) != 0; }
  // Little-endian; each part is taken in its own statement, since the order in which the
  // operands of one expression are evaluated is unspecified.
  std::uint16_t U16() {
    const unsigned low = Byte();
    return static_cast<std::uint16_t>(low | Byte() << 8);
  }
  std::uint32_t U32() {
    const std::uint32_t low = U16();
    return low | static_cast<std::uint32_t>(U16()) << 16;
  }
  // Up to `count` bytes (fewer when the input ends first).
  std::span<const std::uint8_t> Bytes(std::size_t count) {
    const std::span<const std::uint8_t> taken = FRest.first(count < FRest.size() ? count : FRest.size());
    FRest = FRest.subspan(taken.size());
    return taken;
  }

 private:
  std::span<const std::uint8_t> FRest;
};
