// The instrument's command tree: every command and query a client may send, with the handler
// that runs it.  docs/scpi.md lists them with examples.
//
// Handlers run on the owner thread (remote/ScpiInstrument.h), one at a time.  A handler reports
// problems to the session's error queue, sets the reply of a query, or suspends the line with a
// wait (READ? and its kin) whose end gives the reply.
#pragma once

#include <string>
#include <vector>

#include "remote/ScpiParser.h"
#include "remote/ScpiTree.h"

class TScpiInstrument;
class TScpiSession;

struct TScpiCall {
  TScpiInstrument& Instrument;
  TScpiSession& Session;
  const TScpiUnit& Unit;
  std::string Reply;  // a query's answer
};

using TScpiHandler = void (*)(TScpiCall&);

struct TScpiCommand {
  TScpiPattern Pattern;
  TScpiHandler Set = nullptr;    // none: there is no command form
  TScpiHandler Query = nullptr;  // none: there is no query form
};

// The command the upper-cased header names in the form asked for (query or not); null when
// there is none.
const TScpiCommand* FindScpiCommand(const std::vector<std::string>& header, bool query);
// Every command, in the order docs/scpi.md lists them.
const std::vector<TScpiCommand>& ScpiCommands();
