// The simulator's end of the serial line: a new pseudo-terminal or a serial device, raw, 9600 8N1,
// or a TCP server for one client (raw bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/simulator/Listener.h"

class TLine {
 public:
  TLine() = default;
  TLine(const TLine&) = delete;
  TLine& operator=(const TLine&) = delete;
  ~TLine() { Close(); }

  // Creates a pseudo-terminal with its slave already raw, so nothing written is echoed or
  // translated.  The simulator keeps a slave descriptor of its own: the master then never sees
  // a hang-up while the peer is away, the peer's unread bytes can be counted, and the
  // exclusive-use flag a peer leaves set on closing can be lifted (on a pseudo-terminal it
  // outlives the peer's close, and an unprivileged peer could not open the line again).
  // linkPath, when not empty, becomes a symbolic link to the slave (a symbolic link already
  // there is replaced; anything else there is an error).
  bool CreatePty(const std::string& linkPath, std::string& error);
  // Opens a serial device and sets it to 9600 baud, 8N1, raw, no flow control.
  bool OpenDevice(const std::string& path, std::string& error);
  // Serves the line over TCP on [ADDRESS:]PORT (tools/simulator/Listener.h); Path() is then
  // tcp://ADDRESS:PORT and Fd() the client's socket, -1 while no client is connected.
  bool Listen(const std::string& where, std::string& error);

  int Fd() const { return FFd; }
  const std::string& Path() const { return FPath; }  // what the peer opens

  // TCP only: whether the line is served, the listening socket (-1 otherwise), taking a
  // waiting connection (the client when there is none, else refused), and letting the client
  // go (it left or its connection failed) to wait for the next.  Each is said on stderr.
  bool Served() const { return FListener.Fd() >= 0; }
  int ListenFd() const { return FListener.Fd(); }
  void AcceptClient();
  void DropClient(const std::string& why);

  // Non-blocking; they return what the system calls return.
  long Write(const std::uint8_t* data, std::size_t size);
  long Read(std::uint8_t* data, std::size_t size);

  // Readable when someone has closed the pseudo-terminal's slave; -1 for a device.
  int CloseWatchFd() const { return FWatchFd; }
  // Takes the close notices and lifts the exclusive-use flag.
  void OnPeerClosed();

  // Bytes written but not yet taken by the peer, where that can be known; else 0.
  int Unread() const;
  // Closes the line (the peer of a pseudo-terminal sees a hang-up and its path goes away) and
  // removes the link.
  void Close();

 private:
  int FFd = -1;
  int FSlaveFd = -1;
  int FWatchFd = -1;
  std::string FPath;
  std::string FLinkPath;
  TListener FListener;
  std::string FPeer;  // the TCP client
};

// Sets a terminal descriptor to 9600 baud, 8N1, raw, no flow control.
bool SetRaw9600(int fd);
