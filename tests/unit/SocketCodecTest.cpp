// The telnet / RFC 2217 codec and the network port paths: pure functions, bytes in and out.
#include <gtest/gtest.h>

#include <vector>

#include "dispatch/SioRfc2217.h"
#include "dispatch/SioSocketPath.h"
#include "dispatch/SioSocketRead.h"

using namespace telnet;
using TBytes = std::vector<std::uint8_t>;

namespace {

struct TDecoded {
  TBytes Data;
  TBytes Replies;
};

TDecoded Decode(TRfc2217Codec& codec, const TBytes& in) {
  TDecoded d;
  d.Data.resize(in.size());
  d.Data.resize(codec.Decode(in.data(), in.size(), d.Data.data(), d.Replies));
  return d;
}

}  // namespace

TEST(SocketPathTest, SchemesHostsAndPorts) {
  struct TCase {
    const char* Path;
    bool Ok;
    TSocketKind Kind;
    const char* Host;
    const char* Port;
  } cases[] = {
      {"tcp://127.0.0.1:2000", true, skRaw, "127.0.0.1", "2000"},
      {"RFC2217://lab-server.local:7000/", true, skRfc2217, "lab-server.local", "7000"},
      {"tcp://[::1]:65535", true, skRaw, "::1", "65535"},
      {"tcp://host", false, skNone, "", ""},
      {"tcp://host:0", false, skNone, "", ""},
      {"tcp://host:65536", false, skNone, "", ""},
      {"tcp://:2000", false, skNone, "", ""},
      {"tcp://::1:2000", false, skNone, "", ""},
      {"tcp://[::1]2000", false, skNone, "", ""},
      {"tcp://a b:1", false, skNone, "", ""},
      {"/dev/ttyUSB0", false, skNone, "", ""},
  };
  for (const TCase& c : cases) {
    TSocketPath parsed;
    std::string problem;
    EXPECT_EQ(ParseSocketPath(c.Path, parsed, &problem), c.Ok) << c.Path;
    EXPECT_EQ(parsed.Kind, c.Kind) << c.Path;
    EXPECT_EQ(parsed.Host, c.Host) << c.Path;
    EXPECT_EQ(parsed.Port, c.Port) << c.Path;
    EXPECT_EQ(problem.empty(), c.Ok) << c.Path;
  }
  EXPECT_EQ(SocketPathKind("/dev/tcp://x"), skNone);
}

TEST(Rfc2217CodecTest, DataWithIacRoundTripsWhateverTheSplit) {
  TBytes data;
  for (int i = 0; i < 600; ++i) data.push_back(static_cast<std::uint8_t>(i * 37));
  data.insert(data.end(), {IAC, IAC, 13, 0, IAC});
  TBytes wire;
  TRfc2217Codec::EscapeData(data.data(), data.size(), wire);
  for (std::size_t split = 0; split <= wire.size(); split += 7) {
    TRfc2217Codec codec;
    TDecoded a = Decode(codec, TBytes(wire.begin(), wire.begin() + static_cast<std::ptrdiff_t>(split)));
    const TDecoded b = Decode(codec, TBytes(wire.begin() + static_cast<std::ptrdiff_t>(split), wire.end()));
    a.Data.insert(a.Data.end(), b.Data.begin(), b.Data.end());
    ASSERT_EQ(a.Data, data) << "split at " << split;
    EXPECT_TRUE(a.Replies.empty() && b.Replies.empty());
  }
}

TEST(Rfc2217CodecTest, NegotiationAgreesToItsOptionsRefusesOthersAndNeverAnswersTwice) {
  struct TCase {
    TBytes In;
    TBytes Reply;
  } cases[] = {
      // Our offers answered: no further word.
      {{IAC, DO, OptComPort, IAC, DO, OptBinary, IAC, WILL, OptBinary}, {}},
      // Unknown options refused; echo from a device server refused.
      {{IAC, DO, 24, IAC, WILL, 31, IAC, WILL, OptEcho}, {IAC, WONT, 24, IAC, DONT, 31, IAC, DONT, OptEcho}},
      // A state already in force is not answered again.
      {{IAC, DO, OptComPort, IAC, WILL, OptSuppressGoAhead}, {}},
      // Switching one of ours off is acknowledged once.
      {{IAC, DONT, OptBinary, IAC, DONT, OptBinary}, {IAC, WONT, OptBinary}},
      // ... and on again when asked.
      {{IAC, DO, OptBinary}, {IAC, WILL, OptBinary}},
  };
  TRfc2217Codec codec;
  TBytes offers;
  codec.Start(offers);
  EXPECT_EQ(offers, (TBytes{IAC, WILL, OptBinary, IAC, WILL, OptSuppressGoAhead, IAC, WILL, OptComPort,
                            IAC, DO, OptBinary, IAC, DO, OptSuppressGoAhead}));
  EXPECT_FALSE(codec.ComPortAgreed());
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(Decode(codec, cases[i].In).Replies, cases[i].Reply) << "case " << i;
  }
  EXPECT_TRUE(codec.ComPortAgreed());
  EXPECT_FALSE(codec.RemoteEnabled(OptEcho));
}

