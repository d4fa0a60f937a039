// One read of a network line (dispatch/SioSocket.h): what the socket holds, taken without
// waiting and, over telnet, decoded where it was received.
//
// Pure: the socket and the codec come in as calls, so the bounds below can be tested and
// fuzzed without a connection.  A server may send faster than we read for as long as it likes
// (negotiation that carries no data, say): one read takes at most `count` bytes off the
// socket, whatever they decode to, so the answers it makes (never longer than what asked for
// them) and the time it takes are bounded by the caller's buffer, not by the server.
#pragma once

#include <sys/types.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>

struct TSocketRead {
  std::uint32_t Data = 0;      // data bytes now at the start of the buffer
  std::uint32_t Received = 0;  // bytes taken off the socket (at most the buffer's size)
  int Error = 0;               // errno of a failed first receive; 0 otherwise
};

// `receive(into, room)` is recv's result (errno set when negative); `decode(bytes, n)` turns
// n received bytes into the data bytes they carry, in place, and returns their number (the
// bytes as they are over raw TCP).  Receives until the socket is empty or `count` bytes came.
template <typename TReceive, typename TDecode>
TSocketRead ReadSocket(std::uint8_t* buffer, std::uint32_t count, TReceive&& receive, TDecode&& decode) {
  TSocketRead r;
  // Data never outgrows what carried it, so the bytes still to receive always fit behind it.
  while (r.Received < count) {
    const std::uint32_t room = count - r.Received;
    const ssize_t n = receive(buffer + r.Data, room);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && r.Received == 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      r.Error = errno;
      return r;
    }
    if (n <= 0) break;  // emptied, or the server closed (the event worker tells)
    const auto got = static_cast<std::uint32_t>(n);
    r.Received += got;
    r.Data += static_cast<std::uint32_t>(decode(buffer + r.Data, got));
    if (got < room) break;  // the socket is empty
  }
  return r;
}
