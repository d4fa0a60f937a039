// The network line's read (dispatch/SioSocketRead.h) over telnet, against a server that sends
// without pause: the rest of the input, repeated for as long as it is read, in pieces of the
// sizes the input chooses.  Run with a memory limit (fuzz/rfc2217.cmake), so a read whose
// buffers grow with what the server sends is caught even where no invariant looks.
//
// Input: two bytes for the reader's buffer size (1..8192), one for the largest piece the
// socket hands over at a time (1..255, 0 for all that is asked), then what the server repeats.  Invariants, for each
// of several reads in a row as the dispatch worker makes them: a read takes no more than its
// buffer holds; its data is no longer than what carried it, and its answers no longer either
// (but for the two bytes of a negotiation begun in the read before).
#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "dispatch/SioRfc2217.h"
#include "dispatch/SioSocketRead.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzRequire.h"

namespace {

constexpr int kReads = 4;
// What a read without bound would take in one call: far past the memory limit in answers.
constexpr std::size_t kServerLimit = std::size_t{256} << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  TFuzzInput input(bytes, size);
  const std::uint32_t count = 1 + input.U16() % 8192u;
  const std::uint32_t piece = input.Byte();  // 0: as much as the read asks for
  const auto pattern = input.Bytes(input.Left());
  if (pattern.empty()) return 0;

  std::size_t sent = 0;
  auto receive = [&](std::uint8_t* into, std::uint32_t room) -> ssize_t {
    if (sent >= kServerLimit) {
      errno = EAGAIN;
      return -1;
    }
    const std::uint32_t n = piece == 0 ? room : std::min(room, piece);
    for (std::uint32_t i = 0; i < n; ++i) into[i] = pattern[(sent + i) % pattern.size()];
    sent += n;
    return static_cast<ssize_t>(n);
  };
  TRfc2217Codec codec;
  std::vector<std::uint8_t> buffer(count);
  std::vector<std::uint8_t> replies;
  for (int r = 0; r < kReads; ++r) {
    replies.clear();  // the socket layer hands them to its bounded send queue
    const TSocketRead read = ReadSocket(buffer.data(), count, receive, [&](std::uint8_t* in, std::uint32_t n) {
      return codec.Decode(in, n, in, replies);
    });
    FUZZ_REQUIRE(read.Error == 0 && read.Received <= count && read.Data <= read.Received);
    // (A negotiation begun in the read before ends in this one: its IAC and verb came then.)
    FUZZ_REQUIRE(replies.size() <= read.Received + 2);
  }
  return 0;
}