TEST(Rfc2217CodecTest, CommandsAndNotifications) {
  TBytes out;
  TRfc2217Codec::SetBaudRate(0x0001C2FF, out);  // 115455: a 255 in the value is doubled
  EXPECT_EQ(out, (TBytes{IAC, SB, OptComPort, cpcSetBaudRate, 0x00, 0x01, 0xC2, 0xFF, 0xFF, IAC, SE}));

  TRfc2217Codec codec;
  const TDecoded d = Decode(codec, {'a', IAC, SB, OptComPort, 101, 0, 0, 0x25, 0x80, IAC, SE,   // baud 9600
                                    'b', IAC, SB, OptComPort, 102, 7, IAC, SE,                   // data size 7
                                    IAC, SB, OptComPort, 107, 0xB1, IAC, SE,                     // CD, DSR, CTS; delta CTS
                                    IAC, SB, OptComPort, 106, lsFraming | lsBreak, IAC, SE,
                                    IAC, SB, OptComPort, 108, IAC, SE, 'c'});
  EXPECT_EQ(d.Data, (TBytes{'a', 'b', 'c'}));
  EXPECT_EQ(codec.ServerBaudRate(), 9600u);
  EXPECT_EQ(codec.ServerValue(cpcSetDataSize), 7);
  EXPECT_TRUE(codec.ModemStateKnown());
  EXPECT_EQ(codec.ModemState(), 0xB1);
  EXPECT_EQ(codec.TakeLineState(), lsFraming | lsBreak);
  EXPECT_EQ(codec.TakeLineState(), 0);
  EXPECT_TRUE(codec.SendingSuspended());
  // A subnegotiation longer than any answer is dropped where it outgrows the bound, and what
  // follows is data again (a stray IAC SE included: nothing).
  TBytes longSub = {IAC, SB, OptComPort, 107};
  longSub.insert(longSub.end(), 200, 0x10);
  longSub.insert(longSub.end(), {IAC, SE, 'z'});
  TBytes after(200 - (TRfc2217Codec::kMaxSub - 2), 0x10);
  after.push_back('z');
  EXPECT_EQ(Decode(codec, longSub).Data, after);
  EXPECT_EQ(codec.DroppedSubnegotiations(), 1u);
  EXPECT_EQ(codec.ModemState(), 0xB1);
}

// A server that sends negotiation as fast as we read (no data, so a read looking for data
// would never end): one read takes no more than its buffer holds, nor answers more.
TEST(SocketReadTest, OneReadTakesAtMostItsBufferWhateverTheServerSends) {
  const TBytes flood = {IAC, WILL, 5, IAC, DO, 24};
  std::size_t sent = 0;
  auto receive = [&](std::uint8_t* into, std::uint32_t room) -> ssize_t {
    if (sent >= (std::size_t{64} << 20)) return errno = EAGAIN, -1;  // only a read without bound gets here
    for (std::uint32_t i = 0; i < room; ++i) into[i] = flood[(sent + i) % flood.size()];
    return sent += room, room;
  };
  TRfc2217Codec codec;
  TBytes replies;
  std::uint8_t buffer[4096];
  const TSocketRead r = ReadSocket(buffer, sizeof buffer, receive, [&](std::uint8_t* bytes, std::uint32_t n) {
    return codec.Decode(bytes, n, bytes, replies);
  });
  EXPECT_EQ(r.Received, sizeof buffer);
  EXPECT_EQ(r.Data, 0u);
  EXPECT_LE(replies.size(), sizeof buffer);
}
