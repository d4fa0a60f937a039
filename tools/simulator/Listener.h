// The simulator's line as a TCP server (--listen): raw bytes both ways, one client at a time,
// as a serial device server in raw mode serves its port.
//
// The first client to connect gets the line.  A client that connects while another has it is
// closed at once (it reads end of file before any byte), so only one peer ever talks to the
// instrument.  When the client goes, the line waits for the next one; the instrument runs on
// meanwhile and what it sends is lost, as on a wire with nobody at the other end.
#pragma once

#include <string>

class TListener {
 public:
  TListener() = default;
  TListener(const TListener&) = delete;
  TListener& operator=(const TListener&) = delete;
  ~TListener() { Close(); }

  // Listens on [ADDRESS:]PORT (ADDRESS 127.0.0.1 when left out; [::1]:PORT for IPv6; port 0:
  // one the system picks).  False with the reason in error.
  bool Open(const std::string& where, std::string& error);
  int Fd() const { return FFd; }
  // tcp://ADDRESS:PORT as bound, the port the system picked included.
  const std::string& Url() const { return FUrl; }

  // Takes one waiting connection: returns its descriptor (non-blocking, no send delay) when
  // `take`, else closes it and returns -1; -1 as well when none was waiting.  `peer` names it.
  int Accept(bool take, std::string& peer);
  void Close();

 private:
  int FFd = -1;
  std::string FUrl;
};

// Splits [ADDRESS:]PORT; false when it is not of that form or the port is not 0..65535.
bool SplitListenAddress(const std::string& where, std::string& address, int& port);
