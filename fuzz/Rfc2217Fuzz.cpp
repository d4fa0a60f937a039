// The RFC 2217 codec fed what a device server (or anyone at that address) may send.
//
// Input: the received bytes.  The first byte chooses where the input is split in two calls
// (a command may straddle two reads).  Invariants: the data out is never longer than what
// carried it; one call and two calls give the same data, answers and state; the answers are
// whole three-byte negotiations, at most one per negotiation received; and data escaped by
// EscapeData comes back unchanged from a fresh codec.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "dispatch/SioRfc2217.h"
#include "fuzz/FuzzRequire.h"

namespace {

struct TRun {
  std::vector<std::uint8_t> Data, Replies;
  std::uint8_t Modem = 0;
  std::uint32_t Baud = 0, Notifications = 0;
  bool Agreed = false;
};

TRun Run(const std::uint8_t* in, std::size_t size, std::size_t split) {
  TRfc2217Codec codec;
  TRun r;
  r.Data.resize(size);
  std::size_t n = codec.Decode(in, split, r.Data.data(), r.Replies);
  FUZZ_REQUIRE(n <= split);
  const std::size_t m = codec.Decode(in + split, size - split, r.Data.data() + n, r.Replies);
  FUZZ_REQUIRE(m <= size - split);
  r.Data.resize(n + m);
  r.Modem = codec.ModemState();
  r.Baud = codec.ServerBaudRate();
  r.Notifications = codec.Notifications();
  r.Agreed = codec.ComPortAgreed();
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t split = bytes[0] % size;
  const std::uint8_t* in = bytes + 1;
  const std::size_t length = size - 1;
  const TRun whole = Run(in, length, 0);
  const TRun parts = Run(in, length, split);
  FUZZ_REQUIRE(whole.Data == parts.Data && whole.Replies == parts.Replies && whole.Modem == parts.Modem &&
               whole.Baud == parts.Baud && whole.Notifications == parts.Notifications && whole.Agreed == parts.Agreed);
  FUZZ_REQUIRE(whole.Replies.size() % 3 == 0 && whole.Replies.size() <= length);
  for (std::size_t i = 0; i < whole.Replies.size(); i += 3) {
    FUZZ_REQUIRE(whole.Replies[i] == telnet::IAC && whole.Replies[i + 1] >= telnet::WILL);
  }

  // Decoding in place, as the socket layer does, gives the same data.
  std::vector<std::uint8_t> inPlace(in, in + length);
  std::vector<std::uint8_t> replies;
  TRfc2217Codec codec;
  const std::size_t n = codec.Decode(inPlace.data(), inPlace.size(), inPlace.data(), replies);
  // (std::equal: with no input both vectors are empty and their data() may be null.)
  FUZZ_REQUIRE(n == whole.Data.size() && std::equal(inPlace.begin(), inPlace.begin() + static_cast<std::ptrdiff_t>(n),
                                                     whole.Data.begin()));

  // The input taken as data: escaped and decoded again, it is unchanged and asks nothing.
  std::vector<std::uint8_t> wire;
  TRfc2217Codec::EscapeData(in, length, wire);
  const TRun back = Run(wire.data(), wire.size(), split % (wire.size() + 1));
  FUZZ_REQUIRE(back.Data == std::vector<std::uint8_t>(in, in + length) && back.Replies.empty());
  return 0;
}
