// Port paths that name a serial line reached over the network rather than a device file:
//
//   tcp://HOST:PORT       raw bytes both ways (ser2net's raw mode, socat, freqsim --listen)
//   rfc2217://HOST:PORT   telnet with the COM-PORT-OPTION (RFC 2217): line settings, DTR and
//                         RTS, purges and modem-state notifications travel with the data
//
// HOST is a name, an IPv4 address or an IPv6 address in brackets ([::1]); PORT is 1..65535.
// The scheme is matched without regard to case.  Pure; any thread.
#pragma once

#include <string>

enum TSocketKind : unsigned char { skNone, skRaw, skRfc2217 };

struct TSocketPath {
  TSocketKind Kind = skNone;
  std::string Host;  // without brackets
  std::string Port;  // decimal, 1..65535
};

// The kind a path's scheme asks for; skNone for a device path.
TSocketKind SocketPathKind(const std::string& path);
// Parses a path whose scheme is tcp:// or rfc2217://.  False, with a reason in `problem`,
// when the rest is no HOST:PORT.
bool ParseSocketPath(const std::string& path, TSocketPath& parsed, std::string* problem = nullptr);
